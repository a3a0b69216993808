// bench_live_rate: how fast the live loop runs, what it costs, and what the window adds.
//
// The simulator runs as a separate process (chromix5_sim beside this program), so the tool's
// loop and the sensor do not share a thread, as with a real sensor. Over TCP on loopback, and
// over a pseudo-terminal paced to 115200 and to 921600 baud, it measures in rounds, the loops
// alternating within each round:
//   plain   a plain blocking client: raw write and read of the same frames, no framework;
//   bare    FillTxBuf/DataExchange of the live-data request in a loop, nothing shown;
//   window  the GO button's loop on the real panels (GetData with SetPanelData and ShowGraph3D,
//           circles of the taught rows), ended by a timer that clears AcquisitionRunning;
//   record  the window's loop with RECORD on, every sample written to a CSV file in a
//           temporary folder;
// and prints passes per second and CPU per pass of each, and the medians of the per-round
// ratios against their targets, one per line: "ratio NAME VALUE (target OP VALUE): met|MISSED".
// A paced line's limit is (8 request + 48 response bytes) x 10 bits / baud per pass.
//
//   bench_live_rate [--seconds S] [--rounds N]
//                   [--only display|drawing|tcp|serial|serial115200|serial921600]
//                   [--loops plain,bare,...] [--frames N]
// --loops runs only the loops named, e.g. one loop under a profiler or strace; --frames sets
// how many frames "drawing" draws (e.g. fewer under a profiler that counts instructions).
//
// Targets: over TCP the bare loop reaches 0.97 of the plain client's rate and the window 0.95
// of the bare loop's, and recording keeps 0.95 of the window's rate; on a paced line the bare
// loop and the window (with its drawing) take no more than twice the plain client's CPU per
// pass and reach 0.97 of its rate. The plain client's share of the line's limit is printed
// without a target: it measures the machine (the kernel's pseudo-terminal), not the tool.
//
// Before the lines it prints what the display work of a pass costs alone, what drawing one
// frame costs (every graph redrawn and the window painted, as at a screen refresh), and what
// recording a sample costs.
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "link/commands.h"
#include "link/frame.h"
#include "link/link_state.h"
#include "link/transports.h"
#include "params/parameter_set.h"
#include "link/sensor_context.h"
#include "params/program_state.h"
#include "platform/controls.h"
#include "platform/graphs.h"
#include "platform/panels.h"
#include "platform/rs232.h"
#include "platform/runtime.h"
#include "platform/tcp.h"
#include "platform/userint.h"
#include "ui/callback_table.h"
#include "ui/live_callbacks.h"
#include "ui/live_display.h"
#include "ui/main_window.h"
#include "ui/panel_handles.h"
#include "ui/record_panel.h"
#include "ui/recorder.h"
#include "ui/uir.h"
#include "ui/window_seams.h"

namespace {

constexpr int kBenchComPort = 30;
constexpr double kRequestBytes = 8;
constexpr double kResponseBytes = 8 + 40;

// User and system time of another process, from /proc; 0 where that is not available.
double CpuSecondsOf(qint64 pid)
{
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    const size_t paren = text.rfind(')');
    if (paren == std::string::npos)
        return 0;
    // Fields after the command: state is field 3; utime and stime are fields 14 and 15.
    std::vector<std::string> fields;
    size_t pos = paren + 2;
    while (pos < text.size()) {
        const size_t end = text.find(' ', pos);
        fields.push_back(text.substr(pos, end - pos));
        if (end == std::string::npos)
            break;
        pos = end + 1;
    }
    if (fields.size() < 13)
        return 0;
    const double ticks = static_cast<double>(sysconf(_SC_CLK_TCK));
    return (std::atof(fields[11].c_str()) + std::atof(fields[12].c_str())) / ticks;
}

struct Result {
    double passes = 0;
    double seconds = 0;
    double cpu = 0;     // this process, seconds
    double simCpu = 0;  // the simulator, seconds
    double Rate() const { return seconds > 0 ? passes / seconds : 0; }
    double CpuPerPass() const { return passes > 0 ? cpu / passes : 0; }
};

// The simulator as a child process; the constructor waits until it prints where it listens.
class SimProcess {
public:
    explicit SimProcess(const QStringList& args)
    {
        const QString exe = QCoreApplication::applicationDirPath() + "/chromix5_sim";
        process_.setProgram(exe);
        process_.setArguments(args + QStringList{"--target", "cycle", "--cycle-ms", "500"});
        process_.start();
        if (!process_.waitForStarted(5000)) {
            std::fprintf(stderr, "cannot start %s\n", qPrintable(exe));
            return;
        }
        while (process_.waitForReadyRead(5000)) {
            while (process_.canReadLine()) {
                const QString line = QString::fromUtf8(process_.readLine()).trimmed();
                if (line.startsWith("tcp 127.0.0.1:"))
                    port_ = line.mid(14).toInt();
                if (line.startsWith("pty "))
                    ready_ = true;
            }
            if (port_ > 0)
                ready_ = true;
            if (ready_)
                return;
        }
    }
    ~SimProcess()
    {
        process_.terminate();
        if (!process_.waitForFinished(3000))
            process_.kill();
    }
    bool ready() const { return ready_; }
    int port() const { return port_; }
    qint64 pid() const { return process_.processId(); }

private:
    QProcess process_;
    int port_ = 0;
    bool ready_ = false;
};

template <class Body>
Result Measure(const SimProcess& sim, Body body)
{
    Result r;
    const double cpu0 = bench::CpuSeconds(), sim0 = CpuSecondsOf(sim.pid()), t0 = Timer();
    r.passes = body();
    r.seconds = Timer() - t0;
    r.cpu = bench::CpuSeconds() - cpu0;
    r.simCpu = CpuSecondsOf(sim.pid()) - sim0;
    return r;
}

// The bare exchange loop: the same request and wait, nothing shown.
double BareLoop(double seconds)
{
    const double end = Timer() + seconds;
    double passes = 0;
    SensorConnected = 1;
    while (Timer() < end) {
        FillTxBuf(8, 0, 0);
        if (DataExchange(8) != 1)
            break;
        ++passes;
    }
    return passes;
}

// The GO button's loop on the real panels, stopped by a timer like the STOP button.
double WindowLoop(double seconds)
{
    SensorConnected = 1;
    const uint64_t before = ShownSampleCount();
    QTimer::singleShot(static_cast<int>(seconds * 1000), Qt::PreciseTimer, [] { AcquisitionRunning = 0; });
    CBF_ButtonGo(MainPanel, MAINP_BUTTON_GO, EVENT_COMMIT, nullptr, 0, 0);
    return static_cast<double>(ShownSampleCount() - before);
}

// The window's loop with RECORD on, into a fresh file in folder.
double RecordLoop(double seconds, const QString& folder)
{
    // The recording settings too stay in the temporary folder, not in the user's own.
    setenv("XDG_CONFIG_HOME", (folder + "/config").toUtf8().constData(), 1);
    StoreRecordingSettings(folder.toUtf8().constData(), 0);
    SetCtrlVal(DataPanel, DATAP_BUTTON_RECORD, 1);
    CBF_ButtonRecord(DataPanel, DATAP_BUTTON_RECORD, EVENT_COMMIT, nullptr, 0, 0);
    const double passes = WindowLoop(seconds);
    SetCtrlVal(DataPanel, DATAP_BUTTON_RECORD, 0);
    CBF_ButtonRecord(DataPanel, DATAP_BUTTON_RECORD, EVENT_COMMIT, nullptr, 0, 0);
    if (!RecordingError().empty())
        std::printf("  %s\n", RecordingError().c_str());
    return passes;
}

// The display work of a pass alone, without the exchange: what the window adds to each pass,
// with the event processing a wait would do.
void DisplayOnly(int passes)
{
    const double cpu0 = bench::CpuSeconds(), t0 = Timer();
    for (int i = 0; i < passes; ++i) {
        LiveData[6] = static_cast<uint8_t>(i);  // X moves a little, as live values do
        SetPanelData();
        ShowGraph3D();
        ProcessSystemEvents();
    }
    const double seconds = Timer() - t0;
    std::printf("Display work alone: %.1f us per pass (CPU %.1f us), %d passes\n\n",
                1e6 * seconds / passes, 1e6 * (bench::CpuSeconds() - cpu0) / passes, passes);
}

// What one refresh of the screen costs: the newest sample put into the numeric displays, the
// side views and the strip chart, every plot drawn and the window painted, as the live loop
// does it at most once per screen refresh. The sample moves as a sensor's does: a little noise
// around a colour, and a jump to another colour now and then (which may move the side views'
// windows).
void DrawingOnly(int frames)
{
    const auto put = [](int word, int value) {
        LiveData[2 * (word - 1)] = static_cast<uint8_t>(value);
        LiveData[2 * (word - 1) + 1] = static_cast<uint8_t>(value >> 8);
    };
    const auto frame = [&](int i) {
        const int colour = (i / 15) % 4, noise = (i * 7) % 11;
        put(kLiveX, 1000 + 400 * colour + noise);
        put(kLiveY, 1700 - 300 * colour + noise);
        put(kLiveInt, 600 + 500 * colour + noise);
        put(kLiveR, 2000 + 300 * colour + noise);
        put(kLiveG, 1500 - 200 * colour + noise);
        put(kLiveB, 900 + 100 * colour + noise);
        ShowLiveValues();
        AppendLiveHistory();
        ShowGraph3D();
        ProcessDrawEvents();
    };
    for (int i = 0; i < 30; ++i)  // the first frames lay out and fill the caches
        frame(i);
    const double cpu0 = bench::CpuSeconds(), t0 = Timer();
    for (int i = 0; i < frames; ++i)
        frame(i);
    const double seconds = Timer() - t0;
    std::printf("Drawing a frame: %.1f us per frame (CPU %.1f us), %d frames\n", 1e6 * seconds / frames,
                1e6 * (bench::CpuSeconds() - cpu0) / frames, frames);
    // The live loop draws a frame only every 33 ms (the frame clock's pace), and what a frame
    // touches has gone cold by then: on some machines (virtual ones above all) that costs
    // several times the frame drawn back to back, and it is what the loops below pay.
    constexpr int kPaced = 30;
    constexpr double kFrameSeconds = 0.033;
    double paced = 0;
    for (int i = 0; i < kPaced; ++i) {
        const double end = Timer() + kFrameSeconds;
        while (Timer() < end)
            WaitSystemEvents(end - Timer());
        const double cpu = bench::CpuSeconds();
        frame(i);
        paced += bench::CpuSeconds() - cpu;
    }
    std::printf("Drawing a frame %.0f ms after the last: CPU %.1f us, %d frames\n\n", kFrameSeconds * 1e3,
                1e6 * paced / kPaced, kPaced);
}

// The recording's own work for one sample (a row formatted, buffered, written out once a
// second), without the display and the exchange.
void RecordingOnly(int samples)
{
    QTemporaryDir folder;
    setenv("XDG_CONFIG_HOME", folder.filePath("config").toUtf8().constData(), 1);
    StoreRecordingSettings(folder.path().toUtf8().constData(), 0);
    SetCtrlVal(DataPanel, DATAP_BUTTON_RECORD, 1);
    CBF_ButtonRecord(DataPanel, DATAP_BUTTON_RECORD, EVENT_COMMIT, nullptr, 0, 0);
    RecordingRunStarts();
    const double cpu0 = bench::CpuSeconds(), t0 = Timer();
    for (int i = 0; i < samples; ++i) {
        LiveData[6] = static_cast<uint8_t>(i);
        RecordLiveSample();
    }
    const double seconds = Timer() - t0, cpu = bench::CpuSeconds() - cpu0;
    RecordingRunEnds();
    SetCtrlVal(DataPanel, DATAP_BUTTON_RECORD, 0);
    CBF_ButtonRecord(DataPanel, DATAP_BUTTON_RECORD, EVENT_COMMIT, nullptr, 0, 0);
    std::printf("Recording work alone: %.2f us per sample (CPU %.2f us), %d samples\n\n",
                1e6 * seconds / samples, 1e6 * cpu / samples, samples);
}

void Print(const char* what, const Result& r)
{
    std::printf("  %-8s %8.0f passes/s  %6.1f us CPU/pass  tool CPU %5.1f %%  sim CPU %5.1f %%  (%.0f passes in %.2f s)\n",
                what, r.Rate(), 1e6 * r.CpuPerPass(), 100.0 * r.cpu / r.seconds, 100.0 * r.simCpu / r.seconds,
                r.passes, r.seconds);
}

// Taught colours spread over the colour space, as an operator's table would hold.
void TeachSomeRows()
{
    const uint16_t rows[][4] = {{1900, 1100, 900, 60}, {1100, 1900, 700, 60}, {900, 1000, 800, 60},
                                {1500, 1500, 400, 80}, {1365, 1365, 2000, 50}, {2400, 1200, 600, 70}};
    int k = 0;
    for (const auto& r : rows) {
        TechVec[k].Cell0 = r[0];
        TechVec[k].Cell1 = r[1];
        TechVec[k].Cell2 = r[2];
        TechVec[k].Cell3 = r[3];
        ++k;
    }
}

bool ConnectTcp(int port)
{
    Protocol = kProtocolTcp;
    std::snprintf(IpAddress, sizeof IpAddress, "127.0.0.1");
    TcpPort = port;
    InitTCP_IP();
    return TcpConnected == 1;
}

bool ConnectSerial(const std::string& path, int baudIndex)
{
    Protocol = kProtocolRs232;
    ComPort = kBenchComPort;
    BaudRateIndex = static_cast<uint16_t>(baudIndex);
    SetComPortDevice(kBenchComPort, path.c_str());
    InitRS232();
    return OpenStatus >= 0;
}

// A line under test: the tool's link and the plain client take turns on it, since two readers
// of one pseudo-terminal would take each other's bytes.
struct Line {
    std::function<bool()> openTool, openPlain;
    std::function<void()> closeTool;
    std::unique_ptr<bench::PlainClient> plain = std::make_unique<bench::PlainClient>();
    bool toolOpen = false;

    bool Use(bool wantPlain)
    {
        if (wantPlain) {
            if (toolOpen)
                closeTool();
            toolOpen = false;
            return openPlain();
        }
        plain->Close();
        if (!toolOpen)
            toolOpen = openTool();
        return toolOpen;
    }
};

// Where the record loop writes: one temporary folder for the whole run.
QString RecordingsFolder()
{
    static QTemporaryDir folder;
    return folder.path();
}

// The loops compared on every line, alternating within each round. Another loop to compare is
// one more entry.
struct LoopKind {
    const char* name;
    bool plain;  // runs on the plain client rather than on the tool's link
    std::function<double(Line&, double seconds)> run;
};
const LoopKind kLoops[] = {
    {"plain", true, [](Line& line, double s) { return line.plain->Loop(s); }},
    {"bare", false, [](Line&, double s) { return BareLoop(s); }},
    {"window", false, [](Line&, double s) { return WindowLoop(s); }},
    {"record", false, [](Line&, double s) { return RecordLoop(s, RecordingsFolder()); }},
};

// The loops to run (--loops), all when empty.
std::string selectedLoops;

bool LoopSelected(const char* name)
{
    if (selectedLoops.empty())
        return true;
    const size_t length = std::strlen(name);
    for (size_t at = selectedLoops.find(name); at != std::string::npos; at = selectedLoops.find(name, at + 1))
        if ((at == 0 || selectedLoops[at - 1] == ',') &&
            (at + length == selectedLoops.size() || selectedLoops[at + length] == ','))
            return true;
    return false;
}

// Results per loop name, one per round.
using Rounds = std::map<std::string, std::vector<Result>>;

Rounds RunRounds(const SimProcess& sim, Line& line, double seconds, int rounds)
{
    Rounds results;
    constexpr size_t kinds = sizeof kLoops / sizeof kLoops[0];
    for (int round = 0; round < rounds; ++round) {
        // Each round starts with another loop, so drift (other load, clock speed) falls on all.
        for (size_t k = 0; k < kinds; ++k) {
            const LoopKind& loop = kLoops[(k + static_cast<size_t>(round)) % kinds];
            if (!LoopSelected(loop.name))
                continue;
            if (!line.Use(loop.plain)) {
                std::printf("  %s: the line could not be opened\n", loop.name);
                continue;
            }
            const Result r = Measure(sim, [&] { return loop.run(line, seconds); });
            results[loop.name].push_back(r);
        }
    }
    line.Use(false);
    return results;
}

Result Sum(const std::vector<Result>& rounds)
{
    Result sum;
    for (const Result& r : rounds)
        sum.passes += r.passes, sum.seconds += r.seconds, sum.cpu += r.cpu, sum.simCpu += r.simCpu;
    return sum;
}

// Median over the rounds of a figure of loop a divided by the same of loop b in that round.
double MedianRatio(const Rounds& results, const char* a, const char* b, double (Result::*figure)() const)
{
    const auto ia = results.find(a), ib = results.find(b);
    if (ia == results.end() || ib == results.end())
        return 0;
    std::vector<double> ratios;
    for (size_t i = 0; i < ia->second.size() && i < ib->second.size(); ++i) {
        const double denominator = (ib->second[i].*figure)();
        if (denominator > 0)
            ratios.push_back((ia->second[i].*figure)() / denominator);
    }
    return bench::Median(ratios);
}

void PrintLoops(const Rounds& results)
{
    for (const LoopKind& loop : kLoops)
        if (const auto it = results.find(loop.name); it != results.end())
            Print(loop.name, Sum(it->second));
}

void RunTcp(double seconds, int rounds)
{
    SimProcess sim({"--tcp", "0"});
    if (!sim.ready()) {
        std::printf("TCP: the simulator could not be started\n");
        return;
    }
    std::printf("TCP on loopback (simulator pid %lld, port %d): %d rounds of %.1f s per loop, load average %s\n",
                static_cast<long long>(sim.pid()), sim.port(), rounds, seconds, bench::LoadAverage().c_str());
    Line line;
    line.openTool = [&] { return ConnectTcp(sim.port()); };
    line.closeTool = [] {
        DisconnectFromTCPServer(TcpHandle);
        TcpHandle = 0;
        TcpConnected = 0;
    };
    // A connection of its own: the simulator serves both, one at a time.
    line.openPlain = [&] { return line.plain->OpenTcp(sim.port()); };
    const Rounds results = RunRounds(sim, line, seconds, rounds);
    line.closeTool();
    PrintLoops(results);
    std::printf("  load average after: %s\n", bench::LoadAverage().c_str());
    bench::PrintRatio("tcp.bare/plain.rate", MedianRatio(results, "bare", "plain", &Result::Rate), ">=", 0.97);
    bench::PrintRatio("tcp.window/bare.rate", MedianRatio(results, "window", "bare", &Result::Rate), ">=", 0.95);
    bench::PrintRatio("tcp.record/window.rate", MedianRatio(results, "record", "window", &Result::Rate), ">=", 0.95);
    std::printf("\n");
}

void RunSerial(long baud, int baudIndex, double seconds, int rounds)
{
    QTemporaryDir dir;
    const std::string link = (dir.path() + "/sensor").toStdString();
    SimProcess sim({"--pty-link", QString::fromStdString(link), "--baud", QString::number(baud)});
    if (!sim.ready()) {
        std::printf("%ld baud: the simulator's pseudo-terminal could not be opened\n", baud);
        return;
    }
    const double limit = baud / ((kRequestBytes + kResponseBytes) * 10.0);
    std::printf("Pseudo-terminal paced to %ld baud, at most %.1f passes/s: %d rounds of %.1f s per loop, "
                "load average %s\n",
                baud, limit, rounds, seconds, bench::LoadAverage().c_str());
    Line line;
    line.openTool = [&] { return ConnectSerial(link, baudIndex); };
    line.closeTool = [] { CloseCom(kBenchComPort); };
    line.openPlain = [&] { return line.plain->OpenSerial(link, baud); };
    const Rounds results = RunRounds(sim, line, seconds, rounds);
    line.closeTool();
    SetComPortDevice(kBenchComPort, nullptr);
    PrintLoops(results);
    std::printf("  load average after: %s\n", bench::LoadAverage().c_str());
    const std::string name = "serial" + std::to_string(baud);
    bench::PrintRatio(name + ".bare/plain.cpu_per_pass", MedianRatio(results, "bare", "plain", &Result::CpuPerPass),
                      "<=", 2.0);
    bench::PrintRatio(name + ".bare/plain.rate", MedianRatio(results, "bare", "plain", &Result::Rate), ">=", 0.97);
    bench::PrintRatio(name + ".window/plain.rate", MedianRatio(results, "window", "plain", &Result::Rate), ">=", 0.97);
    // The window's CPU per pass holds its drawing at the screen's refresh too, whatever the pace.
    bench::PrintRatio(name + ".window/plain.cpu_per_pass",
                      MedianRatio(results, "window", "plain", &Result::CpuPerPass), "<=", 2.0);
    if (const auto it = results.find("plain"); it != results.end()) {
        std::vector<double> shares;
        for (const Result& r : it->second)
            shares.push_back(r.Rate() / limit);
        // Information, not a target: it measures the machine (its pseudo-terminal), not the tool.
        std::printf("  %s.plain/line_limit.rate %.3f\n", name.c_str(), bench::Median(shares));
    }
    std::printf("\n");
}

}  // namespace

int main(int argc, char** argv)
{
    double seconds = 1.0;
    int rounds = 5;
    int frames = 0;  // frames drawn by "drawing" (0: its default)
    std::string only;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (!std::strcmp(argv[i], "--seconds"))
            seconds = std::max(0.2, std::atof(argv[i + 1]));
        else if (!std::strcmp(argv[i], "--rounds"))
            rounds = std::max(1, std::atoi(argv[i + 1]));
        else if (!std::strcmp(argv[i], "--only"))
            only = argv[i + 1];
        else if (!std::strcmp(argv[i], "--loops"))
            selectedLoops = argv[i + 1];
        else if (!std::strcmp(argv[i], "--frames"))
            frames = std::max(1, std::atoi(argv[i + 1]));
    }
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    if (!InitRunTime(argc, argv))
        return 1;
    InitWindowSeams();
    RegisterProgramCallbacks();
    if (LoadMainPanels() < 0) {
        std::fprintf(stderr, "cannot load the panels from %s\n", kUirFile);
        return 1;
    }
    GetPanelHandleFromTabPage(MainPanel, MAINP_TAB, 0, &ConnectPage);
    GetPanelHandleFromTabPage(MainPanel, MAINP_TAB, 1, &ParamPage);
    DisplayPanel(MainPanel);
    DisplayPanel(DataPanel);
    TeachSomeRows();
    ProcessSystemEvents();

    InitGraphs();
    if (only.empty() || only == "display") {
        DisplayOnly(20000);
        RecordingOnly(200000);
    }
    if (only.empty() || only == "display" || only == "drawing")
        DrawingOnly(frames > 0 ? frames : only == "drawing" ? 3000 : 600);
    if (only.empty() || only == "tcp")
        RunTcp(seconds, rounds);
    if (only.empty() || only == "serial" || only == "serial115200")
        RunSerial(115200, 4, seconds, rounds);
    if (only.empty() || only == "serial" || only == "serial921600")
        RunSerial(921600, 7, seconds, rounds);

    DiscardPanel(MainPanel);
    ProcessSystemEvents();
    return 0;
}

// bench_live_rate: how fast the live loop runs, and what the window costs.
//
// The simulator runs as a separate process (chromix5_sim beside this program), so the tool's
// loop and the sensor do not share a thread, as with a real sensor. Over TCP on loopback it
// measures, in one run and alternating:
//   bare    FillTxBuf/DataExchange of the live-data request in a loop, nothing shown;
//   window  the GO button's loop on the real panels (GetData with SetPanelData and ShowGraph3D,
//           circles of the taught rows), ended by a timer that clears AcquisitionRunning;
// and prints passes per second and the CPU each process used. Then the same over a
// pseudo-terminal paced to 115200 and 921600 baud, as a share of what the line can carry:
// (8 request + 48 response bytes) x 10 bits / baud per pass.
//
//   bench_live_rate [--seconds S] [--rounds N] [--only display|tcp|serial]
//
// Targets: the window costs at most 15 % of the bare rate; the paced line reaches 95 % of its
// limit.
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
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "link/commands.h"
#include "link/frame.h"
#include "link/link_state.h"
#include "link/transports.h"
#include "params/parameter_set.h"
#include "params/program_state.h"
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
#include "ui/uir.h"
#include "ui/window_seams.h"

namespace {

constexpr int kBenchComPort = 30;
constexpr double kRequestBytes = 8;
constexpr double kResponseBytes = 8 + 40;

double CpuSeconds()
{
    rusage use{};
    getrusage(RUSAGE_SELF, &use);
    return use.ru_utime.tv_sec + use.ru_stime.tv_sec +
           (use.ru_utime.tv_usec + use.ru_stime.tv_usec) * 1e-6;
}

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
    const double cpu0 = CpuSeconds(), sim0 = CpuSecondsOf(sim.pid()), t0 = Timer();
    r.passes = body();
    r.seconds = Timer() - t0;
    r.cpu = CpuSeconds() - cpu0;
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

// The display work of a pass alone, without the exchange: what the window adds to each pass,
// with the event processing a wait would do.
void DisplayOnly(int passes)
{
    const double cpu0 = CpuSeconds(), t0 = Timer();
    for (int i = 0; i < passes; ++i) {
        LiveData[6] = static_cast<uint8_t>(i);  // X moves a little, as live values do
        SetPanelData();
        ShowGraph3D();
        ProcessSystemEvents();
    }
    const double seconds = Timer() - t0;
    std::printf("Display work alone: %.1f us per pass (CPU %.1f us), %d passes\n\n",
                1e6 * seconds / passes, 1e6 * (CpuSeconds() - cpu0) / passes, passes);
}

void Print(const char* what, const Result& r)
{
    std::printf("  %-8s %8.0f passes/s   tool CPU %5.1f %%   sim CPU %5.1f %%   (%.0f passes in %.2f s)\n",
                what, r.Rate(), 100.0 * r.cpu / r.seconds, 100.0 * r.simCpu / r.seconds, r.passes,
                r.seconds);
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

void RunTcp(double seconds, int rounds)
{
    SimProcess sim({"--tcp", "0"});
    if (!sim.ready() || !ConnectTcp(sim.port())) {
        std::printf("TCP: the simulator could not be reached\n");
        return;
    }
    std::printf("TCP on loopback (simulator pid %lld, port %d), %.1f s per measurement\n",
                static_cast<long long>(sim.pid()), sim.port(), seconds);
    // The machine may be busy with other work: rounds alternate, and the figure is the median
    // of each round's window/bare ratio, so a disturbance hits one round, not the result.
    Result bare, window;
    std::vector<double> ratios;
    for (int round = 0; round < rounds; ++round) {
        const Result b = Measure(sim, [&] { return BareLoop(seconds); });
        Print("bare", b);
        const Result w = Measure(sim, [&] { return WindowLoop(seconds); });
        Print("window", w);
        ratios.push_back(w.Rate() / b.Rate());
        bare.passes += b.passes, bare.seconds += b.seconds, bare.cpu += b.cpu, bare.simCpu += b.simCpu;
        window.passes += w.passes, window.seconds += w.seconds, window.cpu += w.cpu,
            window.simCpu += w.simCpu;
    }
    std::sort(ratios.begin(), ratios.end());
    const double ratio = ratios.size() % 2 ? ratios[ratios.size() / 2]
                                           : (ratios[ratios.size() / 2 - 1] + ratios[ratios.size() / 2]) / 2;
    const double cost = 100.0 * (1.0 - ratio);
    std::printf("TCP: bare %.0f passes/s, window %.0f passes/s over all rounds; median window/bare "
                "ratio %.3f: the window costs %.1f %% of the bare rate (target <= 15 %%): %s\n",
                bare.Rate(), window.Rate(), ratio, cost, cost <= 15.0 ? "met" : "MISSED");
    std::printf("TCP CPU per pass: bare %.1f us, window %.1f us\n\n", 1e6 * bare.cpu / bare.passes,
                1e6 * window.cpu / window.passes);
    DisconnectFromTCPServer(TcpHandle);
    TcpHandle = 0;
    TcpConnected = 0;
}

void RunSerial(long baud, int baudIndex, double seconds)
{
    QTemporaryDir dir;
    const std::string link = (dir.path() + "/sensor").toStdString();
    SimProcess sim({"--pty-link", QString::fromStdString(link), "--baud", QString::number(baud)});
    if (!sim.ready() || !ConnectSerial(link, baudIndex)) {
        std::printf("%ld baud: the simulator's pseudo-terminal could not be opened\n", baud);
        return;
    }
    const double limit = baud / ((kRequestBytes + kResponseBytes) * 10.0);
    std::printf("Pseudo-terminal paced to %ld baud: the line carries at most %.1f passes/s\n", baud,
                limit);
    const Result b = Measure(sim, [&] { return BareLoop(seconds); });
    Print("bare", b);
    const Result w = Measure(sim, [&] { return WindowLoop(seconds); });
    Print("window", w);
    const double share = 100.0 * w.Rate() / limit;
    std::printf("%ld baud: bare %.1f %%, window %.1f %% of the line's limit (target >= 95 %%): %s\n\n",
                baud, 100.0 * b.Rate() / limit, share, share >= 95.0 ? "met" : "MISSED");
    CloseCom(kBenchComPort);
    SetComPortDevice(kBenchComPort, nullptr);
}

}  // namespace

int main(int argc, char** argv)
{
    double seconds = 2.0;
    int rounds = 5;
    std::string only;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (!std::strcmp(argv[i], "--seconds"))
            seconds = std::max(0.2, std::atof(argv[i + 1]));
        else if (!std::strcmp(argv[i], "--rounds"))
            rounds = std::max(1, std::atoi(argv[i + 1]));
        else if (!std::strcmp(argv[i], "--only"))
            only = argv[i + 1];
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

    if (only.empty() || only == "display") {
        InitGraphs();
        DisplayOnly(20000);
    }
    if (only.empty() || only == "tcp")
        RunTcp(seconds, rounds);
    if (only.empty() || only == "serial") {
        RunSerial(115200, 4, seconds);
        RunSerial(921600, 7, seconds);
    }

    DiscardPanel(MainPanel);
    ProcessSystemEvents();
    return 0;
}

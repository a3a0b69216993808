// What the link's exchange costs against a plain blocking client, and what its wait costs while
// the sensor is silent. Measured in one run against chromix5_sim in another process:
//   - exchanges per second and CPU per exchange of the live-data request (an 8-byte request, a
//     48-byte answer) in three loops that alternate within every round: a plain client (raw
//     write and read, no framework), the tool's FillTxBuf/DataExchange loop, and the same loop
//     with busy polling (events processed on every pass, never blocking), over loopback TCP
//     and pseudo-terminals paced to 115200 and 921600 baud (an unpaced one is no serial line:
//     the tool's wait gives every answer the time its baud rate needs);
//   - the CPU burnt while an exchange waits for an answer that never comes (a second copy of
//     the simulator is silent to order 8), over TCP and the pseudo-terminal.
// Each figure is the median of the rounds' ratios, printed as
// "ratio NAME VALUE (target OP VALUE): met|MISSED".
//
//   bench_exchange_rate [seconds-per-round [rounds]]     (defaults 0.2 and 20)
//
// On the serial line a silent exchange lasts 5 s: the 3 s wait, then the port's own 2.0 s read
// time-out, spent blocked in the driver.
//
// Link-error reports go to panels that are not loaded here; SetTimeout skips missing controls.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "bench/bench_support.h"
#include "link/frame.h"
#include "link/link_state.h"
#include "link/transports.h"
#include "link/sensor_context.h"
#include "params/program_state.h"
#include "platform/rs232.h"
#include "platform/runtime.h"
#include "platform/tcp.h"

namespace {

// The COM port numbers the two pseudo-terminals are redirected to.
constexpr int kAnsweringPort = 201;
constexpr int kSilentPort = 202;
constexpr int kLiveOrder = 8;

enum class Line { Tcp, Pty };

// chromix5_sim as a child process; the lines it prints at start say where it listens.
class SimProcess {
public:
    ~SimProcess() { Stop(); }

    bool Start(const std::string& program, const std::vector<std::string>& args)
    {
        int out[2];
        if (::pipe(out) != 0)
            return false;
        pid_ = ::fork();
        if (pid_ < 0)
            return false;
        if (pid_ == 0) {
            ::dup2(out[1], STDOUT_FILENO);
            ::close(out[0]);
            ::close(out[1]);
            std::vector<char*> argv{const_cast<char*>(program.c_str())};
            for (const std::string& a : args)
                argv.push_back(const_cast<char*>(a.c_str()));
            argv.push_back(nullptr);
            ::execv(program.c_str(), argv.data());
            std::_Exit(127);
        }
        ::close(out[1]);
        out_ = out[0];
        return true;
    }

    // Reads stdout until a line starts with prefix (5 s at most); returns the rest of it.
    std::string WaitForLine(const std::string& prefix)
    {
        for (int i = 0; i < 50; ++i) {
            size_t eol;
            while ((eol = pending_.find('\n')) != std::string::npos) {
                std::string line = pending_.substr(0, eol);
                pending_.erase(0, eol + 1);
                if (line.rfind(prefix, 0) == 0)
                    return line.substr(prefix.size());
            }
            pollfd p{out_, POLLIN, 0};
            if (::poll(&p, 1, 100) > 0) {
                char buf[512];
                const ssize_t n = ::read(out_, buf, sizeof buf);
                if (n <= 0)
                    return {};
                pending_.append(buf, static_cast<size_t>(n));
            }
        }
        return {};
    }

    void Stop()
    {
        if (pid_ > 0) {
            // A peer that ended before its time spoils the figures: say so.
            int status = 0;
            if (::waitpid(pid_, &status, WNOHANG) == pid_)
                std::fprintf(stderr, "chromix5_sim ended early: %s %d\n",
                             WIFSIGNALED(status) ? "signal" : "exit code",
                             WIFSIGNALED(status) ? WTERMSIG(status) : WEXITSTATUS(status));
            else {
                ::kill(pid_, SIGTERM);
                ::waitpid(pid_, nullptr, 0);
            }
            pid_ = -1;
        }
        if (out_ >= 0)
            ::close(out_);
        out_ = -1;
    }

private:
    pid_t pid_ = -1;
    int out_ = -1;
    std::string pending_;
};

// A simulator listening on a free loopback port and on a pseudo-terminal linked from linkPath,
// paced to baud (0: unpaced).
struct Peer {
    SimProcess process;
    int tcpPort = 0;
    std::string linkPath;
    long baud = 0;

    bool Start(const std::string& program, const std::string& link, bool silent, long pacedBaud = 0)
    {
        linkPath = link;
        baud = pacedBaud;
        std::vector<std::string> args{"--tcp", "0", "--pty-link", link};
        if (baud > 0) {
            args.push_back("--baud");
            args.push_back(std::to_string(baud));
        }
        if (silent) {
            args.push_back("--fault");
            args.push_back(std::to_string(kLiveOrder) + ":silent");
        }
        if (!process.Start(program, args))
            return false;
        tcpPort = std::atoi(process.WaitForLine("tcp 127.0.0.1:").c_str());
        return tcpPort > 0 && !process.WaitForLine("pty ").empty();
    }
};

// Opens the link to a peer as the program's own open leaves it. Returns true on success.
bool OpenLink(Line line, const Peer& peer, int comPort)
{
    if (line == Line::Tcp) {
        Protocol = kProtocolTcp;
        const int status = ConnectToTCPServerEx(&TcpHandle, static_cast<unsigned>(peer.tcpPort), "127.0.0.1",
                                                ClientTCPCB, nullptr, 5000, 0);
        if (status != 0) {
            std::fprintf(stderr, "ConnectToTCPServerEx(127.0.0.1:%d): %d\n", peer.tcpPort, status);
            return false;
        }
        TcpConnected = 1;
    } else {
        Protocol = kProtocolRs232;
        SetComPortDevice(comPort, peer.linkPath.c_str());
        const long baud = peer.baud > 0 ? peer.baud : 115200;
        const int status = OpenComConfig(comPort, "", baud, 0, 8, 1, 1024, 1024);
        if (status != 0) {
            std::fprintf(stderr, "OpenComConfig(%s): %d\n", peer.linkPath.c_str(), status);
            return false;
        }
        SetComTime(comPort, 2.0);
        SetCTSMode(comPort, 0);
        ComPort = static_cast<uint16_t>(comPort);
    }
    SensorConnected = 1;
    return true;
}

void CloseLink(Line line, int comPort)
{
    if (line == Line::Tcp) {
        if (TcpHandle)
            DisconnectFromTCPServer(TcpHandle);
        TcpHandle = 0;
        TcpConnected = 0;
    } else {
        CloseCom(comPort);
        SetComPortDevice(comPort, nullptr);
    }
    ProcessSystemEvents();
}

struct Usage {
    double wall = 0;  // seconds
    double cpu = 0;   // seconds of user and system time
    double ShareOfCore() const { return wall > 0 ? cpu / wall : 0; }
};

// One exchange with a peer that does not answer. Returns its usage; *result gets the exchange's.
Usage SilentExchange(int* result)
{
    const double cpu0 = bench::CpuSeconds();
    const double t0 = Timer();
    FillTxBuf(kLiveOrder, 0, 0);
    *result = DataExchange(kHeaderSize);
    return Usage{Timer() - t0, bench::CpuSeconds() - cpu0};
}

struct Rate {
    double perSecond = 0;
    double cpuPerExchange = 0;  // seconds
    int failures = 0;
};

// The tight loop of live-data exchanges through the tool's link for the given time.
Rate ExchangeLoop(double seconds)
{
    const double cpu0 = bench::CpuSeconds();
    const double t0 = Timer();
    long done = 0;
    int failures = 0;
    double now = t0;
    while (now - t0 < seconds) {
        FillTxBuf(kLiveOrder, 0, 0);
        if (DataExchange(kHeaderSize) == 1 && RespOrder == kLiveOrder)
            ++done;
        else if (++failures > 3)
            break;
        now = Timer();
    }
    const double cpu = bench::CpuSeconds() - cpu0;
    return Rate{static_cast<double>(done) / (now - t0), done ? cpu / static_cast<double>(done) : 0, failures};
}

// The same exchanges by the plain client.
Rate PlainLoop(bench::PlainClient& plain, double seconds)
{
    const double cpu0 = bench::CpuSeconds();
    const double t0 = Timer();
    const double done = plain.Loop(seconds);
    const double wall = Timer() - t0, cpu = bench::CpuSeconds() - cpu0;
    return Rate{done / wall, done > 0 ? cpu / done : 0, done > 0 ? 0 : 1};
}

enum Mode { kPlain, kTool, kBusy, kModes };
constexpr const char* kModeNames[kModes] = {"plain client", "tool", "tool, busy polling"};

struct LineFigures {
    std::vector<double> rate[kModes], cpu[kModes];
    int failures = 0;
};

bool MeasureSilentWait(Line line, Peer& silent, Usage* blocking, Usage* busy, int* result)
{
    if (!OpenLink(line, silent, kSilentPort))
        return false;
    *blocking = SilentExchange(result);
    SetBusyPollingForBenchmark(true);
    int busyResult = 0;
    *busy = SilentExchange(&busyResult);
    SetBusyPollingForBenchmark(false);
    CloseLink(line, kSilentPort);
    return true;
}

bool MeasureRates(Line line, Peer& answering, double seconds, int rounds, LineFigures* f)
{
    bench::PlainClient plain;
    auto openPlain = [&] {
        return line == Line::Tcp ? plain.OpenTcp(answering.tcpPort)
                                 : plain.OpenSerial(answering.linkPath, answering.baud > 0 ? answering.baud : 115200);
    };
    if (!OpenLink(line, answering, kAnsweringPort))
        return false;
    ExchangeLoop(0.2);  // warm-up: first connection costs, caches
    bool toolOpen = true;
    for (int r = 0; r < rounds; ++r) {
        // Each round starts with another mode, which evens out drift (frequency scaling, load).
        for (int k = 0; k < kModes; ++k) {
            const Mode mode = static_cast<Mode>((r + k) % kModes);
            // The two clients take turns: two readers of one pseudo-terminal would steal bytes.
            if (mode == kPlain) {
                if (toolOpen)
                    CloseLink(line, kAnsweringPort);
                toolOpen = false;
                if (!openPlain())
                    return false;
            } else {
                plain.Close();
                if (!toolOpen && !OpenLink(line, answering, kAnsweringPort))
                    return false;
                toolOpen = true;
            }
            SetBusyPollingForBenchmark(mode == kBusy);
            const Rate rate = mode == kPlain ? PlainLoop(plain, seconds) : ExchangeLoop(seconds);
            SetBusyPollingForBenchmark(false);
            f->failures += rate.failures;
            f->rate[mode].push_back(rate.perSecond);
            f->cpu[mode].push_back(rate.cpuPerExchange);
        }
    }
    plain.Close();
    if (toolOpen)
        CloseLink(line, kAnsweringPort);
    return true;
}

// Median over the rounds of mode a's figure divided by mode b's in the same round.
double MedianRatio(const std::vector<double> (&figure)[kModes], Mode a, Mode b)
{
    std::vector<double> ratios;
    for (size_t i = 0; i < figure[a].size() && i < figure[b].size(); ++i)
        if (figure[b][i] > 0)
            ratios.push_back(figure[a][i] / figure[b][i]);
    return bench::Median(ratios);
}

void PrintRates(const std::string& name, const LineFigures& f)
{
    std::printf("  exchanges per second, median of %zu rounds (min..max), CPU per exchange:\n", f.rate[kTool].size());
    for (int m = 0; m < kModes; ++m)
        std::printf("    %-20s %8.0f  (%.0f..%.0f)  %6.1f us\n", kModeNames[m], bench::Median(f.rate[m]),
                    bench::Min(f.rate[m]), bench::Max(f.rate[m]), 1e6 * bench::Median(f.cpu[m]));
    if (f.failures)
        std::printf("  [exchanges failed during the loops!]\n");
    bench::PrintRatio(name + ".tool/plain.rate", MedianRatio(f.rate, kTool, kPlain), ">=", 0.97);
    // On loopback both sides burn what the kernel lets them; the CPU target is the serial line's.
    if (name.rfind("serial", 0) == 0)
        bench::PrintRatio(name + ".tool/plain.cpu_per_exchange", MedianRatio(f.cpu, kTool, kPlain), "<=", 2.0);
    else
        std::printf("  tool/plain CPU per exchange %.2f, busy/tool rate %.2f\n", MedianRatio(f.cpu, kTool, kPlain),
                    MedianRatio(f.rate, kBusy, kTool));
}

}  // namespace

int main(int argc, char** argv)
{
    const double seconds = argc > 1 ? std::atof(argv[1]) : 0.2;
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 20;
    if (!(seconds > 0) || rounds < 1) {
        std::fprintf(stderr, "usage: bench_exchange_rate [seconds-per-round [rounds]]\n");
        return 2;
    }
    bench::TempDir dir;
    if (!bench::StartRunTime(argc, argv, dir))
        return 2;
    const std::string sim = bench::ProgramDir() + "/chromix5_sim";

    Peer answering, silent, paced115200, paced921600;
    if (!answering.Start(sim, dir.path + "/answering", false) || !silent.Start(sim, dir.path + "/silent", true) ||
        !paced115200.Start(sim, dir.path + "/paced115200", false, 115200) ||
        !paced921600.Start(sim, dir.path + "/paced921600", false, 921600)) {
        std::fprintf(stderr, "cannot start %s\n", sim.c_str());
        return 1;
    }
    std::printf("exchange rate: order %d (8-byte request, 48-byte answer) against chromix5_sim;\n"
                "%.1f s per round, %d rounds, modes alternating\n",
                kLiveOrder, seconds, rounds);
    std::printf("load average before: %s\n", bench::LoadAverage().c_str());

    int code = 0;
    double ptyRoundTrip = 0;  // seconds
    const struct {
        Line line;
        const char* name;
        Peer* peer;
        bool silentWait, rates;
    } lines[] = {{Line::Tcp, "tcp", &answering, true, true},
                 {Line::Pty, "pty", &answering, true, false},
                 {Line::Pty, "serial115200", &paced115200, false, true},
                 {Line::Pty, "serial921600", &paced921600, false, true}};
    for (const auto& l : lines) {
        std::printf("\n%s%s\n", l.name,
                    l.line == Line::Tcp ? " (127.0.0.1)" : l.peer->baud ? " (paced pseudo-terminal)" : " (unpaced pseudo-terminal)");
        if (l.silentWait) {
            Usage blocking, busy;
            int result = 0;
            if (!MeasureSilentWait(l.line, silent, &blocking, &busy, &result)) {
                std::fprintf(stderr, "%s: cannot open the link to the silent peer\n", l.name);
                code = 1;
            } else {
                std::printf("  silent peer, one exchange: result %d after %.3f s; busy polling burns %.1f %% of a core\n",
                            result, blocking.wall, 100.0 * busy.ShareOfCore());
                bench::PrintRatio(std::string(l.name) + ".silent_wait.core_share", blocking.ShareOfCore(), "<=", 0.01);
            }
        }
        if (!l.rates) {
            // What the pseudo-terminal itself costs: the plain client's round trip, unpaced.
            bench::PlainClient plain;
            if (plain.OpenSerial(l.peer->linkPath, 115200)) {
                const Rate rate = PlainLoop(plain, seconds * rounds);
                ptyRoundTrip = rate.perSecond > 0 ? 1.0 / rate.perSecond : 0;
                std::printf("  plain client, unpaced: %.0f exchanges/s, a round trip of %.1f us\n", rate.perSecond,
                            1e6 * ptyRoundTrip);
            }
            continue;
        }
        LineFigures f;
        if (!MeasureRates(l.line, *l.peer, seconds, rounds, &f)) {
            std::fprintf(stderr, "%s: cannot open the link\n", l.name);
            code = 1;
            continue;
        }
        PrintRates(l.name, f);
        if (l.peer->baud > 0) {
            // The plain client against the line's limit, and what the line time plus the
            // pseudo-terminal's own round trip would allow.
            const double lineSeconds = (kHeaderSize + kHeaderSize + 40) * 10.0 / static_cast<double>(l.peer->baud);
            bench::PrintRatio(std::string(l.name) + ".plain/line_limit.rate", bench::Median(f.rate[kPlain]) * lineSeconds,
                              ">=", 0.95);
            if (ptyRoundTrip > 0)
                std::printf("  line time %.1f us + unpaced round trip %.1f us per exchange would give %.3f of the limit\n",
                            1e6 * lineSeconds, 1e6 * ptyRoundTrip, lineSeconds / (lineSeconds + ptyRoundTrip));
        }
        std::printf("  load average after: %s\n", bench::LoadAverage().c_str());
        std::fflush(stdout);
    }
    answering.process.Stop();
    silent.process.Stop();
    paced115200.process.Stop();
    paced921600.process.Stop();
    return code;
}

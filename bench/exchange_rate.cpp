// What the link's wait costs: the CPU burnt while an exchange waits for an answer that never
// comes, and the exchanges per second of a tight FillTxBuf/DataExchange loop, each beside the
// same with busy polling (events processed on every pass, never blocking), measured in one run,
// over loopback TCP and over a pseudo-terminal. The peer is chromix5_sim in another process,
// unpaced: one copy answers everything, a second is silent to order 8 (live data: an 8-byte
// request, a 48-byte answer).
//
//   bench_exchange_rate [seconds-per-round [rounds]]     (defaults 0.2 and 20)
//
// The two modes alternate in short rounds and the medians are compared, so that load from
// elsewhere on the machine falls on both alike. On the serial line a silent exchange lasts 5 s:
// the 3 s wait, then the port's own 2.0 s read time-out, spent blocked in the driver.
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

// A simulator listening on a free loopback port and on a pseudo-terminal linked from linkPath.
struct Peer {
    SimProcess process;
    int tcpPort = 0;
    std::string linkPath;

    bool Start(const std::string& program, const std::string& link, bool silent)
    {
        linkPath = link;
        std::vector<std::string> args{"--tcp", "0", "--pty-link", link};
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
        const int status = OpenComConfig(comPort, "", 115200, 0, 8, 1, 1024, 1024);
        if (status != 0) {
            std::fprintf(stderr, "OpenComConfig(%s): %d\n", peer.linkPath.c_str(), status);
            return false;
        }
        SetComTime(comPort, 2.0);
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
    double ShareOfCore() const { return wall > 0 ? 100.0 * cpu / wall : 0; }
};

double CpuSeconds()
{
    rusage ru{};
    ::getrusage(RUSAGE_SELF, &ru);
    return static_cast<double>(ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) +
           static_cast<double>(ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) * 1e-6;
}

// One exchange with a peer that does not answer. Returns its usage; *result gets the exchange's.
Usage SilentExchange(int* result)
{
    const double cpu0 = CpuSeconds();
    const double t0 = Timer();
    FillTxBuf(kLiveOrder, 0, 0);
    *result = DataExchange(kHeaderSize);
    return Usage{Timer() - t0, CpuSeconds() - cpu0};
}

struct Rate {
    double perSecond = 0;
    double coreShare = 0;  // % of a core
    int failures = 0;
};

// The tight loop of live-data exchanges for the given time.
Rate ExchangeLoop(double seconds)
{
    const double cpu0 = CpuSeconds();
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
    return Rate{static_cast<double>(done) / (now - t0), 100.0 * (CpuSeconds() - cpu0) / (now - t0), failures};
}

struct LineFigures {
    Usage waitBlocking, waitBusy;
    int waitResult = 0;
    std::vector<double> blocking, busy, blockingCpu, busyCpu;
    int failures = 0;
};

bool MeasureLine(Line line, Peer& answering, Peer& silent, double seconds, int rounds, LineFigures* f)
{
    if (!OpenLink(line, silent, kSilentPort))
        return false;
    f->waitBlocking = SilentExchange(&f->waitResult);
    SetBusyPollingForBenchmark(true);
    int busyResult = 0;
    f->waitBusy = SilentExchange(&busyResult);
    SetBusyPollingForBenchmark(false);
    CloseLink(line, kSilentPort);

    if (!OpenLink(line, answering, kAnsweringPort))
        return false;
    ExchangeLoop(0.2);  // warm-up: first connection costs, caches
    for (int r = 0; r < rounds; ++r) {
        // Alternating which goes first evens out drift (frequency scaling, other load).
        for (int k = 0; k < 2; ++k) {
            const bool busy = (r + k) % 2 == 1;
            SetBusyPollingForBenchmark(busy);
            const Rate rate = ExchangeLoop(seconds);
            f->failures += rate.failures;
            (busy ? f->busy : f->blocking).push_back(rate.perSecond);
            (busy ? f->busyCpu : f->blockingCpu).push_back(rate.coreShare);
        }
    }
    SetBusyPollingForBenchmark(false);
    CloseLink(line, kAnsweringPort);
    return true;
}

void Print(const char* name, const LineFigures& f)
{
    const double blocking = bench::Median(f.blocking), busy = bench::Median(f.busy);
    std::printf("\n%s\n", name);
    std::printf("  silent peer, one exchange: result %d after %.3f s\n", f.waitResult, f.waitBlocking.wall);
    std::printf("    CPU while waiting, spin-then-block: %7.3f %% of a core (%.1f ms CPU)\n",
                f.waitBlocking.ShareOfCore(), f.waitBlocking.cpu * 1e3);
    std::printf("    CPU while waiting, busy polling:    %7.3f %% of a core (%.1f ms CPU)\n",
                f.waitBusy.ShareOfCore(), f.waitBusy.cpu * 1e3);
    std::printf("  exchanges per second (median of %zu rounds, min..max):\n", f.blocking.size());
    std::printf("    spin-then-block: %8.0f  (%.0f..%.0f)  at %5.1f %% of a core\n", blocking,
                bench::Min(f.blocking), bench::Max(f.blocking), bench::Median(f.blockingCpu));
    std::printf("    busy polling:    %8.0f  (%.0f..%.0f)  at %5.1f %% of a core\n", busy, bench::Min(f.busy),
                bench::Max(f.busy), bench::Median(f.busyCpu));
    std::printf("  ratios: rate %.1f %% of busy polling (aim >= 80 %%); waiting CPU %.3f %% of a core "
                "(aim <= 1 %%)%s\n",
                busy > 0 ? 100.0 * blocking / busy : 0.0, f.waitBlocking.ShareOfCore(),
                f.failures ? "  [exchanges failed during the loop!]" : "");
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

    Peer answering, silent;
    if (!answering.Start(sim, dir.path + "/answering", false) || !silent.Start(sim, dir.path + "/silent", true)) {
        std::fprintf(stderr, "cannot start %s\n", sim.c_str());
        return 1;
    }
    std::printf("exchange rate: order %d (8-byte request, 48-byte answer) against chromix5_sim, unpaced;\n"
                "%.1f s per round, %d rounds per mode, modes alternating\n",
                kLiveOrder, seconds, rounds);
    std::printf("load average before: %s\n", bench::LoadAverage().c_str());

    int code = 0;
    const struct {
        Line line;
        const char* name;
    } lines[] = {{Line::Tcp, "TCP on 127.0.0.1"}, {Line::Pty, "pseudo-terminal"}};
    for (const auto& l : lines) {
        LineFigures f;
        if (!MeasureLine(l.line, answering, silent, seconds, rounds, &f)) {
            std::fprintf(stderr, "%s: cannot open the link\n", l.name);
            code = 1;
            continue;
        }
        Print(l.name, f);
        std::printf("  load average after: %s\n", bench::LoadAverage().c_str());
        std::fflush(stdout);
    }
    answering.process.Stop();
    silent.process.Stop();
    return code;
}

// What a fleet costs the simulator: CPU per live-data exchange of chromix5_sim playing 1,000
// sensors against the same program playing one, both in processes of their own on 127.0.0.1,
// with one sensor of each asked by a plain blocking client. Rounds alternate between the two so
// that other load on the machine falls on both alike; the figure is the median of the rounds'
// ratios, and the fleet's resident memory is printed beside it.
#include <QCoreApplication>
#include <QProcess>
#include <QRegularExpression>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "bench/bench_support.h"

namespace {

constexpr int kFleet = 1000;
constexpr int kRounds = 5;
constexpr double kSeconds = 1.0;

class SimProcess {
public:
    explicit SimProcess(int count)
    {
        process_.start(QCoreApplication::applicationDirPath() + "/chromix5_sim",
                       {"--tcp", "0", "--count", QString::number(count), "--noise", "0", "--target", "bright"});
        if (!process_.waitForStarted(5000))
            return;
        // The last sensor's line comes last; its port is the one asked.
        const QRegularExpression where("tcp 127\\.0\\.0\\.1:(\\d+)$");
        int lines = 0;
        while (lines < count && process_.waitForReadyRead(10000)) {
            while (process_.canReadLine()) {
                const auto match = where.match(QString::fromUtf8(process_.readLine()).trimmed());
                if (match.hasMatch()) {
                    port_ = match.captured(1).toInt();
                    ++lines;
                }
            }
        }
        if (lines < count)
            port_ = 0;
    }
    ~SimProcess()
    {
        process_.terminate();
        if (!process_.waitForFinished(5000))
            process_.kill();
    }
    int port() const { return port_; }
    // User and system time of the process so far, from /proc.
    double CpuSeconds() const
    {
        std::ifstream stat("/proc/" + std::to_string(process_.processId()) + "/stat");
        std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
        // The fields after the command name, which is in parentheses and may hold spaces.
        const size_t close = text.rfind(')');
        if (close == std::string::npos)
            return 0;
        std::istringstream fields(text.substr(close + 2));
        std::string field;
        double ticks = 0;
        for (int i = 3; i <= 15 && fields >> field; ++i)
            if (i == 14 || i == 15)
                ticks += std::stod(field);
        return ticks / static_cast<double>(sysconf(_SC_CLK_TCK));
    }
    long ResidentKb() const
    {
        std::ifstream status("/proc/" + std::to_string(process_.processId()) + "/status");
        std::string line;
        while (std::getline(status, line))
            if (line.rfind("VmRSS:", 0) == 0)
                return std::stol(line.substr(6));
        return 0;
    }

private:
    QProcess process_;
    int port_ = 0;
};

// CPU of the simulator per exchange over one timed loop of the plain client.
double CpuPerExchange(const SimProcess& sim, bench::PlainClient& client)
{
    const double before = sim.CpuSeconds();
    const double exchanges = client.Loop(kSeconds);
    return exchanges > 0 ? (sim.CpuSeconds() - before) / exchanges : 0;
}

}  // namespace

int main(int argc, char** argv)
{
    bench::TempDir dir;
    if (!bench::StartRunTime(argc, argv, dir))
        return 1;
    SimProcess one(1);
    SimProcess fleet(kFleet);
    bench::PlainClient toOne, toFleet;
    if (one.port() == 0 || fleet.port() == 0 || !toOne.OpenTcp(one.port()) || !toFleet.OpenTcp(fleet.port())) {
        std::fprintf(stderr, "the simulators did not start or answer\n");
        return 1;
    }
    std::vector<double> single, many, ratios;
    for (int r = 0; r < kRounds; ++r) {
        single.push_back(CpuPerExchange(one, toOne));
        many.push_back(CpuPerExchange(fleet, toFleet));
        if (single.back() > 0)
            ratios.push_back(many.back() / single.back());
    }
    std::printf("chromix5_sim CPU per exchange, %d rounds of %.0f s, load average %s, %ld cores\n", kRounds,
                kSeconds, bench::LoadAverage().c_str(), sysconf(_SC_NPROCESSORS_ONLN));
    std::printf("  1 sensor:        median %6.1f us (min %.1f, max %.1f)\n", bench::Median(single) * 1e6,
                bench::Min(single) * 1e6, bench::Max(single) * 1e6);
    std::printf("  %d sensors:   median %6.1f us (min %.1f, max %.1f)\n", kFleet, bench::Median(many) * 1e6,
                bench::Min(many) * 1e6, bench::Max(many) * 1e6);
    std::printf("  resident: %ld kB with 1 sensor, %ld kB with %d (%.1f kB a sensor)\n", one.ResidentKb(),
                fleet.ResidentKb(), kFleet,
                static_cast<double>(fleet.ResidentKb() - one.ResidentKb()) / (kFleet - 1));
    bench::PrintRatio("sim.cpu_per_exchange.1000/1", bench::Median(ratios), "<=", 1.5);
    return 0;
}

// Many sensors served from one process and one event loop: the cost of an exchange that does not
// block with 1,000 sensors under way against one sensor served alone, and the wall time of
// reading the configuration of 1,000 sensors at once, per sensor, against reading one alone. The
// sensors are simulators in a child process forked before any run-time starts, so that the
// figures are this process's alone; its resident memory is printed.
//
//   build/bin/bench_fleet [sensors]     (default 1000)
#include <QCoreApplication>
#include <QSocketNotifier>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "link/link_library.h"
#include "sim/simulator.h"

using namespace bench;

namespace {

// Sockets for every sensor on both sides of the loopback: more than the usual soft limit.
void raiseDescriptorLimit()
{
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
        limit.rlim_cur = limit.rlim_max;
        ::setrlimit(RLIMIT_NOFILE, &limit);
    }
}

// The child: n simulated sensors, their ports written to `out` as one line each, then serving
// until the parent closes `in`.
[[noreturn]] void playSensors(int n, int in, int out)
{
    int argc = 1;
    char name[] = "bench_fleet_sensors";
    char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    std::vector<std::unique_ptr<sim::Simulator>> sensors;
    std::string ports;
    for (int i = 0; i < n; ++i) {
        sensors.push_back(std::make_unique<sim::Simulator>());
        sensors.back()->model().SetSerial(static_cast<uint16_t>(1000 + i));
        ports += std::to_string(sensors.back()->ListenTcp()) + "\n";
    }
    (void)!::write(out, ports.data(), ports.size());
    ::close(out);
    QSocketNotifier parentGone(in, QSocketNotifier::Read);
    QObject::connect(&parentGone, &QSocketNotifier::activated, &app, &QCoreApplication::quit);
    app.exec();
    ::_exit(0);
}

struct Sensor {
    SensorContext context;
    long exchanges = 0;
    int result = 2;
    bool running = false;
};

long totalExchanges = 0;
long failures = 0;

void liveDone(SensorContext& c, int result);

void nextSample(SensorContext& c) { LiveSampleAsync(c, liveDone); }

void liveDone(SensorContext& c, int result)
{
    Sensor& s = *static_cast<Sensor*>(c.user);
    if (result == 1) {
        ++s.exchanges;
        ++totalExchanges;
    } else {
        ++failures;
    }
    if (s.running && c.tcpConnected)
        nextSample(c);
}

void readDone(SensorContext& c, int result) { static_cast<Sensor*>(c.user)->result = result; }

// CPU seconds of this process per exchange while `sensors` run live loops at once, for `count`
// exchanges in all.
double cpuPerExchange(std::vector<std::unique_ptr<Sensor>>& fleet, size_t sensors, long count)
{
    totalExchanges = 0;
    const double cpu = CpuSeconds();
    for (size_t i = 0; i < sensors; ++i) {
        fleet[i]->running = true;
        nextSample(fleet[i]->context);
    }
    const double limit = Timer() + 300.0;
    while (totalExchanges < count && Timer() < limit)
        WaitSystemEvents(0.1);
    const double used = CpuSeconds() - cpu;
    const long done = totalExchanges;
    for (size_t i = 0; i < sensors; ++i)
        fleet[i]->running = false;
    // Let the last ones end.
    const double until = Timer() + 4.0;
    auto idle = [&] {
        for (size_t i = 0; i < sensors; ++i)
            if (OperationUnderWay(fleet[i]->context))
                return false;
        return true;
    };
    while (!idle() && Timer() < until)
        WaitSystemEvents(0.01);
    return used / static_cast<double>(done);
}

// Wall seconds until every one of `sensors` has read its configuration, all started at once.
double readAll(std::vector<std::unique_ptr<Sensor>>& fleet, size_t sensors)
{
    const double start = Timer();
    for (size_t i = 0; i < sensors; ++i) {
        fleet[i]->result = 2;
        ReadParametersAsync(fleet[i]->context, readDone);
    }
    for (const double limit = start + 60.0; Timer() < limit;) {
        size_t open = 0;
        for (size_t i = 0; i < sensors; ++i)
            open += fleet[i]->result == 2;
        if (open == 0)
            break;
        WaitSystemEvents(0.05);
    }
    const double wall = Timer() - start;
    for (size_t i = 0; i < sensors; ++i)
        if (fleet[i]->result != 1)
            ++failures;
    return wall;
}

long residentKiB()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0)
            return std::atol(line.c_str() + 6);
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    const int n = argc > 1 ? std::max(1, std::atoi(argv[1])) : 1000;
    raiseDescriptorLimit();
    int toChild[2], fromChild[2];
    if (::pipe(toChild) != 0 || ::pipe(fromChild) != 0)
        return 1;
    const pid_t child = ::fork();
    if (child < 0)
        return 1;
    if (child == 0) {
        ::close(toChild[1]);
        ::close(fromChild[0]);
        playSensors(n, toChild[0], fromChild[1]);
    }
    ::close(toChild[0]);
    ::close(fromChild[1]);
    std::string text;
    char buffer[4096];
    for (ssize_t got; (got = ::read(fromChild[0], buffer, sizeof buffer)) > 0;)
        text.append(buffer, static_cast<size_t>(got));
    ::close(fromChild[0]);
    std::vector<int> ports;
    for (size_t at = 0; at < text.size();) {
        const size_t end = text.find('\n', at);
        ports.push_back(std::atoi(text.substr(at, end - at).c_str()));
        at = end == std::string::npos ? text.size() : end + 1;
    }
    if (static_cast<int>(ports.size()) != n) {
        std::fprintf(stderr, "the simulators did not start\n");
        return 1;
    }

    TempDir dir;
    if (!StartRunTime(argc, argv, dir))
        return 1;
    SetStartValues();
    // One sensor alone first: the figures of one sensor are those of a process that serves one.
    std::vector<std::unique_ptr<Sensor>> fleet;
    auto connect = [&](int i) {
        auto s = std::make_unique<Sensor>();
        SensorContext& c = s->context;
        c.protocol = kProtocolTcp;
        std::snprintf(c.ipAddress, sizeof c.ipAddress, "127.0.0.1");
        std::snprintf(c.portNumberText, sizeof c.portNumberText, "%d", ports[static_cast<size_t>(i)]);
        c.transferTarget = 0;
        c.user = s.get();
        if (OpenLink(c) != 1) {
            std::fprintf(stderr, "cannot connect to sensor %d: %s\n", i, c.msgBuf);
            return false;
        }
        fleet.push_back(std::move(s));
        return true;
    };
    if (!connect(0))
        return 1;
    std::printf("sensors %d, load %s\n", n, LoadAverage().c_str());
    const double one = cpuPerExchange(fleet, 1, 3000);
    std::vector<double> singles;
    for (int round = 0; round < 5; ++round)
        singles.push_back(readAll(fleet, 1));
    const double single = Median(singles);

    for (int i = 1; i < n; ++i)
        if (!connect(i))
            return 1;
    const double many = cpuPerExchange(fleet, fleet.size(), std::max<long>(30000, 10L * n));
    std::printf("cpu per exchange: 1 sensor %.2f us, %d sensors %.2f us\n", one * 1e6, n, many * 1e6);
    const double cpu = CpuSeconds();
    const double all = readAll(fleet, fleet.size());
    std::printf("configuration read: 1 sensor %.2f ms, %d sensors %.2f ms (this process busy %.0f %% of it)\n",
                single * 1e3, n, all * 1e3, 100.0 * (CpuSeconds() - cpu) / all);
    std::printf("resident memory with %d sensors: %.1f MB\n", n, static_cast<double>(residentKiB()) / 1024.0);
    std::printf("failed exchanges: %ld\n", failures);

    bool met = PrintRatio("cpu_per_exchange_" + std::to_string(n) + "_vs_1", many / one, "<=", 1.5);
    // The simulators share one process and one thread, so reading them all takes at least the
    // sum of their service times: what the fleet must show is that each sensor costs no more
    // wall time read among all the others than read alone.
    met = PrintRatio("read_configuration_per_sensor_" + std::to_string(n) + "_vs_1_wall",
                     all / static_cast<double>(n) / single, "<=", 1.0) &&
          met;
    for (auto& s : fleet)
        CloseLink(s->context);
    ::close(toChild[1]);
    int status = 0;
    ::waitpid(child, &status, 0);
    return met && failures == 0 ? 0 : 1;
}

// Many sensors served from one process and one event loop: the cost of an exchange that does not
// block with 1,000 sensors under way against one sensor served alone, and the wall time of
// reading the configuration of 1,000 sensors at once, per sensor, against reading one alone. The
// sensors are simulators in a child process forked before any run-time starts, so that the
// figures are this process's alone; its resident memory is printed.
//
// Then the same simulators through the real chromix5ctl beside this program: a monitor of every
// sensor at 10 samples a second, each into its own CSV file (samples delivered a second in the
// steady middle of the run against what the rate asks, and the monitor's peak resident memory), and a backup
// of every sensor to its own file against one backup alone, beside what one file costs the folder's file
// system alone.
//
//   build/bin/bench_fleet [sensors] [--backup-only]     (default 1000)
//
// --backup-only measures the backups of chromix5ctl alone, to try a change to them quickly.
#include <QCoreApplication>
#include <QProcess>
#include <QSocketNotifier>
#include <QStringList>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <ctime>
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

// Sockets for every sensor on both sides of the loopback: more than the usual soft limit. False
// with a clear line when even the hard limit is too low for n sensors.
bool raiseDescriptorLimit(int n)
{
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
        limit.rlim_cur = limit.rlim_max;
        ::setrlimit(RLIMIT_NOFILE, &limit);
    }
    ::getrlimit(RLIMIT_NOFILE, &limit);
    // This process and the simulators' each hold one descriptor per sensor and some of their own.
    const rlim_t needed = static_cast<rlim_t>(n) * 2 + 64;
    if (limit.rlim_cur != RLIM_INFINITY && limit.rlim_cur < needed) {
        std::fprintf(stderr, "the open-file limit is %llu, %d sensors need %llu: raise it (ulimit -n)\n",
                     static_cast<unsigned long long>(limit.rlim_cur), n, static_cast<unsigned long long>(needed));
        return false;
    }
    return true;
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

long statusKiB(const std::string& path, const char* field)
{
    std::ifstream status(path);
    std::string line;
    const size_t length = std::strlen(field);
    while (std::getline(status, line))
        if (line.compare(0, length, field) == 0)
            return std::atol(line.c_str() + length);
    return 0;
}

long residentKiB() { return statusKiB("/proc/self/status", "VmRSS:"); }

struct CtlRun {
    int exit = -1;
    double wall = 0;   // seconds from start to end
    long peakKiB = 0;  // the highest resident memory seen
    std::string out;
};

// Runs chromix5ctl in `dir` to its end (at most 10 minutes), watching its resident memory.
CtlRun runCtl(const QStringList& args, const std::string& dir)
{
    QProcess process;
    process.setWorkingDirectory(QString::fromStdString(dir));
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_DATA_HOME", QString::fromStdString(dir + "/data"));
    process.setProcessEnvironment(env);
    CtlRun run;
    const double start = Timer();
    process.start(QString::fromStdString(ProgramDir() + "/chromix5ctl"), args);
    if (!process.waitForStarted(5000))
        return run;
    const std::string status = "/proc/" + std::to_string(process.processId()) + "/status";
    while (!process.waitForFinished(100)) {
        run.peakKiB = std::max(run.peakKiB, statusKiB(status, "VmHWM:"));
        if (Timer() - start > 600) {
            process.kill();
            process.waitForFinished(3000);
            return run;
        }
    }
    run.wall = Timer() - start;
    run.out = process.readAllStandardOutput().toStdString();
    if (process.exitStatus() == QProcess::NormalExit)
        run.exit = process.exitCode();
    return run;
}

// The sum of the sample counts of monitor's result lines ("SENSOR\tok\tN samples").
long samplesIn(const std::string& out)
{
    long samples = 0;
    for (size_t at = out.find("\tok\t"); at != std::string::npos; at = out.find("\tok\t", at + 1))
        samples += std::atol(out.c_str() + at + 4);
    return samples;
}

// Milliseconds since the epoch of a CSV row's time ("2026-12-08T00:25:23.123Z,..."); -1 if none.
double rowMs(const std::string& row)
{
    std::tm t{};
    int ms = 0;
    if (std::sscanf(row.c_str(), "%4d-%2d-%2dT%2d:%2d:%2d.%3dZ", &t.tm_year, &t.tm_mon, &t.tm_mday, &t.tm_hour,
                    &t.tm_min, &t.tm_sec, &ms) != 7)
        return -1;
    t.tm_year -= 1900;
    t.tm_mon -= 1;
    return static_cast<double>(::timegm(&t)) * 1000.0 + ms;
}

// Samples per second the sensors delivered together, from the recordings' own time stamps, in
// the middle 60 % of the time from the first row to the last: starting the program, connecting,
// the catching up that follows and closing the files stay outside it.
double deliveredPerSecond(const std::string& dir, size_t sensors)
{
    std::vector<double> times;
    for (size_t i = 1; i <= sensors; ++i) {
        std::ifstream in(dir + "/live-" + std::to_string(i) + ".csv");
        for (std::string line; std::getline(in, line);)
            if (const double ms = rowMs(line); ms >= 0)
                times.push_back(ms);
    }
    if (times.size() < 2)
        return 0;
    const auto [first, last] = std::minmax_element(times.begin(), times.end());
    const double from = *first + 0.2 * (*last - *first);
    const double to = *last - 0.2 * (*last - *first);
    const auto inside = std::count_if(times.begin(), times.end(), [&](double t) { return t >= from && t < to; });
    return to > from ? static_cast<double>(inside) / ((to - from) / 1000.0) : 0;
}

struct BackupFigures {
    double one = 0;    // median wall seconds of one sensor's backup
    CtlRun all;        // the backup of every sensor
    size_t files = 0;  // backup files found after it
    bool ran = false;  // false when a single backup failed
    double fileMade = -1;  // seconds the folder's file system takes for a file of that size
};

// What the folder's file system alone costs a backup file: files of size bytes made, written
// and synced one after another by this process, seconds per file. A file system may make this
// the larger part of a fleet's backup, and the file systems of one machine differ widely in
// it (a sync that waits for a journal commit or the disk; one without a journal looks at
// every recently deleted inode again for each new file).
double secondsPerFileMade(const std::string& dir, size_t size)
{
    constexpr int kFiles = 100;
    const std::string bytes(size, 'x');
    const double start = Timer();
    for (int i = 1; i <= kFiles; ++i) {
        const std::string path = dir + "/made-" + std::to_string(i) + ".ini";
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd < 0)
            return -1;
        const bool done =
            ::write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size()) && ::fsync(fd) == 0;
        if (::close(fd) != 0 || !done)
            return -1;
    }
    return (Timer() - start) / kFiles;
}

// chromix5ctl backing up every sensor, each to its own file, and backing up one alone.
BackupFigures measureBackups(const std::vector<int>& ports, const std::string& dir, const QString& sensors)
{
    BackupFigures f;
    std::vector<double> singles;
    for (int round = 0; round < 5; ++round) {
        const CtlRun one = runCtl({"backup", "-o", "one.ini",
                                   QString::fromStdString("tcp:127.0.0.1:" + std::to_string(ports[0]))},
                                  dir);
        if (one.exit != 0)
            return f;
        singles.push_back(one.wall);
        std::remove((dir + "/one.ini").c_str());
    }
    f.one = Median(singles);
    f.all = runCtl({"backup", "-o", "backup-{n}.ini", "--file", sensors}, dir);
    for (size_t i = 1; i <= ports.size(); ++i)
        f.files += std::ifstream(dir + "/backup-" + std::to_string(i) + ".ini").good();
    std::ifstream first(dir + "/backup-1.ini", std::ios::binary | std::ios::ate);
    if (first)
        f.fileMade = secondsPerFileMade(dir, static_cast<size_t>(first.tellg()));
    f.ran = true;
    return f;
}

void printBackupLine(const BackupFigures& f, size_t n)
{
    std::printf("chromix5ctl backup: 1 sensor %.3f s, %zu sensors %.3f s, %zu files written (exit %d)\n",
                f.one, n, f.all.wall, f.files, f.all.exit);
    if (f.fileMade >= 0)
        std::printf(
            "the folder's file system alone: a file of that size made, written and synced in %.2f ms\n",
            f.fileMade * 1e3);
}

// The ratio line of the backups; false when a run failed or the target was missed.
bool backupRatio(const BackupFigures& f, size_t n)
{
    const bool met =
        PrintRatio("ctl_backup_" + std::to_string(n) + "_vs_1_wall", f.all.wall / f.one, "<=", 20);
    return met && f.all.exit == 0 && f.files == n;
}

// The sensor list of chromix5ctl's runs, written into dir; its path.
QString writeSensorList(const std::vector<int>& ports, const std::string& dir)
{
    std::string list;
    for (int port : ports)
        list += "tcp:127.0.0.1:" + std::to_string(port) + "\n";
    std::ofstream(dir + "/sensors.txt") << list;
    return QString::fromStdString(dir + "/sensors.txt");
}

// chromix5ctl serving the whole fleet of simulators; false when a run failed or a target was
// missed.
bool commandLineFigures(const std::vector<int>& ports, const std::string& dir)
{
    const size_t n = ports.size();
    const QString sensors = writeSensorList(ports, dir);
    const std::string tag = std::to_string(n);

    // Starting the program and reaching every sensor, for reference.
    const CtlRun identify = runCtl({"identify", "--file", sensors}, dir);
    constexpr double kRate = 10.0;
    constexpr int kSamples = 100;
    const CtlRun monitor = runCtl(
        {"monitor", "--rate", "10", "--count", QString::number(kSamples), "--csv", "live-{n}.csv", "--file", sensors},
        dir);
    const long samples = samplesIn(monitor.out);
    const double delivered = deliveredPerSecond(dir, n);
    std::printf("chromix5ctl identify of %zu sensors: %.2f s (exit %d)\n", n, identify.wall, identify.exit);
    std::printf("chromix5ctl monitor --rate 10 --count %d of %zu sensors: %.2f s, %ld samples (exit %d), "
                "%.0f samples a second delivered, peak resident memory %.1f MB\n",
                kSamples, n, monitor.wall, samples, monitor.exit, delivered,
                static_cast<double>(monitor.peakKiB) / 1024.0);

    const BackupFigures backups = measureBackups(ports, dir, sensors);
    if (!backups.ran)
        return false;
    printBackupLine(backups, n);

    bool met = PrintRatio("ctl_monitor_rate10_" + tag + "_samples_per_second_vs_asked",
                          delivered / (kRate * static_cast<double>(n)), ">=", 0.99);
    met = PrintRatio("ctl_monitor_" + tag + "_resident_MB", static_cast<double>(monitor.peakKiB) / 1024.0, "<=", 64) &&
          met;
    met = backupRatio(backups, n) && met;
    return met && identify.exit == 0 && monitor.exit == 0;
}

}  // namespace

int main(int argc, char** argv)
{
    const int n = argc > 1 && argv[1][0] != '-' ? std::max(1, std::atoi(argv[1])) : 1000;
    bool backupOnly = false;
    for (int i = 1; i < argc; ++i)
        backupOnly = backupOnly || std::strcmp(argv[i], "--backup-only") == 0;
    if (!raiseDescriptorLimit(n))
        return 1;
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
    if (backupOnly) {
        std::printf("sensors %d, load %s\n", n, LoadAverage().c_str());
        const size_t count = ports.size();
        const BackupFigures backups = measureBackups(ports, dir.path, writeSensorList(ports, dir.path));
        if (backups.ran)
            printBackupLine(backups, count);
        const bool met = backups.ran && backupRatio(backups, count);
        ::close(toChild[1]);
        int status = 0;
        ::waitpid(child, &status, 0);
        return met ? 0 : 1;
    }
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
    fleet.clear();
    met = commandLineFigures(ports, dir.path) && met;
    ::close(toChild[1]);
    int status = 0;
    ::waitpid(child, &status, 0);
    return met && failures == 0 ? 0 : 1;
}

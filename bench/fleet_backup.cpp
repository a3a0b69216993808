// Wall time of chromix5ctl backing up 20 sensors at once against backing up one, each sensor a
// chromix5_sim program on 127.0.0.1. Rounds alternate between the two so that the machine's
// other load falls on both alike; a run of 20 single backups one after another is measured
// once for reference. Every backup file is checked, so a fast failure cannot pass as speed.
//
//   build/bin/bench_fleet_backup [rounds]
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "bench/bench_support.h"

namespace {

constexpr int kSensors = 20;

class Sim {
public:
    explicit Sim(int serial)
    {
        process_.start(QCoreApplication::applicationDirPath() + "/chromix5_sim",
                       {"--tcp", "0", "--serial", QString::number(serial), "--noise", "0"});
        if (!process_.waitForStarted(5000))
            return;
        while (port_ == 0 && process_.waitForReadyRead(5000)) {
            while (process_.canReadLine()) {
                const QString line = QString::fromUtf8(process_.readLine()).trimmed();
                if (line.startsWith("tcp 127.0.0.1:"))
                    port_ = line.mid(14).toInt();
            }
        }
    }
    ~Sim()
    {
        process_.terminate();
        if (!process_.waitForFinished(3000))
            process_.kill();
    }
    int port() const { return port_; }

private:
    QProcess process_;
    int port_ = 0;
};

// Runs chromix5ctl with args; returns the wall time in seconds, or -1 when it failed.
double TimedRun(const QStringList& args, const std::string& folder)
{
    QProcess ctl;
    ctl.setWorkingDirectory(QString::fromStdString(folder));
    QElapsedTimer clock;
    clock.start();
    ctl.start(QCoreApplication::applicationDirPath() + "/chromix5ctl", args);
    if (!ctl.waitForStarted(5000) || !ctl.waitForFinished(120000))
        return -1;
    const double seconds = static_cast<double>(clock.nsecsElapsed()) * 1e-9;
    if (ctl.exitStatus() != QProcess::NormalExit || ctl.exitCode() != 0) {
        std::fprintf(stderr, "chromix5ctl %s failed:\n%s%s", qPrintable(args.join(' ')),
                     ctl.readAllStandardOutput().constData(), ctl.readAllStandardError().constData());
        return -1;
    }
    return seconds;
}

bool IsBackup(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str().rfind("[GENERAL INFO]\r\n", 0) == 0 &&
           text.str().find("[TEACH VECTOR 63]\r\n") != std::string::npos;
}

}  // namespace

int main(int argc, char** argv)
{
    bench::TempDir dir;
    if (!bench::StartRunTime(argc, argv, dir))
        return 1;
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;

    std::vector<std::unique_ptr<Sim>> sims;
    std::string list;
    for (int i = 0; i < kSensors; ++i) {
        sims.push_back(std::make_unique<Sim>(3001 + i));
        if (sims.back()->port() <= 0) {
            std::fprintf(stderr, "simulator %d did not start\n", i + 1);
            return 1;
        }
        list += "tcp:127.0.0.1:" + std::to_string(sims.back()->port()) + "\n";
    }
    std::ofstream(dir.path + "/sensors.txt") << list;
    const QString first = QString("tcp:127.0.0.1:%1").arg(sims[0]->port());

    std::vector<double> one, twenty;
    for (int r = 0; r < rounds; ++r) {
        const double a = TimedRun({"backup", "-o", "one.ini", first}, dir.path);
        // All 20 at once (the default bound is 16), as the comparison asks.
        const double b = TimedRun({"backup", "--jobs", "20", "-o", "fleet-{n}.ini", "--file", "sensors.txt"},
                                  dir.path);
        if (a < 0 || b < 0)
            return 1;
        one.push_back(a);
        twenty.push_back(b);
    }
    for (int i = 1; i <= kSensors; ++i) {
        if (!IsBackup(dir.path + "/fleet-" + std::to_string(i) + ".ini")) {
            std::fprintf(stderr, "fleet-%d.ini is not a complete parameter file\n", i);
            return 1;
        }
    }
    // Reference: the 20 one after another, each its own run of the program.
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < kSensors; ++i) {
        const QString sensor = QString("tcp:127.0.0.1:%1").arg(sims[static_cast<size_t>(i)]->port());
        if (TimedRun({"backup", "-o", "seq.ini", sensor}, dir.path) < 0)
            return 1;
    }
    const double sequential = static_cast<double>(clock.nsecsElapsed()) * 1e-9;

    const double m1 = bench::Median(one);
    const double m20 = bench::Median(twenty);
    std::printf("chromix5ctl backup, %d rounds, load average %s, %ld cores\n", rounds,
                bench::LoadAverage().c_str(), sysconf(_SC_NPROCESSORS_ONLN));
    std::printf("  1 sensor:                 median %7.1f ms (min %.1f, max %.1f)\n", m1 * 1e3,
                bench::Min(one) * 1e3, bench::Max(one) * 1e3);
    std::printf("  %d sensors in parallel:   median %7.1f ms (min %.1f, max %.1f), --jobs 20\n",
                kSensors, m20 * 1e3, bench::Min(twenty) * 1e3, bench::Max(twenty) * 1e3);
    std::printf("  %d sensors one by one:    %7.1f ms (once)\n", kSensors, sequential * 1e3);
    std::printf("  ratio %d in parallel / 1:  %.2f (target below 3)\n", kSensors, m1 > 0 ? m20 / m1 : 0);
    return 0;
}

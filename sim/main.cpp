// chromix5_sim: the simulated colour sensor as a program of its own, so that the tool can be
// tried, demonstrated and measured without a sensor. It prints where it listens, one line per
// transport (one line per sensor for a fleet), then serves until SIGINT or SIGTERM.
#include <QCoreApplication>
#include <QSocketNotifier>

#include <csignal>
#include <cstdio>
#include <random>

#include <fcntl.h>
#include <unistd.h>

#include "sim/fleet.h"
#include "sim/options.h"

namespace {

// A signal handler may only do async-signal-safe things: it writes a byte into a pipe, and the
// event loop, watching the pipe, ends the program in an orderly way (removing the pty links).
int signalPipe[2] = {-1, -1};

void onSignal(int)
{
    const char byte = 1;
    ssize_t n = ::write(signalPipe[1], &byte, 1);
    (void)n;
}

// A serial number for the first sensor, leaving room for the whole fleet's.
uint16_t randomSerialBase(int count)
{
    std::random_device device;
    return static_cast<uint16_t>(std::uniform_int_distribution<int>(1, 65536 - count)(device));
}

}  // namespace

int main(int argc, char** argv)
{
    sim::Options options;
    std::string error;
    if (!sim::ParseOptions(argc, argv, &options, &error)) {
        std::fprintf(stderr, "chromix5_sim: %s\n", error.c_str());
        return 2;
    }
    if (options.help) {
        std::fputs(sim::Usage(), stdout);
        return 0;
    }
    // Every sensor holds a listening socket or a pseudo-terminal, and its client's connection.
    const long files = sim::RaiseOpenFileLimit();
    if (files >= 0 && sim::DescriptorsNeeded(options) > files) {
        std::fprintf(stderr,
                     "chromix5_sim: %d sensors need about %ld open files, but the limit is %ld "
                     "(ulimit -n)\n",
                     options.count, sim::DescriptorsNeeded(options), files);
        return 1;
    }

    QCoreApplication app(argc, argv);
    if (::pipe(signalPipe) != 0) {
        std::perror("chromix5_sim: pipe");
        return 1;
    }
    QSocketNotifier stopper(signalPipe[0], QSocketNotifier::Read);
    QObject::connect(&stopper, &QSocketNotifier::activated, &app, [] { QCoreApplication::quit(); });
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);

    sim::Fleet fleet(options, options.serial ? *options.serial : randomSerialBase(options.count));
    if (options.log) {
        for (size_t i = 0; i < fleet.size(); ++i) {
            const std::string prefix = fleet.size() > 1 ? "sensor " + std::to_string(i) + ": " : "";
            fleet.sensor(i).SetLog([prefix](const std::string& line) {
                std::printf("%s%s\n", prefix.c_str(), line.c_str());
                std::fflush(stdout);
            });
        }
    }
    if (!fleet.Start(&error)) {
        std::fprintf(stderr, "chromix5_sim: %s\n", error.c_str());
        return 1;
    }

    const sim::DeviceModel& first = fleet.sensor(0).model();
    if (fleet.size() == 1) {
        std::printf("firmware \"%s\", serial number %u\n", first.firmware().c_str(), unsigned(first.serial()));
        const sim::Simulator& sensor = fleet.sensor(0);
        if (options.tcpPort)
            std::printf("tcp 127.0.0.1:%u\n", unsigned(sensor.tcpPort()));
        if (options.pty)
            std::printf("pty %s%s%s\n", sensor.ptyPath().c_str(), options.ptyLink.empty() ? "" : " linked from ",
                        options.ptyLink.c_str());
    } else {
        std::printf("%zu sensors, firmware \"%s\", serial numbers %u to %u\n", fleet.size(),
                    first.firmware().c_str(), unsigned(first.serial()),
                    unsigned(first.serial() + fleet.size() - 1));
        for (size_t i = 0; i < fleet.size(); ++i)
            std::printf("%s\n", fleet.Describe(i).c_str());
    }
    std::fflush(stdout);

    const int code = app.exec();
    fleet.Stop();
    return code;
}

// chromix5_sim: the simulated colour sensor as a program of its own, so that the tool can be
// tried, demonstrated and measured without a sensor. It prints where it listens, one line per
// transport, then serves until SIGINT or SIGTERM.
#include <QCoreApplication>
#include <QSocketNotifier>

#include <csignal>
#include <cstdio>
#include <random>

#include <fcntl.h>
#include <unistd.h>

#include "sim/options.h"
#include "sim/simulator.h"

namespace {

// A signal handler may only do async-signal-safe things: it writes a byte into a pipe, and the
// event loop, watching the pipe, ends the program in an orderly way (removing the pty link).
int signalPipe[2] = {-1, -1};

void onSignal(int)
{
    const char byte = 1;
    ssize_t n = ::write(signalPipe[1], &byte, 1);
    (void)n;
}

uint16_t randomSerial()
{
    std::random_device device;
    return static_cast<uint16_t>(std::uniform_int_distribution<int>(1, 65535)(device));
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

    sim::Simulator sensor;
    sim::DeviceModel& model = sensor.model();
    model.SetEdition(options.edition);
    model.FactoryReset();
    if (!options.firmware.empty())
        model.SetFirmware(options.firmware);
    model.SetSerial(options.serial ? *options.serial : randomSerial());
    model.SetScanRate(options.scanRate);
    model.SetNoise(options.noise, std::random_device{}());
    if (options.target == "cycle") {
        model.CycleTargets(sim::SampleTargets(), options.cycleMs);
    } else {
        sim::Target target;
        sim::TargetByName(options.target, &target);
        model.SetTarget(target);
    }
    for (const sim::Fault& fault : options.faults)
        sensor.faults().Add(fault);
    if (options.log)
        sensor.SetLog([](const std::string& line) {
            std::printf("%s\n", line.c_str());
            std::fflush(stdout);
        });

    std::printf("firmware \"%s\", serial number %u\n", model.firmware().c_str(), unsigned(model.serial()));
    if (options.tcpPort) {
        const int port = sensor.ListenTcp(static_cast<uint16_t>(*options.tcpPort));
        if (port < 0) {
            std::fprintf(stderr, "chromix5_sim: cannot listen on 127.0.0.1:%d: %s\n", *options.tcpPort,
                         sensor.error().c_str());
            return 1;
        }
        std::printf("tcp 127.0.0.1:%d\n", port);
    }
    if (options.pty) {
        sensor.SetBaud(options.baud);
        const std::string path = sensor.OpenPty(options.ptyLink);
        if (path.empty()) {
            std::fprintf(stderr, "chromix5_sim: cannot create the pseudo-terminal: %s\n", sensor.error().c_str());
            return 1;
        }
        std::printf("pty %s%s%s\n", path.c_str(), options.ptyLink.empty() ? "" : " linked from ",
                    options.ptyLink.c_str());
    }
    std::fflush(stdout);

    const int code = app.exec();
    sensor.Stop();
    return code;
}

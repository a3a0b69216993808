// chromix5ctl: the command-line companion of the window. Backs up, restores, compares and
// monitors sensors, one or many, with the window's own link and parameter-file code.
#include <csignal>
#include <cstdio>
#include <string>

#include "cli/commands.h"
#include "cli/diagnostics.h"
#include "cli/fleet.h"
#include "cli/options.h"
#include "cli/sensor_link.h"

namespace {

// One sensor, in this process: start the run-time, then do the work.
int RunOne(const cli::Options& options, size_t index, bool fleet)
{
    if (fleet)
        cli::SetDiagnosticPrefix(options.sensors[index].text);
    static char name[] = "chromix5ctl";
    static char* argv[] = {name, nullptr};
    std::string error;
    if (!cli::StartHeadless(1, argv, &error)) {
        std::fputs(cli::LostResultLine(options, index, error).c_str(), stdout);
        return cli::kExitLink;
    }
    return cli::RunSensor(options, index);
}

}  // namespace

int main(int argc, char** argv)
{
    cli::Options options;
    std::string error;
    if (!cli::ParseArguments(argc, argv, &options, &error)) {
        std::fprintf(stderr, "chromix5ctl: %s\n", error.c_str());
        std::fprintf(stderr, "Try 'chromix5ctl %s%s--help'.\n", cli::SubcommandName(options.command),
                     options.command == cli::Subcommand::None ? "" : " ");
        return cli::kExitUsage;
    }
    if (options.help) {
        std::fputs(cli::Usage(options.command), stdout);
        return cli::kExitOk;
    }
    // A reader that goes away (a pipe into head) shows as a failed write, not as a signal.
    std::signal(SIGPIPE, SIG_IGN);

    if (options.sensors.size() == 1)
        return RunOne(options, 0, false);
    // The run-time is started in each child, never here: a process that forks must not have
    // started threads or the event loop.
    return cli::RunFleet(
        options.sensors.size(), options.jobs,
        [&](size_t index) { return RunOne(options, index, true); },
        [&](size_t index, const std::string& why) { return cli::LostResultLine(options, index, why); },
        cli::kExitLink);
}

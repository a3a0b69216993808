// chromix5ctl: the command-line companion of the window. Backs up, restores, compares and
// monitors sensors, one or many, with the window's own link and parameter-file code; one process
// and one event loop serve every sensor of a command.
#include <csignal>
#include <cstdio>
#include <string>

#include "cli/commands.h"
#include "cli/diagnostics.h"
#include "cli/fleet.h"
#include "cli/gateway.h"
#include "cli/options.h"
#include "cli/sensor_link.h"
#include "platform/user_files.h"

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
    // A fleet holds a connection per sensor: more than the usual soft limit of open files.
    if (std::string note; !cli::RaiseOpenFileLimit(&note))
        std::fprintf(stderr, "chromix5ctl: %s\n", note.c_str());

    static char name[] = "chromix5ctl";
    static char* runtimeArgv[] = {name, nullptr};
    if (!cli::StartHeadless(1, runtimeArgv, &error)) {
        for (size_t i = 0; i < options.sensors.size(); ++i)
            std::fputs(cli::LostResultLine(options, i, error).c_str(), stdout);
        return cli::kExitLink;
    }
    // A service keeps its files in its own folder, and pin and compare --reference reach them
    // there with the same option.
    if (!options.dataDir.empty() && SetUserDataDir(options.dataDir.c_str()) != 0) {
        std::fprintf(stderr, "chromix5ctl: --data: cannot create the folder %s\n", options.dataDir.c_str());
        return cli::kExitUsage;
    }
    if (options.command == cli::Subcommand::Serve)
        return cli::ServeGateway(options);
    return cli::ServeSensors(options);
}

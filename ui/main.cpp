// The program entry: load the panels, start up, run the event loop, tear down.
#include <cstdio>
#include <cstring>

#include "link/link_state.h"
#include "link/transports.h"
#include "link/sensor_context.h"
#include "params/program_state.h"
#include "platform/panels.h"
#include "platform/rs232.h"
#include "platform/runtime.h"
#include "platform/tcp.h"
#include "platform/termination.h"
#include "platform/userint.h"
#include "platform/version.h"
#include "ui/callback_table.h"
#include "ui/main_window.h"
#include "ui/panel_handles.h"
#include "ui/uir.h"
#include "ui/window_seams.h"

namespace {

constexpr char kProgram[] = "chromix5_vantage";

// --help and --version answer on standard output and end the program with 0; every other
// argument is left to the run-time, as before.
bool answeredOption(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("%s %s (%s)\n", kProgram, DIROR_VERSION, kProductVersionText);
            return true;
        }
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::printf("Usage: %s [--help | --version]: the operator tool for the CHROMIX5 VANTAGE "
                        "colour sensor; connection, port and address are chosen in its window.\n",
                        kProgram);
            return true;
        }
    }
    return false;
}

}  // namespace

// Returns 0 after a normal end or after --help or --version, -1 when the run-time cannot start
// or a panel cannot be loaded (with one line on standard error saying which).
int main(int argc, char** argv)
{
    if (answeredOption(argc, argv))
        return 0;
    if (!InitRunTime(argc, argv)) {
        std::fprintf(stderr,
                     "%s %s: no display to show the window on (neither DISPLAY nor WAYLAND_DISPLAY "
                     "is set); start it in a desktop session.\n",
                     kProgram, DIROR_VERSION);
        return -1;
    }
    InitWindowSeams();
    RegisterProgramCallbacks();
    if (LoadMainPanels() < 0) {
        char dir[1024];
        GetProjectDir(dir, sizeof dir);
        std::fprintf(stderr, "%s %s: cannot load the user-interface file %s%s%s (missing or broken).\n",
                     kProgram, DIROR_VERSION, dir, kPathSeparator, kUirFile);
        return -1;
    }
    // Logout, shutdown or kill end the program through its close event, so the settings are kept.
    CloseOnTerminationSignal(MainPanel);

    InitAll();
    RunUserInterface();

    if (TcpConnected)
        DisconnectFromTCPServer(TcpHandle);
    CloseOpenComPort();
    CloseCom(ComPort);
    // The IP address drop-down is part of its panel and goes with it.
    DiscardPanel(MainPanel);
    ProcessSystemEvents();
    return 0;
}

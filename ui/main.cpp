// The program entry: load the panels, start up, run the event loop, tear down.
#include "link/link_state.h"
#include "link/transports.h"
#include "params/program_state.h"
#include "platform/panels.h"
#include "platform/rs232.h"
#include "platform/runtime.h"
#include "platform/tcp.h"
#include "platform/termination.h"
#include "platform/userint.h"
#include "ui/callback_table.h"
#include "ui/main_window.h"
#include "ui/panel_handles.h"
#include "ui/window_seams.h"

// Returns 0 after a normal end, -1 when the run-time cannot start or a panel cannot be loaded.
// The program takes no command-line options.
int main(int argc, char** argv)
{
    if (!InitRunTime(argc, argv))
        return -1;
    InitWindowSeams();
    RegisterProgramCallbacks();
    if (LoadMainPanels() < 0)
        return -1;
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

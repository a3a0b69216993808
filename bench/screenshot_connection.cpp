// bench_screenshot_connection: pictures of the connection page in both protocol modes for the
// documentation, each showing only the fields (and captions) of the chosen protocol.
//
// Runs offscreen; no sensor is needed: the page is shown as after start-up without a link.
//
//   bench_screenshot_connection [folder]     (default docs: connection-rs232.png, connection-tcp.png)
#include <QImage>
#include <QString>
#include <QWidget>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench/bench_support.h"
#include "link/link_state.h"
#include "platform/controls.h"
#include "platform/inspection.h"
#include "platform/panels.h"
#include "platform/runtime.h"
#include "platform/userint.h"
#include "ui/connect_panel.h"
#include "ui/main_window.h"
#include "ui/panel_handles.h"
#include "ui/uir.h"

namespace {

bool Shoot(int protocol, const std::string& path)
{
    SetCtrlVal(ConnectPage, CONP_PROTOCOL, protocol);
    CBF_EditCommunicationProtocol(ConnectPage, CONP_PROTOCOL, EVENT_COMMIT, nullptr, 0, 0);
    const double until = Timer() + 0.2;
    while (Timer() < until)
        ProcessSystemEvents();
    const QImage image = PanelWidget(MainPanel)->window()->grab().toImage();
    const bool ok = image.save(QString::fromStdString(path));
    std::printf("%s %s (%dx%d)\n", ok ? "saved" : "could not save", path.c_str(), image.width(),
                image.height());
    return ok;
}

}  // namespace

int main(int argc, char** argv)
{
    const std::string folder = argc > 1 ? argv[1] : "docs";
    if (!bench::LoadMainWindow(argc, argv))
        return 1;
    SetActiveTabPage(MainPanel, MAINP_TAB, 0);
    DisplayPanel(MainPanel);
    const bool ok = Shoot(kProtocolRs232, folder + "/connection-rs232.png") &&
                    Shoot(kProtocolTcp, folder + "/connection-tcp.png");
    DiscardPanel(MainPanel);
    ProcessSystemEvents();
    return ok ? 0 : 1;
}

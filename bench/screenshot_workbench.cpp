// bench_screenshot_workbench: a picture of the parameter workbench for the documentation.
//
// Runs offscreen against the simulator in this process over loopback TCP: reads the sensor,
// opens the workbench, edits two values as the operator would, compares with the sensor and
// grabs the workbench window. Snapshots go to a temporary data folder, not the user's.
//
//   bench_screenshot_workbench [picture.png]     (default docs/workbench.png)
#include <QImage>
#include <QTemporaryDir>
#include <QWidget>

#include <cstdio>
#include <cstdlib>

#include "bench/bench_support.h"
#include "link/commands.h"
#include "link/link_state.h"
#include "link/transports.h"
#include "params/parameter_set.h"
#include "link/sensor_context.h"
#include "params/program_state.h"
#include "platform/controls.h"
#include "platform/panels.h"
#include "platform/runtime.h"
#include "platform/tcp.h"
#include "platform/userint.h"
#include "platform/inspection.h"
#include "sim/simulator.h"
#include "ui/main_window.h"
#include "ui/panel_handles.h"
#include "ui/panel_values.h"
#include "ui/uir.h"
#include "ui/workbench.h"

int main(int argc, char** argv)
{
    const char* picture = argc > 1 ? argv[1] : "docs/workbench.png";
    QTemporaryDir data;
    if (!bench::LoadMainWindow(argc, argv, data.path().toLocal8Bit().constData()))
        return 1;

    sim::Simulator sensor;
    if (!bench::ConnectToSimulator(sensor))
        return 1;
    GetPara();

    OpenWorkbench();
    const int panel = WorkbenchPanel();
    if (panel <= 0)
        return 1;
    Para.Gain = static_cast<uint16_t>(Para.Gain == 7 ? 6 : 7);
    TechVec[0].Cell3 = 120;
    workbench::ShowValues();
    SetPanelValues();
    CBF_WbCompareSensor(panel, WBP_COMPARE_SENSOR, EVENT_COMMIT, nullptr, 0, 0);
    workbench::ShowMessage("GAIN = 7 in the working copy (not yet sent or saved).");

    const double until = Timer() + 0.2;
    while (Timer() < until)
        ProcessSystemEvents();
    const QImage image = PanelWidget(panel)->window()->grab().toImage();
    const bool ok = image.save(QString::fromUtf8(picture));
    std::printf("%s %s (%dx%d)\n", ok ? "saved" : "could not save", picture, image.width(), image.height());
    DisconnectFromTCPServer(TcpHandle);
    DiscardPanel(panel);
    DiscardPanel(MainPanel);
    ProcessSystemEvents();
    return ok ? 0 : 1;
}

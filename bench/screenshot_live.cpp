// bench_screenshot_live: pictures of the main window during live acquisition, for the
// documentation.
//
// Runs offscreen against the simulator in this process over loopback TCP: teaches the sample
// colours (one row each, as the teach assistant would), lets the simulated target cycle
// through them, turns RECORD on (into a temporary folder), presses GO and grabs the main window
// twice while the loop runs.
//
//   bench_screenshot_live [first.png [second.png]]     (default docs/live-display*.png)
#include <QApplication>
#include <QImage>
#include <QPixmap>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "bench/screenshot_scene.h"
#include "link/commands.h"
#include "link/connection.h"
#include "link/link_state.h"
#include "link/transports.h"
#include "params/parameter_set.h"
#include "link/sensor_context.h"
#include "params/program_state.h"
#include "platform/controls.h"
#include "platform/panels.h"
#include "platform/runtime.h"
#include "platform/tables.h"
#include "platform/tcp.h"
#include "platform/userint.h"
#include "platform/inspection.h"
#include "sim/simulator.h"
#include "ui/banner.h"
#include "ui/live_callbacks.h"
#include "ui/live_display.h"
#include "ui/main_window.h"
#include "ui/panel_handles.h"
#include "ui/record_panel.h"
#include "ui/uir.h"

namespace {

bool Save(const char* path)
{
    // Let pending displays and graphs draw first. This runs inside the loop's wait, so it
    // polls rather than block on the wait's own deadline timer.
    const double until = Timer() + 0.05;
    while (Timer() < until)
        ProcessSystemEvents();
    const QImage image = PanelWidget(MainPanel)->window()->grab().toImage();
    const bool ok = image.save(QString::fromUtf8(path));
    std::printf("%s %s (%dx%d)\n", ok ? "saved" : "could not save", path, image.width(), image.height());
    return ok;
}

}  // namespace

int main(int argc, char** argv)
{
    const char* first = argc > 1 ? argv[1] : "docs/live-display.png";
    const char* second = argc > 2 ? argv[2] : "docs/live-display-2.png";
    // The snapshots of the sensor reads go to a temporary data folder, not the user's.
    QTemporaryDir data;
    if (!bench::LoadMainWindow(argc, argv, data.path().toLocal8Bit().constData()))
        return 1;
    sim::Simulator sensor;
    if (!bench::ShowTaughtSampleColours(sensor))
        return 1;
    const std::vector<sim::Target> samples = sim::SampleTargets();

    sensor.model().SetNoise(6, 7);
    // The loop takes thousands of samples a second, and the strip chart shows the last 100:
    // the target's clock advances with each reading, so that they span several colours.
    int64_t ticks = 0;
    sensor.model().SetClock([&ticks] { return ++ticks; });
    sensor.model().CycleTargets(samples, 16);
    // RECORD on, into a folder that goes away afterwards; the settings file with it.
    QTemporaryDir recordings;
    setenv("XDG_CONFIG_HOME", recordings.filePath("config").toUtf8().constData(), 1);
    StoreRecordingSettings(recordings.path().toUtf8().constData(), 0);
    FirmwareText = sensor.model().firmware();
    SerialNumber = sensor.model().serial();
    SetCtrlVal(DataPanel, DATAP_BUTTON_RECORD, 1);
    CBF_ButtonRecord(DataPanel, DATAP_BUTTON_RECORD, EVENT_COMMIT, nullptr, 0, 0);

    bool ok = true;
    QTimer::singleShot(2600, [&] { ok = Save(first) && ok; });
    QTimer::singleShot(3300, [&] {
        ok = Save(second) && ok;
        AcquisitionRunning = 0;
    });
    CBF_ButtonGo(MainPanel, MAINP_BUTTON_GO, EVENT_COMMIT, nullptr, 0, 0);
    SetCtrlVal(DataPanel, DATAP_BUTTON_RECORD, 0);
    CBF_ButtonRecord(DataPanel, DATAP_BUTTON_RECORD, EVENT_COMMIT, nullptr, 0, 0);

    DisconnectFromTCPServer(TcpHandle);
    DiscardPanel(MainPanel);
    ProcessSystemEvents();
    return ok ? 0 : 1;
}

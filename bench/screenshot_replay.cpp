// bench_screenshot_replay: a picture of the main window replaying a recording, for the
// documentation.
//
// Runs offscreen against the simulator in this process over loopback TCP: teaches the sample
// colours, records two GO runs while the simulated target cycles through them (into a
// temporary folder), opens the recording on the data panel, zooms into its middle, and grabs
// the window while PLAY replays it.
//
//   bench_screenshot_replay [picture.png]     (default docs/replay.png)
#include <QImage>
#include <QPixmap>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "bench/screenshot_scene.h"
#include "link/commands.h"
#include "link/connection.h"
#include "link/transports.h"
#include "params/parameter_set.h"
#include "params/program_state.h"
#include "platform/controls.h"
#include "platform/history_chart.h"
#include "platform/inspection.h"
#include "platform/panels.h"
#include "platform/runtime.h"
#include "platform/tcp.h"
#include "platform/userint.h"
#include "sim/simulator.h"
#include "ui/banner.h"
#include "ui/live_callbacks.h"
#include "ui/main_window.h"
#include "ui/panel_handles.h"
#include "ui/record_panel.h"
#include "ui/replay_panel.h"
#include "ui/uir.h"

namespace {

// One GO of `seconds` with RECORD on.
void RecordFor(int ms)
{
    QTimer::singleShot(ms, [] { AcquisitionRunning = 0; });
    CBF_ButtonGo(MainPanel, MAINP_BUTTON_GO, EVENT_COMMIT, nullptr, 0, 0);
}

void Settle(double seconds)
{
    const double until = Timer() + seconds;
    while (Timer() < until)
        WaitSystemEvents(until - Timer());
}

}  // namespace

int main(int argc, char** argv)
{
    const char* picture = argc > 1 ? argv[1] : "docs/replay.png";
    QTemporaryDir data;
    if (!bench::LoadMainWindow(argc, argv, data.path().toLocal8Bit().constData()))
        return 1;
    sim::Simulator sensor;
    if (!bench::ShowTaughtSampleColours(sensor))
        return 1;
    const std::vector<sim::Target> samples = sim::SampleTargets();

    // The target moves on with the wall clock, a colour every 150 ms, so that the recording's
    // time axis shows the colours in turn.
    sensor.model().SetNoise(6, 7);
    sensor.model().CycleTargets(samples, 150);
    QTemporaryDir recordings;
    setenv("XDG_CONFIG_HOME", recordings.filePath("config").toUtf8().constData(), 1);
    StoreRecordingSettings(recordings.path().toUtf8().constData(), 0);
    FirmwareText = sensor.model().firmware();
    SerialNumber = sensor.model().serial();
    SetCtrlVal(DataPanel, DATAP_BUTTON_RECORD, 1);
    CBF_ButtonRecord(DataPanel, DATAP_BUTTON_RECORD, EVENT_COMMIT, nullptr, 0, 0);
    RecordFor(1500);
    Settle(0.4);
    RecordFor(1500);
    SetCtrlVal(DataPanel, DATAP_BUTTON_RECORD, 0);
    CBF_ButtonRecord(DataPanel, DATAP_BUTTON_RECORD, EVENT_COMMIT, nullptr, 0, 0);
    DisconnectFromTCPServer(TcpHandle);

    std::string file;
    for (const auto& e : std::filesystem::directory_iterator(recordings.path().toStdString()))
        if (e.path().extension() == ".csv")
            file = e.path().string();
    if (file.empty() || ReplayRecording(file.c_str()) != 0)
        return 1;
    while (ReplayStateNow() == ReplayState::Loading)
        WaitSystemEvents(0.05);
    if (ReplayStateNow() != ReplayState::Shown)
        return 1;

    // Two seconds of the recording around its middle, played from there.
    double from = 0, to = 0;
    GetStripChartHistoryView(DataPanel, DATAP_STRIPCHART, &from, &to);
    const double middle = (from + to) / 2;
    SetStripChartHistoryView(DataPanel, DATAP_STRIPCHART, middle - 1.2, middle + 0.8);
    SetCtrlVal(DataPanel, DATAP_REPLAY_TIME, 30000);
    CBF_ReplayTime(DataPanel, DATAP_REPLAY_TIME, EVENT_COMMIT, nullptr, 0, 0);
    SetCtrlVal(DataPanel, DATAP_REPLAY_SPEED, 0);
    CBF_ReplaySpeed(DataPanel, DATAP_REPLAY_SPEED, EVENT_COMMIT, nullptr, 0, 0);
    SetCtrlVal(DataPanel, DATAP_REPLAY_PLAY, 1);
    CBF_ReplayPlay(DataPanel, DATAP_REPLAY_PLAY, EVENT_COMMIT, nullptr, 0, 0);
    Settle(0.6);

    const QImage image = PanelWidget(MainPanel)->window()->grab().toImage();
    const bool ok = image.save(QString::fromUtf8(picture));
    std::printf("%s %s (%dx%d)\n", ok ? "saved" : "could not save", picture, image.width(), image.height());
    CloseReplay();
    DiscardPanel(MainPanel);
    ProcessSystemEvents();
    return ok ? 0 : 1;
}

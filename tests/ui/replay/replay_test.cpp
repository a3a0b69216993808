// Replaying recordings on the data panel: a recording the window made against the simulated
// sensor opens in the background and shows, at any cursor time, the file's own values in the
// displays, the side views and the strip chart; damage is counted, PLAY runs to the end.
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "link/commands.h"
#include "link/connection.h"
#include "params/program_state.h"
#include "platform/controls.h"
#include "platform/graphs.h"
#include "platform/history_chart.h"
#include "platform/runtime.h"
#include "platform/userint.h"
#include "record/live_csv_reader.h"
#include "sim/simulator.h"
#include "tests/support/panels_fixture.h"
#include "ui/live_callbacks.h"
#include "ui/panel_handles.h"
#include "ui/record_panel.h"
#include "ui/replay_panel.h"
#include "ui/uir.h"

namespace fs = std::filesystem;

namespace {

class ReplayTest : public PanelsTest {
protected:
    void SetUp() override
    {
        PanelsTest::SetUp();
        ASSERT_TRUE(home.isValid());
        setenv("XDG_CONFIG_HOME", home.filePath("config").toLocal8Bit().constData(), 1);
        setenv("HOME", home.path().toLocal8Bit().constData(), 1);
        folder = fs::path(home.filePath("recordings").toStdString());
        fs::create_directories(folder);
    }
    void TearDown() override
    {
        CloseReplay();
        sensor.Stop();
        PanelsTest::TearDown();
    }

    // Opens a file as OPEN does and lets the event loop run until it is shown or has failed.
    ReplayState Open(const fs::path& file)
    {
        EXPECT_EQ(0, ReplayRecording(file.string().c_str()));
        const double deadline = Timer() + 20;
        while (ReplayStateNow() == ReplayState::Loading && Timer() < deadline)
            WaitSystemEvents(0.05);
        return ReplayStateNow();
    }

    fs::path Write(const std::string& name, const std::string& text)
    {
        const fs::path file = folder / name;
        std::ofstream(file, std::ios::binary) << text;
        return file;
    }

    QTemporaryDir home;
    fs::path folder;
    sim::Simulator sensor;
};

}  // namespace

TEST_F(ReplayTest, ARecordingOfTheWindowShowsTheFilesValuesAtEachCursorTime)
{
    // Noise makes every sample differ, and a pause per request spreads them over distinct
    // milliseconds, so that a wrong row shows as a wrong value.
    sensor.model().SetNoise(300, 27);
    sensor.model().SetSerial(4711);
    const int port = sensor.ListenTcp();
    ASSERT_GT(port, 0) << sensor.error();
    OpenTcpLink(port);
    FirmwareText = sensor.model().firmware();
    SerialNumber = 4711;
    int requests = 0;
    sensor.SetLog([&](const std::string& line) {
        if (line.rfind("order 8 ", 0) != 0)
            return;
        std::this_thread::sleep_for(std::chrono::milliseconds(3));
        if (++requests == 60)
            CBF_ButtonStop(MainPanel, MAINP_BUTTON_STOP, EVENT_COMMIT, nullptr, 0, 0);
    });
    ASSERT_EQ(0, StoreRecordingSettings(folder.string().c_str(), 0));
    SetCtrlVal(DataPanel, DATAP_BUTTON_RECORD, 1);
    CBF_ButtonRecord(DataPanel, DATAP_BUTTON_RECORD, EVENT_COMMIT, nullptr, 0, 0);
    CBF_ButtonGo(MainPanel, MAINP_BUTTON_GO, EVENT_COMMIT, nullptr, 0, 0);
    SetCtrlVal(DataPanel, DATAP_BUTTON_RECORD, 0);
    CBF_ButtonRecord(DataPanel, DATAP_BUTTON_RECORD, EVENT_COMMIT, nullptr, 0, 0);

    std::vector<fs::path> files{fs::directory_iterator(folder), fs::directory_iterator()};
    ASSERT_EQ(1u, files.size());
    std::ifstream in(files[0], std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    // The file as the test reads it, line by line, without the reader under test.
    std::vector<std::string> rows;
    std::istringstream lines(text.str());
    for (std::string line; std::getline(lines, line);)
        if (!line.empty() && line[0] != '#' && line[0] != 't')
            rows.push_back(line);
    ASSERT_GE(rows.size(), 50u);

    ASSERT_EQ(ReplayState::Shown, Open(files[0]));
    EXPECT_EQ(rows.size(), ReplayRowCount());
    EXPECT_EQ(1, StripChartHistoryShown(DataPanel, DATAP_STRIPCHART));

    for (size_t pick : {size_t(3), rows.size() / 2, rows.size() - 1}) {
        int64_t at = 0;
        ASSERT_TRUE(record::ParseIso8601Millis(rows[pick].substr(0, 24), &at));
        SetReplayCursorTime(at);
        // Rows of one millisecond: the cursor shows the last of them.
        size_t expect = pick;
        while (expect + 1 < rows.size() && rows[expect + 1].compare(0, 24, rows[pick], 0, 24) == 0)
            ++expect;
        EXPECT_EQ(expect, ReplayCursorRow());
        int v[8] = {};
        ASSERT_EQ(8, std::sscanf(rows[expect].c_str() + 25, "%d,%d,%d,%d,%d,%d,%d,%d", &v[0], &v[1],
                                 &v[2], &v[3], &v[4], &v[5], &v[6], &v[7]))
            << rows[expect];
        const int displays[] = {DATAP_R, DATAP_G, DATAP_B, DATAP_X, DATAP_Y, DATAP_INT, DATAP_COLNO};
        for (int k = 0; k < 7; ++k)
            EXPECT_EQ(v[k], Value(DataPanel, displays[k])) << rows[expect] << " column " << k + 1;
        double cx = 0, cy = 0;
        ASSERT_EQ(0, GetGraphCursor(DataPanel, DATAP_GRAPH_XY, 1, &cx, &cy));
        EXPECT_EQ(v[3], cx);
        EXPECT_EQ(v[4], cy);
        ASSERT_EQ(0, GetGraphCursor(DataPanel, DATAP_GRAPH_YINT, 1, &cx, &cy));
        EXPECT_EQ(v[4], cx);
        EXPECT_EQ(v[5], cy);
        double chartAt = 0;
        ASSERT_EQ(0, GetStripChartHistoryCursor(DataPanel, DATAP_STRIPCHART, &chartAt));
        EXPECT_DOUBLE_EQ(double(at) / 1000, chartAt);
        EXPECT_NE(std::string::npos, Text(DataPanel, DATAP_RECORD_STATE).find(rows[pick].substr(11, 12)))
            << Text(DataPanel, DATAP_RECORD_STATE);
    }

    // The slider is the same cursor: its end is the last row.
    SetCtrlVal(DataPanel, DATAP_REPLAY_TIME, 100000);
    CBF_ReplayTime(DataPanel, DATAP_REPLAY_TIME, EVENT_COMMIT, nullptr, 0, 0);
    EXPECT_EQ(rows.size() - 1, ReplayCursorRow());

    // GO takes the strip chart and the displays back.
    requests = 0;
    CBF_ButtonGo(MainPanel, MAINP_BUTTON_GO, EVENT_COMMIT, nullptr, 0, 0);
    EXPECT_EQ(ReplayState::None, ReplayStateNow());
    EXPECT_EQ(0, StripChartHistoryShown(DataPanel, DATAP_STRIPCHART));
}

TEST_F(ReplayTest, DamagedLinesAreCountedInTheStateLineAndPlayRunsEveryRunToTheEnd)
{
    std::string text = "# firmware: CHROMIX5 V4.2.7 B12\n# serial number: 4711\ntime,R,G,B,X,Y,INT,C-No,pass\n";
    char row[128];
    for (int i = 0; i < 40; ++i) {
        std::snprintf(row, sizeof row, "2026-12-07T%02d:20:00.%03dZ,%d,2,3,%d,5,6,0,%d\n", i < 20 ? 12 : 13,
                      i * 10, 100 + i, 900 + i, i + 1);
        text += row;
        if (i == 9)
            text += "2026-12-07T12:20:00.095Z,1,2,3\n";       // cut short
        if (i == 19)
            text += "2026-12-07T12:20:00.195Z,1,2,99999,4,5,6,7,8\n# 2026-12-07T13:00:00.000Z\n";
    }
    // The second run begins an hour later: PLAY must not wait that hour out.
    const fs::path file = Write("damaged.csv", text + "garbage\n");
    ASSERT_EQ(ReplayState::Shown, Open(file));
    EXPECT_EQ(40u, ReplayRowCount());
    const std::string state = Text(DataPanel, DATAP_RECORD_STATE);
    EXPECT_NE(std::string::npos, state.find("damaged.csv")) << state;
    EXPECT_NE(std::string::npos, state.find("3 damaged lines skipped (first: line 14)")) << state;
    EXPECT_NE(std::string::npos, state.find("run 1 of 2")) << state;

    // At 100x the file's 0.4 s take a few milliseconds, and the gap between the runs none.
    SetCtrlVal(DataPanel, DATAP_REPLAY_SPEED, 2);
    CBF_ReplaySpeed(DataPanel, DATAP_REPLAY_SPEED, EVENT_COMMIT, nullptr, 0, 0);
    SetCtrlVal(DataPanel, DATAP_REPLAY_PLAY, 1);
    CBF_ReplayPlay(DataPanel, DATAP_REPLAY_PLAY, EVENT_COMMIT, nullptr, 0, 0);
    const double deadline = Timer() + 10;
    while (Value(DataPanel, DATAP_REPLAY_PLAY) == 1 && Timer() < deadline)
        WaitSystemEvents(0.05);
    EXPECT_EQ(0, Value(DataPanel, DATAP_REPLAY_PLAY)) << "PLAY ends at the last row";
    EXPECT_EQ(39u, ReplayCursorRow());
    EXPECT_EQ(139, Value(DataPanel, DATAP_R));
    EXPECT_EQ(939, Value(DataPanel, DATAP_X));

    // A file without rows, or none at all, is said so and shows nothing.
    EXPECT_EQ(ReplayState::Failed, Open(Write("empty.csv", "# firmware: X\nnot a row\n")));
    EXPECT_NE(std::string::npos, Text(DataPanel, DATAP_RECORD_STATE).find("no rows to replay"));
    EXPECT_EQ(0, StripChartHistoryShown(DataPanel, DATAP_STRIPCHART));
    EXPECT_EQ(ReplayState::Failed, Open(folder / "missing.csv"));
    EXPECT_NE(std::string::npos, Text(DataPanel, DATAP_RECORD_STATE).find("cannot open"));
}

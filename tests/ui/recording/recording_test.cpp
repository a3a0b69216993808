// RECORD on the data panel against the simulated sensor: the rows of a real live loop in real
// files, rotation into numbered files, and writes that fail while the loop runs.
#include <gtest/gtest.h>

#include <sys/resource.h>

#include <QDir>
#include <QTemporaryDir>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "link/commands.h"
#include "link/connection.h"
#include "link/sensor_context.h"
#include "params/program_state.h"
#include "platform/controls.h"
#include "platform/runtime.h"
#include "platform/userint.h"
#include "sim/simulator.h"
#include "tests/ui/recording/comma_locale.h"
#include "tests/support/panels_fixture.h"
#include "tests/support/popup_script.h"
#include "ui/live_callbacks.h"
#include "ui/main_window.h"
#include "ui/panel_handles.h"
#include "ui/panel_settings.h"
#include "ui/record_panel.h"
#include "ui/recorder.h"
#include "ui/uir.h"

namespace fs = std::filesystem;

namespace {

constexpr uint16_t kSerial = 4711;

struct Row {
    std::string stamp;
    int r, g, b, x, y, in, colorNo;
    uint64_t pass;
};

std::vector<std::string> Lines(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    const std::string all = text.str();
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end; (end = all.find('\n', start)) != std::string::npos; start = end + 1)
        lines.push_back(all.substr(start, end - start));
    EXPECT_EQ(all.size(), start) << file << " ends inside a line";
    return lines;
}

// The data rows of a file, after checking its first three lines. A run marker line is checked
// and, with markers given, the index of the row it precedes is noted there.
std::vector<Row> Rows(const fs::path& file, const std::string& firmware, std::vector<size_t>* markers = nullptr)
{
    const std::vector<std::string> lines = Lines(file);
    EXPECT_GE(lines.size(), 3u) << file;
    if (lines.size() < 3)
        return {};
    EXPECT_EQ("# firmware: " + firmware, lines[0]);
    EXPECT_EQ("# serial number: " + std::to_string(kSerial), lines[1]);
    EXPECT_EQ("time,R,G,B,X,Y,INT,C-No,pass", lines[2]);
    static const std::regex row(
        R"((\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}Z),(-?\d+),(-?\d+),(-?\d+),(-?\d+),(-?\d+),(-?\d+),(-?\d+),(\d+))");
    static const std::regex marker(R"(# run \d+: \d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}Z)");
    std::vector<Row> rows;
    for (size_t i = 3; i < lines.size(); ++i) {
        std::smatch m;
        if (markers && std::regex_match(lines[i], marker)) {
            markers->push_back(rows.size());
            continue;
        }
        EXPECT_TRUE(std::regex_match(lines[i], m, row)) << file << " line " << i + 1 << ": " << lines[i];
        if (m.empty())
            continue;
        rows.push_back(Row{m[1], std::stoi(m[2]), std::stoi(m[3]), std::stoi(m[4]), std::stoi(m[5]),
                           std::stoi(m[6]), std::stoi(m[7]), std::stoi(m[8]), std::stoull(m[9])});
    }
    return rows;
}

int16_t Word(const std::array<uint8_t, sim::kLiveBytes>& record, int offset)
{
    return static_cast<int16_t>(record[offset] | record[offset + 1] << 8);
}

class RecordingTest : public PanelsTest {
protected:
    void SetUp() override
    {
        PanelsTest::SetUp();
        ASSERT_TRUE(home.isValid());
        // The user's folders (documents, configuration) inside the test's own folder.
        setenv("XDG_CONFIG_HOME", home.filePath("config").toLocal8Bit().constData(), 1);
        setenv("HOME", home.path().toLocal8Bit().constData(), 1);
        documents = fs::path(home.filePath("Documents").toStdString());
        folder = fs::path(home.filePath("recordings").toStdString());
        fs::create_directories(documents);
        fs::create_directories(folder);

        sensor.model().SetNoise(0);
        sensor.model().SetSerial(kSerial);
        sim::Target red;
        ASSERT_TRUE(sim::TargetByName("red", &red));
        sensor.model().SetTarget(red);
        const int port = sensor.ListenTcp();
        ASSERT_GT(port, 0) << sensor.error();
        OpenTcpLink(port);
        // What the identification would have read.
        FirmwareText = sensor.model().firmware();
        SerialNumber = kSerial;
        sensor.SetLog([this](const std::string& line) {
            if (line.rfind("order 8 ", 0) == 0 && onLive)
                onLive(++liveRequests);
        });
    }
    void TearDown() override
    {
        Record(false);
        sensor.Stop();
        PanelsTest::TearDown();
    }

    void UseFolder(int64_t rowLimit = 0) { ASSERT_EQ(0, StoreRecordingSettings(folder.string().c_str(), rowLimit)); }
    void Record(bool on)
    {
        SetCtrlVal(DataPanel, DATAP_BUTTON_RECORD, on ? 1 : 0);
        CBF_ButtonRecord(DataPanel, DATAP_BUTTON_RECORD, EVENT_COMMIT, nullptr, 0, 0);
    }
    // GO; STOP during the live request number stopAt.
    void GoFor(int stopAt, std::function<void(int)> also = {})
    {
        liveRequests = 0;
        onLive = [this, stopAt, also](int n) {
            if (also)
                also(n);
            if (n == stopAt)
                CBF_ButtonStop(MainPanel, MAINP_BUTTON_STOP, EVENT_COMMIT, nullptr, 0, 0);
        };
        CBF_ButtonGo(MainPanel, MAINP_BUTTON_GO, EVENT_COMMIT, nullptr, 0, 0);
        onLive = {};
    }
    std::vector<fs::path> Files() const
    {
        std::vector<fs::path> files;
        for (const auto& e : fs::directory_iterator(folder))
            files.push_back(e.path());
        std::sort(files.begin(), files.end());
        return files;
    }

    QTemporaryDir home;
    fs::path documents;  // the default folder
    fs::path folder;
    sim::Simulator sensor;
    int liveRequests = 0;
    std::function<void(int)> onLive;
};

}  // namespace

// Under a locale with a decimal comma, two GO runs with STOP between them go into one file:
// every row holds the simulator's values, stamped and numbered by the loop's pass.
TEST_F(RecordingTest, RowsHoldTheSensorsSamplesWhateverTheLocale)
{
    // Where no such locale can be made, the run is the same in the C locale.
    UseCommaDecimalLocale();
    {
        PopupScript popups;
        popups.answer(PopupKind::DirSelect, 1, folder.string());
        CBF_ButtonRecordFolder(DataPanel, DATAP_BUTTON_RECFOLDER, EVENT_COMMIT, nullptr, 0, 0);
        EXPECT_EQ(documents.string(), popups.shown().at(0).message) << "starts in the documents folder";
    }
    char chosen[260];
    int64_t limit = 0;
    LoadRecordingSettings(chosen, sizeof chosen, &limit);
    EXPECT_EQ(folder.string(), chosen);
    EXPECT_EQ(1000000, limit);
    Record(true);
    EXPECT_EQ(1, Value(DataPanel, DATAP_BUTTON_RECORD));
    EXPECT_EQ("RECORD: starts with GO", Text(DataPanel, DATAP_RECORD_STATE));
    GoFor(5);
    GoFor(3);
    RestoreCLocale();

    const std::vector<fs::path> files = Files();
    ASSERT_EQ(1u, files.size());
    EXPECT_TRUE(std::regex_match(files[0].filename().string(),
                                 std::regex(R"(chromix5_4711_\d{8}-\d{6}\.csv)")))
        << files[0];
    // The rows are on disk at the end of each run, while the recording is still on; the second
    // run is marked.
    std::vector<size_t> markers;
    std::vector<Row> rows = Rows(files[0], sensor.model().firmware(), &markers);
    ASSERT_EQ(8u, rows.size());
    EXPECT_EQ(std::vector<size_t>{5}, markers);
    const std::vector<std::string> lines = Lines(files[0]);
    ASSERT_EQ(12u, lines.size());
    EXPECT_EQ(0u, lines[8].rfind("# run 2: ", 0)) << lines[8];
    EXPECT_LE(rows[4].stamp, lines[8].substr(9));
    EXPECT_LE(lines[8].substr(9), rows[5].stamp);
    EXPECT_EQ("REC " + files[0].filename().string() + ": 8 rows", Text(DataPanel, DATAP_RECORD_STATE));

    const auto expected = sensor.model().LiveRecord();
    const uint64_t passes[] = {1, 2, 3, 4, 5, 1, 2, 3};
    for (size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(Word(expected, sim::live::kRed), rows[i].r) << i;
        EXPECT_EQ(Word(expected, sim::live::kGreen), rows[i].g) << i;
        EXPECT_EQ(Word(expected, sim::live::kBlue), rows[i].b) << i;
        EXPECT_EQ(Word(expected, sim::live::kX), rows[i].x) << i;
        EXPECT_EQ(Word(expected, sim::live::kY), rows[i].y) << i;
        EXPECT_EQ(Word(expected, sim::live::kIntensity), rows[i].in) << i;
        EXPECT_EQ(Word(expected, sim::live::kColour), rows[i].colorNo) << i;
        EXPECT_EQ(passes[i], rows[i].pass) << i;
        if (i > 0) {
            EXPECT_LE(rows[i - 1].stamp, rows[i].stamp) << i;
        }
    }
    EXPECT_EQ(LiveValue(kLiveR), rows.back().r);

    Record(false);
    EXPECT_FALSE(RecordingOpen());
    EXPECT_EQ("Recorded 8 rows: " + files[0].filename().string(), Text(DataPanel, DATAP_RECORD_STATE));
    // Samples without RECORD are not written.
    GoFor(2);
    EXPECT_EQ(8u, Rows(files[0], sensor.model().firmware(), &markers).size());
}

// The rate beside RECORD, chosen on the panel, is kept in Recording.cfg and holds a 3 s GO
// against the simulator to at most 10 rows in each second (and no fewer than 9 in a whole one).
TEST_F(RecordingTest, ARateChosenBesideRecordLimitsTheRowsEachSecond)
{
    UseFolder();
    SetCtrlVal(DataPanel, DATAP_RECORD_RATE, 2);
    CBF_RingRecordRate(DataPanel, DATAP_RECORD_RATE, EVENT_COMMIT, nullptr, 0, 0);
    char chosen[260];
    int64_t limit = 0;
    int rate = -1;
    LoadRecordingSettings(chosen, sizeof chosen, &limit, &rate);
    EXPECT_EQ(10, rate);
    EXPECT_EQ(folder.string(), chosen);
    SetCtrlVal(DataPanel, DATAP_RECORD_RATE, 0);
    ShowRecordingSettings();
    EXPECT_EQ(2, Value(DataPanel, DATAP_RECORD_RATE));

    Record(true);
    const double start = Timer();
    liveRequests = 0;
    onLive = [start](int) {
        if (Timer() - start >= 3.0)
            CBF_ButtonStop(MainPanel, MAINP_BUTTON_STOP, EVENT_COMMIT, nullptr, 0, 0);
    };
    CBF_ButtonGo(MainPanel, MAINP_BUTTON_GO, EVENT_COMMIT, nullptr, 0, 0);
    onLive = {};
    Record(false);
    EXPECT_GT(liveRequests, 60) << "the loop itself is not slowed to the rate";

    const std::vector<Row> rows = Rows(Files().at(0), sensor.model().firmware());
    std::map<std::string, int> perSecond;  // by the stamp's second
    for (const Row& row : rows)
        ++perSecond[row.stamp.substr(0, 19)];
    ASSERT_GE(perSecond.size(), 3u);
    // The first and the last second are cut by GO and STOP.
    for (auto it = std::next(perSecond.begin()); it != std::prev(perSecond.end()); ++it) {
        EXPECT_LE(it->second, 10) << it->first;
        EXPECT_GE(it->second, 9) << it->first;
    }
    EXPECT_LE(perSecond.begin()->second, 10);
    EXPECT_LE(perSecond.rbegin()->second, 10);
    // The passes go on through the loop's samples: a row is the newest of its interval.
    EXPECT_GT(rows.back().pass, rows.size());
}

// With three rows per file, eight samples fill two files and start a third; each file has its
// own header, and the pass numbers run on across the files.
TEST_F(RecordingTest, AFullFileContinuesInANumberedNextFile)
{
    UseFolder(3);
    Record(true);
    GoFor(8);
    Record(false);

    const std::vector<fs::path> files = Files();
    ASSERT_EQ(3u, files.size());
    const std::string base = files[0].stem().string();
    EXPECT_EQ(base + "_2.csv", files[1].filename().string());
    EXPECT_EQ(base + "_3.csv", files[2].filename().string());
    uint64_t pass = 0;
    for (size_t f = 0; f < files.size(); ++f) {
        const std::vector<Row> rows = Rows(files[f], sensor.model().firmware());
        ASSERT_EQ(f < 2 ? 3u : 2u, rows.size()) << files[f];
        for (const Row& row : rows)
            EXPECT_EQ(++pass, row.pass);
    }
}

// Closing the window while the loop runs ends the recording with every row it took on disk.
TEST_F(RecordingTest, ClosingTheWindowWritesOutTheRecording)
{
    UseFolder();
    // Closing stores the panel settings too: into the test's folder, so that no pop-up waits.
    std::snprintf(SettingsPath, sizeof SettingsPath, "%s", home.filePath("PanelSettings.cfg").toLocal8Bit().constData());
    Record(true);
    GoFor(0, [](int n) {
        if (n == 4)
            CBF_MAINP(MainPanel, EVENT_CLOSE, nullptr, 0, 0);
    });
    EXPECT_EQ(4, liveRequests);
    EXPECT_FALSE(RecordingOpen());
    EXPECT_EQ(0, Value(DataPanel, DATAP_BUTTON_RECORD));
    // The pass in progress delivers no row: the window has closed.
    EXPECT_EQ(3u, Rows(Files().at(0), sensor.model().firmware()).size());
}

// The recording folder is removed while the loop runs: recording ends with a message that says
// so, RECORD goes off, and the live loop itself was not disturbed.
TEST_F(RecordingTest, ARemovedFolderEndsTheRecordingWithAMessage)
{
    // Nothing chosen: the documents folder.
    folder = documents;
    Record(true);
    PopupScript popups;
    popups.answer(PopupKind::Message, 0);
    GoFor(6, [this](int n) {
        if (n == 3)
            fs::remove_all(folder);
    });
    EXPECT_EQ(6, liveRequests);
    ASSERT_EQ(1u, popups.shown().size());
    EXPECT_EQ("Attention!", popups.shown()[0].title);
    EXPECT_NE(std::string::npos, popups.shown()[0].message.find("is gone")) << popups.shown()[0].message;
    EXPECT_EQ(popups.shown()[0].message, Text(DataPanel, DATAP_RECORD_STATE));
    EXPECT_FALSE(RecordingOpen());
    EXPECT_EQ(0, Value(DataPanel, DATAP_BUTTON_RECORD));
    EXPECT_EQ(1, SensorConnected);
}

// The disk fills up mid-recording (a file size limit makes the writes fail as a full disk
// would): the message names the file, and the file ends after its last complete row.
TEST_F(RecordingTest, AFailedWriteKeepsTheCompleteRowsReadable)
{
    UseFolder();
    Record(true);
    rlimit before{};
    ASSERT_EQ(0, getrlimit(RLIMIT_FSIZE, &before));
    auto* oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    PopupScript popups;
    popups.answer(PopupKind::Message, 0);
    // The file with its header exists from the first sample; room for about two more rows.
    GoFor(6, [&](int n) {
        if (n == 2) {
            rlimit small = before;
            small.rlim_cur = fs::file_size(Files().at(0)) + 130;
            setrlimit(RLIMIT_FSIZE, &small);
        }
    });
    setrlimit(RLIMIT_FSIZE, &before);
    std::signal(SIGXFSZ, oldHandler);

    ASSERT_EQ(1u, popups.shown().size());
    const std::string message = popups.shown()[0].message;
    EXPECT_NE(std::string::npos, message.find("cannot write")) << message;
    EXPECT_NE(std::string::npos, message.find(Files().at(0).string())) << message;
    EXPECT_FALSE(RecordingOpen());
    EXPECT_EQ(0, Value(DataPanel, DATAP_BUTTON_RECORD));

    const std::vector<Row> rows = Rows(Files().at(0), sensor.model().firmware());
    ASSERT_GE(rows.size(), 1u);
    EXPECT_LT(rows.size(), 6u);
    for (size_t i = 0; i < rows.size(); ++i)
        EXPECT_EQ(i + 1, rows[i].pass);
}

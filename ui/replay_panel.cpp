#include "ui/replay_panel.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "link/link_state.h"
#include "params/program_state.h"
#include "platform/controls.h"
#include "platform/files.h"
#include "platform/history_chart.h"
#include "platform/runtime.h"
#include "platform/user_dirs.h"
#include "platform/userint.h"
#include "record/live_csv.h"
#include "record/live_csv_reader.h"
#include "ui/help_texts.h"
#include "ui/live_display.h"
#include "ui/panel_handles.h"
#include "ui/uir.h"

namespace {

constexpr double kLoadPollSeconds = 0.1;
constexpr double kPlayTickSeconds = 1.0 / 30;  // as often as the live display redraws
constexpr int kSliderSteps = 100000;           // the time slider's range in the file
constexpr int kSpeeds[] = {1, 10, 100};        // the speed ring's items
constexpr int kStateColor = 0x000000;
constexpr int kErrorColor = 0xC00000;

// What the reading thread and the user-interface thread share. The thread writes `recording`,
// `chart`, `error` and `ok` before it sets `finished` (release); the user-interface thread
// reads them only after it has seen `finished` (acquire).
struct Load {
    std::string path;
    std::atomic<uint64_t> bytesDone{0};
    std::atomic<uint64_t> size{0};
    std::atomic<bool> cancel{false};
    std::atomic<bool> finished{false};
    record::LiveRecording recording;
    StripChartHistory* chart = nullptr;  // the strip chart's points, made on the thread too
    std::string error;
    bool ok = false;

    ~Load() { FreeStripChartHistory(chart); }
};

// On the reading thread: the file, then the strip chart's points from it.
void Read(Load* load)
{
    load->ok = record::ReadLiveCsvFile(load->path, &load->recording, &load->error,
                                       {&load->bytesDone, &load->cancel}, &load->size);
    const std::vector<record::LiveSample>& samples = load->recording.samples;
    if (load->ok && !samples.empty()) {
        std::vector<double> seconds(samples.size());
        std::vector<double> values(samples.size() * 3);
        for (size_t i = 0; i < samples.size(); ++i) {
            const record::LiveSample& s = samples[i];
            seconds[i] = double(s.unixMs) / 1000;
            values[3 * i] = s.r;
            values[3 * i + 1] = s.g;
            values[3 * i + 2] = s.b;
        }
        std::vector<size_t> runStarts;
        runStarts.reserve(load->recording.runs.size());
        for (const record::LiveRun& run : load->recording.runs)
            runStarts.push_back(run.first);
        load->chart = MakeStripChartHistory(seconds.data(), values.data(), seconds.size(),
                                            runStarts.data(), runStarts.size());
    }
    load->finished.store(true, std::memory_order_release);
}

// The reading thread, joined when a new recording is opened, when one is closed, and at the
// latest when the program ends (a thread still running then would end the program by force).
struct Loader {
    std::shared_ptr<Load> load;
    std::thread thread;

    void Stop()
    {
        if (thread.joinable()) {
            load->cancel = true;
            thread.join();
        }
        load.reset();
    }
    ~Loader() { Stop(); }
};

// The replay, touched only from the user-interface thread.
Loader loader;
ReplayState state = ReplayState::None;
record::LiveRecording shown;
std::string shownName;
size_t cursor = 0;
bool playing = false;
int speed = 1;
double anchorWall = 0;      // Timer() when playing started from anchorRow
size_t anchorRow = 0;
bool pollPending = false;   // a PollLoad or PlayTick is already on its way
bool tickPending = false;
// The status row's fields, which the replay bar covers, and whether each was shown.
constexpr int kStatusRow[] = {DATAP_STATUS, DATAP_COMPORT, DATAP_IPADDRESS};
int statusVisible[std::size(kStatusRow)] = {};
constexpr int kReplayBar[] = {DATAP_REPLAY_PLAY, DATAP_REPLAY_SPEED, DATAP_REPLAY_TIME, DATAP_REPLAY_CLOSE};

void ShowState(const std::string& text, int color)
{
    SetCtrlAttribute(DataPanel, DATAP_RECORD_STATE, ATTR_TEXT_COLOR, color);
    SetCtrlVal(DataPanel, DATAP_RECORD_STATE, text.c_str());
}

std::string FileNameOf(const std::string& path)
{
    const size_t cut = path.find_last_of("/\\");
    return cut == std::string::npos ? path : path.substr(cut + 1);
}

std::string Thousands(uint64_t n)
{
    // Built by appending: GCC 12 warns of overlaps in the inlined copies of an insert.
    const std::string digits = std::to_string(n);
    std::string out;
    for (size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0)
            out += ',';
        out += digits[i];
    }
    return out;
}

void ShowBar(bool on)
{
    if (on) {
        for (size_t i = 0; i < std::size(kStatusRow); ++i) {
            GetCtrlAttribute(DataPanel, kStatusRow[i], ATTR_VISIBLE, &statusVisible[i]);
            SetCtrlAttribute(DataPanel, kStatusRow[i], ATTR_VISIBLE, 0);
        }
    } else {
        SetCtrlAttribute(DataPanel, DATAP_STATUS, ATTR_VISIBLE, statusVisible[0]);
        // A connection made meanwhile may have chosen the other interface: the field shown is
        // the one of the interface now chosen, as connecting decides it.
        const bool connectionShown = statusVisible[1] || statusVisible[2];
        const bool serial = Protocol == kProtocolRs232;
        SetCtrlAttribute(DataPanel, DATAP_COMPORT, ATTR_VISIBLE, connectionShown && serial);
        SetCtrlAttribute(DataPanel, DATAP_IPADDRESS, ATTR_VISIBLE, connectionShown && !serial);
    }
    for (int control : kReplayBar)
        SetCtrlAttribute(DataPanel, control, ATTR_VISIBLE, on ? 1 : 0);
}

size_t RunIndexOf(size_t row)
{
    const auto& runs = shown.runs;
    auto it = std::upper_bound(runs.begin(), runs.end(), row,
                               [](size_t r, const record::LiveRun& run) { return r < run.first; });
    return it == runs.begin() ? 0 : static_cast<size_t>(it - runs.begin() - 1);
}

// The state line: where the cursor stands and what the file held that could not be read,
// first, since the line shows its start when it is too narrow; the file's name last.
void ShowCursorState()
{
    const record::LiveSample& s = shown.samples[cursor];
    std::string text = record::Iso8601Millis(s.unixMs).substr(11, 12) + "  row " +
                       Thousands(cursor + 1) + " of " + Thousands(shown.samples.size());
    if (shown.skippedLines > 0)
        text += ", " + Thousands(shown.skippedLines) + " damaged line" +
                (shown.skippedLines == 1 ? "" : "s") + " skipped (first: line " +
                Thousands(shown.firstSkippedLine) + ")";
    if (shown.runs.size() > 1)
        text += ", run " + std::to_string(RunIndexOf(cursor) + 1) + " of " + std::to_string(shown.runs.size());
    ShowState(text + "  " + shownName, shown.skippedLines > 0 ? kErrorColor : kStateColor);
}

void MoveCursor(size_t row)
{
    if (shown.samples.empty())
        return;
    cursor = std::min(row, shown.samples.size() - 1);
    const record::LiveSample& s = shown.samples[cursor];
    SetCtrlVal(DataPanel, DATAP_R, int(s.r));
    SetCtrlVal(DataPanel, DATAP_G, int(s.g));
    SetCtrlVal(DataPanel, DATAP_B, int(s.b));
    SetCtrlVal(DataPanel, DATAP_X, int(s.x));
    SetCtrlVal(DataPanel, DATAP_Y, int(s.y));
    SetCtrlVal(DataPanel, DATAP_INT, int(s.intensity));
    SetCtrlVal(DataPanel, DATAP_COLNO, int(s.colorNo));
    ShowSideViewPoint(s.x, s.y, s.intensity);

    // The chart follows a cursor that leaves the span shown, keeping the zoom.
    const double at = double(s.unixMs) / 1000;
    SetStripChartHistoryCursor(DataPanel, DATAP_STRIPCHART, at);
    double from = 0, to = 0;
    if (GetStripChartHistoryView(DataPanel, DATAP_STRIPCHART, &from, &to) == 0 && (at < from || at > to))
        SetStripChartHistoryView(DataPanel, DATAP_STRIPCHART, at - (to - from) / 2, at + (to - from) / 2);

    const size_t last = shown.samples.size() - 1;
    SetCtrlVal(DataPanel, DATAP_REPLAY_TIME,
               last ? static_cast<int>(double(cursor) * kSliderSteps / double(last) + 0.5) : 0);
    ShowCursorState();
}

void Anchor()
{
    anchorRow = cursor;
    anchorWall = Timer();
}

void SetPlaying(bool on);

// Moves the cursor to where the clock has got: the rows of the cursor's run whose time has
// come, at `speed` times the recording's pace. A run's end goes on at once to the next run,
// whatever time lies between them, and the clock starts again there.
void PlayTick()
{
    tickPending = false;
    if (!playing || state != ReplayState::Shown)
        return;
    const auto& samples = shown.samples;
    const int64_t target = samples[anchorRow].unixMs +
                           static_cast<int64_t>((Timer() - anchorWall) * 1000.0 * speed);
    const record::LiveRun& run = shown.runs[RunIndexOf(cursor)];
    const size_t runEnd = run.first + run.count;
    size_t row = cursor;
    while (row + 1 < runEnd && samples[row + 1].unixMs <= target)
        ++row;
    bool reanchor = false;
    if (row + 1 == runEnd && row + 1 < samples.size() && samples[row].unixMs <= target) {
        ++row;
        reanchor = true;
    }
    if (row != cursor)
        MoveCursor(row);
    if (reanchor)
        Anchor();
    if (cursor + 1 >= samples.size()) {
        SetPlaying(false);
        return;
    }
    tickPending = true;
    PostDelayedCall(kPlayTickSeconds, PlayTick);
}

void SetPlaying(bool on)
{
    playing = on && state == ReplayState::Shown;
    SetCtrlVal(DataPanel, DATAP_REPLAY_PLAY, playing ? 1 : 0);
    if (!playing)
        return;
    if (cursor + 1 >= shown.samples.size())
        MoveCursor(0);  // PLAY at the end starts again from the beginning
    Anchor();
    if (!tickPending) {
        tickPending = true;
        PostDelayedCall(kPlayTickSeconds, PlayTick);
    }
}

void Show(Load& load)
{
    shown = std::move(load.recording);
    shownName = FileNameOf(load.path);
    if (shown.samples.empty()) {
        state = ReplayState::Failed;
        ShowState(shownName + ": no rows to replay" +
                      (shown.skippedLines ? " (" + Thousands(shown.skippedLines) + " damaged lines)" : ""),
                  kErrorColor);
        return;
    }
    StripChartHistory* chart = std::exchange(load.chart, nullptr);
    ShowStripChartHistory(DataPanel, DATAP_STRIPCHART, chart);
    state = ReplayState::Shown;
    ShowBar(true);
    // The side views' tolerance circles and ranges, as GO draws them.
    InitGraphs();
    MoveCursor(0);
}

void PollLoad()
{
    pollPending = false;
    if (!loader.load || state != ReplayState::Loading)
        return;
    Load& load = *loader.load;
    if (!load.finished.load(std::memory_order_acquire)) {
        const uint64_t size = load.size.load(std::memory_order_relaxed);
        const uint64_t done = load.bytesDone.load(std::memory_order_relaxed);
        const int percent = size ? static_cast<int>(std::min<uint64_t>(100, done * 100 / size)) : 0;
        ShowState("opening " + FileNameOf(load.path) + ": " + std::to_string(percent) + " %", kStateColor);
        pollPending = true;
        PostDelayedCall(kLoadPollSeconds, PollLoad);
        return;
    }
    loader.thread.join();
    std::shared_ptr<Load> done = std::move(loader.load);
    if (!done->ok) {
        state = ReplayState::Failed;
        ShowState(done->error, kErrorColor);
        return;
    }
    Show(*done);
}

// The live loop owns the displays and the strip chart while it runs.
bool RefusedWhileLive()
{
    if (!AcquisitionRunning)
        return false;
    ShowState("STOP the live display to open a recording", kErrorColor);
    return true;
}

}  // namespace

int ReplayRecording(const char* path)
{
    if (RefusedWhileLive())
        return -1;
    CloseReplay();
    auto load = std::make_shared<Load>();
    load->path = path ? path : "";
    loader.load = load;
    loader.thread = std::thread([load] { Read(load.get()); });
    state = ReplayState::Loading;
    ShowState("opening " + FileNameOf(load->path), kStateColor);
    if (!pollPending) {
        pollPending = true;
        PostDelayedCall(kLoadPollSeconds, PollLoad);
    }
    return 0;
}

void CloseReplay()
{
    loader.Stop();
    playing = false;
    if (state == ReplayState::Shown) {
        EndStripChartHistory(DataPanel, DATAP_STRIPCHART);
        ShowBar(false);
        SetCtrlVal(DataPanel, DATAP_REPLAY_PLAY, 0);
    }
    if (state != ReplayState::None)
        ShowState("", kStateColor);
    state = ReplayState::None;
    shown = record::LiveRecording{};
    cursor = 0;
}

ReplayState ReplayStateNow() { return state; }
size_t ReplayRowCount() { return state == ReplayState::Shown ? shown.samples.size() : 0; }
size_t ReplayCursorRow() { return cursor; }

void SetReplayCursorTime(int64_t unixMs)
{
    if (state != ReplayState::Shown)
        return;
    const auto& samples = shown.samples;
    auto it = std::upper_bound(samples.begin(), samples.end(), unixMs,
                               [](int64_t t, const record::LiveSample& s) { return t < s.unixMs; });
    MoveCursor(it == samples.begin() ? 0 : static_cast<size_t>(it - samples.begin() - 1));
    if (playing)
        Anchor();
}

int CBF_ButtonOpenRecording(int, int, int event, void*, int, int)
{
    if (event == EVENT_RIGHT_CLICK) {
        ShowHelpText(kHelpButtonOpenRecording);
    } else if (event == EVENT_COMMIT) {
        // Refused before the dialog rather than after it: the live loop goes on meanwhile.
        if (RefusedWhileLive())
            return 0;
        char path[MAX_PATHNAME_LEN] = "";
        char folder[MAX_PATHNAME_LEN] = "";
        GetUserDocumentsDir(folder, sizeof folder);
        const int chosen = FileSelectPopup(folder, "*.csv", "*.csv", "Open a recording", VAL_LOAD_BUTTON,
                                           0, 0, 1, 0, path);
        if (chosen == VAL_EXISTING_FILE_SELECTED)
            ReplayRecording(path);
    }
    return 0;
}

int CBF_ReplayPlay(int panel, int control, int event, void*, int, int)
{
    if (event == EVENT_RIGHT_CLICK)
        ShowHelpText(kHelpReplayPlay);
    else if (event == EVENT_COMMIT) {
        int on = 0;
        GetCtrlVal(panel, control, &on);
        SetPlaying(on != 0);
    }
    return 0;
}

int CBF_ReplaySpeed(int panel, int control, int event, void*, int, int)
{
    if (event == EVENT_RIGHT_CLICK)
        ShowHelpText(kHelpReplaySpeed);
    else if (event == EVENT_COMMIT) {
        int item = 0;
        GetCtrlVal(panel, control, &item);
        speed = kSpeeds[std::clamp(item, 0, int(std::size(kSpeeds)) - 1)];
        if (playing)
            Anchor();
    }
    return 0;
}

int CBF_ReplayTime(int panel, int control, int event, void*, int, int)
{
    if (event == EVENT_RIGHT_CLICK)
        ShowHelpText(kHelpReplayTime);
    else if ((event == EVENT_VAL_CHANGED || event == EVENT_COMMIT) && state == ReplayState::Shown) {
        int step = 0;
        GetCtrlVal(panel, control, &step);
        const size_t last = shown.samples.size() - 1;
        MoveCursor(static_cast<size_t>(double(step) * double(last) / kSliderSteps + 0.5));
        if (playing)
            Anchor();
    }
    return 0;
}

int CBF_ReplayClose(int, int, int event, void*, int, int)
{
    if (event == EVENT_RIGHT_CLICK)
        ShowHelpText(kHelpReplayClose);
    else if (event == EVENT_COMMIT)
        CloseReplay();
    return 0;
}

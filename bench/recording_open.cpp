// bench_recording_open: opening a recording of a million rows in the window.
//
// Writes a recording of 1,000,000 rows in two runs (as the recorder writes them) into a
// temporary folder, then opens it on the data panel offscreen as OPEN does, and prints:
//   - the time from OPEN until the strip chart shows the whole file and the cursor its first row;
//   - how the event loop kept up meanwhile: a probe due every 20 ms notes how late it ran, and
//     the longest delay is the longest the window could not react;
//   - the reader alone on the same file, for comparison.
//
//   bench_recording_open [rows]
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench/bench_support.h"
#include "platform/history_chart.h"
#include "platform/panels.h"
#include "platform/runtime.h"
#include "record/live_csv.h"
#include "record/live_csv_reader.h"
#include "ui/panel_handles.h"
#include "ui/replay_panel.h"
#include "ui/uir.h"

namespace {

constexpr double kProbeSeconds = 0.02;
double probeDue = 0;
double longestLate = 0;
bool probing = false;

void Probe()
{
    const double now = Timer();
    longestLate = std::max(longestLate, now - probeDue);
    if (!probing)
        return;
    probeDue = now + kProbeSeconds;
    PostDelayedCall(kProbeSeconds, Probe);
}

bool WriteRecording(const std::string& path, long rows)
{
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    std::string text = record::LiveCsvHeader("CHROMIX5 V4.2.7 B12", 4711);
    record::LiveSample s;
    s.unixMs = 1796646000000;
    for (long i = 0; i < rows; ++i) {
        if (i == rows / 2) {
            s.unixMs += 600000;
            s.pass = 0;
            text += "# " + record::Iso8601Millis(s.unixMs) + "\n";
        }
        // About 32,000 rows a second, as a network link delivers them.
        s.unixMs += i % 32 == 0 ? 1 : 0;
        s.r = static_cast<int16_t>(1800 + i % 400);
        s.g = static_cast<int16_t>(650 + i % 130);
        s.b = static_cast<int16_t>(400 + i % 70);
        s.x = static_cast<int16_t>(1900 + i % 50);
        s.y = static_cast<int16_t>(1100 + i % 40);
        s.intensity = static_cast<int16_t>(950 + i % 30);
        s.colorNo = static_cast<int16_t>(i % 1000 < 500 ? 0 : 255);
        ++s.pass;
        text += record::LiveCsvRow(s);
        if (text.size() > (1u << 20)) {
            std::fwrite(text.data(), 1, text.size(), f);
            text.clear();
        }
    }
    std::fwrite(text.data(), 1, text.size(), f);
    return std::fclose(f) == 0;
}

}  // namespace

int main(int argc, char** argv)
{
    const long rows = argc > 1 ? std::atol(argv[1]) : 1000000;
    bench::TempDir dir;
    ::setenv("XDG_RUNTIME_DIR", dir.path.c_str(), 0);
    if (!bench::LoadMainWindow(argc, argv, dir.path))
        return 1;
    DisplayPanel(DataPanel);
    DisplayPanel(MainPanel);
    ProcessSystemEvents();

    const std::string path = dir.path + "/recording.csv";
    if (rows <= 0 || !WriteRecording(path, rows)) {
        std::fprintf(stderr, "cannot write %s\n", path.c_str());
        return 1;
    }
    long size = 0;
    GetFileInfo(path.c_str(), &size);
    std::printf("recording: %ld rows in two runs, %.1f MB; load average %s\n", rows, size / 1e6,
                bench::LoadAverage().c_str());

    double t0 = Timer();
    record::LiveRecording alone;
    std::string error;
    if (!record::ReadLiveCsvFile(path, &alone, &error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    const double readerSeconds = Timer() - t0;
    alone = record::LiveRecording{};

    probing = true;
    probeDue = Timer() + kProbeSeconds;
    PostDelayedCall(kProbeSeconds, Probe);
    t0 = Timer();
    ReplayRecording(path.c_str());
    while (ReplayStateNow() == ReplayState::Loading && Timer() - t0 < 60)
        WaitSystemEvents(0.05);
    // The first drawing of the chart belongs to opening it.
    ProcessSystemEvents();
    const double openSeconds = Timer() - t0;
    probing = false;
    WaitSystemEvents(kProbeSeconds * 2);
    ProcessSystemEvents();

    if (ReplayStateNow() != ReplayState::Shown || ReplayRowCount() != size_t(rows)) {
        std::fprintf(stderr, "the recording did not open: %zu rows shown\n", ReplayRowCount());
        return 1;
    }
    std::printf("reader alone: %.3f s (%.0f rows/s)\n", readerSeconds, rows / readerSeconds);
    std::printf("open in the window: %.3f s; the event loop ran at most %.0f ms late meanwhile\n",
                openSeconds, longestLate * 1000);
    bench::PrintRatio("open_seconds_per_million_rows", openSeconds * 1e6 / double(rows), "<=", 2.0);
    bench::PrintRatio("longest_event_loop_stall_seconds", longestLate, "<=", 0.25);
    CloseReplay();
    DiscardPanel(MainPanel);
    ProcessSystemEvents();
    return 0;
}

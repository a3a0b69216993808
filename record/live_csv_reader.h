// Reading a live-data recording back (the format of live_csv.h), for replaying it.
//
// The reader takes any file in that format, whoever wrote it: the window's recording, the
// command line's monitor, or a file appended to by several runs. A '#' line after the column
// line starts a new run (a recorder marks each new GO that way, with the time after the '#';
// the reader keeps whatever text follows). Lines that are not rows of the format (a field
// missing or too many, a value that is not an integer of its column's range, a time not in the
// format's form) are skipped and counted; nothing in the file can make the reader fail, only a
// file that cannot be read at all.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "record/live_csv.h"

namespace record {

// One run: a stretch of rows between '#' marker lines.
struct LiveRun {
    size_t first = 0;    // index of its first sample in LiveRecording::samples
    size_t count = 0;    // its samples
    std::string marker;  // the text after the '#' of the line that started it ("" for the first
                         // run of a file without such a line), without leading spaces
};

struct LiveRecording {
    std::string firmwareText;   // from "# firmware: ..." before the column line, or ""
    long serialNumber = -1;     // from "# serial number: ..." before the column line, or -1
    std::vector<LiveSample> samples;  // in file order
    std::vector<LiveRun> runs;        // in file order; runs without samples are left out
    size_t skippedLines = 0;          // damaged lines, not read
    size_t firstSkippedLine = 0;      // the line number (from 1) of the first of them, or 0
};

// Progress and cancellation shared with the thread that reads: the reader adds to bytesDone
// as it goes (now and then, not per line) and stops soon after cancel turns true. Either may
// be null.
struct ReadProgress {
    std::atomic<uint64_t>* bytesDone = nullptr;
    const std::atomic<bool>* cancel = nullptr;
};

// Parses a whole recording held in memory into *out (emptied first). Returns false only when
// cancelled, leaving *out with what was read until then.
bool ParseLiveCsv(std::string_view text, LiveRecording* out, ReadProgress progress = {});

// Parses one row ("time,R,G,B,X,Y,INT,C-No,pass", without the line end). False for a line that
// is not one.
bool ParseLiveCsvRow(std::string_view line, LiveSample* sample);

// The milliseconds since 1970 UTC of "YYYY-MM-DDTHH:MM:SS.mmmZ", the form Iso8601Millis writes.
bool ParseIso8601Millis(std::string_view text, int64_t* unixMs);

// Files above this size are not read (a recording of a million rows is about 60 MB).
inline constexpr uint64_t kMaxRecordingBytes = uint64_t(1) << 30;

// Reads and parses a file. *size gets its size in bytes as soon as it is known (for a progress
// display), if size is not null. Returns false with *error set when the file cannot be opened
// or read, is larger than kMaxRecordingBytes, or the read was cancelled.
bool ReadLiveCsvFile(const std::string& path, LiveRecording* out, std::string* error,
                     ReadProgress progress = {}, std::atomic<uint64_t>* size = nullptr);

}  // namespace record

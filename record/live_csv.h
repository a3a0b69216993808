// The live-data recording format, one definition for every program that records live samples
// (the window's recording and the command line's monitor):
//
//   # firmware: CHROMIX5 V4.2.7 B12
//   # serial number: 4242
//   time,R,G,B,X,Y,INT,C-No,pass
//   2026-12-07T12:00:00.123Z,812,640,355,452,356,1807,255,1
//
// The time is ISO 8601 in UTC with milliseconds; the values are the live record's signed 16-bit
// words as the sensor sent them; pass counts the live loop's passes from 1. Every field is an
// integer or the time, so the file reads the same whatever the locale's decimal separator is
// ('.' in the time's fraction). Lines end in "\n".
//
// A recording that goes on over several runs of the live loop (STOP, then GO again into the
// same file) marks where each later run begins with a line of its own before the run's first
// row:
//
//   # run 2: 2026-12-07T12:20:05.123Z
//
// "# run ", the run's number within the recording (the first run has no marker), ": " and the
// time the run began, in the rows' time format. A reader takes any line that starts with '#'
// after the column line as such a marker; the pass column starts again from 1 after it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace record {

// One live sample as recorded.
struct LiveSample {
    int64_t unixMs = 0;  // wall-clock time of the sample, milliseconds since 1970-01-01 UTC
    int16_t r = 0, g = 0, b = 0;
    int16_t x = 0, y = 0, intensity = 0;
    int16_t colorNo = 0;  // the teach row the sensor recognised, 255 for none
    uint64_t pass = 0;
};

// The column names, in row order.
inline constexpr const char* kLiveColumns[] = {"time", "R", "G", "B", "X", "Y", "INT", "C-No", "pass"};
inline constexpr size_t kLiveColumnCount = sizeof kLiveColumns / sizeof kLiveColumns[0];

// The lines before the first row: the firmware text and the serial number as '#' comments, then
// the column names. Characters of the firmware text that would break the line (control
// characters) become '?'.
std::string LiveCsvHeader(const std::string& firmwareText, unsigned serialNumber);

// One row, ended by "\n".
std::string LiveCsvRow(const LiveSample& sample);

// "YYYY-MM-DDTHH:MM:SS.mmmZ" for a time in milliseconds since 1970 UTC.
std::string Iso8601Millis(int64_t unixMs);

// The current wall-clock time in milliseconds since 1970 UTC.
int64_t NowUnixMs();

}  // namespace record

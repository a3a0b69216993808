// The text of a live-data recording: comma-separated lines, one per live sample, after the
// comment lines that name the sensor and a line that names the columns.
//
//   # firmware: CHROMIX5 V4.2.7 B12
//   # serial number: 4242
//   time,R,G,B,X,Y,INT,C-No,pass
//   2026-12-07T12:00:00.123Z,812,640,355,452,356,1807,255,1
//
// The time is ISO 8601 in UTC with milliseconds; the values are the live record's signed 16-bit
// words as the sensor sent them; pass counts the live loop's passes from 1. Every field is an
// integer or the time, and the time's fraction is written with a literal '.', so the text is
// the same whatever the locale. Lines end in "\n". Pure functions: no file, no clock.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// The values of one live sample that a recording keeps (the signed 16-bit words of the live
// record: raw red, green, blue, X, Y, intensity, the recognised colour number).
struct LiveSample {
    int16_t r = 0, g = 0, b = 0;
    int16_t x = 0, y = 0, intensity = 0;
    int16_t colorNo = 0;
};

// Room for any line FormatLiveCsvLine writes, terminator included.
inline constexpr size_t kLiveCsvLineMax = 128;

// "YYYY-MM-DDThh:mm:ss.mmmZ" for unixMs, milliseconds since 1970-01-01 UTC. Returns the length
// written (24), or 0 when cap is too small (out then holds an empty string, when cap > 0).
size_t FormatCsvTimestamp(char* out, size_t cap, int64_t unixMs);

// One data line: time, R, G, B, X, Y, INT, C-No and the live loop's pass number, ending in
// "\n". The time is copied as given (null counts as empty); commas, quotes and line breaks in
// it become blanks so the line keeps its columns. Returns the length written, or 0 when cap is
// too small (out then holds an empty string, when cap > 0).
size_t FormatLiveCsvLine(char* out, size_t cap, const LiveSample& sample, const char* time,
                         uint64_t pass);

// The lines before the first data line: the sensor's firmware text and serial number as '#'
// comments, then the column names. Control characters in the firmware text (it comes from
// the sensor) become '?', so it stays on its comment line.
std::string LiveCsvHeader(const std::string& firmware, unsigned serialNumber);

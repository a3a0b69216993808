// The window's live-data recording: CSV files in one folder, written from the live loop without
// holding it up, by the shared recorder (record/recorder.h: whole rows only, at least once a
// second, rotation into numbered files at the row limit, a rate, run markers). This adds the
// window's file names and its messages. Module state, one recording at a time, used only from
// the user-interface thread.
//
// A write that fails (disk full, folder removed, no permission) closes the recording: the file
// keeps every complete row written before the failure, and RecordingError says what happened.
#pragma once

#include <cstdint>
#include <string>

#include "record/live_csv.h"

inline constexpr int64_t kDefaultRowLimit = 1000000;

// Starts a recording in folder (which must exist): a new file named after the sensor's serial
// number and the local time, "chromix5_<serial>_<yyyymmdd-hhmmss>.csv", never replacing a
// file that exists. Its first lines name the sensor (firmware text, serial number) and the
// columns. rowLimit below 1 means the default. A recording still open is closed first.
// rowsPerSecond is one of record::kRowRates (anything else: every sample).
// Returns 0, or -1 when the file cannot be made (RecordingError says why).
int OpenRecording(const char* folder, const std::string& firmware, unsigned serialNumber,
                  int64_t rowLimit, int rowsPerSecond = 0);
// A new GO into the open recording: its first row gets the run marker.
void RecordingRunBegins();
// Changes the open recording's rate (one of record::kRowRates). Returns 0, or -1 when writing
// the row it held failed (the recording is then closed).
int SetRecordingRate(int rowsPerSecond);
// Adds one row, stamped with the current time (sample.unixMs is set here). Returns 0, or -1
// when no recording is open or a write failed (the recording is then closed).
int RecordRow(record::LiveSample sample);
// Writes what is buffered. Returns 0 (also when nothing is open), -1 on a failed write.
int FlushRecording();
// Flushes and closes. Returns what the flush returned.
int CloseRecording();

bool RecordingOpen();
// The full path of the file being written (of the last one after the recording ended).
const std::string& RecordingPath();
// Data rows of the whole recording (all its files) so far.
uint64_t RecordedRows();
// The firmware text and serial number the recording was started for.
const std::string& RecordingFirmware();
unsigned RecordingSerialNumber();
// Why the last recording ended on its own, or "" when it did not.
const std::string& RecordingError();

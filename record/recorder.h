// One live-data recording, as the window's RECORD and the command line's monitor write it (the
// format is in record/live_csv.h). Rows collect in memory and go out at least once a second,
// when 64 KiB are waiting, and on Flush and Close; only whole rows ever reach the file.
//
//   record::Recorder rec;
//   rec.Create(path, firmware, serial, {rowLimit, rowsPerSecond});   // never replaces a file
//   rec.Add(sample) ... rec.BeginRun(now) ... rec.Add(sample) ... rec.Close();
//
// A file that is full (the row limit) closes, and the recording goes on in a numbered next file
// with its own header: "run.csv", then "run_2.csv", "run_3.csv", ....
//
// At a chosen rate the recording keeps at most that many rows a second: time is cut into
// intervals of 1/rate s (from the epoch, by the samples' own times) and each interval's newest
// sample is written, once the next interval's first sample, a new run, Flush or Close shows
// that no newer one will come.
//
// Runs: BeginRun marks the start of a new live loop (a new GO) in the same recording. When the
// recording already holds rows, the new run's first row is preceded by its marker line
//
//   # run 2: 2026-12-07T12:20:05.123Z
//
// with the run's number within the recording (the first run has no marker) and the time the run
// began, in the rows' format. A run that records no row leaves no marker.
//
// A failure ends the recording: open() turns false and failure() says what failed, errorCode()
// holds errno and path() the file concerned. A short write leaves a created file cut after its
// last complete line. A failure never throws and never stops the caller's loop.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "record/live_csv.h"

namespace record {

// The rates the programs offer, in rows a second; 0 means every sample.
inline constexpr int kRowRates[] = {0, 1, 10, 100, 1000};
bool IsRowRate(int rowsPerSecond);

struct RecorderOptions {
    int64_t rowLimit = 0;   // data rows per file before the next numbered file; 0 = no limit
    int rowsPerSecond = 0;  // at most this many rows a second; 0 = every sample
};

enum class RecorderFailure {
    None,
    Create,  // the file could not be made (or exists already)
    Write,   // a write or a flush failed (errorCode() is EPIPE when a pipe's reader went away)
    Gone,    // the file disappeared while it was written (its folder removed)
};

class Recorder {
public:
    Recorder() = default;
    ~Recorder();
    Recorder(const Recorder&) = delete;
    Recorder& operator=(const Recorder&) = delete;

    // Starts a recording in a new file at path (its folder must exist), never replacing a file
    // that is there, and writes the header. A recording still open is closed first. Returns
    // false on failure.
    bool Create(const std::string& path, const std::string& firmware, unsigned serialNumber,
                const RecorderOptions& options);
    // Records into a stream the caller opened and keeps (standard output, a pipe, a device):
    // no row limit applies and Close flushes but does not close it. name is how failures
    // name the stream.
    bool Attach(std::FILE* stream, const std::string& name, const std::string& firmware,
                unsigned serialNumber, const RecorderOptions& options);

    // A new run begins at unixMs (milliseconds since 1970 UTC): see the marker above.
    void BeginRun(int64_t unixMs);
    // Takes one sample, with its unixMs set by the caller. Returns false when the recording is
    // not open or a write failed.
    bool Add(const LiveSample& sample);
    // Changes the rate from now on; the row held for the old rate is written first. Returns
    // false when that write failed.
    bool SetRowsPerSecond(int rowsPerSecond);
    // Writes every row taken so far, the held sample of a rate included. Returns false on a
    // failed write; true when nothing is open.
    bool Flush();
    // Flushes and ends the recording; returns what the flush returned.
    bool Close();

    bool open() const { return file_ != nullptr; }
    // The file being written (the last one once the recording ended).
    const std::string& path() const { return path_; }
    // Data rows of the whole recording (all its files), the row a rate still holds excluded.
    uint64_t rows() const { return rows_; }
    const std::string& firmware() const { return firmware_; }
    unsigned serialNumber() const { return serial_; }
    // Why the recording ended on its own; None while it runs and when it was closed.
    RecorderFailure failure() const { return failure_; }
    int errorCode() const { return errorCode_; }

private:
    bool start(const std::string& firmware, unsigned serialNumber, const RecorderOptions& options);
    bool startFile();
    bool putRow(const LiveSample& sample);
    bool writeBuffer();
    bool fail(RecorderFailure failure, int code);
    void closeFile();

    std::FILE* file_ = nullptr;
    bool attached_ = false;       // file_ belongs to the caller
    std::string firstPath_;       // the first file's path; the numbered ones derive from it
    std::string path_;
    std::string firmware_;
    unsigned serial_ = 0;
    RecorderOptions options_;
    int fileNumber_ = 1;
    int64_t rowsInFile_ = 0;
    uint64_t rows_ = 0;
    uint64_t committed_ = 0;      // bytes of the current file known to be written
    std::string buffer_;          // whole lines not yet written
    int64_t lastWriteMs_ = 0;     // steady clock
    // The rate: the newest sample of the current interval, not yet written.
    bool holding_ = false;
    int64_t heldInterval_ = 0;
    LiveSample held_;
    // Runs.
    int run_ = 1;
    uint64_t rowsInRun_ = 0;
    bool markerDue_ = false;
    int64_t runStartMs_ = 0;
    RecorderFailure failure_ = RecorderFailure::None;
    int errorCode_ = 0;
};

// The marker line that begins run number run (from 2), started at unixMs; ends in "\n".
std::string RunMarker(int run, int64_t unixMs);

// The path of file number n (from 1) of a recording whose first file is path: "run.csv",
// "run_2.csv", ... (the number goes before a ".csv" ending, else at the end).
std::string NumberedFilePath(const std::string& path, int n);

}  // namespace record

#include "record/recorder.h"

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <system_error>

#include <fcntl.h>

namespace record {

namespace {

constexpr int64_t kWriteIntervalMs = 1000;  // rows never wait longer in memory
constexpr size_t kWriteBytes = 64 * 1024;   // and a large backlog goes out at once

int64_t steadyMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

// The interval of 1/rate s that a time falls into, floored so that times before 1970 and
// clocks set back still give distinct intervals.
int64_t intervalOf(int64_t unixMs, int rate)
{
    const int64_t scaled = unixMs * rate;
    return scaled >= 0 ? scaled / 1000 : -((-scaled + 999) / 1000);
}

}  // namespace

bool IsRowRate(int rowsPerSecond)
{
    for (int rate : kRowRates)
        if (rate == rowsPerSecond)
            return true;
    return false;
}

std::string RunMarker(int run, int64_t unixMs)
{
    return "# run " + std::to_string(run) + ": " + Iso8601Millis(unixMs) + "\n";
}

std::string NumberedFilePath(const std::string& path, int n)
{
    if (n <= 1)
        return path;
    const std::string suffix = "_" + std::to_string(n);
    constexpr char kCsv[] = ".csv";
    const size_t ending = path.size() >= 4 ? path.size() - 4 : std::string::npos;
    if (ending != std::string::npos && path.compare(ending, 4, kCsv) == 0)
        return path.substr(0, ending) + suffix + kCsv;
    return path + suffix;
}

Recorder::~Recorder() { Close(); }

bool Recorder::start(const std::string& firmware, unsigned serialNumber, const RecorderOptions& options)
{
    firmware_ = firmware;
    serial_ = serialNumber;
    options_ = options;
    if (options_.rowLimit < 0)
        options_.rowLimit = 0;
    if (options_.rowsPerSecond < 0)
        options_.rowsPerSecond = 0;
    fileNumber_ = 1;
    rows_ = 0;
    holding_ = false;
    run_ = 1;
    rowsInRun_ = 0;
    markerDue_ = false;
    failure_ = RecorderFailure::None;
    errorCode_ = 0;
    return startFile();
}

bool Recorder::Create(const std::string& path, const std::string& firmware, unsigned serialNumber,
                      const RecorderOptions& options)
{
    Close();
    attached_ = false;
    firstPath_ = path;
    return start(firmware, serialNumber, options);
}

bool Recorder::Attach(std::FILE* stream, const std::string& name, const std::string& firmware,
                      unsigned serialNumber, const RecorderOptions& options)
{
    Close();
    attached_ = true;
    firstPath_ = path_ = name;
    file_ = stream;
    RecorderOptions unlimited = options;
    unlimited.rowLimit = 0;
    return start(firmware, serialNumber, unlimited);
}

// Opens the file with the current number (or keeps the attached stream) and writes its header.
bool Recorder::startFile()
{
    if (!attached_) {
        path_ = NumberedFilePath(firstPath_, fileNumber_);
        // "x": a recording never replaces a file that is already there.
        file_ = std::fopen(path_.c_str(), "wbx");
        if (!file_)
            return fail(RecorderFailure::Create, errno ? errno : EIO);
        // Rows are collected in buffer_; a second buffer in the C library would only copy them.
        std::setvbuf(file_, nullptr, _IONBF, 0);
        fcntl(fileno(file_), F_SETFD, FD_CLOEXEC);
    }
    rowsInFile_ = 0;
    committed_ = 0;
    buffer_ = LiveCsvHeader(firmware_, serial_);
    return writeBuffer();
}

void Recorder::BeginRun(int64_t unixMs)
{
    if (!file_)
        return;
    // The newest sample of the run that ended belongs before the marker.
    if (holding_) {
        holding_ = false;
        putRow(held_);
    }
    if (rowsInRun_ > 0) {
        ++run_;
        rowsInRun_ = 0;
    }
    markerDue_ = rows_ > 0;
    runStartMs_ = unixMs;
}

bool Recorder::Add(const LiveSample& sample)
{
    if (!file_)
        return false;
    const int rate = options_.rowsPerSecond;
    if (rate <= 0)
        return putRow(sample);
    const int64_t interval = intervalOf(sample.unixMs, rate);
    if (holding_ && interval != heldInterval_) {
        holding_ = false;
        if (!putRow(held_))
            return false;
    }
    held_ = sample;
    heldInterval_ = interval;
    holding_ = true;
    return true;
}

bool Recorder::putRow(const LiveSample& sample)
{
    if (options_.rowLimit > 0 && rowsInFile_ >= options_.rowLimit) {
        if (!writeBuffer())
            return false;
        closeFile();
        ++fileNumber_;
        if (!startFile())
            return false;
    }
    if (markerDue_) {
        buffer_ += RunMarker(run_, runStartMs_);
        markerDue_ = false;
    }
    buffer_ += LiveCsvRow(sample);
    ++rowsInFile_;
    ++rows_;
    ++rowsInRun_;
    if (buffer_.size() >= kWriteBytes || steadyMs() - lastWriteMs_ >= kWriteIntervalMs)
        return writeBuffer();
    return true;
}

bool Recorder::SetRowsPerSecond(int rowsPerSecond)
{
    bool ok = true;
    if (holding_) {
        holding_ = false;
        ok = putRow(held_);
    }
    options_.rowsPerSecond = rowsPerSecond > 0 ? rowsPerSecond : 0;
    return ok;
}

bool Recorder::Flush()
{
    if (!file_)
        return true;
    if (holding_) {
        holding_ = false;
        if (!putRow(held_))
            return false;
    }
    return writeBuffer();
}

bool Recorder::Close()
{
    const bool ok = Flush();
    closeFile();
    return ok;
}

// Writes the buffer. A short write leaves a created file cut at the last complete line, so that
// everything in it stays readable.
bool Recorder::writeBuffer()
{
    if (!file_)
        return true;
    lastWriteMs_ = steadyMs();
    if (!buffer_.empty()) {
        errno = 0;
        const size_t n = std::fwrite(buffer_.data(), 1, buffer_.size(), file_);
        if (n < buffer_.size()) {
            const int code = errno ? errno : EIO;
            if (!attached_) {
                const size_t lastLine = n == 0 ? std::string::npos : buffer_.rfind('\n', n - 1);
                const uint64_t keep = committed_ + (lastLine == std::string::npos ? 0 : lastLine + 1);
                std::fclose(file_);
                file_ = nullptr;
                std::error_code ec;
                std::filesystem::resize_file(path_, keep, ec);
            }
            return fail(RecorderFailure::Write, code);
        }
        committed_ += n;
        buffer_.clear();
    }
    errno = 0;
    if (std::fflush(file_) != 0)
        return fail(RecorderFailure::Write, errno ? errno : EIO);
    // A file whose folder was removed takes writes without complaint and loses them all; the
    // recording must not go on into nowhere.
    std::error_code ec;
    if (!attached_ && !std::filesystem::exists(path_, ec))
        return fail(RecorderFailure::Gone, ENOENT);
    return true;
}

bool Recorder::fail(RecorderFailure failure, int code)
{
    failure_ = failure;
    errorCode_ = code;
    closeFile();
    return false;
}

void Recorder::closeFile()
{
    if (file_ && !attached_)
        std::fclose(file_);
    file_ = nullptr;
    buffer_.clear();
    holding_ = false;
}

}  // namespace record

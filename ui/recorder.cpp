#include "ui/recorder.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <system_error>

#include "platform/runtime.h"

namespace {

constexpr double kFlushInterval = 1.0;    // seconds; rows never wait longer in memory
constexpr size_t kFlushBytes = 64 * 1024; // and a large backlog goes out at once

// The recording in progress, touched only from the user-interface thread.
struct Recording {
    std::FILE* file = nullptr;
    std::string folder;
    std::string base;           // file name without ".csv"
    std::string path;           // the file being written
    std::string firmware;
    unsigned serial = 0;
    int64_t rowLimit = kDefaultRowLimit;
    int fileNumber = 1;         // 1 for the first file, then 2, 3, ... in the names
    int64_t rowsInFile = 0;
    uint64_t rows = 0;          // all files
    uint64_t committed = 0;     // bytes of the current file known to be on disk
    std::string buffer;         // complete lines not yet written
    double lastFlush = 0;
    std::string error;
};
Recording rec;

std::string Joined(const std::string& folder, const std::string& name)
{
    if (folder.empty() || folder.back() == kPathSeparator[0] || folder.back() == '/')
        return folder + name;
    return folder + kPathSeparator + name;
}

void Fail(const std::string& what, int err)
{
    rec.error = "Recording stopped: " + what + " " + rec.path + " (" + std::strerror(err) + ").";
    if (rec.rows > 0)
        rec.error += " The rows written before are kept in the file.";
}

void CloseFile()
{
    if (rec.file)
        std::fclose(rec.file);
    rec.file = nullptr;
    rec.buffer.clear();
}

// Writes the buffer. A short write leaves the file cut at the last complete line, so that
// everything in it stays readable.
int WriteBuffer()
{
    if (!rec.file)
        return 0;
    if (!rec.buffer.empty()) {
        errno = 0;
        const size_t n = std::fwrite(rec.buffer.data(), 1, rec.buffer.size(), rec.file);
        const int err = errno ? errno : EIO;
        if (n < rec.buffer.size()) {
            const size_t lastLine = rec.buffer.rfind('\n', n == 0 ? 0 : n - 1);
            const uint64_t keep =
                rec.committed + (lastLine == std::string::npos || n == 0 ? 0 : lastLine + 1);
            std::fclose(rec.file);
            rec.file = nullptr;
            std::error_code ec;
            std::filesystem::resize_file(rec.path, keep, ec);
            Fail("cannot write", err);
            rec.buffer.clear();
            return -1;
        }
        rec.committed += n;
        rec.buffer.clear();
    }
    if (std::fflush(rec.file) != 0) {
        Fail("cannot write", errno ? errno : EIO);
        CloseFile();
        return -1;
    }
    // A file whose folder was removed takes writes without complaint and loses them all; the
    // recording must not go on into nowhere.
    std::error_code ec;
    if (!std::filesystem::exists(rec.path, ec)) {
        rec.error = "Recording stopped: the file " + rec.path +
                    " is gone (was its folder removed?). Nothing more is written.";
        CloseFile();
        return -1;
    }
    return 0;
}

// Opens the file with the current number and writes its first lines.
int StartFile()
{
    const std::string name =
        rec.fileNumber == 1 ? rec.base + ".csv" : rec.base + "_" + std::to_string(rec.fileNumber) + ".csv";
    rec.path = Joined(rec.folder, name);
    // "x": never replace a file that is already there.
    rec.file = std::fopen(rec.path.c_str(), "wbx");
    if (!rec.file) {
        Fail("cannot create", errno ? errno : EIO);
        return -1;
    }
    // Rows are collected in rec.buffer; a second buffer in the C library would only copy them.
    std::setvbuf(rec.file, nullptr, _IONBF, 0);
    rec.rowsInFile = 0;
    rec.committed = 0;
    rec.buffer = record::LiveCsvHeader(rec.firmware, rec.serial);
    rec.lastFlush = Timer();
    return WriteBuffer();
}

}  // namespace

int OpenRecording(const char* folder, const std::string& firmware, unsigned serialNumber,
                  int64_t rowLimit)
{
    CloseRecording();
    rec = Recording{};
    rec.folder = folder ? folder : "";
    rec.firmware = firmware;
    rec.serial = serialNumber;
    rec.rowLimit = rowLimit > 0 ? rowLimit : kDefaultRowLimit;
    if (rec.folder.empty()) {
        rec.error = "Recording not started: there is no folder for the recordings.";
        return -1;
    }

    const std::time_t t = std::time(nullptr);
    char stamp[32] = "";
    if (const std::tm* l = std::localtime(&t))
        std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", l);
    rec.base = "chromix5_" + std::to_string(serialNumber) + "_" + stamp;
    // Two recordings started within one second: the second gets a letter rather than failing.
    for (char extra = 'a'; extra <= 'z'; ++extra) {
        std::error_code ec;
        if (!std::filesystem::exists(Joined(rec.folder, rec.base + ".csv"), ec))
            break;
        rec.base = "chromix5_" + std::to_string(serialNumber) + "_" + stamp + extra;
    }
    return StartFile();
}

int RecordRow(record::LiveSample sample)
{
    if (!rec.file)
        return -1;
    if (rec.rowsInFile >= rec.rowLimit) {
        if (WriteBuffer() != 0)
            return -1;
        CloseFile();
        ++rec.fileNumber;
        if (StartFile() != 0) {
            CloseFile();
            return -1;
        }
    }
    sample.unixMs = record::NowUnixMs();
    rec.buffer += record::LiveCsvRow(sample);
    ++rec.rowsInFile;
    ++rec.rows;
    const double now = Timer();
    if (rec.buffer.size() >= kFlushBytes || now - rec.lastFlush >= kFlushInterval) {
        rec.lastFlush = now;
        return WriteBuffer();
    }
    return 0;
}

int FlushRecording()
{
    rec.lastFlush = Timer();
    return WriteBuffer();
}

int CloseRecording()
{
    const int result = WriteBuffer();
    CloseFile();
    return result;
}

bool RecordingOpen() { return rec.file != nullptr; }
const std::string& RecordingPath() { return rec.path; }
uint64_t RecordedRows() { return rec.rows; }
const std::string& RecordingFirmware() { return rec.firmware; }
unsigned RecordingSerialNumber() { return rec.serial; }
const std::string& RecordingError() { return rec.error; }

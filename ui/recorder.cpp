#include "ui/recorder.h"

#include <cstring>
#include <ctime>
#include <filesystem>
#include <system_error>

#include "platform/runtime.h"
#include "record/recorder.h"

namespace {

// The window's one recording, touched only from the user-interface thread.
record::Recorder rec;
std::string error;

std::string Joined(const std::string& folder, const std::string& name)
{
    if (folder.empty() || folder.back() == kPathSeparator[0] || folder.back() == '/')
        return folder + name;
    return folder + kPathSeparator + name;
}

// The recording ended on its own: the reason, as the panel shows it.
void TakeFailure()
{
    const std::string cause = std::strerror(rec.errorCode());
    switch (rec.failure()) {
    case record::RecorderFailure::None:
        return;
    case record::RecorderFailure::Create:
        error = "Recording stopped: cannot create " + rec.path() + " (" + cause + ").";
        break;
    case record::RecorderFailure::Write:
        error = "Recording stopped: cannot write " + rec.path() + " (" + cause + ").";
        break;
    case record::RecorderFailure::Gone:
        error = "Recording stopped: the file " + rec.path() +
                " is gone (was its folder removed?). Nothing more is written.";
        return;
    }
    if (rec.rows() > 0)
        error += " The rows written before are kept in the file.";
}

int Result(bool ok)
{
    if (ok)
        return 0;
    TakeFailure();
    return -1;
}

}  // namespace

int OpenRecording(const char* folder, const std::string& firmware, unsigned serialNumber,
                  int64_t rowLimit, int rowsPerSecond)
{
    CloseRecording();
    error.clear();
    const std::string dir = folder ? folder : "";
    if (dir.empty()) {
        error = "Recording not started: there is no folder for the recordings.";
        return -1;
    }
    const std::time_t t = std::time(nullptr);
    char stamp[32] = "";
    if (const std::tm* l = std::localtime(&t))
        std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", l);
    std::string base = "chromix5_" + std::to_string(serialNumber) + "_" + stamp;
    // Two recordings started within one second: the second gets a letter rather than failing.
    for (char extra = 'a'; extra <= 'z'; ++extra) {
        std::error_code ec;
        if (!std::filesystem::exists(Joined(dir, base + ".csv"), ec))
            break;
        base = "chromix5_" + std::to_string(serialNumber) + "_" + stamp + extra;
    }
    record::RecorderOptions options;
    options.rowLimit = rowLimit > 0 ? rowLimit : kDefaultRowLimit;
    options.rowsPerSecond = record::IsRowRate(rowsPerSecond) ? rowsPerSecond : 0;
    return Result(rec.Create(Joined(dir, base + ".csv"), firmware, serialNumber, options));
}

void RecordingRunBegins()
{
    rec.BeginRun(record::NowUnixMs());
    if (!rec.open())
        TakeFailure();
}

int SetRecordingRate(int rowsPerSecond)
{
    return Result(rec.SetRowsPerSecond(record::IsRowRate(rowsPerSecond) ? rowsPerSecond : 0));
}

int RecordRow(record::LiveSample sample)
{
    if (!rec.open())
        return -1;
    sample.unixMs = record::NowUnixMs();
    return Result(rec.Add(sample));
}

int FlushRecording() { return Result(rec.Flush()); }

int CloseRecording() { return Result(rec.Close()); }

bool RecordingOpen() { return rec.open(); }
const std::string& RecordingPath() { return rec.path(); }
uint64_t RecordedRows() { return rec.rows(); }
const std::string& RecordingFirmware() { return rec.firmware(); }
unsigned RecordingSerialNumber() { return rec.serialNumber(); }
const std::string& RecordingError() { return error; }

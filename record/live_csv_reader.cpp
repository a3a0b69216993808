#include "record/live_csv_reader.h"

#include <charconv>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <limits>

namespace record {

namespace {

constexpr std::string_view kColumnLine = "time,R,G,B,X,Y,INT,C-No,pass";
constexpr std::string_view kFirmwarePrefix = "firmware:";
constexpr std::string_view kSerialPrefix = "serial number:";
// Progress is published and cancellation looked at once per this many bytes.
constexpr size_t kProgressStep = size_t(1) << 20;

std::string_view TrimLeft(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    return s;
}

// Exactly `width` decimal digits.
bool Digits(std::string_view s, size_t at, size_t width, int* value)
{
    int v = 0;
    for (size_t i = at; i < at + width; ++i) {
        const char c = s[i];
        if (c < '0' || c > '9')
            return false;
        v = v * 10 + (c - '0');
    }
    *value = v;
    return true;
}

// Days from 1970-01-01 to a date of the proleptic Gregorian calendar.
int64_t DaysFromCivil(int64_t y, int m, int d)
{
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yoe = y - era * 400;
    const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

int DaysInMonth(int y, int m)
{
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
    return m == 2 && leap ? 29 : kDays[m - 1];
}

// One integer field of a row from *rest, which must end there or go on after a ','.
template <class T>
bool Field(std::string_view* rest, bool last, T* value)
{
    const char* begin = rest->data();
    const char* end = begin + rest->size();
    const auto [ptr, ec] = std::from_chars(begin, end, *value);
    if (ec != std::errc() || ptr == begin)
        return false;
    if (last) {
        if (ptr != end)
            return false;
        rest->remove_prefix(rest->size());
        return true;
    }
    if (ptr == end || *ptr != ',')
        return false;
    rest->remove_prefix(static_cast<size_t>(ptr + 1 - begin));
    return true;
}

}  // namespace

bool ParseIso8601Millis(std::string_view t, int64_t* unixMs)
{
    // YYYY-MM-DDTHH:MM:SS.mmmZ
    if (t.size() != 24 || t[4] != '-' || t[7] != '-' || t[10] != 'T' || t[13] != ':' ||
        t[16] != ':' || t[19] != '.' || t[23] != 'Z')
        return false;
    int y, mo, d, h, mi, s, ms;
    if (!Digits(t, 0, 4, &y) || !Digits(t, 5, 2, &mo) || !Digits(t, 8, 2, &d) ||
        !Digits(t, 11, 2, &h) || !Digits(t, 14, 2, &mi) || !Digits(t, 17, 2, &s) ||
        !Digits(t, 20, 3, &ms))
        return false;
    if (mo < 1 || mo > 12 || d < 1 || d > DaysInMonth(y, mo) || h > 23 || mi > 59 || s > 59)
        return false;
    *unixMs = ((DaysFromCivil(y, mo, d) * 24 + h) * 60 + mi) * 60000 + int64_t(s) * 1000 + ms;
    return true;
}

bool ParseLiveCsvRow(std::string_view line, LiveSample* sample)
{
    if (line.size() < 25 || line[24] != ',')
        return false;
    LiveSample out;
    if (!ParseIso8601Millis(line.substr(0, 24), &out.unixMs))
        return false;
    std::string_view rest = line.substr(25);
    int16_t* words[] = {&out.r, &out.g, &out.b, &out.x, &out.y, &out.intensity, &out.colorNo};
    for (int16_t* w : words)
        if (!Field(&rest, false, w))
            return false;
    if (!Field(&rest, true, &out.pass))
        return false;
    *sample = out;
    return true;
}

bool ParseLiveCsv(std::string_view text, LiveRecording* out, ReadProgress progress)
{
    *out = LiveRecording{};
    // A row is about 60 bytes; reserving for that keeps a large file from being copied over and
    // over as it grows, and a wrong guess costs only one more growth.
    out->samples.reserve(text.size() / 56 + 1);

    bool inRows = false;        // past the column line or the first row
    bool newRun = true;         // the next row starts a run
    std::string marker;         // the text of the line that started it
    size_t lineNo = 0;
    size_t pos = 0;
    size_t published = 0;
    while (pos < text.size()) {
        if (pos - published >= kProgressStep) {
            if (progress.bytesDone)
                progress.bytesDone->fetch_add(pos - published, std::memory_order_relaxed);
            published = pos;
            if (progress.cancel && progress.cancel->load(std::memory_order_relaxed))
                return false;
        }
        size_t end = text.find('\n', pos);
        if (end == std::string_view::npos)
            end = text.size();
        std::string_view line = text.substr(pos, end - pos);
        pos = end + 1;
        ++lineNo;
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (line.empty())
            continue;

        if (line.front() == '#') {
            const std::string_view comment = TrimLeft(line.substr(1));
            if (!inRows) {
                if (comment.substr(0, kFirmwarePrefix.size()) == kFirmwarePrefix)
                    out->firmwareText = std::string(TrimLeft(comment.substr(kFirmwarePrefix.size())));
                else if (comment.substr(0, kSerialPrefix.size()) == kSerialPrefix) {
                    const std::string_view n = TrimLeft(comment.substr(kSerialPrefix.size()));
                    long serial = -1;
                    const auto [ptr, ec] = std::from_chars(n.data(), n.data() + n.size(), serial);
                    if (ec == std::errc() && ptr == n.data() + n.size() && serial >= 0)
                        out->serialNumber = serial;
                }
            } else if (!newRun) {
                // The first '#' line after rows names the run; the ones right after it (a
                // header written again) belong to the same boundary.
                newRun = true;
                marker.assign(comment);
            }
            continue;
        }
        if (line == kColumnLine) {
            inRows = true;
            continue;
        }
        LiveSample sample;
        if (!ParseLiveCsvRow(line, &sample)) {
            if (out->skippedLines++ == 0)
                out->firstSkippedLine = lineNo;
            continue;
        }
        inRows = true;
        if (newRun) {
            out->runs.push_back(LiveRun{out->samples.size(), 0, marker});
            newRun = false;
            marker.clear();
        }
        out->samples.push_back(sample);
        ++out->runs.back().count;
    }
    if (progress.bytesDone)
        progress.bytesDone->fetch_add(text.size() - published, std::memory_order_relaxed);
    return true;
}

bool ReadLiveCsvFile(const std::string& path, LiveRecording* out, std::string* error,
                     ReadProgress progress, std::atomic<uint64_t>* size)
{
    *out = LiveRecording{};
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) {
        *error = "cannot open " + path + ": " + std::strerror(errno);
        return false;
    }
    std::string text;
    bool ok = std::fseek(f, 0, SEEK_END) == 0;
    const long length = ok ? std::ftell(f) : -1;
    ok = ok && length >= 0 && std::fseek(f, 0, SEEK_SET) == 0;
    if (!ok) {
        *error = "cannot read " + path + ": not a regular file";
        std::fclose(f);
        return false;
    }
    if (uint64_t(length) > kMaxRecordingBytes) {
        *error = path + " is too large to open (" + std::to_string(uint64_t(length) >> 20) +
                 " MB; at most " + std::to_string(kMaxRecordingBytes >> 20) + " MB)";
        std::fclose(f);
        return false;
    }
    if (size)
        size->store(uint64_t(length), std::memory_order_relaxed);
    text.resize(static_cast<size_t>(length));
    const size_t got = std::fread(text.data(), 1, text.size(), f);
    const bool readError = std::ferror(f) != 0;
    std::fclose(f);
    if (readError) {
        *error = "cannot read " + path;
        return false;
    }
    // A file that shrank meanwhile is read as far as it went.
    text.resize(got);
    if (!ParseLiveCsv(text, out, progress)) {
        *error = "reading " + path + " was cancelled";
        return false;
    }
    return true;
}

}  // namespace record

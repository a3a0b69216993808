#include "record/live_csv.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstring>
#include <ctime>

namespace record {

namespace {

// Date and time to the second ("2026-12-07T12:00:00"), kept for the second it was made for:
// rows come many to the second, and breaking a time down into a date is most of a row's work.
struct SecondText {
    int64_t second = INT64_MIN;
    char text[40] = {};
    size_t length = 0;
};

const SecondText& secondText(int64_t seconds)
{
    thread_local SecondText cached;
    if (cached.second != seconds) {
        const std::time_t t = static_cast<std::time_t>(seconds);
        std::tm utc{};
        gmtime_r(&t, &utc);
        const int n = std::snprintf(cached.text, sizeof cached.text, "%04d-%02d-%02dT%02d:%02d:%02d",
                                    utc.tm_year + 1900, utc.tm_mon + 1, utc.tm_mday, utc.tm_hour,
                                    utc.tm_min, utc.tm_sec);
        cached.length = n < 0 ? 0 : std::min(static_cast<size_t>(n), sizeof cached.text - 1);
        cached.second = seconds;
    }
    return cached;
}

// Appends ".mmmZ" for the milliseconds of unixMs to the text of its second, into out.
char* putTime(char* out, int64_t unixMs)
{
    // Floor division, so that a time before 1970 still gets a millisecond part of 0 to 999.
    int64_t seconds = unixMs / 1000;
    int64_t millis = unixMs % 1000;
    if (millis < 0) {
        millis += 1000;
        seconds -= 1;
    }
    const SecondText& s = secondText(seconds);
    std::memcpy(out, s.text, s.length);
    out += s.length;
    *out++ = '.';
    *out++ = static_cast<char>('0' + millis / 100);
    *out++ = static_cast<char>('0' + millis / 10 % 10);
    *out++ = static_cast<char>('0' + millis % 10);
    *out++ = 'Z';
    return out;
}

// Integers only, and by to_chars: neither knows a locale.
template <class T>
char* putNumber(char* out, char* end, T value)
{
    if (end - out < 2)
        return out;  // never with the row's buffer; keeps every write inside it
    *out++ = ',';
    return std::to_chars(out, end, value).ptr;
}

}  // namespace

std::string Iso8601Millis(int64_t unixMs)
{
    char text[48];
    return std::string(text, putTime(text, unixMs));
}

int64_t NowUnixMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

std::string LiveCsvHeader(const std::string& firmwareText, unsigned serialNumber)
{
    std::string header = "# firmware: ";
    for (char c : firmwareText)
        header += static_cast<unsigned char>(c) < 0x20 || c == 0x7F ? '?' : c;
    header += "\n# serial number: " + std::to_string(serialNumber) + "\n";
    for (size_t i = 0; i < kLiveColumnCount; ++i) {
        if (i > 0)
            header += ',';
        header += kLiveColumns[i];
    }
    header += '\n';
    return header;
}

std::string LiveCsvRow(const LiveSample& s)
{
    char text[160];
    char* const end = text + sizeof text;
    char* p = putTime(text, s.unixMs);
    for (const int v : {s.r, s.g, s.b, s.x, s.y, s.intensity, s.colorNo})
        p = putNumber(p, end, v);
    p = putNumber(p, end, s.pass);
    if (p != end)
        *p++ = '\n';
    return std::string(text, p);
}

}  // namespace record

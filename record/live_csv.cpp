#include "record/live_csv.h"

#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <ctime>

namespace record {

std::string Iso8601Millis(int64_t unixMs)
{
    // Floor division, so that a time before 1970 still gets a millisecond part of 0 to 999.
    int64_t seconds = unixMs / 1000;
    int64_t millis = unixMs % 1000;
    if (millis < 0) {
        millis += 1000;
        seconds -= 1;
    }
    const std::time_t t = static_cast<std::time_t>(seconds);
    std::tm utc{};
    gmtime_r(&t, &utc);
    char text[48];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", utc.tm_year + 1900,
                  utc.tm_mon + 1, utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec,
                  static_cast<int>(millis));
    return text;
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
    // Integers only: printf's %d knows no locale, unlike a floating-point conversion.
    char text[160];
    std::snprintf(text, sizeof text, "%s,%d,%d,%d,%d,%d,%d,%d,%" PRIu64 "\n",
                  Iso8601Millis(s.unixMs).c_str(), s.r, s.g, s.b, s.x, s.y, s.intensity, s.colorNo,
                  s.pass);
    return text;
}

}  // namespace record

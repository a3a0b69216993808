#include "params/live_csv.h"

#include <cstdio>

namespace {

constexpr char kColumns[] = "time,R,G,B,X,Y,INT,C-No,pass";
constexpr char kEol[] = "\n";

// Days since 1970-01-01 to a proleptic Gregorian date (H. Hinnant's civil_from_days), so the
// time needs no C library time functions, which differ between platforms (gmtime_r is not in
// every C library) and are not reentrant everywhere.
void CivilFromDays(int64_t z, int64_t* year, unsigned* month, unsigned* day)
{
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    *day = doy - (153 * mp + 2) / 5 + 1;
    *month = mp < 10 ? mp + 3 : mp - 9;
    *year = static_cast<int64_t>(yoe) + era * 400 + (*month <= 2 ? 1 : 0);
}

int64_t FloorDiv(int64_t a, int64_t b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }

size_t Fail(char* out, size_t cap)
{
    if (cap > 0)
        out[0] = '\0';
    return 0;
}

}  // namespace

size_t FormatCsvTimestamp(char* out, size_t cap, int64_t unixMs)
{
    if (!out)
        return 0;
    const int64_t days = FloorDiv(unixMs, 86400000);
    const int64_t msOfDay = unixMs - days * 86400000;
    int64_t year = 0;
    unsigned month = 0, day = 0;
    CivilFromDays(days, &year, &month, &day);
    const int n = std::snprintf(out, cap, "%04lld-%02u-%02uT%02u:%02u:%02u.%03uZ",
                                static_cast<long long>(year), month, day,
                                static_cast<unsigned>(msOfDay / 3600000),
                                static_cast<unsigned>(msOfDay / 60000 % 60),
                                static_cast<unsigned>(msOfDay / 1000 % 60),
                                static_cast<unsigned>(msOfDay % 1000));
    if (n < 0 || static_cast<size_t>(n) >= cap)
        return Fail(out, cap);
    return static_cast<size_t>(n);
}

size_t FormatLiveCsvLine(char* out, size_t cap, const LiveSample& s, const char* time,
                         uint64_t pass)
{
    if (!out)
        return 0;
    size_t n = 0;
    for (const char* p = time ? time : ""; *p; ++p) {
        if (n + 1 >= cap)
            return Fail(out, cap);
        const char c = *p;
        out[n++] = (c == ',' || c == '"' || c == '\r' || c == '\n') ? ' ' : c;
    }
    if (n >= cap)
        return Fail(out, cap);
    // Integers only: %d never writes a decimal or grouping separator, whatever the locale.
    const int m = std::snprintf(out + n, cap - n, ",%d,%d,%d,%d,%d,%d,%d,%llu%s", s.r, s.g, s.b,
                                s.x, s.y, s.intensity, s.colorNo,
                                static_cast<unsigned long long>(pass), kEol);
    if (m < 0 || static_cast<size_t>(m) >= cap - n)
        return Fail(out, cap);
    return n + static_cast<size_t>(m);
}

std::string LiveCsvHeader(const std::string& firmware, unsigned serialNumber)
{
    std::string clean = firmware;
    for (char& c : clean)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            c = '?';
    std::string text = "# firmware: " + clean + kEol;
    text += "# serial number: " + std::to_string(serialNumber) + kEol;
    text += kColumns;
    text += kEol;
    return text;
}

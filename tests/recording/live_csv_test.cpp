// The recording's text: known timestamps, the line and header layout, and a locale with a
// decimal comma that must not change a byte.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "params/live_csv.h"
#include "tests/recording/comma_locale.h"

namespace {

std::string Stamp(int64_t ms)
{
    char out[40];
    const size_t n = FormatCsvTimestamp(out, sizeof out, ms);
    EXPECT_EQ(std::strlen(out), n);
    return out;
}

std::string Line(const LiveSample& s, const char* stamp, uint64_t pass)
{
    char out[kLiveCsvLineMax];
    const size_t n = FormatLiveCsvLine(out, sizeof out, s, stamp, pass);
    EXPECT_EQ(std::strlen(out), n);
    return out;
}

}  // namespace

TEST(LiveCsv, TimesAreIso8601InUtcWithMilliseconds)
{
    const struct {
        int64_t ms;
        const char* text;
    } cases[] = {
        {0, "1970-01-01T00:00:00.000Z"},
        {1796646000123, "2026-12-07T12:20:00.123Z"},
        {-1, "1969-12-31T23:59:59.999Z"},
        {-86400000LL * 365 * 400, "1570-04-08T00:00:00.000Z"},
        {951782400999, "2000-02-29T00:00:00.999Z"},
        {253402300799999, "9999-12-31T23:59:59.999Z"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.text, Stamp(c.ms)) << c.ms;

    char small[24];
    EXPECT_EQ(0u, FormatCsvTimestamp(small, sizeof small, 0));
    EXPECT_STREQ("", small);
}

TEST(LiveCsv, ACommaDecimalLocaleChangesNoByte)
{
    const LiveSample s{4095, -32768, 0, 1900, 1100, -7, 255};
    const char* stamp = "2026-12-07T12:20:00.123Z";
    const std::string expected =
        "2026-12-07T12:20:00.123Z,4095,-32768,0,1900,1100,-7,255,18446744073709551615\n";
    const std::string header = LiveCsvHeader("CHROMIX5 V4.1\r\n\t.x\x7f", 65535);
    EXPECT_EQ("# firmware: CHROMIX5 V4.1???.x?\n"
              "# serial number: 65535\n"
              "time,R,G,B,X,Y,INT,C-No,pass\n",
              header);
    EXPECT_EQ(expected, Line(s, stamp, UINT64_MAX));

    if (!UseCommaDecimalLocale())
        GTEST_SKIP() << "no locale with a decimal comma could be made here";
    EXPECT_EQ(expected, Line(s, stamp, UINT64_MAX));
    EXPECT_EQ(header, LiveCsvHeader("CHROMIX5 V4.1\r\n\t.x\x7f", 65535));
    EXPECT_EQ("2026-12-07T12:20:00.123Z", Stamp(1796646000123));
    RestoreCLocale();
}

TEST(LiveCsv, ALineNeverOverrunsAndKeepsItsColumns)
{
    char out[kLiveCsvLineMax];
    // A timestamp with separators in it cannot add columns or lines.
    EXPECT_EQ("a b c  d,1,2,3,4,5,6,7,8\n",
              Line(LiveSample{1, 2, 3, 4, 5, 6, 7}, "a,b\"c\r\nd", 8));
    const std::string tooLong(200, 'x');
    EXPECT_EQ(0u, FormatLiveCsvLine(out, sizeof out, LiveSample{}, tooLong.c_str(), 1));
    EXPECT_STREQ("", out);
    EXPECT_EQ(0u, FormatLiveCsvLine(out, 10, LiveSample{}, "", 1));
}

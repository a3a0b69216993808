// The recording's text under a locale with a decimal comma: not one byte may change.
#include <gtest/gtest.h>

#include <string>

#include "record/live_csv.h"
#include "tests/ui/recording/comma_locale.h"

TEST(RecordingText, ACommaDecimalLocaleChangesNoByte)
{
    record::LiveSample s;
    s.unixMs = 1796646000123;
    s.r = 4095;
    s.g = -32768;
    s.x = 1900;
    s.y = 1100;
    s.intensity = -7;
    s.colorNo = 255;
    s.pass = UINT64_MAX;
    const std::string row =
        "2026-12-07T12:20:00.123Z,4095,-32768,0,1900,1100,-7,255,18446744073709551615\n";
    const std::string header = "# firmware: CHROMIX5 V4.1\n# serial number: 65535\n"
                               "time,R,G,B,X,Y,INT,C-No,pass\n";
    ASSERT_EQ(row, record::LiveCsvRow(s));
    ASSERT_EQ(header, record::LiveCsvHeader("CHROMIX5 V4.1", 65535));

    if (!UseCommaDecimalLocale())
        GTEST_SKIP() << "no locale with a decimal comma could be made here";
    EXPECT_EQ(row, record::LiveCsvRow(s));
    EXPECT_EQ(header, record::LiveCsvHeader("CHROMIX5 V4.1", 65535));
    RestoreCLocale();
}

// The live-data recording format, byte for byte: what the window's recording and the command
// line's monitor both write.
#include <gtest/gtest.h>

#include "record/live_csv.h"

TEST(RecordingFormat, HeaderAndRowsAreExactBytes)
{
    EXPECT_EQ("# firmware: CHROMIX5 V4.2.7 B12\n"
              "# serial number: 4242\n"
              "time,R,G,B,X,Y,INT,C-No,pass\n",
              record::LiveCsvHeader("CHROMIX5 V4.2.7 B12", 4242));
    // A firmware text from the wire cannot break the comment line.
    EXPECT_EQ("# firmware: A?B?C\n# serial number: 0\ntime,R,G,B,X,Y,INT,C-No,pass\n",
              record::LiveCsvHeader("A\nB\rC", 0));

    record::LiveSample s;
    s.unixMs = 1796644800123;  // 2026-12-07T12:00:00.123Z
    s.r = 812;
    s.g = -3;
    s.b = 32767;
    s.x = -32768;
    s.y = 0;
    s.intensity = 1807;
    s.colorNo = 255;
    s.pass = 18446744073709551615ull;
    EXPECT_EQ("2026-12-07T12:00:00.123Z,812,-3,32767,-32768,0,1807,255,18446744073709551615\n",
              record::LiveCsvRow(s));
}

TEST(RecordingFormat, TimesKeepThreeDigitsOfMillisecondsOnBothSidesOf1970)
{
    EXPECT_EQ("1970-01-01T00:00:00.000Z", record::Iso8601Millis(0));
    EXPECT_EQ("1970-01-01T00:00:00.007Z", record::Iso8601Millis(7));
    EXPECT_EQ("1969-12-31T23:59:59.999Z", record::Iso8601Millis(-1));
    EXPECT_EQ("2000-02-29T23:59:59.050Z", record::Iso8601Millis(951868799050));
    // Times of one second share its text; the next second and a step back get their own.
    EXPECT_EQ("2000-02-29T23:59:59.999Z", record::Iso8601Millis(951868799999));
    EXPECT_EQ("2000-03-01T00:00:00.000Z", record::Iso8601Millis(951868800000));
    EXPECT_EQ("2000-02-29T23:59:59.001Z", record::Iso8601Millis(951868799001));
}

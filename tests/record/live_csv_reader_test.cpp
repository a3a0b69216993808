// Reading recordings back: what the writer wrote comes back exactly; damage is skipped and
// counted, never fatal; '#' lines after the rows split the file into runs.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <random>
#include <string>

#include "record/live_csv.h"
#include "record/live_csv_reader.h"

using record::LiveRecording;
using record::LiveSample;

namespace {

LiveSample Sample(int64_t ms, int16_t base, uint64_t pass)
{
    LiveSample s;
    s.unixMs = ms;
    s.r = base;
    s.g = int16_t(-base);
    s.b = 32767;
    s.x = -32768;
    s.y = int16_t(base / 2);
    s.intensity = 1807;
    s.colorNo = 255;
    s.pass = pass;
    return s;
}

bool Same(const LiveSample& a, const LiveSample& b)
{
    return a.unixMs == b.unixMs && a.r == b.r && a.g == b.g && a.b == b.b && a.x == b.x &&
           a.y == b.y && a.intensity == b.intensity && a.colorNo == b.colorNo && a.pass == b.pass;
}

}  // namespace

TEST(RecordingReader, ReadsBackExactlyWhatTheWriterWrote)
{
    std::string text = record::LiveCsvHeader("CHROMIX5 V4.2.7 B12", 4242);
    std::vector<LiveSample> written;
    for (int i = 0; i < 500; ++i) {
        written.push_back(Sample(1796644800000 + i * 7, int16_t(i * 61 - 15000), 18446744073709551000ull + i));
        text += record::LiveCsvRow(written.back());
    }
    LiveRecording rec;
    ASSERT_TRUE(record::ParseLiveCsv(text, &rec));
    EXPECT_EQ("CHROMIX5 V4.2.7 B12", rec.firmwareText);
    EXPECT_EQ(4242, rec.serialNumber);
    EXPECT_EQ(0u, rec.skippedLines);
    ASSERT_EQ(written.size(), rec.samples.size());
    for (size_t i = 0; i < written.size(); ++i)
        ASSERT_TRUE(Same(written[i], rec.samples[i])) << "row " << i;
    ASSERT_EQ(1u, rec.runs.size());
    EXPECT_EQ(0u, rec.runs[0].first);
    EXPECT_EQ(500u, rec.runs[0].count);

    // Every time the writer can write reads back to itself, on both sides of 1970, over leap
    // days and centuries.
    std::mt19937_64 random(27);
    std::uniform_int_distribution<int64_t> anyTime(-62135596800000, 253402300799999);  // 0001..9999
    for (int i = 0; i < 20000; ++i) {
        const int64_t ms = anyTime(random);
        int64_t back = 0;
        ASSERT_TRUE(record::ParseIso8601Millis(record::Iso8601Millis(ms), &back)) << ms;
        ASSERT_EQ(ms, back) << record::Iso8601Millis(ms);
    }
}

TEST(RecordingReader, DamagedLinesAreSkippedAndCountedTheRestIsRead)
{
    const std::string text =
        "# firmware: X\n"
        "time,R,G,B,X,Y,INT,C-No,pass\n"
        "2026-12-07T12:00:00.000Z,1,2,3,4,5,6,7,1\n"
        "2026-12-07T12:00:00.001Z,1,2,3,4,5,6,7\n"          // a field short
        "2026-12-07T12:00:00.002Z,1,2,3,4,5,6,7,3,9\n"      // a field too many
        "2026-12-07T12:00:00.003Z,1,2,x,4,5,6,7,4\n"        // not a number
        "2026-12-07T12:00:00.004Z,1,2,32768,4,5,6,7,5\n"    // beyond a 16-bit word
        "2026-02-30T12:00:00.005Z,1,2,3,4,5,6,7,6\n"        // no such day
        "2026-12-07 12:00:00.006Z,1,2,3,4,5,6,7,7\n"        // not the format's time
        "2026-12-07T12:00:00.007Z,1,2,3,4,5,6,7,-8\n"       // a negative pass
        "2026-12-07T12:00:00.008Z,1, 2,3,4,5,6,7,9\n"       // a space inside
        "2026-12-07T12:00:00.0\n"                           // cut off by a crash
        "\xff\xfe garbage\n"
        "\n"                                                // blank lines are no damage
        "2026-12-07T12:00:00.010Z,-1,-2,-3,-4,-5,-6,255,11\r\n"  // Windows line end
        "2026-12-07T12:00:00.011Z,1,2,3,4,5,6,7,12";        // no line end at all
    LiveRecording rec;
    ASSERT_TRUE(record::ParseLiveCsv(text, &rec));
    EXPECT_EQ(10u, rec.skippedLines);
    EXPECT_EQ(4u, rec.firstSkippedLine);
    ASSERT_EQ(3u, rec.samples.size());
    EXPECT_EQ(1u, rec.samples[0].pass);
    EXPECT_EQ(-6, rec.samples[1].intensity);
    EXPECT_EQ(255, rec.samples[1].colorNo);
    EXPECT_EQ(12u, rec.samples[2].pass);
    EXPECT_EQ(-1, rec.serialNumber);
}

TEST(RecordingReader, MarkerLinesAfterRowsStartRunsAndAHeaderWrittenAgainIsOneBoundary)
{
    const std::string row1 = "2026-12-07T12:00:00.000Z,1,2,3,4,5,6,7,1\n";
    const std::string row2 = "2026-12-07T12:00:00.100Z,1,2,3,4,5,6,7,2\n";
    const std::string text = record::LiveCsvHeader("FW", 7) + row1 + row2 +
                             "# 2026-12-07T12:05:00.000Z\n" + row1 +
                             "#\n# firmware: FW\n# serial number: 7\n"
                             "time,R,G,B,X,Y,INT,C-No,pass\n" +
                             row1 + row2 + row2 +
                             "# a run that never delivered a row\n";
    LiveRecording rec;
    ASSERT_TRUE(record::ParseLiveCsv(text, &rec));
    EXPECT_EQ(0u, rec.skippedLines);
    EXPECT_EQ(7, rec.serialNumber);
    ASSERT_EQ(3u, rec.runs.size());
    EXPECT_EQ(0u, rec.runs[0].first);
    EXPECT_EQ(2u, rec.runs[0].count);
    EXPECT_EQ("", rec.runs[0].marker);
    EXPECT_EQ(2u, rec.runs[1].first);
    EXPECT_EQ(1u, rec.runs[1].count);
    EXPECT_EQ("2026-12-07T12:05:00.000Z", rec.runs[1].marker);
    EXPECT_EQ(3u, rec.runs[2].first);
    EXPECT_EQ(3u, rec.runs[2].count);
}

TEST(RecordingReader, FilesThatCannotBeReadAreRefusedWithAReasonAndCancelStops)
{
    LiveRecording rec;
    std::string error;
    EXPECT_FALSE(record::ReadLiveCsvFile("/nonexistent-folder/rec.csv", &rec, &error));
    EXPECT_NE(std::string::npos, error.find("cannot open")) << error;

    const std::string dir = testing::TempDir();
    EXPECT_FALSE(record::ReadLiveCsvFile(dir, &rec, &error));  // a folder
    EXPECT_FALSE(error.empty());

    // Large enough to pass a progress step: cancelling before the start stops the read.
    std::string text = record::LiveCsvHeader("FW", 1);
    while (text.size() < (3u << 20))
        text += "2026-12-07T12:00:00.000Z,1,2,3,4,5,6,7,1\n";
    const std::string path = dir + "/reader_cancel.csv";
    std::FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_TRUE(f);
    std::fwrite(text.data(), 1, text.size(), f);
    std::fclose(f);
    std::atomic<uint64_t> done{0}, size{0};
    std::atomic<bool> cancel{false};
    ASSERT_TRUE(record::ReadLiveCsvFile(path, &rec, &error, {&done, &cancel}, &size));
    EXPECT_EQ(text.size(), size.load());
    EXPECT_EQ(text.size(), done.load());
    cancel = true;
    EXPECT_FALSE(record::ReadLiveCsvFile(path, &rec, &error, {&done, &cancel}, &size));
    EXPECT_NE(std::string::npos, error.find("cancelled")) << error;
    std::remove(path.c_str());
}

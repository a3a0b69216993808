// The shared recorder on real files in a temporary folder, with sample times chosen by the test
// so that the rate's intervals are exact.
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "record/recorder.h"

namespace {

constexpr int64_t kT0 = 1796644800000;  // 2026-12-07T12:00:00.000Z
constexpr char kHeader[] = "# firmware: FW\n# serial number: 7\ntime,R,G,B,X,Y,INT,C-No,pass\n";

std::string Slurp(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return "<missing>";
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

record::LiveSample Sample(int64_t ms, uint64_t pass)
{
    record::LiveSample s;
    s.unixMs = ms;
    s.r = static_cast<int16_t>(pass);
    s.pass = pass;
    return s;
}

std::string Row(int64_t ms, uint64_t pass) { return record::LiveCsvRow(Sample(ms, pass)); }

class RecorderTest : public ::testing::Test {
protected:
    std::string PathOf(const std::string& name) const { return dir.filePath(QString::fromStdString(name)).toStdString(); }
    QTemporaryDir dir;
    record::Recorder rec;
};

}  // namespace

// At 10 rows a second a sample every 30 ms leaves one row per 100 ms interval, the interval's
// newest; the row held at the end of a run is written before the next run's marker.
TEST_F(RecorderTest, ARateKeepsTheNewestSampleOfEachIntervalAndRunsAreMarked)
{
    ASSERT_TRUE(rec.Create(PathOf("r.csv"), "FW", 7, {0, 10}));
    std::string expected = kHeader;
    uint64_t pass = 0;
    for (int64_t t = 0; t < 1000; t += 30) {
        ASSERT_TRUE(rec.Add(Sample(kT0 + t, ++pass)));
        // The newest sample before the next interval starts: 90, 180, 270, ..., 990 ms.
        if (t / 100 != (t + 30) / 100)
            expected += Row(kT0 + t, pass);
    }
    rec.BeginRun(kT0 + 5000);
    expected += "# run 2: 2026-12-07T12:00:05.000Z\n";
    ASSERT_TRUE(rec.Add(Sample(kT0 + 5001, 1)));
    ASSERT_TRUE(rec.Add(Sample(kT0 + 5002, 2)));
    expected += Row(kT0 + 5002, 2);
    // A run without rows leaves no marker; the next one is still run 3.
    rec.BeginRun(kT0 + 6000);
    rec.BeginRun(kT0 + 7000);
    expected += "# run 3: 2026-12-07T12:00:07.000Z\n";
    // Every sample from now on.
    ASSERT_TRUE(rec.SetRowsPerSecond(0));
    ASSERT_TRUE(rec.Add(Sample(kT0 + 7001, 1)));
    ASSERT_TRUE(rec.Add(Sample(kT0 + 7002, 2)));
    expected += Row(kT0 + 7001, 1) + Row(kT0 + 7002, 2);
    ASSERT_TRUE(rec.Close());
    EXPECT_EQ(expected, Slurp(PathOf("r.csv")));
    EXPECT_EQ(13u, rec.rows());
}

// Three rows a file: each numbered file starts with the header, a run marker due at a file's
// end goes after the next file's header, and a recording never replaces a file.
TEST_F(RecorderTest, FullFilesGoOnInNumberedFilesAndNoFileIsReplaced)
{
    ASSERT_TRUE(rec.Create(PathOf("r.csv"), "FW", 7, {3, 0}));
    for (uint64_t p = 1; p <= 3; ++p)
        ASSERT_TRUE(rec.Add(Sample(kT0 + static_cast<int64_t>(p), p)));
    rec.BeginRun(kT0 + 1000);
    for (uint64_t p = 1; p <= 4; ++p)
        ASSERT_TRUE(rec.Add(Sample(kT0 + 1000 + static_cast<int64_t>(p), p)));
    ASSERT_TRUE(rec.Close());
    EXPECT_EQ(std::string(kHeader) + Row(kT0 + 1, 1) + Row(kT0 + 2, 2) + Row(kT0 + 3, 3), Slurp(PathOf("r.csv")));
    EXPECT_EQ(std::string(kHeader) + "# run 2: 2026-12-07T12:00:01.000Z\n" + Row(kT0 + 1001, 1) +
                  Row(kT0 + 1002, 2) + Row(kT0 + 1003, 3),
              Slurp(PathOf("r_2.csv")));
    EXPECT_EQ(std::string(kHeader) + Row(kT0 + 1004, 4), Slurp(PathOf("r_3.csv")));
    EXPECT_EQ(PathOf("r_3.csv"), rec.path());

    // The first file exists: nothing is written, and the file keeps its bytes.
    const std::string before = Slurp(PathOf("r.csv"));
    record::Recorder again;
    EXPECT_FALSE(again.Create(PathOf("r.csv"), "FW", 7, {}));
    EXPECT_EQ(record::RecorderFailure::Create, again.failure());
    EXPECT_EQ(EEXIST, again.errorCode());
    EXPECT_FALSE(again.open());
    EXPECT_EQ(before, Slurp(PathOf("r.csv")));
    // The next numbered file exists: the recording ends there rather than replace it.
    record::Recorder rotating;
    ASSERT_TRUE(rotating.Create(PathOf("s.csv"), "FW", 7, {1, 0}));
    std::fclose(std::fopen(PathOf("s_2.csv").c_str(), "w"));
    ASSERT_TRUE(rotating.Add(Sample(kT0, 1)));
    EXPECT_FALSE(rotating.Add(Sample(kT0 + 1, 2)));
    EXPECT_EQ(record::RecorderFailure::Create, rotating.failure());
    EXPECT_EQ(PathOf("s_2.csv"), rotating.path());
    EXPECT_EQ(std::string(kHeader) + Row(kT0, 1), Slurp(PathOf("s.csv")));
    EXPECT_EQ("", Slurp(PathOf("s_2.csv")));
}

#include <gtest/gtest.h>

#include "params/parameter_set.h"
#include "link/sensor_context.h"
#include "params/program_state.h"
#include "tests/support/panels_fixture.h"

TEST(WorkingCopy, IsAllZeroBeforeAnythingFillsIt)
{
    // The program's globals as the linker left them: nothing has touched them in this process.
    for (auto field : kParameterFields)
        EXPECT_EQ(0, Para.*field);
    for (const TeachVector& row : TechVec)
        for (int w = 1; w <= kTeachWords; ++w)
            EXPECT_EQ(0, TeachWord(row, w));
}

TEST(Defaults, FillEveryFieldAndAllSixtyFourRows)
{
    ResetProgramState();
    LoadDefaultParaValues(1);
    const uint16_t expected[kParameterCount] = {500, 0, 256, 1, 10, 0, 1, 1, 0, 0, 3, 3200, 3300, 0, 1, 6, 1};
    for (int i = 0; i < kParameterCount; ++i)
        EXPECT_EQ(expected[i], Para.*kParameterFields[i]) << kParameterKeys[i];
    const uint16_t row[kTeachWords] = {1, 1, 1, 1, 1, 1, 10, 1};
    for (int r = 0; r < kTeachRows; ++r)
        for (int w = 1; w <= kTeachWords; ++w)
            EXPECT_EQ(row[w - 1], TeachWord(TechVec[r], w)) << "row " << r << " word " << w;
}

TEST(Defaults, WithoutColorCountKeepMaxVecNoAndOutputMode)
{
    ResetProgramState();
    Para.MaxVecNo = 17;
    Para.DigitalOutmode = 0;
    LoadDefaultParaValues(0);
    EXPECT_EQ(17, Para.MaxVecNo);
    EXPECT_EQ(0, Para.DigitalOutmode);
}

TEST(Defaults, OutputModeFollowsTheSensorEdition)
{
    for (int edition : {0, 1, 2, 3}) {
        ResetProgramState();
        SensorEdition = edition;
        LoadDefaultParaValues(1);
        EXPECT_EQ(edition == 3 ? 2 : 1, Para.DigitalOutmode) << "edition " << edition;
    }
}

TEST(Editions, GiveOutputsAndColourLimits)
{
    for (int edition : {0, 1, 2, 3}) {
        SensorEdition = edition;
        EXPECT_EQ(edition == 2 ? 2 : 5, OutputCount());
        EXPECT_EQ(edition == 2 ? 3 : 31, MaxColorCount());
    }
    SensorEdition = 0;
}

TEST(Records, AreThePayloadImages)
{
    ParameterSet p{};
    p.Power = 0x1234;
    p.Integral = 0xBEEF;
    const auto* bytes = reinterpret_cast<const uint8_t*>(&p);
    EXPECT_EQ(0x34, bytes[0]);
    EXPECT_EQ(0x12, bytes[1]);
    EXPECT_EQ(0xEF, bytes[32]);
    EXPECT_EQ(0xBE, bytes[33]);
    TeachTable t{};
    t[1].Hold = 0x0A0B;
    EXPECT_EQ(0x0B, reinterpret_cast<const uint8_t*>(&t)[16 + 12]);
}

// The workbench's rules without a window: which entries the limits refuse, and what a
// comparison lists.
#include <gtest/gtest.h>

#include <string>

#include "params/configuration.h"
#include "params/parameter_limits.h"

namespace {

constexpr int kPowerMode = 1, kMaxVecNo = 6, kDigitalOutmode = 7, kGain = 15;

}  // namespace

TEST(WorkbenchLimits, OnlyTheProgramsOwnLimitsAreEnforced)
{
    struct Case {
        int index;
        int maxColors;
        const char* entry;
        bool accepted;
        uint16_t value;
    };
    const Case cases[] = {
        {kGain, 31, "65535", true, 65535},  {kGain, 31, "65536", false, 0},
        {kGain, 31, " 12 ", true, 12},      {kGain, 31, "", false, 0},
        {kGain, 31, "-1", false, 0},        {kGain, 31, "+3", false, 0},
        {kGain, 31, "1.5", false, 0},       {kGain, 31, "0x10", false, 0},
        {kGain, 31, "99999999999999999999", false, 0},
        {kPowerMode, 31, "1", true, 1},     {kPowerMode, 31, "2", false, 0},
        {kDigitalOutmode, 31, "2", true, 2}, {kDigitalOutmode, 31, "3", false, 0},
        {kMaxVecNo, 31, "31", true, 31},    {kMaxVecNo, 31, "32", false, 0},
        {kMaxVecNo, 31, "0", false, 0},     {kMaxVecNo, 3, "3", true, 3},
        {kMaxVecNo, 3, "4", false, 0},
    };
    for (const Case& c : cases) {
        uint16_t value = 0;
        const bool accepted = ParseLimitedValue(c.entry, ParameterLimits(c.index, c.maxColors), &value);
        EXPECT_EQ(c.accepted, accepted) << kParameterKeys[c.index] << " \"" << c.entry << "\"";
        if (c.accepted) {
            EXPECT_EQ(c.value, value);
        }
    }
    char text[32];
    FormatLimits(ParameterLimits(kMaxVecNo, 3), text, sizeof text);
    EXPECT_STREQ("1 to 3", text);
    // Meanings come only where the program gives the value one; TRIGGER is passed through.
    EXPECT_STREQ("", ParameterMeaning(8));
    EXPECT_STREQ("Receiver gain step", ParameterMeaning(kGain));
}

TEST(WorkbenchCompare, ListsEachDifferenceWithinTheScopeAndNothingForEqualSets)
{
    Configuration left;
    for (TeachVector& row : left.rows)
        row = TeachVector{1, 2, 3, 4, 5, 6, 7, 8};
    Configuration right = left;
    EXPECT_TRUE(CompareConfigurations(left, right, kSensorScope).empty());
    EXPECT_TRUE(CompareConfigurations(left, right, kFileScope).empty());

    right.para.Gain = 7;
    right.rows[31].Reserved = 9;  // travels to the sensor, never into a file
    right.rows[40].Cell0 = 11;    // in a file, never on the sensor
    const auto sensor = CompareConfigurations(left, right, kSensorScope);
    ASSERT_EQ(2u, sensor.size());
    EXPECT_EQ("GAIN", sensor[0].name);
    EXPECT_EQ(0, sensor[0].left);
    EXPECT_EQ(7, sensor[0].right);
    EXPECT_EQ("TEACH VECTOR 31 WORD 8", sensor[1].name);
    const auto file = CompareConfigurations(left, right, kFileScope);
    ASSERT_EQ(2u, file.size());
    EXPECT_EQ("GAIN", file[0].name);
    EXPECT_EQ("TEACH VECTOR 40 CELL 0", file[1].name);
    EXPECT_EQ(1, file[1].left);
    EXPECT_EQ(11, file[1].right);
}

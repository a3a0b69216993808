#include <gtest/gtest.h>

#include "link/firmware.h"

namespace {

struct Case {
    const char* text;
    const char *t1, *t2, *t3, *t4;
    int edition;
};

class FirmwareTokens_ : public ::testing::TestWithParam<Case> {};

}  // namespace

TEST_P(FirmwareTokens_, SplitLikeStrtokAndNameTheEdition)
{
    const Case& c = GetParam();
    const FirmwareTokens t = SplitFirmwareText(c.text);
    EXPECT_EQ(c.t1, t.t1);
    EXPECT_EQ(c.t2, t.t2);
    EXPECT_EQ(c.t3, t.t3);
    EXPECT_EQ(c.t4, t.t4);
    EXPECT_EQ(c.edition, SensorEditionOf(t));
}

INSTANTIATE_TEST_SUITE_P(
    Texts, FirmwareTokens_,
    ::testing::Values(Case{"CHROMIX5 V4.2.7 B12", "CHROMIX5 V4", "2", "7", "B12", 1},
                      Case{"CHROMIX5 KR V1.0.3 2024", "CHROMIX5 KR V1", "0", "3", "2024", 2},
                      Case{"CHROMIX5 KRE V1.1.0 rev A", "CHROMIX5 KRE V1", "1", "0", "rev A", 3},
                      Case{"chromix5 kre v1.1.0", "chromix5 kre v1", "1", "0", "", 0},
                      Case{"", "", "", "", "", 0},
                      Case{"..CHROMIX5 V4..5  x", "CHROMIX5 V4", "5  x", "", "", 1},
                      Case{"NODOTS", "NODOTS", "", "", "", 0},
                      Case{"CHROMIX5 V4.", "CHROMIX5 V4", "", "", "", 1},
                      Case{"CHROMIX5 V40.1.2 X", "CHROMIX5 V40", "1", "2", "X", 0}),
    [](const auto& info) { return "Text" + std::to_string(info.index); });

TEST(FirmwareText, EndsAtTheFirstZeroOrAfterSeventyTwoBytes)
{
    unsigned char data[100];
    for (unsigned char& b : data)
        b = 'A';
    EXPECT_EQ(std::string(72, 'A'), FirmwareTextFrom(data, sizeof data));
    data[5] = 0;
    EXPECT_EQ("AAAAA", FirmwareTextFrom(data, sizeof data));
    EXPECT_EQ("AAA", FirmwareTextFrom(data, 3));
}

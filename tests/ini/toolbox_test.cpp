#include <gtest/gtest.h>

#include <cstring>

#include "ini/toolbox.h"

TEST(NameMatching, IgnoresCaseAndSurroundingWhiteSpaceButNotInnerBlanks)
{
    EXPECT_EQ(0, StrICmpWithoutSurrWhiteSpace("Panel Position", " PANEL POSITION "));
    EXPECT_EQ(0, StrICmpWithoutSurrWhiteSpace("panel position", "\t\r\nPANEL POSITION\v\f"));
    EXPECT_NE(0, StrICmpWithoutSurrWhiteSpace("PANEL  POSITION", "PANEL POSITION"));
    EXPECT_LT(StrICmpWithoutSurrWhiteSpace("ABC", "abcd"), 0);
    EXPECT_GT(StrICmpWithoutSurrWhiteSpace("abd", "ABC"), 0);
    // Bytes above 127 are neither letters nor white space: they compare exactly.
    EXPECT_NE(0, StrICmpWithoutSurrWhiteSpace("\xc3\xa4", "\xc3\x84"));
    EXPECT_EQ(0, StrICmpWithoutSurrWhiteSpace("\xa0x", "\xa0X"));
    EXPECT_LT(StrICmpWithoutSurrWhiteSpace("Z", "\xc3"), 0);
}

TEST(WhiteSpace, IsTheSixCharactersOfTheCLocale)
{
    EXPECT_STREQ("x ", SkipWhiteSpace(" \t\n\v\f\rx "));
    EXPECT_STREQ("", SkipWhiteSpace(" \t"));
    EXPECT_FALSE(HasNonWhiteSpace(" \t\n\v\f\r"));
    EXPECT_TRUE(HasNonWhiteSpace(" \xa0 "));
    EXPECT_EQ("a  b", StrDupWithoutSurrWhiteSpace("\t a  b \r\n"));
}

TEST(StrToInt, AcceptsTheDecimalFormsInRange)
{
    struct Case {
        const char* text;
        int32_t value;
    } accepted[] = {{" 42 ", 42}, {"+7", 7}, {"-2147483648", INT32_MIN}, {"2147483647", INT32_MAX},
                    {"007", 7}, {"\t-0\n", 0}, {"000000000000000000001", 1}};
    for (const Case& c : accepted) {
        int32_t value = 99;
        EXPECT_TRUE(StrToInt(c.text, &value)) << c.text;
        EXPECT_EQ(c.value, value) << c.text;
    }
}

TEST(StrToInt, RefusesEveryOtherFormAndLeavesTheValue)
{
    for (const char* text : {"4x", "0x10", "- 5", "2147483648", "-2147483649", "1.0", "++1", "+",
                             "-", "", "1 2", "99999999999999999999999", "1e3", "\xef\xbc\x91"}) {
        int32_t value = 99;
        EXPECT_FALSE(StrToInt(text, &value)) << text;
        EXPECT_EQ(99, value) << text;
    }
}

TEST(StringCopyMax, CutsAtSizeMinusOneAndAlwaysTerminates)
{
    char buffer[8];
    std::memset(buffer, 'x', sizeof buffer);
    StringCopyMax(buffer, "abcdefghij", 4);
    EXPECT_STREQ("abc", buffer);
    EXPECT_EQ('x', buffer[4]);
    StringCopyMax(buffer, "abc", 4);
    EXPECT_STREQ("abc", buffer);
    StringCopyMax(buffer, "abc", 1);
    EXPECT_STREQ("", buffer);
    buffer[0] = 'q';
    StringCopyMax(buffer, "abc", 0);
    EXPECT_EQ('q', buffer[0]);
}

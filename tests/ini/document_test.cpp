#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "ini/inifile.h"
#include "tests/ini/ini_memory.h"

namespace {

struct Doc {
    IniText h = Ini_New(0);
    ~Doc() { Ini_Dispose(h); }
};

}  // namespace

TEST(IniDocument, PutToAnExistingSectionFindsItWithoutCaseOrBlanks)
{
    Doc d;
    Ini_PutInt(d.h, "PANEL POSITION", "TOP", 1);
    EXPECT_EQ(0, Ini_PutInt(d.h, " panel position ", "LEFT", 2));
    EXPECT_EQ("[PANEL POSITION]\r\nTOP = 1\r\nLEFT = 2\r\n\r\n", ini_memory::Write(d.h));
}

TEST(IniDocument, RepeatedPutsReplaceInPlaceTakingTheLatestSpelling)
{
    Doc d;
    Ini_PutInt(d.h, "S", "TOP", 1);
    Ini_PutInt(d.h, "S", "LEFT", 10);
    Ini_PutInt(d.h, "S", "BOTTOM", 3);
    Ini_PutInt(d.h, "S", "LEFT", 20);
    EXPECT_EQ("[S]\r\nTOP = 1\r\nLEFT = 20\r\nBOTTOM = 3\r\n\r\n", ini_memory::Write(d.h));
    Ini_PutString(d.h, "s", " left ", "x");
    EXPECT_EQ("[S]\r\nTOP = 1\r\nleft = \"x\"\r\nBOTTOM = 3\r\n\r\n", ini_memory::Write(d.h));
}

TEST(IniDocument, PutRemovesEveryDuplicateReadFromAFile)
{
    Doc d;
    ASSERT_EQ(0, ini_memory::Read(d.h, "[S]\nA = 1\nB = 2\nA = 3\na = 4\n"));
    Ini_PutInt(d.h, "S", "A", 9);
    EXPECT_EQ("[S]\r\nA = 9\r\nB = 2\r\n\r\n", ini_memory::Write(d.h));
}

TEST(IniDocument, GetsFindTheFirstOfTwoEqualSections)
{
    Doc d;
    ASSERT_EQ(0, ini_memory::Read(d.h, "[S]\nA = 1\n[T]\nA = 5\n[s]\nA = 2\nB = 3\n"));
    int32_t value = 0;
    EXPECT_EQ(1, Ini_GetInt(d.h, "S", "A", &value));
    EXPECT_EQ(1, value);
    // The last-found section is T now; the lookup of S must still take the first S.
    EXPECT_EQ(1, Ini_GetInt(d.h, "T", "A", &value));
    EXPECT_EQ(0, Ini_GetInt(d.h, "s", "B", &value));
    EXPECT_EQ(5, value);
}

TEST(IniDocument, StringsOfEveryControlAndEscapeCharacterRoundTrip)
{
    Doc d;
    Ini_PutString(d.h, "S", "SPECIAL", "\r\n\t\"\\");
    EXPECT_EQ("[S]\r\nSPECIAL = \"\\r\\n\\t\\\"\\\\\"\r\n\r\n", ini_memory::Write(d.h));

    std::string all;
    for (int c = 1; c < 256; ++c)
        all += static_cast<char>(c);
    Ini_PutString(d.h, "S", "ALL", all.c_str());
    const std::string text = ini_memory::Write(d.h);
    EXPECT_NE(std::string::npos, text.find("\\x01\\x02")) << "control bytes as lower-case hex";
    EXPECT_NE(std::string::npos, text.find("~\\x7f\x80"));

    Doc back;
    ASSERT_EQ(0, ini_memory::Read(back.h, text));
    char buffer[1024];
    EXPECT_EQ(1, Ini_GetStringIntoBuffer(back.h, "S", "ALL", buffer, sizeof buffer));
    EXPECT_EQ(all, buffer);
    EXPECT_EQ(1, Ini_GetStringIntoBuffer(back.h, "S", "SPECIAL", buffer, sizeof buffer));
    EXPECT_STREQ("\r\n\t\"\\", buffer);
}

TEST(IniDocument, DecodingHandlesEveryEscapeFormWithoutReadingPastTheValue)
{
    Doc d;
    ASSERT_EQ(0, ini_memory::Read(d.h, "[S]\n"
                                        "HEX = \\x41\\x4a\\x4A\n"
                                        "TEMP = C:\\temp\n"
                                        "SHORT = a\\x4\n"
                                        "NOHEX = \\xg1\\x\n"
                                        "TRAIL = ab\\\n"
                                        "OTHER = \\q\\\\\\\"\n"));
    const struct {
        const char* tag;
        const char* decoded;
    } cases[] = {{"HEX", "AJJ"},      {"TEMP", "C:\temp"},    {"SHORT", "a\\x4"},
                 {"NOHEX", "\\xg1\\x"}, {"TRAIL", "ab"}, {"OTHER", "q\\\""}};
    for (const auto& c : cases) {
        const char* text = nullptr;
        EXPECT_EQ(1, Ini_GetPointerToString(d.h, "S", c.tag, &text)) << c.tag;
        EXPECT_STREQ(c.decoded, text) << c.tag;
    }
}

TEST(IniDocument, IntegerGetsAcceptRefuseOrMiss)
{
    Doc d;
    ASSERT_EQ(0, ini_memory::Read(d.h, "[S]\nA =  42 \nB = +7\nC = -2147483648\nD = \"  \"\n"
                                        "E = 4x\nF = 0x10\nG = - 5\nH = 2147483648\nI = 1.0\n"
                                        "J = \"12\"\nK = \\x31\n"));
    Ini_PutInt(d.h, "S", "MIN", INT32_MIN);
    int32_t value = 0;
    EXPECT_EQ(1, Ini_GetInt(d.h, "S", "A", &value));
    EXPECT_EQ(42, value);
    EXPECT_EQ(1, Ini_GetInt(d.h, "S", "B", &value));
    EXPECT_EQ(7, value);
    EXPECT_EQ(1, Ini_GetInt(d.h, "S", "C", &value));
    EXPECT_EQ(INT32_MIN, value);
    EXPECT_EQ(1, Ini_GetInt(d.h, "S", "J", &value));
    EXPECT_EQ(12, value);
    EXPECT_EQ(1, Ini_GetInt(d.h, "S", "MIN", &value));
    EXPECT_EQ(INT32_MIN, value);
    value = 77;
    EXPECT_EQ(0, Ini_GetInt(d.h, "S", "D", &value));
    EXPECT_EQ(0, Ini_GetInt(d.h, "S", "ABSENT", &value));
    EXPECT_EQ(0, Ini_GetInt(d.h, "NOWHERE", "A", &value));
    // Integers are parsed from the stored form: escapes are not decoded.
    for (const char* tag : {"E", "F", "G", "H", "I", "K"})
        EXPECT_EQ(kIniInvalidInteger, Ini_GetInt(d.h, "S", tag, &value)) << tag;
    EXPECT_EQ(77, value);
}

TEST(IniDocument, StringGetsCutAtSizeMinusOneAndEmptyTheBufferOnAMiss)
{
    Doc d;
    const std::string longText(2000, 'v');
    Ini_PutString(d.h, "S", "LONG", longText.c_str());
    Ini_PutString(d.h, "S", "NONE", nullptr);
    char buffer[1024];
    EXPECT_EQ(1, Ini_GetStringIntoBuffer(d.h, "S", "LONG", buffer, sizeof buffer));
    EXPECT_EQ(std::string(1023, 'v'), buffer);
    char small[4] = "zzz";
    EXPECT_EQ(1, Ini_GetStringIntoBuffer(d.h, "S", "LONG", small, 1));
    EXPECT_STREQ("", small);
    std::strcpy(buffer, "old");
    EXPECT_EQ(0, Ini_GetStringIntoBuffer(d.h, "S", "ABSENT", buffer, sizeof buffer));
    EXPECT_STREQ("", buffer);
    EXPECT_EQ(1, Ini_GetStringIntoBuffer(d.h, "S", "NONE", buffer, sizeof buffer));
    EXPECT_STREQ("", buffer);
    EXPECT_NE(std::string::npos, ini_memory::Write(d.h).find("NONE = \"\"\r\n"));
}

TEST(IniDocument, MissingHandleOrArgumentsGiveMinus65)
{
    char buffer[8];
    int32_t value = 0;
    const char* text = nullptr;
    EXPECT_EQ(kIniNullArgument, Ini_PutInt(nullptr, "S", "T", 1));
    EXPECT_EQ(kIniNullArgument, Ini_PutString(nullptr, "S", "T", "x"));
    EXPECT_EQ(kIniNullArgument, Ini_GetInt(nullptr, "S", "T", &value));
    EXPECT_EQ(kIniNullArgument, Ini_GetStringIntoBuffer(nullptr, "S", "T", buffer, 8));
    EXPECT_EQ(kIniNullArgument, Ini_GetPointerToString(nullptr, "S", "T", &text));
    EXPECT_EQ(kIniNullArgument, Ini_ReadFromFile(nullptr, "x.ini"));
    EXPECT_EQ(kIniNullArgument, Ini_WriteToFile(nullptr, "x.ini"));
    EXPECT_EQ(kIniNullArgument, Ini_WriteGeneric(nullptr, ini_memory::AppendLine, nullptr));
    Ini_Dispose(nullptr);
    Doc d;
    EXPECT_EQ(kIniNullArgument, Ini_GetInt(d.h, "S", "T", nullptr));
    EXPECT_EQ(kIniNullArgument, Ini_PutInt(d.h, nullptr, "T", 1));
    EXPECT_EQ(kIniNullArgument, Ini_GetStringIntoBuffer(d.h, "S", "T", nullptr, 8));
    EXPECT_EQ(nullptr, Ini_New(1)) << "sorted documents are not offered";
}

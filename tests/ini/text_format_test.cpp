#include <gtest/gtest.h>

#include <random>
#include <string>

#include "ini/inifile.h"
#include "tests/ini/ini_memory.h"

namespace {

struct Doc {
    IniText h = Ini_New(0);
    ~Doc() { Ini_Dispose(h); }
};

std::string GetString(IniText doc, const char* section, const char* tag)
{
    const char* text = nullptr;
    if (Ini_GetPointerToString(doc, section, tag, &text) != 1)
        return "<absent>";
    return text;
}

}  // namespace

TEST(IniTextFormat, EscapesSplitBetweenContinuationLinesDecodeAfterReading)
{
    Doc d;
    const std::string hexSplit = std::string(78, 'a') + "\x01" + "b";  // "\x01" at 78..81
    const std::string pairSplit = std::string(79, 'a') + "\\" + "c";   // "\\" at 79..80
    Ini_PutString(d.h, "S", "HEX", hexSplit.c_str());
    Ini_PutString(d.h, "S", "PAIR", pairSplit.c_str());
    const std::string text = ini_memory::Write(d.h);
    ASSERT_NE(std::string::npos, text.find("aa\\x\"\r\nHEX Line0002 = \"01b\"\r\n"));
    ASSERT_NE(std::string::npos, text.find("aa\\\"\r\nPAIR Line0002 = \"\\c\"\r\n"));
    Doc back;
    ASSERT_EQ(0, ini_memory::Read(back.h, text));
    EXPECT_EQ(hexSplit, GetString(back.h, "S", "HEX"));
    EXPECT_EQ(pairSplit, GetString(back.h, "S", "PAIR"));
    EXPECT_EQ(text, ini_memory::Write(back.h));
}

TEST(IniTextFormat, LongValuesOfAnyLengthRoundTripExactly)
{
    Doc d;
    std::string value;
    for (int i = 0; i < 5000; ++i)
        value += static_cast<char>(' ' + i % 95);
    Ini_PutString(d.h, "S", "LONG", value.c_str());
    // A tag that itself contains " Line" must still find its continuation lines again.
    Ini_PutString(d.h, "S", "PEN Line Width", value.c_str());
    Ini_PutInt(d.h, "S", "AFTER", 1);
    const std::string text = ini_memory::Write(d.h);
    EXPECT_NE(std::string::npos, text.find("LONG Line0064 = \""));
    Doc back;
    ASSERT_EQ(0, ini_memory::Read(back.h, text));
    EXPECT_EQ(value, GetString(back.h, "S", "LONG"));
    EXPECT_EQ(value, GetString(back.h, "S", "PEN Line Width"));
    EXPECT_EQ(text, ini_memory::Write(back.h));
}

TEST(IniTextFormat, ATagThatLooksLikeAContinuationIsNotSwallowedByALongValueBeforeIt)
{
    Doc d;
    const std::string value(100, 'v');
    Ini_PutString(d.h, "S", "A", value.c_str());
    Ini_PutInt(d.h, "S", "X Line0005", 7);
    const std::string text = ini_memory::Write(d.h);
    Doc back;
    ASSERT_EQ(0, ini_memory::Read(back.h, text));
    EXPECT_EQ(value, GetString(back.h, "S", "A"));
    int32_t number = 0;
    EXPECT_EQ(1, Ini_GetInt(back.h, "S", "X Line0005", &number));
    EXPECT_EQ(7, number);
}

TEST(IniTextFormat, OverlongNamesAndTagsAreCutTo255Characters)
{
    Doc d;
    const std::string name(600, 'N');
    const std::string tag(600, 'T');
    ASSERT_EQ(0, ini_memory::Read(d.h, "[" + name + "]\n" + tag + " = 5\n" +
                                         std::string(254, 'U') + " " + std::string(10, 'U') +
                                         " = 6\n"));
    int32_t value = 0;
    EXPECT_EQ(1, Ini_GetInt(d.h, name.substr(0, 255).c_str(), tag.substr(0, 255).c_str(), &value));
    EXPECT_EQ(5, value);
    // A cut that lands after a blank leaves no trailing white space behind.
    EXPECT_NE(std::string::npos, ini_memory::Write(d.h).find("\r\n" + std::string(254, 'U') + " = 6"));
    Doc put;
    Ini_PutInt(put.h, name.c_str(), tag.c_str(), 7);
    EXPECT_EQ(std::string("[").append(name, 0, 255).append("]\r\n").append(tag, 0, 255).append(" = 7\r\n\r\n"),
              ini_memory::Write(put.h));
}

TEST(IniTextFormat, ReadingAddsToADocumentAndKeepsItsComments)
{
    Doc d;
    ASSERT_EQ(0, ini_memory::Read(d.h, "; first head\n\n[A]\nX = 1\n; first tail\n"));
    ASSERT_EQ(0, ini_memory::Read(d.h, "; second head\n\n[B]\nY = 2\n; second tail\n"));
    // The document has a header comment already, so the second one stays pending and goes
    // to the next section; the second trailer is dropped.
    EXPECT_EQ("; first head\r\n\r\n[A]\r\nX = 1\r\n\r\n; second head\r\n[B]\r\nY = 2\r\n\r\n"
              "; first tail\r\n",
              ini_memory::Write(d.h));
}

TEST(IniTextFormat, EmptyDocumentsAndSectionsWriteNothingButTheirHeaders)
{
    Doc d;
    int result = -1;
    EXPECT_EQ("", ini_memory::Write(d.h, &result));
    EXPECT_EQ(0, result);
    ASSERT_EQ(0, ini_memory::Read(d.h, "[EMPTY]\n"));
    EXPECT_EQ("[EMPTY]\r\n\r\n", ini_memory::Write(d.h));
}

TEST(IniTextFormat, SinkAndSourceErrorsEndTheOperationWithTheirCode)
{
    Doc d;
    Ini_PutInt(d.h, "S", "A", 1);
    int calls = 0;
    auto failSecond = [](void* data, const char*) { return ++*static_cast<int*>(data) == 2 ? -93 : 0; };
    EXPECT_EQ(-93, Ini_WriteGeneric(d.h, failSecond, &calls));
    EXPECT_EQ(2, calls);

    // What was read before the failure stays, without merging continuation lines.
    struct Lines {
        const char* lines[3] = {"[R]", "N Line0001 = a", "N Line0002 = b"};
        int next = 0;
    } lines;
    auto source = [](void* data, char* line, int, int* endOfFile, int* number) {
        Lines* l = static_cast<Lines*>(data);
        *endOfFile = 0;
        if (l->next == 3)
            return -5002;
        std::strcpy(line, l->lines[l->next++]);
        *number = l->next;
        return 0;
    };
    Doc partial;
    EXPECT_EQ(-5002, Ini_ReadGeneric(partial.h, source, &lines));
    EXPECT_EQ("[R]\r\nN Line0001 = a\r\nN Line0002 = b\r\n\r\n", ini_memory::Write(partial.h));
}

TEST(IniTextFormat, BinaryGarbageReadsWritesAndReadsAgainWithoutHarm)
{
    std::mt19937 random(12345);
    const char alphabet[] = "[]=;\" \t\r\n\\xLine0123\0\x80\xff";
    for (int round = 0; round < 200; ++round) {
        std::string bytes(static_cast<size_t>(random() % 4000), '\0');
        for (char& c : bytes)
            c = round % 2 ? static_cast<char>(random()) : alphabet[random() % (sizeof alphabet - 1)];
        Doc first;
        ASSERT_EQ(0, ini_memory::Read(first.h, bytes, 1 + random() % 64));
        int result = -1;
        const std::string text = ini_memory::Write(first.h, &result);
        ASSERT_EQ(0, result);
        Doc second;
        ASSERT_EQ(0, ini_memory::Read(second.h, text));
    }
}

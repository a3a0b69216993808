#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "ini/line_file.h"
#include "tests/ini/ini_memory.h"

namespace {

// Every line of text with its number, read with the given block size.
std::vector<std::string> Lines(std::string_view text, size_t blockLimit = kLineFileBlockSize,
                               int maxChars = 1024)
{
    ini_memory::Bytes bytes{text, 0, blockLimit};
    LineFile* file = LineFile_New(ini_memory::ReadBlock, &bytes);
    std::vector<std::string> lines;
    std::vector<char> buffer(static_cast<size_t>(maxChars) + 1);
    for (;;) {
        int endOfFile = 0;
        int length = -1;
        EXPECT_EQ(0, LineFile_Read(file, buffer.data(), maxChars, &length, &endOfFile));
        if (endOfFile)
            break;
        EXPECT_EQ(length, static_cast<int>(std::strlen(buffer.data())));
        lines.emplace_back(buffer.data());
        EXPECT_EQ(static_cast<int>(lines.size()), file->linesRead);
    }
    LineFile_Dispose(file);
    return lines;
}

using L = std::vector<std::string>;

}  // namespace

TEST(LineFile, CrLfLfAndCrEndingsReadAlike)
{
    for (const char* text : {"a\r\nb\r\n", "a\nb\n", "a\rb\r", "a\n\rb\n\r", "a\r\nb"})
        EXPECT_EQ((L{"a", "b"}), Lines(text)) << text;
}

TEST(LineFile, TwoEqualTerminatorsInARowAreAnEmptyLine)
{
    EXPECT_EQ((L{"a", "", "b"}), Lines("a\n\nb"));
    EXPECT_EQ((L{"a", "", "b"}), Lines("a\r\rb"));
    EXPECT_EQ((L{"a", "", "b"}), Lines("a\r\n\r\nb"));
    EXPECT_EQ((L{"a", "b"}), Lines(std::string_view("a\0b", 3))) << "the zero byte ends a line";
    // A lone terminator at the very start is taken as the second half of a pair.
    EXPECT_EQ((L{"a"}), Lines("\na"));
    EXPECT_EQ((L{"", "a"}), Lines("\n\na"));
    EXPECT_EQ((L{}), Lines(""));
}

TEST(LineFile, PairsSplitAcrossBlocksReadAsInOneBlock)
{
    const std::string text = "[S]\r\nA = 1\r\n\r\nB = 2\n\nC\rD";
    const L whole = Lines(text);
    EXPECT_EQ((L{"[S]", "A = 1", "", "B = 2", "", "C", "D"}), whole);
    for (size_t block = 1; block < 8; ++block)
        EXPECT_EQ(whole, Lines(text, block)) << block;
}

TEST(LineFile, OverlongLinesAreCutAndTheirRestDropped)
{
    const std::string longLine(1500, 'x');
    const std::string text = longLine + "\r\nnext\r\n" + std::string(5000, 'y');
    const L lines = Lines(text);
    ASSERT_EQ(3u, lines.size());
    EXPECT_EQ(std::string(1024, 'x'), lines[0]);
    EXPECT_EQ("next", lines[1]);
    EXPECT_EQ(std::string(1024, 'y'), lines[2]);
    EXPECT_EQ((L{"ab", "cd"}), Lines("abc\ncd", 3, 2));
}

TEST(LineFile, AReaderErrorEndsTheCallWithItsCode)
{
    struct Failing {
        int calls = 0;
    } state;
    auto reader = [](void* source, int, int* countRead, char* buffer) {
        Failing* s = static_cast<Failing*>(source);
        if (s->calls++ == 0) {
            std::memcpy(buffer, "ab\ncd", 5);
            *countRead = 5;
            return 0;
        }
        *countRead = 0;
        return -5002;
    };
    LineFile* file = LineFile_New(reader, &state);
    char line[16];
    int endOfFile = 0;
    EXPECT_EQ(0, LineFile_Read(file, line, 15, nullptr, &endOfFile));
    EXPECT_STREQ("ab", line);
    EXPECT_EQ(-5002, LineFile_Read(file, line, 15, nullptr, &endOfFile));
    EXPECT_STREQ("cd", line);
    EXPECT_EQ(0, endOfFile);
    EXPECT_EQ(1, file->linesRead);
    LineFile_Dispose(file);
}

// The line reader takes a line's bytes at once; this is the rule it must follow, one byte at a
// time, as the format states it. Random texts of terminators and a few letters, read with
// random block sizes and line limits, give the same lines, lengths and numbers both ways.
TEST(LineFile, ReadsAsTheByteByByteRuleOnRandomTexts)
{
    struct Reference {
        std::string_view text;
        size_t at = 0;
        char lastTerminator = '\0';
        // One line as the rule reads it; false at the end of the text.
        bool Next(int maxChars, std::string* line)
        {
            line->clear();
            bool first = true;
            while (at < text.size()) {
                const char c = text[at++];
                if (c == '\r' || c == '\n' || c == '\0') {
                    if (first && c != lastTerminator) {
                        first = false;
                        continue;
                    }
                    lastTerminator = c;
                    return true;
                }
                first = false;
                if (static_cast<int>(line->size()) < maxChars)
                    *line += c;
            }
            return !line->empty();
        }
    };
    std::mt19937 random(7);
    const char alphabet[] = {'\r', '\n', '\0', 'a', 'b', ' '};
    for (int round = 0; round < 300; ++round) {
        std::string text;
        const size_t size = random() % 5000;
        for (size_t i = 0; i < size; ++i)
            text += alphabet[random() % sizeof alphabet];
        const size_t block = 1 + random() % 2100;
        const int maxChars = static_cast<int>(random() % 40);
        Reference reference{text};
        std::vector<std::string> expected;
        std::string line;
        while (reference.Next(maxChars, &line))
            expected.push_back(line);
        ASSERT_EQ(expected, Lines(text, block, maxChars)) << "round " << round;
    }
}

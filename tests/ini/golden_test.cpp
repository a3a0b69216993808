// Each input file in golden/ shows one behaviour of the reader; its .expected file holds the
// exact bytes the document read from it writes. The writer's own layout has golden files of
// documents built by puts.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include <unistd.h>

#include "ini/inifile.h"

namespace {

namespace fs = std::filesystem;

std::string Slurp(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    EXPECT_TRUE(in.good()) << path;
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

fs::path Golden(const std::string& name) { return fs::path(INI_GOLDEN_DIR) / name; }

class GoldenFiles : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder_ = fs::temp_directory_path() /
                  ("ini_golden_" + std::to_string(::getpid()) + "_" +
                   ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(folder_);
        doc_ = Ini_New(0);
    }
    void TearDown() override
    {
        Ini_Dispose(doc_);
        fs::remove_all(folder_);
    }
    // Writes the document to a real file and returns the file's bytes.
    std::string Written()
    {
        const fs::path out = folder_ / "out.ini";
        EXPECT_EQ(0, Ini_WriteToFile(doc_, out.c_str()));
        return Slurp(out);
    }
    fs::path folder_;
    IniText doc_ = nullptr;
};

}  // namespace

TEST_F(GoldenFiles, EveryInputWritesBackAsItsExpectedBytes)
{
    const struct {
        const char* input;
        const char* expected;
    } cases[] = {
        {"line_forms.ini", "line_forms.expected"},
        {"comments.ini", "comments.expected"},
        {"comment_before_header.ini", "comment_before_header.expected"},
        {"item_before_section.ini", "item_before_section.expected"},
        {"duplicates.ini", "duplicates.expected"},
        {"continuation.ini", "continuation.expected"},
        {"missing_bracket.ini", "missing_bracket.expected"},
        {"endings_crlf.ini", "endings.expected"},
        {"endings_lf.ini", "endings.expected"},
        {"endings_cr.ini", "endings.expected"},
        {"empty.ini", "empty.expected"},
    };
    for (const auto& c : cases) {
        Ini_Dispose(doc_);
        doc_ = Ini_New(0);
        ASSERT_EQ(0, Ini_ReadFromFile(doc_, Golden(c.input).c_str())) << c.input;
        EXPECT_EQ(Slurp(Golden(c.expected)), Written()) << c.input;
    }
}

TEST_F(GoldenFiles, LineFormsGiveTheirStoredValues)
{
    ASSERT_EQ(0, Ini_ReadFromFile(doc_, Golden("line_forms.ini").c_str()));
    char buffer[256];
    EXPECT_EQ(1, Ini_GetStringIntoBuffer(doc_, "panel position", "FILE TYPE:", buffer, sizeof buffer));
    EXPECT_STREQ("Panel Settings", buffer);
    EXPECT_EQ(1, Ini_GetStringIntoBuffer(doc_, "PANEL POSITION", "PATH", buffer, sizeof buffer));
    EXPECT_STREQ("C:\\data\\Parameter.ini", buffer);
    EXPECT_EQ(1, Ini_GetStringIntoBuffer(doc_, "PANEL POSITION", "KEY", buffer, sizeof buffer));
    EXPECT_STREQ("1 = 2", buffer);
    EXPECT_EQ(0, Ini_GetStringIntoBuffer(doc_, "PANEL POSITION", "EMPTY", buffer, sizeof buffer));
    EXPECT_EQ(1, Ini_GetStringIntoBuffer(doc_, "PANEL POSITION", "BLANK", buffer, sizeof buffer));
    EXPECT_STREQ("", buffer);
}

TEST_F(GoldenFiles, PutsWriteTheDocumentedSixLines)
{
    Ini_PutString(doc_, "GENERAL INFO", "FILE TYPE:", "Panel Settings");
    Ini_PutInt(doc_, "PANEL POSITION", "MAINPANEL LEFT", 120);
    EXPECT_EQ(Slurp(Golden("panel_settings.expected")), Written());
}

TEST_F(GoldenFiles, ValuesOver80CharactersGoOntoNumberedContinuationLines)
{
    std::string v80, v200;
    for (int i = 0; i < 80; ++i)
        v80 += static_cast<char>('a' + i % 26);
    for (int i = 0; i < 200; ++i)
        v200 += static_cast<char>('0' + i % 10);
    const std::string v81 = v80 + "Z";
    Ini_PutString(doc_, "LONG", "EIGHTY", v80.c_str());
    Ini_PutString(doc_, "LONG", "EIGHTYONE", v81.c_str());
    Ini_PutString(doc_, "LONG", "NOTE", v200.c_str());
    const std::string bytes = Written();
    EXPECT_EQ(Slurp(Golden("continuation_lengths.expected")), bytes);

    IniText back = Ini_New(0);
    ASSERT_EQ(0, Ini_ReadFromFile(back, (folder_ / "out.ini").c_str()));
    char buffer[1024];
    EXPECT_EQ(1, Ini_GetStringIntoBuffer(back, "LONG", "EIGHTYONE", buffer, sizeof buffer));
    EXPECT_EQ(v81, buffer);
    EXPECT_EQ(1, Ini_GetStringIntoBuffer(back, "LONG", "NOTE", buffer, sizeof buffer));
    EXPECT_EQ(v200, buffer);
    Ini_Dispose(back);
}

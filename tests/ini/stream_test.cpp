// A streamed document against the document the same puts make: the same text, byte for byte,
// and a refusal (with the text untouched) for every put only a document can take.
#include <gtest/gtest.h>

#include <cctype>
#include <random>
#include <string>
#include <vector>

#include "ini/ini_stream.h"
#include "tests/ini/ini_memory.h"

namespace {

struct Put {
    std::string section;
    std::string tag;
    bool isInt = false;
    int32_t number = 0;
    std::string text = {};
};

template <typename Document>
int Apply(Document& doc, const Put& p)
{
    return p.isInt ? Ini_PutInt(doc, p.section.c_str(), p.tag.c_str(), p.number)
                   : Ini_PutString(doc, p.section.c_str(), p.tag.c_str(), p.text.c_str());
}

// Names that differ from each other by their number, written with any case and blanks around
// them, sometimes longer than a file's names may be.
class Plan {
public:
    explicit Plan(unsigned seed) : random_(seed) {}

    std::string Name(const std::string& stem, int number)
    {
        std::string n = stem + std::to_string(number);
        if (number % 8 == 5)
            n += std::string(250, 'L');
        for (char& c : n)
            if (random_() % 2)
                c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        return std::string(random_() % 3, ' ') + n + std::string(random_() % 2, '\t');
    }
    Put Item(const std::string& section, int number)
    {
        Put p{section, Name("KEY ", number)};
        p.isInt = random_() % 2;
        p.number = static_cast<int32_t>(random_());
        // Quotes, escapes and control characters; long enough, at times, for continuation lines.
        const char bytes[] = {'a', ' ', '"', '\\', '\t', '\x01', '\xc3', ';', '='};
        const size_t length = random_() % 4 == 0 ? random_() % 1200 : random_() % 20;
        for (size_t i = 0; i < length; ++i)
            p.text += bytes[random_() % sizeof bytes];
        return p;
    }
    std::vector<Put> Puts()
    {
        std::vector<Put> puts;
        const int sections = static_cast<int>(random_() % 8);
        for (int s = 0; s < sections; ++s) {
            const std::string section = Name("SECTION ", s);
            const int items = 1 + static_cast<int>(random_() % 20);
            for (int i = 0; i < items; ++i)
                // The section written otherwise each time: it is still the one open.
                puts.push_back(Item(i == 0 ? section : Name("SECTION ", s), i));
        }
        return puts;
    }

private:
    std::mt19937 random_;
};

std::string DocumentText(const std::vector<Put>& puts)
{
    IniText doc = Ini_New(0);
    for (const Put& p : puts)
        EXPECT_EQ(0, Apply(doc, p));
    std::string text = ini_memory::Write(doc);
    Ini_Dispose(doc);
    return text;
}

}  // namespace

TEST(IniStream, WritesWhatTheDocumentOfTheSamePutsWrites)
{
    for (unsigned round = 0; round < 200; ++round) {
        SCOPED_TRACE(round);
        Plan plan(round);
        const std::vector<Put> puts = plan.Puts();
        IniStream stream;
        for (const Put& p : puts)
            ASSERT_EQ(0, Apply(stream, p));
        ASSERT_EQ(DocumentText(puts), stream.TakeText());
        // Taken, the stream starts again from nothing.
        EXPECT_EQ("", stream.TakeText());
    }
}

TEST(IniStream, RefusesWhatOnlyADocumentCanTakeAndKeepsItsText)
{
    const std::vector<Put> puts = {{"ONE", "A", true, 1}, {"ONE", "B", true, 2}, {"TWO", "A", true, 3}};
    const std::vector<Put> refused = {
        {" one ", "C", true, 4},  // back into a section left
        {"TWO", " a", true, 5},   // a tag that is there
        {"two", "A", false, 0, "x"},
    };
    for (const Put& bad : refused) {
        SCOPED_TRACE(bad.section + "/" + bad.tag);
        IniStream stream;
        for (const Put& p : puts)
            ASSERT_EQ(0, Apply(stream, p));
        EXPECT_EQ(kIniNotStreamable, Apply(stream, bad));
        EXPECT_EQ(kIniNullArgument, Ini_PutInt(stream, nullptr, "A", 1));
        EXPECT_EQ(DocumentText(puts), stream.TakeText());
    }
}

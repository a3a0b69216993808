// The indexed lookups against the lookup rules walked out over the lists, on documents built to
// trip an index up: names equal only without case or surrounding white space, names that differ
// in inner blanks or bytes above 127, repeated sections and tags, merged continuation tags that
// end in a blank, puts that append or remove after the index was built, and a second read.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "ini/ini_document.h"
#include "ini/inifile.h"
#include "tests/ini/ini_memory.h"

namespace {

struct Doc {
    IniText h = Ini_New(0);
    ~Doc() { Ini_Dispose(h); }
};

// Every name stored in doc, each also lower-cased, upper-cased, padded with white space, with
// a blank doubled inside and cut short, plus names that are in no document.
std::vector<std::string> Probes(IniText doc)
{
    std::vector<std::string> names{"", " ", "NOPE", "\xc3\xa9", "\xc3\x89"};
    for (const IniSection& s : doc->sections) {
        names.push_back(s.name);
        for (const IniItem& i : s.items)
            names.push_back(i.tag);
    }
    std::vector<std::string> probes;
    for (const std::string& n : names) {
        std::string lower = n, upper = n;
        for (char& c : lower)
            c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
        for (char& c : upper)
            c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);
        std::string doubled = n;
        if (const size_t blank = doubled.find(' '); blank != std::string::npos)
            doubled.insert(blank, 1, ' ');
        const std::string padded = std::string(" \t").append(n).append("\v\f \r\n");
        for (const std::string& p : {n, lower, upper, padded, doubled, n.substr(0, n.size() / 2)})
            probes.push_back(p);
    }
    return probes;
}

// Same section, same item and same line of last access from the index and from the walk.
void ExpectSameAnswers(IniText doc)
{
    const std::vector<std::string> probes = Probes(doc);
    for (const std::string& section : probes) {
        const IniSection* walked = IniFindSectionLinear(doc, section);
        ASSERT_EQ(walked, IniFindSection(doc, section)) << "section [" << section << "]";
        for (const std::string& tag : probes) {
            doc->lineOfLastAccess = -7;
            const IniItem* walkedItem = IniFindItemLinear(doc, section, tag);
            const int32_t walkedLine = doc->lineOfLastAccess;
            doc->lineOfLastAccess = -7;
            ASSERT_EQ(walkedItem, IniFindItem(doc, section, tag)) << "[" << section << "] " << tag;
            ASSERT_EQ(walkedLine, doc->lineOfLastAccess);
        }
    }
}

// The same for every tag of the document (and its variants) in every section as stored: a
// lighter check for documents of many items.
void ExpectSameItems(IniText doc)
{
    const std::vector<std::string> tags = Probes(doc);
    std::vector<std::string> sections;
    for (const IniSection& s : doc->sections)
        sections.push_back(s.name);
    for (const std::string& section : sections)
        for (const std::string& tag : tags)
            ASSERT_EQ(IniFindItemLinear(doc, section, tag), IniFindItem(doc, section, tag))
                << "[" << section << "] " << tag;
}

}  // namespace

TEST(IniLookupIndex, FindsWhatTheWalkFindsInATrickyFile)
{
    Doc d;
    ASSERT_EQ(0, ini_memory::Read(d.h,
                                  "[Panel Position]\nLEFT = 1\nleft = 2\n Left\t= 3\nTOP = 4\n"
                                  "[ PANEL POSITION ]\nLEFT = 5\nBOTTOM = 6\n"
                                  "[PANEL  POSITION]\nLEFT = 7\n"
                                  "[\xc3\xa9t\xc3\xa9]\nK\xc3\xa9Y = 8\n[\xc3\x89T\xc3\x89]\nK\xc3\x89Y = 9\n"
                                  "[NOTES]\nNOTE  Line0001 = \"a\"\nNOTE  Line0002 = \"b\"\nNOTE = c\n"
                                  "X Line0002 = 10\nA B = 11\nA  B = 12\na b = 13\n"));
    ExpectSameAnswers(d.h);

    // Puts after the index exists: a new section (just looked up in vain), a new item, a put
    // that removes duplicates.
    EXPECT_EQ(nullptr, IniFindSection(d.h, " new section "));
    Ini_PutInt(d.h, " new section ", "K", 1);
    EXPECT_NE(nullptr, IniFindSection(d.h, " new section "));
    Ini_PutInt(d.h, "panel position", "RIGHT", 2);
    Ini_PutInt(d.h, "PANEL POSITION", " left ", 3);
    Ini_PutInt(d.h, "notes", "a b", 4);
    ExpectSameAnswers(d.h);

    // A second read appends sections and merges continuation lines behind the index's back.
    ASSERT_EQ(0, ini_memory::Read(d.h, "[NEW SECTION]\nK = 2\n[later]\nV Line0001 = 1\nV Line0002 = 2\n"));
    ExpectSameAnswers(d.h);
}

TEST(IniLookupIndex, FindsWhatTheWalkFindsInRandomDocuments)
{
    // Names from a small alphabet, so that equal, case-equal and blank-padded names are common.
    const char alphabet[] = {'a', 'A', 'b', 'B', ' ', '\t', '\xc3', '\xa9', '\x89', '1'};
    std::mt19937 random(20);
    auto name = [&] {
        std::string n;
        const int length = 1 + static_cast<int>(random() % 4);
        for (int i = 0; i < length; ++i)
            n += alphabet[random() % sizeof alphabet];
        return n;
    };
    for (int round = 0; round < 40; ++round) {
        Doc d;
        std::string text;
        for (int s = 0; s < 6; ++s) {
            text.append("[").append(name()).append("x]\n");
            for (int i = 0; i < 5; ++i)
                text.append("y").append(name()).append(" = ").append(std::to_string(i)).append("\n");
        }
        ASSERT_EQ(0, ini_memory::Read(d.h, text));
        ExpectSameAnswers(d.h);
        for (int p = 0; p < 5; ++p)
            Ini_PutInt(d.h, name().append("x").c_str(), std::string("y").append(name()).c_str(), p);
        ExpectSameAnswers(d.h);
    }
}

// Sections above and below the size from which items are hashed rather than walked, and puts
// that carry each section across it, append to a hashed one, or replace duplicates in it; and
// whether a section is there, as the gets would find it.
TEST(IniLookupIndex, FindsWhatTheWalkFindsInLargeSectionsAndAcrossPuts)
{
    const char alphabet[] = {'a', 'A', 'b', ' ', '\t', '\xc3', '1'};
    std::mt19937 random(21);
    auto name = [&] {
        std::string n;
        const int length = 1 + static_cast<int>(random() % 3);
        for (int i = 0; i < length; ++i)
            n += alphabet[random() % sizeof alphabet];
        return n;
    };
    for (int round = 0; round < 4; ++round) {
        Doc d;
        std::string text;
        for (int s = 0; s < 4; ++s) {
            text.append("[").append(name()).append("x]\n");
            const int items = 8 + static_cast<int>(random() % 20);
            for (int i = 0; i < items; ++i)
                text.append("y").append(name()).append(" = ").append(std::to_string(i)).append("\n");
        }
        ASSERT_EQ(0, ini_memory::Read(d.h, text));
        ExpectSameItems(d.h);  // the indexes are made here; the puts below must keep them
        for (size_t s = 0; s < d.h->sections.size(); ++s) {
            const std::string section = d.h->sections[s].name;
            if (IniFindSectionLinear(d.h, section) != &d.h->sections[s])
                continue;  // a repeated section: the puts go to the first of its name
            for (int k = 0; d.h->sections[s].items.size() <= kIniSmallSection + 1; ++k)
                Ini_PutInt(d.h, section.c_str(), std::string("z").append(std::to_string(k)).c_str(), k);
            std::string again = d.h->sections[s].items.front().tag;
            for (char& c : again)
                c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
            Ini_PutInt(d.h, section.c_str(), again.c_str(), -1);
        }
        ExpectSameItems(d.h);
        for (const std::string& section : Probes(d.h))
            ASSERT_EQ(IniFindSectionLinear(d.h, section) != nullptr ? 1 : 0,
                      Ini_SectionExists(d.h, section.c_str()))
                << "[" << section << "]";
    }
}

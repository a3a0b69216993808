#include "ini/ini_stream.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <new>

#include "ini/ini_document.h"
#include "ini/toolbox.h"

namespace {

// A document of a parameter file is about 7 KB: one allocation for most.
constexpr size_t kTextRoom = 8192;

// What names that match (StrICmpWithoutSurrWhiteSpace) have in common, from a name without
// surrounding white space: a hash of their bytes in upper case. Names that differ in it differ;
// the rare others are compared.
uint32_t SignatureOf(std::string_view name)
{
    uint32_t hash = 2166136261u;  // FNV-1a
    for (const char c : name) {
        hash ^= static_cast<uint32_t>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : static_cast<unsigned char>(c));
        hash *= 16777619u;
    }
    return hash;
}

int AppendLine(void* sinkData, const char* line)
{
    std::string& text = *static_cast<std::string*>(sinkData);
    text += line;
    text += "\r\n";
    return 0;
}

}  // namespace

IniStream::IniStream() { line_.reserve(kIniMaxLine + 1); }

bool IniStream::Matches(const std::string& names, const Name& stored, const Name& entered,
                        std::string_view name)
{
    return stored.signature == entered.signature &&
        StrICmpWithoutSurrWhiteSpace(std::string_view(names).substr(stored.at, stored.size), name) == 0;
}

int IniStream::enter(const char* section, const char* tag, std::string_view* trimmedTag)
{
    if (section == nullptr || tag == nullptr)
        return kIniNullArgument;
    // A builder puts a section's items one after the other, naming the section alike each time:
    // the same bytes are the open section without further ado.
    if (sections_.empty() || std::strcmp(section, openAsGiven_.c_str()) != 0) {
        const std::string_view name = TrimWhiteSpace(section);
        const Name entered{SignatureOf(name), sectionNames_.size(), name.size()};
        const auto same = [&](const Name& n) { return Matches(sectionNames_, n, entered, name); };
        if (sections_.empty() || !same(sections_.back())) {
            for (const Name& earlier : sections_)
                if (same(earlier))
                    return kIniNotStreamable;  // the document would add to the earlier section
            if (!sections_.empty())
                text_ += "\r\n";
            else if (text_.capacity() < kTextRoom)
                text_.reserve(kTextRoom);
            sections_.push_back(entered);
            sectionNames_ += name;
            tags_.clear();
            tagNames_.clear();
            // Straight into the text, without a line buffer and a sink.
            IniAppendSectionHeader(text_, name);
            text_ += "\r\n";
        }
        openAsGiven_.assign(section);
    }
    *trimmedTag = TrimWhiteSpace(tag);
    const Name entered{SignatureOf(*trimmedTag), tagNames_.size(), trimmedTag->size()};
    for (const Name& earlier : tags_)
        if (Matches(tagNames_, earlier, entered, *trimmedTag))
            return kIniNotStreamable;  // the document would replace the item
    tags_.push_back(entered);
    tagNames_ += *trimmedTag;
    return kIniOk;
}

int IniStream::putLines(std::string_view tag, std::string_view value, bool quoted)
{
    if (value.size() > static_cast<size_t>(kIniMaxValueLineLength))
        return IniWriteItemLines(tag, value, quoted, AppendLine, &text_, line_);
    // The one line of a value this short goes straight into the text.
    IniAppendItemLine(text_, tag, value, quoted);
    text_ += "\r\n";
    return kIniOk;
}

int IniStream::PutInt(const char* section, const char* tag, int32_t value)
{
    try {
        std::string_view name;
        if (const int result = enter(section, tag, &name); result < 0)
            return result;
        char text[16];
        const auto end = std::to_chars(text, text + sizeof text, value).ptr;
        return putLines(name, std::string_view(text, static_cast<size_t>(end - text)), false);
    } catch (const std::bad_alloc&) {
        return kIniOutOfMemory;
    }
}

int IniStream::PutString(const char* section, const char* tag, const char* text)
{
    try {
        std::string_view name;
        if (const int result = enter(section, tag, &name); result < 0)
            return result;
        return putLines(name, IniEncodeString(text != nullptr ? text : ""), true);
    } catch (const std::bad_alloc&) {
        return kIniOutOfMemory;
    }
}

std::string IniStream::TakeText()
{
    if (!sections_.empty())
        text_ += "\r\n";
    sections_.clear();
    sectionNames_.clear();
    openAsGiven_.clear();
    tags_.clear();
    tagNames_.clear();
    std::string text = std::move(text_);
    text_.clear();
    return text;
}

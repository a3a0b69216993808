// The text form of a document, line by line into a sink.
#include <algorithm>
#include <cstdio>
#include <new>

#include "ini/ini_document.h"

namespace {

constexpr int kMaxContinuationBase = 246;  // leaves room for " Line" and four digits

}  // namespace

void IniAppendSectionHeader(std::string& out, std::string_view name)
{
    // Names from a file are at most 255 characters; cutting put names the same way keeps every
    // header line short and makes a written name read back as itself.
    out += kIniSectionStart;
    out += name.substr(0, static_cast<size_t>(kIniMaxName));
    out += kIniSectionEnd;
}

void IniAppendItemLine(std::string& out, std::string_view tag, std::string_view value, bool quoted)
{
    // A cut tag, the separator, the quotes and a value of at most kIniMaxValueLineLength bytes
    // stay well inside kIniMaxLine: nothing of the value is cut.
    static_assert(kIniMaxName + kIniWrittenSeparator.size() + 2 + kIniMaxValueLineLength <= kIniMaxLine);
    out += tag.substr(0, static_cast<size_t>(kIniMaxName));
    out += kIniWrittenSeparator;
    if (quoted)
        out += '"';
    out += value;
    if (quoted)
        out += '"';
}

int IniWriteSectionHeader(std::string_view name, IniLineSink sink, void* sinkData, std::string& line)
{
    line.clear();
    IniAppendSectionHeader(line, name);
    return sink(sinkData, line.c_str());
}

// One or more item lines. Values longer than the line length are cut at byte positions of the
// stored text; the reader rejoins the pieces before anything is decoded, so an escape split
// between two lines is harmless.
int IniWriteItemLines(std::string_view tagText, std::string_view value, bool quoted, IniLineSink sink,
                      void* sinkData, std::string& line)
{
    const size_t quotes = quoted ? 2 : 0;
    if (value.size() <= static_cast<size_t>(kIniMaxValueLineLength)) {
        line.clear();
        IniAppendItemLine(line, tagText, value, quoted);
        return sink(sinkData, line.c_str());
    }
    const std::string_view base = tagText.substr(0, static_cast<size_t>(kMaxContinuationBase));
    size_t offset = 0;
    for (long number = 1; offset < value.size(); ++number) {
        char suffix[32];
        std::snprintf(suffix, sizeof suffix, " Line%04ld", number);
        line.assign(base);
        line += suffix;
        const size_t room = kIniMaxLine - line.size() - kIniWrittenSeparator.size() - quotes;
        const size_t piece = std::min(static_cast<size_t>(kIniMaxValueLineLength), room);
        line += kIniWrittenSeparator;
        if (quoted)
            line += '"';
        line += value.substr(offset, piece);
        if (quoted)
            line += '"';
        offset += piece;
        const int result = sink(sinkData, line.c_str());
        if (result < 0)
            return result;
    }
    return 0;
}

namespace {

int WriteItem(const IniItem& item, IniLineSink sink, void* sinkData, std::string& line)
{
    return IniWriteItemLines(item.tag, item.value, item.quoted, sink, sinkData, line);
}

int WriteSection(const IniSection& section, IniLineSink sink, void* sinkData, std::string& line)
{
    int result = 0;
    if (!section.comment.empty() && (result = sink(sinkData, section.comment.c_str())) < 0)
        return result;
    if ((result = IniWriteSectionHeader(section.name, sink, sinkData, line)) < 0)
        return result;
    for (const IniItem& item : section.items) {
        if (!item.comment.empty() && (result = sink(sinkData, item.comment.c_str())) < 0)
            return result;
        if ((result = WriteItem(item, sink, sinkData, line)) < 0)
            return result;
    }
    return sink(sinkData, "");
}

}  // namespace

int Ini_WriteGeneric(IniText doc, IniLineSink sink, void* sinkData)
{
    if (doc == nullptr || sink == nullptr)
        return kIniNullArgument;
    try {
        std::string line;
        line.reserve(kIniMaxLine + 1);
        int result = 0;
        if (!doc->headerComment.empty()) {
            if ((result = sink(sinkData, doc->headerComment.c_str())) < 0)
                return result;
            if ((result = sink(sinkData, "")) < 0)
                return result;
        }
        for (const IniSection& section : doc->sections)
            if ((result = WriteSection(section, sink, sinkData, line)) < 0)
                return result;
        if (!doc->trailerComment.empty() && (result = sink(sinkData, doc->trailerComment.c_str())) < 0)
            return result;
        return kIniOk;
    } catch (const std::bad_alloc&) {
        return kIniOutOfMemory;
    }
}

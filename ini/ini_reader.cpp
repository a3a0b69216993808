// Building a document from lines: comments, section headers, items, and the merging of
// continuation lines. Ini_ReadFromFile is the file adapter around it.
#include <cstdio>
#include <new>

#include "ini/ini_document.h"
#include "ini/ini_file_system.h"
#include "ini/line_file.h"
#include "ini/toolbox.h"

namespace {

std::string_view CutName(std::string_view name)
{
    // Overlong names are cut, then trimmed again so the invariant of no surrounding white
    // space holds even when the cut lands after a blank.
    if (name.size() > static_cast<size_t>(kIniMaxName))
        name = TrimWhiteSpace(name.substr(0, kIniMaxName));
    return name;
}

// The name of a header line "[ name ]" (rest starts at the '['); empty when the line is not a
// valid header: no closing bracket, text after it, or nothing between.
std::string_view HeaderName(std::string_view rest)
{
    const size_t close = rest.rfind(kIniSectionEnd);
    if (close == std::string_view::npos || close == 0)
        return {};
    if (HasNonWhiteSpace(rest.substr(close + 1)))
        return {};
    return CutName(TrimWhiteSpace(rest.substr(1, close - 1)));
}

struct ReadState {
    IniText doc = nullptr;
    std::string pending;     // comment lines not yet attached
    int currentSection = -1; // index of the section items go to; -1 none yet
};

void AddComment(std::string& pending, std::string_view line)
{
    if (!pending.empty())
        pending += "\r\n";
    pending += line;
}

void ReadLine(ReadState& state, std::string_view line, int lineNumber)
{
    IniText doc = state.doc;
    std::string_view rest = line;
    while (!rest.empty() && IsIniWhiteSpace(rest.front()))
        rest.remove_prefix(1);

    if (!rest.empty() && rest.front() == kIniCommentToken) {
        AddComment(state.pending, line);  // kept as read, leading white space included
        return;
    }
    if (!rest.empty() && rest.front() == kIniSectionStart) {
        const std::string_view name = HeaderName(rest);
        if (!name.empty()) {
            // A repeated name still makes a new section; lookups find the first.
            IniSection section;
            section.name = std::string(name);
            section.sourceLine = lineNumber;
            section.comment = std::move(state.pending);
            state.pending.clear();
            doc->sections.push_back(std::move(section));
            state.currentSection = static_cast<int>(doc->sections.size()) - 1;
            return;
        }
    } else {
        const size_t separator = rest.find(kIniSeparator);
        if (separator != std::string_view::npos) {
            const std::string_view tag = CutName(TrimWhiteSpace(rest.substr(0, separator)));
            std::string_view value = TrimWhiteSpace(rest.substr(separator + 1));
            if (!tag.empty() && !value.empty()) {
                if (state.currentSection < 0) {
                    state.pending.clear();  // items before any header are dropped
                    return;
                }
                IniItem item;
                if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
                    value = value.substr(1, value.size() - 2);
                    item.quoted = true;
                }
                item.tag = std::string(tag);
                item.value = std::string(value);
                item.sourceLine = lineNumber;
                item.comment = std::move(state.pending);
                state.pending.clear();
                doc->sections[state.currentSection].items.push_back(std::move(item));
                return;
            }
        }
    }
    // Unrecognised line (blank lines included): it closes a comment block that stands before
    // any section, which then becomes the document's header comment.
    if (!state.pending.empty() && state.currentSection < 0 && doc->headerComment.empty()) {
        doc->headerComment = std::move(state.pending);
        state.pending.clear();
    }
}

// Splits a continuation tag "BASE Line0002" into its base and number. The last " Line" counts,
// so a base tag that itself contains " Line" survives a write and read.
bool ParseContinuationTag(std::string_view tag, std::string_view* base, int32_t* number)
{
    const size_t at = tag.rfind(" Line");
    if (at == std::string_view::npos)
        return false;
    const std::string_view digits = tag.substr(at + 5);
    if (digits.empty())
        return false;
    int64_t value = 0;
    for (char c : digits) {
        if (c < '0' || c > '9')
            return false;
        value = value * 10 + (c - '0');
        if (value > 2147483647)
            return false;
    }
    *base = tag.substr(0, at);
    *number = static_cast<int32_t>(value);
    return true;
}

// Builds the merged list from copies and swaps it in at the end, so running out of memory
// half-way leaves the section as it was.
void MergeContinuationLines(IniSection& section)
{
    const std::vector<IniItem>& items = section.items;
    std::vector<IniItem> merged;
    merged.reserve(items.size());
    size_t i = 0;
    while (i < items.size()) {
        std::string_view base;
        int32_t number = 0;
        if (!ParseContinuationTag(items[i].tag, &base, &number) || number != 1) {
            merged.push_back(items[i]);
            ++i;
            continue;
        }
        // A run: line 1 and every directly following continuation line of the same base tag
        // not numbered 1. The writer gives all lines of a value the same base, so the base
        // check changes nothing for written files; it keeps an item whose own tag merely looks
        // like a continuation ("X Line0005") from being swallowed by a long value before it.
        // The first item keeps its source line, quoted flag and comment.
        IniItem head = items[i];
        head.tag = std::string(base);
        ++i;
        while (i < items.size()) {
            std::string_view nextBase;
            int32_t nextNumber = 0;
            if (!ParseContinuationTag(items[i].tag, &nextBase, &nextNumber) || nextNumber == 1 ||
                nextBase != head.tag)
                break;
            head.value += items[i].value;
            ++i;
        }
        merged.push_back(std::move(head));
    }
    section.items.swap(merged);
}

}  // namespace

int Ini_ReadGeneric(IniText doc, IniLineSource source, void* sourceData)
{
    if (doc == nullptr || source == nullptr)
        return kIniNullArgument;
    IniDropIndex(doc);
    try {
        ReadState state;
        state.doc = doc;
        char line[kIniMaxLine + 1];
        for (;;) {
            int endOfFile = 0;
            int lineNumber = 0;
            line[0] = '\0';
            const int result = source(sourceData, line, kIniMaxLine, &endOfFile, &lineNumber);
            line[kIniMaxLine] = '\0';
            if (result < 0)
                return result;
            if (endOfFile)
                break;
            ReadLine(state, line, lineNumber);
        }
        if (!state.pending.empty() && doc->trailerComment.empty())
            doc->trailerComment = std::move(state.pending);
        for (IniSection& section : doc->sections)
            MergeContinuationLines(section);
        return kIniOk;
    } catch (const std::bad_alloc&) {
        return kIniOutOfMemory;
    }
}

namespace {

int LineFileSource(void* sourceData, char* line, int maxChars, int* endOfFile, int* lineNumber)
{
    LineFile* file = static_cast<LineFile*>(sourceData);
    const int result = LineFile_Read(file, line, maxChars, nullptr, endOfFile);
    *lineNumber = file->linesRead;
    return result;
}

}  // namespace

int Ini_ReadFromFile(IniText doc, const char* path)
{
    if (doc == nullptr || path == nullptr)
        return kIniNullArgument;
    FILE* stream = IniOpenRegularFile(path);
    if (stream == nullptr)
        return kIniCouldNotOpenForReading;
    LineFile* file = LineFile_New(nullptr, stream);
    if (file == nullptr) {
        std::fclose(stream);
        return kIniOutOfMemory;
    }
    const int result = Ini_ReadGeneric(doc, LineFileSource, file);
    LineFile_Dispose(file);
    std::fclose(stream);
    return result;
}

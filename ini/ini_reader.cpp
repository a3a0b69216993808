// Building a document from lines: comments, section headers, items, and the merging of
// continuation lines. Ini_ReadFromFile is the file adapter around it.
#include <cstdio>
#include <cstring>
#include <new>

#include "ini/ini_document.h"
#include "ini/ini_file_system.h"
#include "ini/line_file.h"
#include "ini/toolbox.h"

namespace {

INI_ALWAYS_INLINE std::string_view CutName(std::string_view name)
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
    size_t expectedItems = 0; // room the current section takes at its first item
};

void AddComment(std::string& pending, std::string_view line)
{
    if (!pending.empty())
        pending += "\r\n";
    pending += line;
}

// An unrecognised line (blank lines included) closes a comment block that stands before any
// section, which then becomes the document's header comment.
INI_ALWAYS_INLINE void Unrecognised(ReadState& state)
{
    if (!state.pending.empty() && state.currentSection < 0 && state.doc->headerComment.empty())
        state.doc->headerComment.swap(state.pending);
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
            if (doc->sections.capacity() == 0)
                doc->sections.reserve(8);  // a settings file has a few sections at least
            // Sections of one file tend to be alike, so the items of the one before say how
            // many to expect: one allocation instead of several (at the first item, so an empty
            // section takes none), and never more room than that file has items.
            const size_t expected =
                state.currentSection < 0 ? 0 : doc->sections[state.currentSection].items.size();
            IniSection& section = doc->sections.emplace_back();
            try {
                section.name.assign(name);
            } catch (...) {
                doc->sections.pop_back();
                throw;
            }
            state.expectedItems = expected;
            section.sourceLine = lineNumber;
            if (!state.pending.empty())
                section.comment.swap(state.pending);
            state.currentSection = static_cast<int>(doc->sections.size()) - 1;
            return;
        }
    } else if (const void* at = rest.empty() ? nullptr : std::memchr(rest.data(), kIniSeparator, rest.size())) {
        // rest starts with no white space, so the tag needs only its end trimmed.
        const char* const begin = rest.data();
        const char* const end = begin + rest.size();
        const char* const separator = static_cast<const char*>(at);
        const char* tagEnd = separator;
        while (tagEnd != begin && IsIniWhiteSpace(tagEnd[-1]))
            --tagEnd;
        const char* valueBegin = separator + 1;
        while (valueBegin != end && IsIniWhiteSpace(*valueBegin))
            ++valueBegin;
        const char* valueEnd = end;
        while (valueEnd != valueBegin && IsIniWhiteSpace(valueEnd[-1]))
            --valueEnd;
        if (tagEnd != begin && valueEnd != valueBegin) {
            if (state.currentSection < 0) {
                state.pending.clear();  // items before any header are dropped
                return;
            }
            const std::string_view tag = CutName(std::string_view(begin, static_cast<size_t>(tagEnd - begin)));
            bool quoted = false;
            if (valueEnd - valueBegin >= 2 && *valueBegin == '"' && valueEnd[-1] == '"') {
                ++valueBegin;
                --valueEnd;
                quoted = true;
            }
            // Made in place: nothing is copied or moved after the texts are taken over.
            std::vector<IniItem>& items = doc->sections[state.currentSection].items;
            if (items.capacity() == 0 && state.expectedItems > 1)
                items.reserve(state.expectedItems);
            IniItem& item = items.emplace_back();
            try {
                item.tag.append(tag);
                item.value.append(valueBegin, static_cast<size_t>(valueEnd - valueBegin));
            } catch (...) {
                items.pop_back();
                throw;
            }
            item.quoted = quoted;
            item.sourceLine = lineNumber;
            if (!state.pending.empty())
                item.comment.swap(state.pending);
            return;
        }
    }
    Unrecognised(state);
}

// Splits a continuation tag "BASE Line0002" into its base and number. The last " Line" counts,
// so a base tag that itself contains " Line" survives a write and read. Since " Line" ends in a
// letter, the last one followed by nothing but digits is the one right before the tag's final
// run of digits: only the tag's end is looked at.
INI_ALWAYS_INLINE bool ParseContinuationTag(std::string_view tag, std::string_view* base, int32_t* number)
{
    constexpr std::string_view kLine = " Line";
    size_t digitsAt = tag.size();
    while (digitsAt > 0 && tag[digitsAt - 1] >= '0' && tag[digitsAt - 1] <= '9')
        --digitsAt;
    if (digitsAt == tag.size() || digitsAt < kLine.size() || tag[digitsAt - 1] != 'e' ||
        tag.compare(digitsAt - kLine.size(), kLine.size(), kLine) != 0)
        return false;
    int64_t value = 0;
    for (size_t i = digitsAt; i < tag.size(); ++i) {
        value = value * 10 + (tag[i] - '0');
        if (value > 2147483647)
            return false;
    }
    *base = tag.substr(0, digitsAt - kLine.size());
    *number = static_cast<int32_t>(value);
    return true;
}

INI_ALWAYS_INLINE bool StartsRun(const IniItem& item)
{
    // Only a tag that ends in the digit 1 can start a run: "BASE Line0001".
    if (item.tag.empty() || item.tag.data()[item.tag.size() - 1] != '1')
        return false;
    std::string_view base;
    int32_t number = 0;
    return ParseContinuationTag(item.tag, &base, &number) && number == 1;
}

// A run: line 1 and every directly following continuation line of the same base tag not
// numbered 1. The writer gives all lines of a value the same base, so the base check changes
// nothing for written files; it keeps an item whose own tag merely looks like a continuation
// ("X Line0005") from being swallowed by a long value before it.
struct Run {
    size_t first = 0;     // the item numbered 1
    size_t end = 0;       // one past the run's last item
    size_t baseSize = 0;  // the first item's tag cut to this is the base tag
    std::string value;    // the values of the run joined
};

// Most sections hold no continuation lines and are left alone. Otherwise everything that
// allocates (the joined values) is made first and the section changed only then, by moves,
// which cannot fail: running out of memory half-way leaves the section as it was.
void MergeContinuationLines(IniSection& section)
{
    std::vector<IniItem>& items = section.items;
    size_t i = 0;
    while (i < items.size() && !StartsRun(items[i]))
        ++i;
    if (i == items.size())
        return;
    std::vector<Run> runs;
    while (i < items.size()) {
        std::string_view base;
        int32_t number = 0;
        if (!ParseContinuationTag(items[i].tag, &base, &number) || number != 1) {
            ++i;
            continue;
        }
        Run run;
        run.first = i;
        run.baseSize = base.size();
        size_t size = items[i].value.size();
        size_t end = i + 1;
        while (end < items.size()) {
            std::string_view nextBase;
            int32_t nextNumber = 0;
            if (!ParseContinuationTag(items[end].tag, &nextBase, &nextNumber) || nextNumber == 1 ||
                nextBase != base)
                break;
            size += items[end].value.size();
            ++end;
        }
        run.end = end;
        run.value.reserve(size);
        for (size_t k = i; k < end; ++k)
            run.value += items[k].value;
        runs.push_back(std::move(run));
        i = end;
    }
    // The first item of a run takes the base tag and the joined value and keeps its own source
    // line, quoted flag and comment; the other items of the run go, with their comments.
    size_t kept = 0;
    size_t next = 0;
    for (Run& run : runs) {
        for (; next < run.first; ++next, ++kept)
            if (kept != next)
                items[kept] = std::move(items[next]);
        items[run.first].tag.resize(run.baseSize);
        items[run.first].value.swap(run.value);
        if (kept != run.first)
            items[kept] = std::move(items[run.first]);
        ++kept;
        next = run.end;
    }
    for (; next < items.size(); ++next, ++kept)
        if (kept != next)
            items[kept] = std::move(items[next]);
    items.erase(items.begin() + static_cast<std::ptrdiff_t>(kept), items.end());
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
        int endOfFile = 0;
        int lineNumber = 0;
        for (;;) {
            endOfFile = 0;
            lineNumber = 0;
            line[0] = '\0';
            const int result = source(sourceData, line, kIniMaxLine, &endOfFile, &lineNumber);
            line[kIniMaxLine] = '\0';
            if (result < 0)
                return result;
            if (endOfFile)
                break;
            if (line[0] == '\0')
                Unrecognised(state);  // an empty line: nothing else to look at
            else
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

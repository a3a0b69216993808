#include "ini/line_file.h"

#include <cstdio>
#include <cstring>
#include <new>

#include "ini/inifile.h"
#include "ini/toolbox.h"

int LineFile_ReadFromFile(void* source, int maxCount, int* countRead, char* buffer)
{
    FILE* stream = static_cast<FILE*>(source);
    *countRead = static_cast<int>(std::fread(buffer, 1, static_cast<size_t>(maxCount), stream));
    return std::ferror(stream) ? kIniErrorReadingFile : 0;
}

LineFile* LineFile_New(LineFileBlockReader reader, void* source)
{
    LineFile* file = new (std::nothrow) LineFile;
    if (file == nullptr)
        return nullptr;
    file->source = source;
    file->blockReader = reader != nullptr ? reader : LineFile_ReadFromFile;
    return file;
}

void LineFile_Dispose(LineFile* file) { delete file; }

namespace {

struct TerminatorTable {
    bool is[256];
    constexpr TerminatorTable() : is()
    {
        is[static_cast<unsigned char>('\r')] = true;
        is[static_cast<unsigned char>('\n')] = true;
        is[0] = true;
    }
};
constexpr TerminatorTable kTerminator;

INI_ALWAYS_INLINE bool IsTerminator(char c) { return kTerminator.is[static_cast<unsigned char>(c)]; }

// The first terminator among the n bytes at p, or nullptr. The block always has a zero byte
// after its end, and the zero byte is a terminator too, so one search over the string finds
// the line's end or the block's.
INI_ALWAYS_INLINE const char* FindTerminator(const char* p, size_t n)
{
    const size_t span = std::strcspn(p, "\r\n");
    return span < n ? p + span : nullptr;
}

}  // namespace

int LineFile_Read(LineFile* file, char* line, int maxChars, int* length, int* endOfFile)
{
    *endOfFile = 0;
    if (maxChars < 0)
        maxChars = 0;
    // The reader's state is worked on in locals and stored back once: it is touched for every
    // line, and each access through the record costs checks in instrumented builds.
    const char* position = file->readPosition;
    int left = file->bytesLeft;
    char lastTerminator = file->lastTerminator;
    int count = 0;
    bool first = true;
    int result = 0;
    bool ended = false;
    while (!ended) {
        if (left <= 0) {
            // The count goes straight into the record: a local whose address escapes would cost
            // every call, not just every block, in instrumented builds.
            result = file->blockReader(file->source, kLineFileBlockSize, &file->bytesLeft, file->block);
            left = file->bytesLeft;
            if (result < 0 || left <= 0) {
                left = 0;
                if (result < 0)
                    break;
                // End of the source: a partial last line still counts as a line.
                if (count == 0)
                    *endOfFile = 1;
                ended = count > 0;
                break;
            }
            // Never trust a reader that claims more than the block holds.
            if (left > kLineFileBlockSize)
                left = kLineFileBlockSize;
            position = file->block;
            file->block[left] = '\0';
        }
        if (first) {
            // A terminator opening this call that differs from the one that ended the previous
            // line completes a CR LF or LF CR pair; two equal ones in a row are an empty line.
            first = false;
            const char c = *position;
            if (IsTerminator(c) && c != lastTerminator) {
                ++position;
                --left;
                continue;
            }
        }
        // The rest of the line in this block goes over at once; beyond maxChars it is dropped.
        const size_t available = static_cast<size_t>(left);
        const char* terminator = FindTerminator(position, available);
        const size_t span = terminator != nullptr ? static_cast<size_t>(terminator - position) : available;
        const size_t room = static_cast<size_t>(maxChars - count);
        const size_t kept = span < room ? span : room;
        if (kept > 0) {
            std::memcpy(line + count, position, kept);
            count += static_cast<int>(kept);
        }
        position += span;
        left -= static_cast<int>(span);
        if (terminator != nullptr) {
            lastTerminator = *terminator;
            ++position;
            --left;
            ended = true;
        }
    }
    file->readPosition = position;
    file->bytesLeft = left;
    file->lastTerminator = lastTerminator;
    line[count] = '\0';
    if (length != nullptr)
        *length = count;
    if (ended)
        ++file->linesRead;
    return result;
}

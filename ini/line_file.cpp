#include "ini/line_file.h"

#include <cstdio>
#include <cstring>
#include <new>

#include "ini/inifile.h"

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

bool IsTerminator(char c) { return c == '\r' || c == '\n' || c == '\0'; }

// The first terminator among the n bytes at p, or nullptr. The block always has a zero byte
// after its end, and the zero byte is a terminator too, so one search over the string finds
// the line's end or the block's.
const char* FindTerminator(const char* p, size_t n)
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
    int count = 0;
    bool first = true;
    int result = 0;
    bool ended = false;
    while (!ended) {
        if (file->bytesLeft <= 0) {
            // The count goes straight into the record: a local whose address escapes would cost
            // every call, not just every block, in instrumented builds.
            result = file->blockReader(file->source, kLineFileBlockSize, &file->bytesLeft, file->block);
            if (result < 0 || file->bytesLeft <= 0) {
                file->bytesLeft = 0;
                if (result < 0)
                    break;
                // End of the source: a partial last line still counts as a line.
                if (count == 0)
                    *endOfFile = 1;
                ended = count > 0;
                break;
            }
            // Never trust a reader that claims more than the block holds.
            if (file->bytesLeft > kLineFileBlockSize)
                file->bytesLeft = kLineFileBlockSize;
            file->readPosition = file->block;
            file->block[file->bytesLeft] = '\0';
        }
        if (first) {
            // A terminator opening this call that differs from the one that ended the previous
            // line completes a CR LF or LF CR pair; two equal ones in a row are an empty line.
            first = false;
            const char c = *file->readPosition;
            if (IsTerminator(c) && c != file->lastTerminator) {
                ++file->readPosition;
                --file->bytesLeft;
                continue;
            }
        }
        // The rest of the line in this block goes over at once; beyond maxChars it is dropped.
        const size_t available = static_cast<size_t>(file->bytesLeft);
        const char* terminator = FindTerminator(file->readPosition, available);
        const size_t span =
            terminator != nullptr ? static_cast<size_t>(terminator - file->readPosition) : available;
        const size_t room = static_cast<size_t>(maxChars - count);
        const size_t kept = span < room ? span : room;
        std::memcpy(line + count, file->readPosition, kept);
        count += static_cast<int>(kept);
        file->readPosition += span;
        file->bytesLeft -= static_cast<int32_t>(span);
        if (terminator != nullptr) {
            file->lastTerminator = *terminator;
            ++file->readPosition;
            --file->bytesLeft;
            ended = true;
        }
    }
    line[count] = '\0';
    if (length != nullptr)
        *length = count;
    if (ended)
        ++file->linesRead;
    return result;
}

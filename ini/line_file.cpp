#include "ini/line_file.h"

#include <cstdio>
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
            int got = 0;
            result = file->blockReader(file->source, kLineFileBlockSize, &got, file->block);
            if (result < 0)
                break;
            if (got <= 0) {
                // End of the source: a partial last line still counts as a line.
                if (count == 0)
                    *endOfFile = 1;
                ended = count > 0;
                break;
            }
            // Never trust a reader that claims more than the block holds.
            file->bytesLeft = got < kLineFileBlockSize ? got : kLineFileBlockSize;
            file->readPosition = file->block;
        }
        const char c = *file->readPosition++;
        --file->bytesLeft;
        if (IsTerminator(c)) {
            // A terminator opening this call that differs from the one that ended the previous
            // line completes a CR LF or LF CR pair; two equal ones in a row are an empty line.
            if (first && c != file->lastTerminator) {
                first = false;
                continue;
            }
            file->lastTerminator = c;
            ended = true;
            break;
        }
        first = false;
        if (count < maxChars)
            line[count++] = c;
    }
    line[count] = '\0';
    if (length != nullptr)
        *length = count;
    if (ended)
        ++file->linesRead;
    return result;
}

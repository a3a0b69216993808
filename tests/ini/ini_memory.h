// Reading and writing documents in memory: a byte string as the line reader's source and a
// string as the writer's sink. Shared by the tests and the fuzz target.
#pragma once

#include <cstring>
#include <string>
#include <string_view>

#include "ini/inifile.h"
#include "ini/line_file.h"

namespace ini_memory {

struct Bytes {
    std::string_view data;
    size_t offset = 0;
    size_t blockLimit = kLineFileBlockSize;  // smaller to move block boundaries around
};

inline int ReadBlock(void* source, int maxCount, int* countRead, char* buffer)
{
    Bytes* bytes = static_cast<Bytes*>(source);
    size_t count = bytes->data.size() - bytes->offset;
    if (count > static_cast<size_t>(maxCount))
        count = static_cast<size_t>(maxCount);
    if (count > bytes->blockLimit)
        count = bytes->blockLimit;
    if (count > 0)
        std::memcpy(buffer, bytes->data.data() + bytes->offset, count);
    bytes->offset += count;
    *countRead = static_cast<int>(count);
    return 0;
}

inline int LineSource(void* sourceData, char* line, int maxChars, int* endOfFile, int* lineNumber)
{
    LineFile* file = static_cast<LineFile*>(sourceData);
    const int result = LineFile_Read(file, line, maxChars, nullptr, endOfFile);
    *lineNumber = file->linesRead;
    return result;
}

// Adds the text's lines to doc through the line reader; returns Ini_ReadGeneric's result.
inline int Read(IniText doc, std::string_view text, size_t blockLimit = kLineFileBlockSize)
{
    Bytes bytes{text, 0, blockLimit == 0 ? 1 : blockLimit};
    LineFile* file = LineFile_New(ReadBlock, &bytes);
    if (file == nullptr)
        return kIniOutOfMemory;
    const int result = Ini_ReadGeneric(doc, LineSource, file);
    LineFile_Dispose(file);
    return result;
}

inline int AppendLine(void* sinkData, const char* line)
{
    std::string* out = static_cast<std::string*>(sinkData);
    out->append(line);
    out->append("\r\n");
    return 0;
}

// The bytes Ini_WriteToFile would put in a file.
inline std::string Write(IniText doc, int* result = nullptr)
{
    std::string out;
    const int r = Ini_WriteGeneric(doc, AppendLine, &out);
    if (result != nullptr)
        *result = r;
    return out;
}

}  // namespace ini_memory

// Loads arbitrary bytes as a parameter file: the store's reader over an in-memory line source,
// the header gets, then the parameter and teach-row acquisition with its reports. Pop-ups are
// answered by a hook, so no window is needed.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "ini/inifile.h"
#include "params/parameter_file.h"
#include "params/parameter_set.h"
#include "platform/popups.h"

namespace {

struct MemorySource {
    const uint8_t* data;
    size_t size;
    size_t pos;
    int lineNumber;
};

// Lines end at carriage return, line feed or a zero byte; a CR LF pair ends one line. Lines
// longer than maxChars are cut, as the file reader cuts them.
int NextLine(void* sourceData, char* line, int maxChars, int* endOfFile, int* lineNumber)
{
    auto* src = static_cast<MemorySource*>(sourceData);
    line[0] = '\0';
    *endOfFile = 0;
    if (src->pos >= src->size) {
        *endOfFile = 1;
        return 0;
    }
    int length = 0;
    while (src->pos < src->size) {
        const char c = static_cast<char>(src->data[src->pos++]);
        if (c == '\r' || c == '\n' || c == '\0') {
            if (c == '\r' && src->pos < src->size && src->data[src->pos] == '\n')
                ++src->pos;
            break;
        }
        if (length < maxChars)
            line[length++] = c;
    }
    line[length] = '\0';
    *lineNumber = ++src->lineNumber;
    return 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static bool hooked = [] {
        SetPopupHook([](const PopupCall& call, std::string&) {
            // Reading the report walks its whole text, as the real pop-up would.
            volatile size_t n = std::strlen(call.message.c_str());
            (void)n;
            return 1;
        });
        return true;
    }();
    (void)hooked;

    IniText ini = Ini_New(0);
    if (!ini)
        return 0;
    MemorySource source{data, size, 0, 0};
    Ini_ReadGeneric(ini, NextLine, &source);
    char header[1024];
    Ini_GetStringIntoBuffer(ini, "GENERAL INFO", "FILE TYPE:", header, sizeof header);
    Ini_GetStringIntoBuffer(ini, "GENERAL INFO", "DIROR VERSION:", header, sizeof header);
    const uint16_t reserved = TechVec[17].Reserved;
    AcquireParaFromIniHandle(ini);
    AcquireTechVecFromIniHandle(ini);
    if (TechVec[17].Reserved != reserved)
        __builtin_trap();  // the eighth word is never loaded
    Ini_Dispose(ini);
    return 0;
}

// Loads arbitrary bytes as a parameter file: the store's line reader and reader over the bytes in
// memory (the path of a file read, without the file), the header gets, then the parameter and
// teach-row acquisition with its reports. Pop-ups are answered by a hook, so no window is needed.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "ini/inifile.h"
#include "params/parameter_file.h"
#include "params/parameter_set.h"
#include "platform/popups.h"
#include "tests/ini/ini_memory.h"

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
    ini_memory::Read(ini, std::string_view(reinterpret_cast<const char*>(data), size));
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

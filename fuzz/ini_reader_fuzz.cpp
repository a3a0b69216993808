// Arbitrary bytes through the settings store's reader, then written, read again and every item
// fetched. Whatever the input, the document must write out and read back with the same
// sections, and nothing may crash or overrun.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "ini/ini_document.h"
#include "tests/ini/ini_memory.h"

namespace {

void GetEverything(IniText doc)
{
    for (const IniSection& section : doc->sections) {
        for (const IniItem& item : section.items) {
            int32_t value = 0;
            char buffer[32];
            Ini_GetInt(doc, section.name.c_str(), item.tag.c_str(), &value);
            Ini_GetStringIntoBuffer(doc, section.name.c_str(), item.tag.c_str(), buffer, sizeof buffer);
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    // The first byte moves the block boundaries, so pairs split across blocks get exercised.
    const size_t blockLimit = size > 0 ? 1 + data[0] % 64 : kLineFileBlockSize;

    IniText first = Ini_New(0);
    if (ini_memory::Read(first, bytes, blockLimit) != 0)
        std::abort();
    GetEverything(first);
    int result = -1;
    const std::string text = ini_memory::Write(first, &result);
    if (result != 0)
        std::abort();

    IniText second = Ini_New(0);
    if (ini_memory::Read(second, text) != 0)
        std::abort();
    GetEverything(second);
    // Section names survive a write and read unchanged, whatever the items did.
    if (second->sections.size() != first->sections.size())
        std::abort();
    for (size_t i = 0; i < first->sections.size(); ++i)
        if (first->sections[i].name != second->sections[i].name)
            std::abort();
    Ini_Dispose(second);
    Ini_Dispose(first);
    return 0;
}

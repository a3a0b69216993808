#include "ini/toolbox.h"

#include <cstring>

std::string StrDupWithoutSurrWhiteSpace(std::string_view text)
{
    return std::string(TrimWhiteSpace(text));
}

int StrICmpWithoutSurrWhiteSpace(std::string_view a, std::string_view b)
{
    // Trimming both ends first gives the same order as comparing up to the end of the shorter
    // name and then accepting trailing white space only.
    a = TrimWhiteSpace(a);
    b = TrimWhiteSpace(b);
    const size_t common = a.size() < b.size() ? a.size() : b.size();
    for (size_t i = 0; i < common; ++i) {
        unsigned char ca = static_cast<unsigned char>(a[i]);
        unsigned char cb = static_cast<unsigned char>(b[i]);
        if (ca >= 'a' && ca <= 'z')
            ca = static_cast<unsigned char>(ca - 'a' + 'A');
        if (cb >= 'a' && cb <= 'z')
            cb = static_cast<unsigned char>(cb - 'a' + 'A');
        if (ca != cb)
            return ca < cb ? -1 : 1;
    }
    if (a.size() == b.size())
        return 0;
    return a.size() < b.size() ? -1 : 1;
}

const char* SkipWhiteSpace(const char* text)
{
    while (*text != '\0' && IsIniWhiteSpace(*text))
        ++text;
    return text;
}

void StringCopyMax(char* dest, const char* source, size_t size)
{
    if (size == 0)
        return;
    const size_t length = std::strlen(source);
    const size_t count = length + 1 < size ? length + 1 : size;
    std::memcpy(dest, source, count);
    dest[count - 1] = '\0';
}

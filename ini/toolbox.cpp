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

bool HasNonWhiteSpace(std::string_view text)
{
    for (char c : text)
        if (!IsIniWhiteSpace(c))
            return true;
    return false;
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

bool StrToInt(std::string_view text, int32_t* value)
{
    text = TrimWhiteSpace(text);
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (text.empty())
        return false;
    // Accumulate the magnitude in 64 bits and stop as soon as it leaves the 32-bit range, so no
    // number of digits can overflow.
    int64_t magnitude = 0;
    const int64_t limit = negative ? 2147483648LL : 2147483647LL;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
        magnitude = magnitude * 10 + (c - '0');
        if (magnitude > limit)
            return false;
    }
    *value = static_cast<int32_t>(negative ? -magnitude : magnitude);
    return true;
}

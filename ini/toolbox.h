// Small string utilities of the settings store. White space here always means the six
// characters of the C locale's isspace: blank, tab, line feed, vertical tab, form feed and
// carriage return; it is tested byte by byte, so bytes above 127 are never white space.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// For the few small functions that run for every byte, line or lookup: instrumented builds (the
// fuzz targets, the sanitizers) would otherwise leave them as calls.
#if defined(__GNUC__)
#define INI_ALWAYS_INLINE inline __attribute__((always_inline))
#else
#define INI_ALWAYS_INLINE inline
#endif

namespace ini_detail {
struct WhiteSpaceTable {
    bool is[256];
    constexpr WhiteSpaceTable() : is()
    {
        for (const unsigned char c : {' ', '\t', '\n', '\v', '\f', '\r'})
            is[c] = true;
    }
};
inline constexpr WhiteSpaceTable kWhiteSpace;
}  // namespace ini_detail

// One look-up rather than six compares: every name and value read passes through here.
INI_ALWAYS_INLINE bool IsIniWhiteSpace(char c) { return ini_detail::kWhiteSpace.is[static_cast<unsigned char>(c)]; }

// Compares two names as the store matches section names and tags: surrounding white space is
// ignored, ASCII letters compare without case, every other byte exactly. Returns < 0, 0 or > 0.
int StrICmpWithoutSurrWhiteSpace(std::string_view a, std::string_view b);

// The text without its leading and trailing white space.
std::string StrDupWithoutSurrWhiteSpace(std::string_view text);
INI_ALWAYS_INLINE std::string_view TrimWhiteSpace(std::string_view text)
{
    const char* begin = text.data();
    const char* end = begin + text.size();
    while (begin != end && IsIniWhiteSpace(*begin))
        ++begin;
    while (end != begin && IsIniWhiteSpace(end[-1]))
        --end;
    return std::string_view(begin, static_cast<size_t>(end - begin));
}

// First character of text that is not white space (the terminator if there is none).
const char* SkipWhiteSpace(const char* text);

INI_ALWAYS_INLINE bool HasNonWhiteSpace(std::string_view text)
{
    for (char c : text)
        if (!IsIniWhiteSpace(c))
            return true;
    return false;
}

// Copies the zero-terminated source into dest of size bytes: at most size - 1 bytes of text,
// always terminated when size > 0; a size of 0 writes nothing.
void StringCopyMax(char* dest, const char* source, size_t size);

// Parses optional white space, an optional single sign, one or more decimal digits and optional
// white space, nothing else, in the range of a signed 32-bit integer. Returns true and stores
// the number through value on success; on failure value is left untouched.
INI_ALWAYS_INLINE bool StrToInt(std::string_view text, int32_t* value)
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

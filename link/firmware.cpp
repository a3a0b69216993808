#include "link/firmware.h"

#include <cstring>

namespace {

// One strtok step over text from *pos: skips leading delimiters, takes the token up to the next
// delimiter and moves *pos past that delimiter. No token: empty, and *pos at the end.
std::string nextToken(const std::string& text, size_t* pos, const char* delimiters)
{
    size_t start = text.find_first_not_of(delimiters, *pos);
    if (start == std::string::npos) {
        *pos = text.size();
        return {};
    }
    size_t end = text.find_first_of(delimiters, start);
    if (end == std::string::npos) {
        *pos = text.size();
        return text.substr(start);
    }
    *pos = end + 1;
    return text.substr(start, end - start);
}

// 0x80 to 0x9F of Windows-1252; the rest of the upper half is Latin-1. The five undefined
// bytes map to the control characters of the same number.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

}  // namespace

FirmwareTokens SplitFirmwareText(const std::string& text)
{
    FirmwareTokens t;
    size_t pos = 0;
    t.t1 = nextToken(text, &pos, ".");
    t.t2 = nextToken(text, &pos, ".");
    t.t3 = nextToken(text, &pos, " ");
    t.t4 = text.substr(pos);  // strtok with no delimiters: the rest as it stands
    return t;
}

std::string FirmwareTextFrom(const unsigned char* data, size_t size)
{
    const size_t limit = size < kFirmwareTextSize ? size : kFirmwareTextSize;
    if (limit == 0)
        return {};
    const void* zero = std::memchr(data, 0, limit);
    const size_t n = zero ? static_cast<size_t>(static_cast<const unsigned char*>(zero) - data) : limit;
    return std::string(reinterpret_cast<const char*>(data), n);
}

int SensorEditionOf(const FirmwareTokens& tokens)
{
    const std::string key = tokens.t1 + ".";
    if (key == "CHROMIX5 V4.")
        return 1;
    if (key == "CHROMIX5 KR V1.")
        return 2;
    if (key == "CHROMIX5 KRE V1.")
        return 3;
    return 0;
}

std::string Cp1252ToUtf8(const std::string& text)
{
    std::string out;
    out.reserve(text.size() * 3);
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        const char16_t u = byte >= 0x80 && byte < 0xA0 ? kCp1252High[byte - 0x80] : byte;
        if (u < 0x80) {
            out += static_cast<char>(u);
        } else if (u < 0x800) {
            out += static_cast<char>(0xC0 | (u >> 6));
            out += static_cast<char>(0x80 | (u & 0x3F));
        } else {
            out += static_cast<char>(0xE0 | (u >> 12));
            out += static_cast<char>(0x80 | ((u >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (u & 0x3F));
        }
    }
    return out;
}

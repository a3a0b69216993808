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

// The escapes of stored string values. Encoding makes any text safe for one quoted line;
// decoding is applied to every stored value on a string get, quoted or not.
#include <cstdio>

#include "ini/ini_document.h"

std::string IniEncodeString(std::string_view text)
{
    std::string out;
    out.reserve(text.size() + text.size() / 4 + 1);
    for (char c : text) {
        const unsigned char byte = static_cast<unsigned char>(c);
        switch (c) {
        case '\t': out += "\\t"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        default:
            if (byte < 32 || byte == 127) {
                char hex[8];
                std::snprintf(hex, sizeof hex, "\\x%02x", byte);
                out += hex;
            } else {
                out += c;
            }
        }
    }
    return out;
}

namespace {

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

}  // namespace

void IniDecodeString(std::string_view value, char* out)
{
    const size_t n = value.size();
    size_t i = 0;
    while (i < n) {
        const char c = value[i];
        if (c != '\\') {
            *out++ = c;
            ++i;
            continue;
        }
        if (i + 1 == n)  // a lone backslash at the end is dropped
            break;
        const char e = value[i + 1];
        if (e == 'x') {
            // Only a complete "\xhh" is a byte; anything shorter stays as written and nothing
            // beyond the value is read. So a hand-written C:\xray survives, while C:\xfer does
            // not: "\xfe" is a byte.
            const int high = i + 2 < n ? HexDigit(value[i + 2]) : -1;
            const int low = i + 3 < n ? HexDigit(value[i + 3]) : -1;
            if (high >= 0 && low >= 0) {
                *out++ = static_cast<char>(high * 16 + low);
                i += 4;
            } else {
                *out++ = '\\';
                *out++ = 'x';
                i += 2;
            }
            continue;
        }
        *out++ = e == 'n' ? '\n' : e == 'r' ? '\r' : e == 't' ? '\t' : e;
        i += 2;
    }
    *out = '\0';
}

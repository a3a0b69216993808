#include "cli/json.h"

#include <cinttypes>
#include <cstdio>

namespace cli {

namespace {

// Length of the well-formed UTF-8 sequence at text[i], or 0 when there is none.
size_t Utf8Length(const std::string& text, size_t i)
{
    const unsigned char c = static_cast<unsigned char>(text[i]);
    size_t n = 0;
    unsigned min = 0;
    if (c >= 0xC2 && c <= 0xDF) {
        n = 2;
        min = 0x80;
    } else if (c >= 0xE0 && c <= 0xEF) {
        n = 3;
        min = 0x800;
    } else if (c >= 0xF0 && c <= 0xF4) {
        n = 4;
        min = 0x10000;
    } else {
        return 0;
    }
    if (i + n > text.size())
        return 0;
    unsigned code = c & (0x7F >> n);
    for (size_t k = 1; k < n; ++k) {
        const unsigned char d = static_cast<unsigned char>(text[i + k]);
        if ((d & 0xC0) != 0x80)
            return 0;
        code = (code << 6) | (d & 0x3F);
    }
    if (code < min || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        return 0;
    return n;
}

}  // namespace

std::string JsonString(const std::string& text)
{
    std::string out = "\"";
    for (size_t i = 0; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c >= 0x80) {
            // A firmware text comes from the wire: bytes that are not UTF-8 become U+FFFD, so the
            // line stays valid JSON.
            const size_t n = Utf8Length(text, i);
            if (n == 0) {
                out += "\\ufffd";
            } else {
                out.append(text, i, n);
                i += n - 1;
            }
            continue;
        }
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (c < 0x20 || c == 0x7F) {
                char escaped[8];
                std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
                out += escaped;
            } else {
                out += static_cast<char>(c);
            }
        }
    }
    out += '"';
    return out;
}

std::string SampleJson(const std::string& sensor, unsigned serial, const record::LiveSample& s, uint64_t seq)
{
    char values[512];
    std::snprintf(values, sizeof values,
                  "\"pass\":%" PRIu64 ",\"R\":%d,\"G\":%d,\"B\":%d,\"X\":%d,\"Y\":%d,\"INT\":%d,"
                  "\"C-No\":%d,\"seq\":%" PRIu64 ",\"timestamp\":%" PRId64 ",\"values\":{\"red\":%d,"
                  "\"green\":%d,\"blue\":%d,\"x\":%d,\"y\":%d,\"intensity\":%d,\"colour_number\":%d}}",
                  s.pass, s.r, s.g, s.b, s.x, s.y, s.intensity, s.colorNo, seq ? seq : s.pass, s.unixMs, s.r,
                  s.g, s.b, s.x, s.y, s.intensity, s.colorNo);
    return "{\"sensor\":" + JsonString(sensor) + ",\"serial\":" + std::to_string(serial) +
           ",\"time\":" + JsonString(record::Iso8601Millis(s.unixMs)) + "," + values;
}

std::string SensorStatusJson(const std::string& status, const std::string& sensor, unsigned serial,
                             const std::string& firmware, const std::string& detail)
{
    std::string json = "{\"status\":" + JsonString(status) + ",\"sensor\":" + JsonString(sensor) +
                       ",\"serial\":" + std::to_string(serial) + ",\"firmware\":" + JsonString(firmware) +
                       ",\"time\":" + JsonString(record::Iso8601Millis(record::NowUnixMs()));
    if (!detail.empty())
        json += ",\"detail\":" + JsonString(detail);
    return json + "}";
}

}  // namespace cli

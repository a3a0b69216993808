#include "cli/json.h"

#include <cinttypes>
#include <cstdio>

#include "cli/utf8.h"

namespace cli {

std::string JsonString(const std::string& text)
{
    std::string out = "\"";
    for (size_t i = 0; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c >= 0x80) {
            // A firmware text comes from the wire: bytes that are not UTF-8 become U+FFFD, so the
            // line stays valid JSON.
            const size_t n = Utf8SequenceLength(text, i);
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

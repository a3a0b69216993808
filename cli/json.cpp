#include "cli/json.h"

#include <cinttypes>
#include <cstdio>

namespace cli {

std::string JsonString(const std::string& text)
{
    std::string out = "\"";
    for (char ch : text) {
        const unsigned char c = static_cast<unsigned char>(ch);
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
                out += ch;
            }
        }
    }
    out += '"';
    return out;
}

std::string SampleJson(const std::string& sensor, unsigned serial, const record::LiveSample& s)
{
    char values[256];
    std::snprintf(values, sizeof values,
                  "\"pass\":%" PRIu64 ",\"R\":%d,\"G\":%d,\"B\":%d,\"X\":%d,\"Y\":%d,\"INT\":%d,"
                  "\"C-No\":%d}",
                  s.pass, s.r, s.g, s.b, s.x, s.y, s.intensity, s.colorNo);
    return "{\"sensor\":" + JsonString(sensor) + ",\"serial\":" + std::to_string(serial) +
           ",\"time\":" + JsonString(record::Iso8601Millis(s.unixMs)) + "," + values;
}

}  // namespace cli

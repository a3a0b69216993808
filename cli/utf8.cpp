#include "cli/utf8.h"

#include <cstdint>

namespace cli {

size_t Utf8SequenceLength(std::string_view text, size_t at)
{
    if (at >= text.size())
        return 0;
    const unsigned char lead = static_cast<unsigned char>(text[at]);
    if (lead < 0x80)
        return 1;
    size_t n;
    uint32_t code, min;
    if (lead >= 0xC2 && lead <= 0xDF) {
        n = 2, code = lead & 0x1F, min = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        n = 3, code = lead & 0x0F, min = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        n = 4, code = lead & 0x07, min = 0x10000;
    } else {
        return 0;
    }
    if (n > text.size() - at)
        return 0;
    for (size_t k = 1; k < n; ++k) {
        const unsigned char d = static_cast<unsigned char>(text[at + k]);
        if ((d & 0xC0) != 0x80)
            return 0;
        code = (code << 6) | (d & 0x3F);
    }
    if (code < min || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        return 0;
    return n;
}

}  // namespace cli

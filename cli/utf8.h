// UTF-8 as the command line checks it, in what it writes (JSON) and in what it reads (requests).
#pragma once

#include <cstddef>
#include <string_view>

namespace cli {

// The length of the well-formed UTF-8 sequence at text[at] (1 for ASCII), or 0 when there is
// none there: a stray continuation byte, an overlong form, a surrogate, a code point beyond
// U+10FFFF, or a sequence cut off by the end of text.
size_t Utf8SequenceLength(std::string_view text, size_t at);

}  // namespace cli

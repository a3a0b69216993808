// Cuts the byte stream arriving at the simulated sensor into request frames.
//
// The sensor cannot trust what the line delivers: a request may arrive in pieces, behind
// garbage or behind the rest of an abandoned frame. The parser therefore looks for a header
// that starts with the sync byte, whose CRC over all 8 bytes is 0 and whose length fits the
// 2040 payload bytes a frame can carry; anything else is dropped one byte at a time until such
// a header lines up. Its payload is then awaited and handed on with the result of its data
// CRC. It holds at most one frame's worth of bytes beyond the chunk being fed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "link/frame_codec.h"

namespace sim {

struct ParsedFrame {
    FrameHeader header;
    std::vector<uint8_t> payload;  // header.length bytes
    bool dataCrcOk = false;
};

class FrameParser {
public:
    using Sink = std::function<void(const ParsedFrame&)>;

    // Appends size bytes and passes every frame completed by them to sink, in order. The sink
    // may call Reset (for example when it closes the connection); whatever was not parsed yet
    // is then dropped.
    void Feed(const uint8_t* data, size_t size, const Sink& sink);
    // Forgets a partly received frame, for a new connection or after a pause on the line.
    void Reset();
    // Bytes held that do not yet form a frame.
    size_t pending() const { return buffer_.size() - start_; }
    // Bytes dropped while looking for a header, since construction.
    uint64_t skipped() const { return skipped_; }

private:
    bool parseOne(const Sink& sink);

    std::vector<uint8_t> buffer_;
    size_t start_ = 0;  // first byte not yet consumed
    uint64_t skipped_ = 0;
};

}  // namespace sim

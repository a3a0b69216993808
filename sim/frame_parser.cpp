#include "sim/frame_parser.h"

#include "link/crc8.h"

namespace sim {

void FrameParser::Feed(const uint8_t* data, size_t size, const Sink& sink)
{
    if (size == 0 || data == nullptr)
        return;
    // Consumed bytes are dropped before new ones are appended, so the buffer never holds more
    // than an unfinished frame plus this chunk.
    if (start_ > 0) {
        buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(start_));
        start_ = 0;
    }
    buffer_.insert(buffer_.end(), data, data + size);
    while (parseOne(sink)) {
    }
}

void FrameParser::Reset()
{
    buffer_.clear();
    start_ = 0;
}

bool FrameParser::parseOne(const Sink& sink)
{
    for (;;) {
        if (pending() < size_t(kHeaderSize))
            return false;
        const uint8_t* head = buffer_.data() + start_;
        FrameHeader h;
        if (DecodeHeader(head, &h) && h.length <= kMaxPayload)
            break;
        ++start_;
        ++skipped_;
    }
    FrameHeader h;
    DecodeHeader(buffer_.data() + start_, &h);
    if (pending() < size_t(kHeaderSize) + h.length)
        return false;
    ParsedFrame frame;
    frame.header = h;
    const uint8_t* payload = buffer_.data() + start_ + kHeaderSize;
    frame.payload.assign(payload, payload + h.length);
    frame.dataCrcOk = (h.length ? Crc8(payload, h.length) : kCrcStart) == h.dataCrc;
    start_ += size_t(kHeaderSize) + h.length;
    // The sink may reset the parser; the frame it got is its own copy.
    sink(frame);
    return true;
}

}  // namespace sim

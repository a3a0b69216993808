#include "link/frame_codec.h"

#include <cstring>

#include "link/crc8.h"

void EncodeHeader(uint8_t* out, uint8_t order, uint16_t info, const uint8_t* payload,
                  uint16_t length)
{
    out[0] = kSync;
    out[1] = order;
    PutLe16(out + 2, info);
    PutLe16(out + 4, length);
    out[6] = length ? Crc8(payload, length) : kCrcStart;
    out[7] = Crc8(out, 7);
}

size_t EncodeFrame(uint8_t* out, size_t cap, uint8_t order, uint16_t info, const uint8_t* payload,
                   uint16_t length)
{
    const size_t total = size_t(kHeaderSize) + length;
    if (total > cap)
        return 0;
    EncodeHeader(out, order, info, payload, length);
    if (length)
        std::memmove(out + kHeaderSize, payload, length);
    return total;
}

bool DecodeHeader(const uint8_t* in, FrameHeader* header)
{
    if (in[0] != kSync || Crc8(in, kHeaderSize) != 0)
        return false;
    if (header) {
        header->order = in[1];
        header->info = GetLe16(in + 2);
        header->length = GetLe16(in + 4);
        header->dataCrc = in[6];
    }
    return true;
}

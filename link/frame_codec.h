// The wire format of a frame, shared by the link and the sensor simulator: an 8-byte header
//
//   0 sync 0x55 | 1 order | 2-3 info (LE) | 4-5 length (LE) | 6 dataCrc | 7 headerCrc
//
// followed by `length` data bytes. dataCrc is the CRC-8 of the data (0xAA for none), headerCrc
// the CRC-8 of header bytes 0 to 6. Requests and responses share the layout; a response with
// order 0 is a status response whose info is the status code.
#pragma once

#include <cstddef>
#include <cstdint>

inline constexpr uint8_t kSync = 0x55;
inline constexpr int kHeaderSize = 8;
inline constexpr int kFrameBufferSize = 2048;
inline constexpr int kMaxPayload = kFrameBufferSize - kHeaderSize;  // 2040

struct FrameHeader {
    uint8_t order = 0;
    uint16_t info = 0;
    uint16_t length = 0;
    uint8_t dataCrc = 0;
};

// Writes the header for order/info and the payload's CRC into out[0..7]. The payload itself is
// not copied.
void EncodeHeader(uint8_t* out, uint8_t order, uint16_t info, const uint8_t* payload,
                  uint16_t length);

// Writes a whole frame (header then payload) into out. Returns the frame size, or 0 when the
// frame does not fit into cap bytes.
size_t EncodeFrame(uint8_t* out, size_t cap, uint8_t order, uint16_t info, const uint8_t* payload,
                   uint16_t length);

// True when the 8 bytes start with the sync byte and their CRC over all 8 bytes is 0; then
// fills *header (which may be null).
bool DecodeHeader(const uint8_t* in, FrameHeader* header);

inline uint16_t GetLe16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
inline void PutLe16(uint8_t* p, uint16_t v)
{
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

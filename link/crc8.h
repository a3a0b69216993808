// The CRC-8 that protects every header and data frame: the reflected polynomial 0x8C
// (x^8 + x^5 + x^4 + 1) table, a register that starts at 0xAA, no final XOR.
#pragma once

#include <cstdint>

inline constexpr uint8_t kCrcStart = 0xAA;

// The 256-entry table: entry i is i after eight steps of "shift right, XOR 0x8C if a 1 fell out".
extern const uint8_t kCrc8Table[256];

// Runs count bytes of buffer from offset on through the register, starting at 0xAA, and returns
// the register (0..255). A count of 0 returns 0xAA. Because table entry 0 is 0, a header run
// including its own CRC byte yields 0. The caller guarantees offset + count lies in buffer.
int crc8Update(const uint8_t* buffer, int32_t offset, int32_t count, const uint8_t* table);

// The same over a plain byte range with the program's table.
inline uint8_t Crc8(const uint8_t* data, int32_t count)
{
    return static_cast<uint8_t>(crc8Update(data, 0, count, kCrc8Table));
}

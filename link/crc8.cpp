#include "link/crc8.h"

#include <array>

namespace {

constexpr std::array<uint8_t, 256> MakeTable()
{
    std::array<uint8_t, 256> table{};
    for (int i = 0; i < 256; ++i) {
        uint8_t r = static_cast<uint8_t>(i);
        for (int step = 0; step < 8; ++step)
            r = (r & 1) ? static_cast<uint8_t>((r >> 1) ^ 0x8C) : static_cast<uint8_t>(r >> 1);
        table[i] = r;
    }
    return table;
}

constexpr std::array<uint8_t, 256> kTable = MakeTable();
static_assert(kTable[1] == 0x5E && kTable[128] == 0x8C && kTable[7] == 0x83);

}  // namespace

const uint8_t kCrc8Table[256] = {
#define ROW(i) kTable[i], kTable[i + 1], kTable[i + 2], kTable[i + 3], \
               kTable[i + 4], kTable[i + 5], kTable[i + 6], kTable[i + 7]
    ROW(0),   ROW(8),   ROW(16),  ROW(24),  ROW(32),  ROW(40),  ROW(48),  ROW(56),
    ROW(64),  ROW(72),  ROW(80),  ROW(88),  ROW(96),  ROW(104), ROW(112), ROW(120),
    ROW(128), ROW(136), ROW(144), ROW(152), ROW(160), ROW(168), ROW(176), ROW(184),
    ROW(192), ROW(200), ROW(208), ROW(216), ROW(224), ROW(232), ROW(240), ROW(248),
#undef ROW
};

int crc8Update(const uint8_t* buffer, int32_t offset, int32_t count, const uint8_t* table)
{
    uint8_t reg = kCrcStart;
    const uint8_t* p = buffer + offset;
    for (int32_t i = 0; i < count; ++i)
        reg = table[reg ^ p[i]];
    return reg;
}

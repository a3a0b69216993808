#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "link/crc8.h"
#include "link/frame.h"

namespace {

std::vector<uint8_t> Tx(size_t n) { return std::vector<uint8_t>(TxBuf, TxBuf + n); }

}  // namespace

TEST(Crc8, KnownAnswers)
{
    const uint8_t digits[] = {'1', '2', '3', '4', '5', '6', '7', '8', '9'};
    EXPECT_EQ(0x6D, crc8Update(digits, 0, 9, kCrc8Table));
    EXPECT_EQ(0xAA, crc8Update(digits, 0, 0, kCrc8Table));
    EXPECT_EQ(0x00, kCrc8Table[0]);
    EXPECT_EQ(0x5E, kCrc8Table[1]);
    EXPECT_EQ(0x8C, kCrc8Table[128]);
    const uint8_t first[] = {0x00, 0x5E, 0xBC, 0xE2, 0x61, 0x3F, 0xDD, 0x83};
    EXPECT_EQ(0, std::memcmp(first, kCrc8Table, 8));
}

TEST(Crc8, OffsetSelectsTheRange)
{
    const uint8_t data[] = {0xFF, '1', '2', '3', '4', '5', '6', '7', '8', '9', 0xFF};
    EXPECT_EQ(0x6D, crc8Update(data, 1, 9, kCrc8Table));
}

struct RequestCase {
    int order, info;
    std::vector<uint8_t> frame;
};

class RequestFrames : public ::testing::TestWithParam<RequestCase> {};

TEST_P(RequestFrames, AreExactBytes)
{
    const RequestCase& c = GetParam();
    FillTxBuf(c.order, c.info, 0);
    EXPECT_EQ(c.frame, Tx(8));
    // Every correct header including its own CRC runs to 0.
    EXPECT_EQ(0, crc8Update(TxBuf, 0, 8, kCrc8Table));
}

INSTANTIATE_TEST_SUITE_P(
    Orders, RequestFrames,
    ::testing::Values(RequestCase{7, 0, {0x55, 0x07, 0x00, 0x00, 0x00, 0x00, 0xAA, 0x52}},
                      RequestCase{8, 0, {0x55, 0x08, 0x00, 0x00, 0x00, 0x00, 0xAA, 0x76}},
                      RequestCase{2, 2, {0x55, 0x02, 0x02, 0x00, 0x00, 0x00, 0xAA, 0x3A}},
                      RequestCase{4, 0, {0x55, 0x04, 0x00, 0x00, 0x00, 0x00, 0xAA, 0x0B}}));

TEST(FillTxBuf, ParameterWriteOfZerosHasTheKnownHeaderAndCarriesThePayload)
{
    std::memset(HeaderFrame.payload, 0, 34);
    FillTxBuf(1, 0, 34);
    EXPECT_EQ((std::vector<uint8_t>{0x55, 0x01, 0x00, 0x00, 0x22, 0x00, 0x44, 0xCD}), Tx(8));
    EXPECT_EQ(std::vector<uint8_t>(34, 0), std::vector<uint8_t>(TxBuf + 8, TxBuf + 42));
}

TEST(FillTxBuf, UsesOnlyTheLowBitsOfOrderAndInfo)
{
    FillTxBuf(0x107, 0x10000, 0);
    EXPECT_EQ((std::vector<uint8_t>{0x55, 0x07, 0x00, 0x00, 0x00, 0x00, 0xAA, 0x52}), Tx(8));
}

TEST(FillTxBuf, NeverCopiesMoreThanTheBufferHolds)
{
    std::memset(HeaderFrame.payload, 0x5A, sizeof HeaderFrame.payload);
    FillTxBuf(1, 2, 0xFFFF);
    FrameHeader h;
    ASSERT_TRUE(DecodeHeader(TxBuf, &h));
    EXPECT_EQ(kMaxPayload, h.length);
    EXPECT_EQ(0x5A, TxBuf[kFrameBufferSize - 1]);
}

TEST(DecodeHeader, RejectsWrongSyncAndWrongCrc)
{
    uint8_t frame[8];
    EncodeHeader(frame, 2, 0, nullptr, 0);
    EXPECT_TRUE(DecodeHeader(frame, nullptr));
    frame[7] ^= 1;
    EXPECT_FALSE(DecodeHeader(frame, nullptr));
    EncodeHeader(frame, 2, 0, nullptr, 0);
    frame[0] = 0x56;
    frame[7] = Crc8(frame, 7);
    EXPECT_FALSE(DecodeHeader(frame, nullptr));
}

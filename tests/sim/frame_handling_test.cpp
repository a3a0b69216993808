// The simulated sensor's side of the line without a transport: cutting requests out of a
// stream, shaping faulty answers, and the executable's command line.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "link/crc8.h"
#include "link/frame_codec.h"
#include "sim/faults.h"
#include "sim/frame_parser.h"
#include "sim/options.h"
#include "sim/responder.h"

using namespace sim;

namespace {

std::vector<uint8_t> Frame(uint8_t order, uint16_t info, std::vector<uint8_t> payload = {})
{
    std::vector<uint8_t> f(kHeaderSize + payload.size());
    EncodeFrame(f.data(), f.size(), order, info, payload.data(), static_cast<uint16_t>(payload.size()));
    return f;
}

std::vector<ParsedFrame> Parse(FrameParser& parser, const std::vector<uint8_t>& bytes, size_t chunk = 0)
{
    std::vector<ParsedFrame> frames;
    if (chunk == 0)
        chunk = bytes.size();
    for (size_t at = 0; at < bytes.size(); at += chunk)
        parser.Feed(bytes.data() + at, std::min(chunk, bytes.size() - at),
                    [&](const ParsedFrame& f) { frames.push_back(f); });
    return frames;
}

}  // namespace

TEST(SimFrameParser, FramesSplitAnyWayAreJoined)
{
    std::vector<uint8_t> stream = Frame(7, 0);
    const auto write = Frame(1, 0, std::vector<uint8_t>(34, 0x11));
    stream.insert(stream.end(), write.begin(), write.end());
    for (size_t chunk : {1, 3, 8, 50}) {
        FrameParser parser;
        const auto frames = Parse(parser, stream, chunk);
        ASSERT_EQ(2u, frames.size()) << chunk;
        EXPECT_EQ(7, frames[0].header.order);
        EXPECT_EQ(34u, frames[1].payload.size());
        EXPECT_TRUE(frames[1].dataCrcOk);
        EXPECT_EQ(0u, parser.pending());
    }
}

TEST(SimFrameParser, GarbageBeforeAFrameIsSkippedIncludingFalseSyncBytes)
{
    FrameParser parser;
    std::vector<uint8_t> stream = {0x00, 0x55, 0x55, 0x07, 0xFF, 0x55};
    const auto good = Frame(8, 0);
    stream.insert(stream.end(), good.begin(), good.end());
    const auto frames = Parse(parser, stream, 2);
    ASSERT_EQ(1u, frames.size());
    EXPECT_EQ(8, frames[0].header.order);
    EXPECT_EQ(6u, parser.skipped());
}

TEST(SimFrameParser, LengthBeyondTheFrameBufferIsNeverTrusted)
{
    // A header with a correct CRC announcing 2041 bytes is not a frame: the parser moves on and
    // finds the real request behind it instead of swallowing it as payload.
    std::vector<uint8_t> stream(8);
    EncodeHeader(stream.data(), 2, 0, nullptr, 0);
    PutLe16(stream.data() + 4, kMaxPayload + 1);
    stream[7] = Crc8(stream.data(), 7);
    const auto good = Frame(2, 2);
    stream.insert(stream.end(), good.begin(), good.end());
    FrameParser parser;
    const auto frames = Parse(parser, stream);
    ASSERT_EQ(1u, frames.size());
    EXPECT_EQ(2, frames[0].header.info);
}

TEST(SimFrameParser, WrongDataCrcIsFlaggedAndAnsweredWithStatusTwo)
{
    auto f = Frame(1, 0, std::vector<uint8_t>(34, 0));
    f[20] = 1;
    FrameParser parser;
    const auto frames = Parse(parser, f);
    ASSERT_EQ(1u, frames.size());
    EXPECT_FALSE(frames[0].dataCrcOk);

    DeviceModel model;
    Responder responder(model);
    model.ram().Average = 99;
    const Reply reply = responder.Respond(frames[0]);
    ASSERT_EQ(1u, reply.pieces.size());
    FrameHeader h;
    ASSERT_TRUE(DecodeHeader(reply.pieces[0].data(), &h));
    EXPECT_EQ(0, h.order);
    EXPECT_EQ(2, h.info);
    EXPECT_EQ(99, model.ram().Average);  // not carried out
    ASSERT_EQ(1u, responder.requests().size());
    EXPECT_FALSE(responder.requests()[0].dataCrcOk);
}

TEST(SimFaults, PlanSkipsCountsAndMatchesOrders)
{
    FaultPlan plan;
    plan.Add({FaultKind::Late, 8, 1, 2, 100});
    plan.Add({FaultKind::NoAnswer, kAnyOrder, 0, 1, 0});
    // First request (order 7): only the any-order fault applies.
    EXPECT_EQ(FaultKind::NoAnswer, plan.Take(7)->kind);
    EXPECT_FALSE(plan.Take(8));  // skipped once
    EXPECT_EQ(FaultKind::Late, plan.Take(8)->kind);
    EXPECT_FALSE(plan.Take(2));
    EXPECT_EQ(FaultKind::Late, plan.Take(8)->kind);
    EXPECT_FALSE(plan.Take(8));
    EXPECT_TRUE(plan.empty());

    plan.Add({FaultKind::Close, 3, 0, kEveryTime, 0});
    for (int i = 0; i < 5; ++i)
        EXPECT_TRUE(plan.Take(3));
}

TEST(SimFaults, ShapedAnswersBreakExactlyWhatTheyName)
{
    const Response r{2, 0, std::vector<uint8_t>(34, 0x42)};
    const auto shape = [&](FaultKind kind, int value = 0) { return Shape(r, Fault{kind, kAnyOrder, 0, 1, value}); };
    FrameHeader h;

    auto reply = shape(FaultKind::BadHeaderCrc);
    EXPECT_FALSE(DecodeHeader(reply.pieces[0].data(), &h));

    reply = shape(FaultKind::BadSync);
    EXPECT_EQ(0xAA, reply.pieces[0][0]);
    EXPECT_EQ(0, Crc8(reply.pieces[0].data(), 8));  // only the sync byte is wrong

    reply = shape(FaultKind::BadDataCrc);
    ASSERT_TRUE(DecodeHeader(reply.pieces[0].data(), &h));
    EXPECT_NE(Crc8(reply.pieces[0].data() + 8, 34), h.dataCrc);

    reply = shape(FaultKind::ShortData);
    EXPECT_EQ(8u + 17u, reply.pieces[0].size());
    reply = Shape(Response{3, 0, {}}, Fault{FaultKind::ShortData});
    ASSERT_TRUE(DecodeHeader(reply.pieces[0].data(), &h));
    EXPECT_EQ(8, h.length);
    EXPECT_EQ(8u, reply.pieces[0].size());

    reply = shape(FaultKind::OversizeLength);
    ASSERT_TRUE(DecodeHeader(reply.pieces[0].data(), &h));
    EXPECT_EQ(2041, h.length);

    reply = shape(FaultKind::Pieces, 4);
    ASSERT_EQ(4u, reply.pieces.size());
    size_t total = 0;
    for (const auto& piece : reply.pieces)
        total += piece.size();
    EXPECT_EQ(42u, total);

    EXPECT_TRUE(shape(FaultKind::NoAnswer).pieces.empty());
    EXPECT_TRUE(shape(FaultKind::Close).hangUp);
    EXPECT_EQ(3500, shape(FaultKind::Late).delayMs);
    EXPECT_EQ(120, shape(FaultKind::Late, 120).delayMs);
}

TEST(SimOptions, TransportsTargetsAndFaultsAreRead)
{
    const char* argv[] = {"chromix5_sim", "--tcp", "0", "--pty-link", "/tmp/x", "--baud", "9600",
                          "--edition", "unsupported", "--serial", "77", "--target", "dark",
                          "--fault", "8:late,value=500,count=2", "--fault", "any:silent,skip=3", "--log"};
    Options o;
    std::string error;
    ASSERT_TRUE(ParseOptions(static_cast<int>(std::size(argv)), argv, &o, &error)) << error;
    EXPECT_EQ(0, *o.tcpPort);
    EXPECT_TRUE(o.pty);
    EXPECT_EQ("/tmp/x", o.ptyLink);
    EXPECT_EQ(9600, o.baud);
    EXPECT_EQ(Edition::Unsupported, o.edition);
    EXPECT_EQ(77, *o.serial);
    EXPECT_EQ("dark", o.target);
    ASSERT_EQ(2u, o.faults.size());
    EXPECT_EQ(FaultKind::Late, o.faults[0].kind);
    EXPECT_EQ(8, o.faults[0].order);
    EXPECT_EQ(500, o.faults[0].value);
    EXPECT_EQ(2, o.faults[0].count);
    EXPECT_EQ(kAnyOrder, o.faults[1].order);
    EXPECT_EQ(3, o.faults[1].skip);
    EXPECT_EQ(kEveryTime, o.faults[1].count);
    EXPECT_TRUE(o.log);

    const char* none[] = {"chromix5_sim"};
    Options d;
    ASSERT_TRUE(ParseOptions(1, none, &d, &error));
    EXPECT_EQ(10001, *d.tcpPort);  // the tool's default port
    EXPECT_EQ("cycle", d.target);
}

TEST(SimOptions, BadOptionsGiveAClearMessage)
{
    const std::vector<std::pair<std::vector<const char*>, std::string>> cases = {
        {{"--tcp"}, "--tcp needs a value"},
        {{"--tcp", "70000"}, "--tcp: port must be 0..65535, got '70000'"},
        {{"--edition", "4"}, "--edition: expected 1, 2, 3 or unsupported, got '4'"},
        {{"--target", "purple"}, "--target: unknown target 'purple'"},
        {{"--fault", "8:loud"}, "fault '8:loud': unknown kind 'loud'"},
        {{"--fault", "late"}, "fault 'late': expected ORDER:KIND"},
        {{"--fault", "8:late,value"}, "fault '8:late,value': expected key=number, got 'value'"},
        {{"--serial", "12x"}, "--serial: expected 0..65535, got '12x'"},
        {{"--frobnicate"}, "unknown option '--frobnicate' (see --help)"},
    };
    for (const auto& [args, message] : cases) {
        std::vector<const char*> argv = {"chromix5_sim"};
        argv.insert(argv.end(), args.begin(), args.end());
        Options o;
        std::string error;
        EXPECT_FALSE(ParseOptions(static_cast<int>(argv.size()), argv.data(), &o, &error));
        EXPECT_EQ(message, error);
    }
}

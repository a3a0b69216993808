#include "sim/faults.h"

#include <algorithm>

#include "link/crc8.h"
#include "link/frame_codec.h"

namespace sim {
namespace {

struct NamedFault {
    FaultKind kind;
    const char* name;
};
constexpr NamedFault kNames[] = {
    {FaultKind::NoAnswer, "silent"},     {FaultKind::Late, "late"},
    {FaultKind::BadHeaderCrc, "header-crc"}, {FaultKind::BadDataCrc, "data-crc"},
    {FaultKind::BadSync, "sync"},        {FaultKind::ShortData, "short"},
    {FaultKind::Status2, "status2"},     {FaultKind::OversizeLength, "oversize"},
    {FaultKind::Close, "close"},         {FaultKind::Pieces, "pieces"},
    {FaultKind::Excess, "excess"},
};

constexpr int kDefaultLateMs = 3500;  // beyond the link's 3 s wait
constexpr int kDefaultPieces = 3;
constexpr int kPieceGapMs = 5;
constexpr int kDefaultExcess = 3000;  // more than the link's whole receive buffer

std::vector<uint8_t> encode(const Response& r)
{
    std::vector<uint8_t> frame(kHeaderSize + r.data.size());
    EncodeFrame(frame.data(), frame.size(), r.order, r.info, r.data.data(),
                static_cast<uint16_t>(r.data.size()));
    return frame;
}

void resealHeader(std::vector<uint8_t>& frame) { frame[7] = Crc8(frame.data(), 7); }

}  // namespace

const char* FaultName(FaultKind kind)
{
    for (const NamedFault& f : kNames)
        if (f.kind == kind)
            return f.name;
    return "?";
}

bool FaultByName(const std::string& name, FaultKind* kind)
{
    for (const NamedFault& f : kNames)
        if (name == f.name) {
            *kind = f.kind;
            return true;
        }
    return false;
}

std::optional<Fault> FaultPlan::Take(uint8_t order)
{
    std::optional<Fault> due;
    for (Fault& f : faults_) {
        if (f.order != kAnyOrder && f.order != order)
            continue;
        if (f.skip > 0) {
            --f.skip;
            continue;
        }
        if (due || f.count == 0)
            continue;
        due = f;
        if (f.count > 0)
            --f.count;
    }
    faults_.erase(std::remove_if(faults_.begin(), faults_.end(),
                                 [](const Fault& f) { return f.count == 0; }),
                  faults_.end());
    return due;
}

Reply Shape(const Response& response, const std::optional<Fault>& fault)
{
    Reply reply;
    if (!fault) {
        reply.pieces.push_back(encode(response));
        return reply;
    }
    std::vector<uint8_t> frame = encode(response);
    switch (fault->kind) {
    case FaultKind::NoAnswer:
        return reply;
    case FaultKind::Close:
        reply.hangUp = true;
        return reply;
    case FaultKind::Late:
        reply.delayMs = fault->value > 0 ? fault->value : kDefaultLateMs;
        break;
    case FaultKind::BadHeaderCrc:
        frame[7] ^= 0x01;
        break;
    case FaultKind::BadDataCrc:
        frame[6] ^= 0x01;
        resealHeader(frame);
        break;
    case FaultKind::BadSync:
        frame[0] = 0xAA;
        resealHeader(frame);
        break;
    case FaultKind::ShortData:
        if (response.data.empty()) {
            PutLe16(frame.data() + 4, 8);
            resealHeader(frame);
        } else {
            frame.resize(kHeaderSize + response.data.size() / 2);
        }
        break;
    case FaultKind::Status2:
        frame = encode(Response{0, kStatusLineError, {}});
        break;
    case FaultKind::OversizeLength:
        PutLe16(frame.data() + 4, static_cast<uint16_t>(fault->value > 0 ? fault->value : kMaxPayload + 1));
        resealHeader(frame);
        break;
    case FaultKind::Excess: {
        // Bytes that never form a header: no sync byte among them.
        const size_t extra = size_t(fault->value > 0 ? fault->value : kDefaultExcess);
        for (size_t i = 0; i < extra; ++i)
            frame.push_back(static_cast<uint8_t>(0x80 | (i & 0x3F)));
        break;
    }
    case FaultKind::Pieces: {
        const size_t n = std::clamp<size_t>(fault->value > 0 ? size_t(fault->value) : kDefaultPieces, 1,
                                            frame.size());
        const size_t step = (frame.size() + n - 1) / n;
        for (size_t at = 0; at < frame.size(); at += step)
            reply.pieces.emplace_back(frame.begin() + static_cast<std::ptrdiff_t>(at),
                                      frame.begin() + static_cast<std::ptrdiff_t>(std::min(frame.size(), at + step)));
        reply.gapMs = kPieceGapMs;
        return reply;
    }
    }
    reply.pieces.push_back(std::move(frame));
    return reply;
}

}  // namespace sim

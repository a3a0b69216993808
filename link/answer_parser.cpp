#include "link/answer_parser.h"

#include <algorithm>
#include <cstring>

#include "link/crc8.h"
#include "link/response_match.h"

void StartAnswer(AnswerParser& p) { p = AnswerParser{}; }

int32_t AnswerNeeds(const AnswerParser& p)
{
    switch (p.state) {
    case AnswerState::Header: return kHeaderSize - p.have;
    case AnswerState::Stale: return p.staleLeft;
    case AnswerState::Data: return p.header.length - p.have;
    default: return 0;
    }
}

namespace {

void fail(AnswerParser& p, AnswerFault fault)
{
    p.state = AnswerState::Failed;
    p.fault = fault;
}

// The header is complete in rx[0..7].
void examineHeader(AnswerParser& p, const uint8_t* rx, const uint8_t* request)
{
    FrameHeader h;
    if (!DecodeHeader(rx, &h)) {
        fail(p, AnswerFault::HeaderIncorrect);
        return;
    }
    p.have = 0;
    // A correct frame that cannot answer this request is a late answer to an earlier one: it
    // is dropped and the header is awaited again. A length that fits no buffer is never
    // dropped unread: the header is refused.
    if (h.length <= kMaxPayload && !ResponseMatchesRequest(request, h.order, h.length)) {
        p.staleLeft = h.length;
        p.state = h.length > 0 ? AnswerState::Stale : AnswerState::Header;
        return;
    }
    p.accepted = true;
    p.header = h;
    if (h.order == 0 && h.info == 1)
        fail(p, AnswerFault::InvalidOrder);
    else if (h.order == 0 && h.info == 2)
        fail(p, AnswerFault::ReduceBaud);
    else if (h.length > kMaxPayload)
        fail(p, AnswerFault::Oversized);
    else
        p.state = h.length == 0 ? AnswerState::Done : AnswerState::Data;
}

}  // namespace

size_t PushAnswer(AnswerParser& p, uint8_t* rx, const uint8_t* request, const uint8_t* data, size_t size)
{
    size_t used = 0;
    while (used < size) {
        const size_t left = size - used;
        switch (p.state) {
        case AnswerState::Header: {
            const size_t n = std::min(left, static_cast<size_t>(kHeaderSize - p.have));
            std::memcpy(rx + p.have, data + used, n);
            p.have += static_cast<int32_t>(n);
            used += n;
            if (p.have == kHeaderSize)
                examineHeader(p, rx, request);
            break;
        }
        case AnswerState::Stale: {
            const size_t n = std::min(left, static_cast<size_t>(p.staleLeft));
            p.staleLeft = static_cast<uint16_t>(p.staleLeft - n);
            used += n;
            if (p.staleLeft == 0)
                p.state = AnswerState::Header;
            break;
        }
        case AnswerState::Data: {
            // The length was checked against the buffer when the header was accepted.
            const size_t n = std::min(left, static_cast<size_t>(p.header.length - p.have));
            std::memcpy(rx + kHeaderSize + p.have, data + used, n);
            p.have += static_cast<int32_t>(n);
            used += n;
            if (p.have == p.header.length) {
                if (Crc8(rx + kHeaderSize, p.header.length) == p.header.dataCrc)
                    p.state = AnswerState::Done;
                else
                    fail(p, AnswerFault::DataIncorrect);
            }
            break;
        }
        case AnswerState::Done:
        case AnswerState::Failed: return used;
        }
    }
    return used;
}

// Whatever a peer sends, in whatever pieces, into the answer's push parser. The first byte picks
// the request, the second the size of the pieces; the rest is the peer's bytes. The answer must
// come out the same whether it is given whole or in pieces, be stored only where the header says,
// and be accepted only when it is correct and answers the request.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <memory>

#include "link/answer_parser.h"
#include "link/crc8.h"
#include "link/response_match.h"

namespace {

struct Request {
    int order;
    int info;
};
constexpr Request kRequests[] = {{7, 0}, {8, 0}, {2, 0}, {2, 2}, {105, 0}, {4, 0}, {3, 0}, {1, 0}};

void check(bool condition)
{
    if (!condition)
        __builtin_trap();
}

struct Outcome {
    AnswerParser parser;
    size_t used = 0;
    std::unique_ptr<uint8_t[]> rx;
};

Outcome run(const uint8_t* request, const uint8_t* data, size_t size, size_t piece)
{
    Outcome o;
    // Exactly the receive buffer's size, so that a store beyond it is caught.
    o.rx = std::make_unique<uint8_t[]>(kFrameBufferSize);
    std::memset(o.rx.get(), 0, kFrameBufferSize);
    StartAnswer(o.parser);
    while (o.used < size) {
        const size_t n = piece == 0 || piece > size - o.used ? size - o.used : piece;
        const int32_t needs = AnswerNeeds(o.parser);
        const size_t took = PushAnswer(o.parser, o.rx.get(), request, data + o.used, n);
        check(took <= n);
        o.used += took;
        if (took < n)
            break;
        check(needs > 0);
    }
    return o;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2)
        return 0;
    const Request& r = kRequests[data[0] % std::size(kRequests)];
    const size_t piece = data[1] % 17;
    uint8_t request[kHeaderSize];
    EncodeHeader(request, static_cast<uint8_t>(r.order), static_cast<uint16_t>(r.info), nullptr, 0);
    data += 2;
    size -= 2;

    const Outcome whole = run(request, data, size, 0);
    const Outcome pieces = run(request, data, size, piece);
    check(whole.parser.state == pieces.parser.state);
    check(whole.parser.fault == pieces.parser.fault);
    check(whole.used == pieces.used);
    check(std::memcmp(whole.rx.get(), pieces.rx.get(), kFrameBufferSize) == 0);

    const AnswerParser& p = whole.parser;
    check((p.state == AnswerState::Failed) == (p.fault != AnswerFault::None));
    if (p.state == AnswerState::Done) {
        check(p.accepted);
        check(p.header.length <= kMaxPayload);
        check(p.header.order == 0 || p.header.order == r.order);
        check(ResponseMatchesRequest(request, p.header.order, p.header.length));
        if (p.header.length > 0)
            check(Crc8(whole.rx.get() + kHeaderSize, p.header.length) == p.header.dataCrc);
        // Nothing is stored behind the answer.
        for (int i = kHeaderSize + p.header.length; i < kFrameBufferSize; ++i)
            check(whole.rx[i] == 0);
    }
    if (p.fault == AnswerFault::Oversized) {
        check(p.header.length > kMaxPayload);
        for (int i = kHeaderSize; i < kFrameBufferSize; ++i)
            check(whole.rx[i] == 0);
    }
    return 0;
}

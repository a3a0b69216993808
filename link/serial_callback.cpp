#include "link/exchange_async.h"
#include "link/frame.h"
#include "link/transports.h"
#include "platform/rs232.h"

void SerialInputCB(int port, void* callbackData)
{
    SensorContext& c = *static_cast<SensorContext*>(callbackData);
    // Only the exchange that asked is fed: when its answer is complete, whatever follows stays
    // in the queue, which the next request flushes, as on the blocking path. Its done callback
    // may have started the next exchange meanwhile, which asks for itself.
    if (!ExchangeUnderWay(c)) {
        // Nobody awaits input: left unread, it would call again at every pass.
        InstallComCallback(port, 0, nullptr, nullptr);
        return;
    }
    const uint64_t exchange = c.exchangeId;
    uint8_t piece[kFrameBufferSize];
    // Bounded, so that a line that never stops delivering cannot hold up the event loop.
    for (int pass = 0; pass < 64; ++pass) {
        if (!ExchangeUnderWay(c) || c.exchangeId != exchange)
            return;
        const int n = ComRdAvailable(port, reinterpret_cast<char*>(piece), sizeof piece);
        // The blocking exchange looks at the line's errors before it takes an answer: bytes that
        // came with one are not trusted, and a device that failed sends nothing more.
        c.comErrorMask = GetComStat(port);
        if (c.comErrorMask < 0)
            c.comErrorMask = 0;
        if (c.comErrorMask > 0) {
            ExchangeLineFailed(c);
            return;
        }
        if (n <= 0)
            return;
        c.rxCount = c.rxCount > kFrameBufferSize - n ? kFrameBufferSize : c.rxCount + n;
        FeedExchange(c, piece, static_cast<size_t>(n));
        // A piece that did not fill the buffer was all there was.
        if (n < static_cast<int>(sizeof piece))
            return;
    }
}

#include "link/exchange_async.h"
#include "link/frame.h"
#include "link/transports.h"
#include "platform/tcp.h"

int ClientTCPCB(unsigned handle, int event, int, void* callbackData)
{
    SensorContext& c = callbackData ? *static_cast<SensorContext*>(callbackData) : DefaultSensor();
    switch (event) {
    case TCP_DATAREADY: {
        // Everything the socket holds is taken now (the socket signals only new arrivals) and
        // fed to the exchange under way, which stores no more than its answer; what follows the
        // answer, or arrives when none is awaited, belongs to no request and is dropped.
        // Bounded, so that a peer that never stops sending cannot hold up the event loop.
        uint8_t piece[kFrameBufferSize];
        for (int pass = 0; pass < 64; ++pass) {
            const int n = ClientTCPRead(handle, piece, sizeof piece, 0);
            // A read error adds nothing; the wait then ends as a time-out.
            if (n <= 0)
                break;
            c.rxCount = c.rxCount > kFrameBufferSize - n ? kFrameBufferSize : c.rxCount + n;
            FeedExchange(c, piece, static_cast<size_t>(n));
            // A piece that did not fill the buffer was all there was.
            if (n < static_cast<int>(sizeof piece))
                break;
        }
        break;
    }
    case TCP_DISCONNECT:
        FormatMsg(c, "%s", "SERVER HAS CLOSED CONNECTION!");
        SetTimeout(c);
        c.tcpHandle = 0;
        c.tcpConnected = 0;
        ExchangeConversationClosed(c);
        break;
    default:
        break;
    }
    return 0;
}

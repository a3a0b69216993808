#include "link/frame.h"
#include "link/link_state.h"
#include "link/transports.h"
#include "params/program_state.h"
#include "platform/tcp.h"

int ClientTCPCB(unsigned handle, int event, int, void*)
{
    switch (event) {
    case TCP_DATAREADY: {
        if (RxCount < 0 || RxCount > kFrameBufferSize)
            RxCount = 0;
        const int room = kFrameBufferSize - RxCount;
        const int n = ClientTCPRead(handle, RxBuf + RxCount, static_cast<size_t>(room), 5000);
        // A read error adds nothing; the wait then ends as a time-out.
        if (n > 0)
            RxCount += n;
        // No frame is longer than the buffer, so what does not fit belongs to none. Left in
        // the socket it would be read as the start of the next answer. Bounded: a peer that
        // never stops sending gets the rest discarded at the next data-ready event.
        if (RxCount >= kFrameBufferSize) {
            uint8_t scratch[512];
            for (int pass = 0; pass < 256 && ClientTCPRead(handle, scratch, sizeof scratch, 0) > 0;
                 ++pass) {
            }
        }
        break;
    }
    case TCP_DISCONNECT:
        FormatMsg("%s", "SERVER HAS CLOSED CONNECTION!");
        SetTimeout();
        TcpHandle = 0;
        TcpConnected = 0;
        break;
    default:
        break;
    }
    return 0;
}

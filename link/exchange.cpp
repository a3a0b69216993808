// The exchange: send one request, wait for and check the response header, then its data.
//
// Both waits are polling loops that process events on every pass, as the rest of the program
// relies on: the TCP callback fills RxBuf from inside them, and STOP, SEND, GET and the window's
// close event are handled there. On TCP a pass that finds nothing ready spins briefly (a reply
// on loopback comes within tens of microseconds) and then blocks in the event dispatcher until
// the next event or the deadline, so a silent sensor costs no CPU. On the serial line the
// baud rate says when the answer can be complete: the wait blocks until then, or until any
// other event, without waking for every piece of the answer.
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "link/crc8.h"
#include "link/frame.h"
#include "link/link_state.h"
#include "link/transports.h"
#include "platform/runtime.h"

HeaderFrameArea HeaderFrame{};
uint8_t TxBuf[kFrameBufferSize] = {};
uint8_t RxBuf[kFrameBufferSize] = {};
char MsgBuf[256] = {};

uint8_t RespOrder = 0;
uint16_t RespInfo = 0;
uint16_t RespLength = 0;
uint8_t RespDataCrc = 0;

int32_t RxCount = 0;
int32_t ComErrorMask = 0;
double WaitStart = 0.0;

namespace {

constexpr char kTimeoutText[] =
    "TIMEOUT! \nNO DATA RECEIVED! \nCOMMUNICATION ERROR! \nCHECK POWER SUPPLY AND COM SETTINGS. "
    "\nTRY TO CONNECT AGAIN!";
constexpr char kHeaderIncorrectText[] = "ATTENTION! \nRECEIVED HEADER FRAME IS INCORRECT!";
constexpr char kDataIncorrectText[] = "ATTENTION! \nRECEIVED DATA FRAME IS INCORRECT!";
constexpr char kInvalidOrderText[] = "INVALIDE ORDER NUMBER!\nVERIFY PC AND SENSOR SOFTWARE!";
constexpr char kReduceBaudText[] = "COMMUNICATION ERROR!\nYOU MAY HAVE TO REDUCE BAUDRATE!";

// The transport of the current exchange, chosen from Protocol when the request goes out.
const LinkTransport* transport = &SerialTransport;

// How long a wait polls without blocking before it sleeps in the dispatcher.
constexpr double kSpinSeconds = 0.0002;

void report(const char* text)
{
    FormatMsg("%s", text);
    SetTimeout();
}

// Waits until `target` bytes have been received or the 3.0 s limit has passed, processing
// events on every pass. Returns true when the target was reached at the last poll.
bool waitForBytes(int32_t target)
{
    WaitStart = Timer();
    for (;;) {
        ProcessSystemEvents();
        transport->poll();
        const double elapsed = Timer() - WaitStart;
        if (RxCount >= target)
            return true;
        if (transport->closedDuringExchange())
            return false;
        if (elapsed > kResponseTimeout)
            return false;
        // A transport that knows when the answer can be there waits for that at once; the
        // others poll briefly first, as a reply on a fast line comes within microseconds.
        if (!transport->spinFirst || elapsed > kSpinSeconds)
            transport->waitForData(target, kResponseTimeout - elapsed + 0.0005);
    }
}

}  // namespace

void FormatMsg(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    std::vsnprintf(MsgBuf, sizeof MsgBuf, format, args);
    va_end(args);
}

void FillTxBuf(int order, int info, unsigned length)
{
    uint16_t len = static_cast<uint16_t>(length);
    if (len > kMaxPayload)
        len = kMaxPayload;
    EncodeHeader(HeaderFrame.header, static_cast<uint8_t>(order), static_cast<uint16_t>(info),
                 HeaderFrame.payload, len);
    std::memcpy(TxBuf, HeaderFrame.header, kHeaderSize);
    std::memcpy(TxBuf + kHeaderSize, HeaderFrame.payload, len);
}

int DataExchange(unsigned count)
{
    std::memset(RxBuf, 0, sizeof RxBuf);
    ComErrorMask = 0;
    if (count > sizeof TxBuf)
        count = sizeof TxBuf;
    transport = Protocol == kProtocolRs232 ? &SerialTransport : &TcpTransport;
    transport->discard();
    // A failed write is not examined: it shows up as a missing answer.
    transport->write(TxBuf, count);
    const int header = GetHeaderFrame();
    if (header != 1)
        return header;
    if (RespLength == 0)
        return 1;
    return GetDataFrame();
}

int GetHeaderFrame()
{
    bool arrived = waitForBytes(kHeaderSize);
    // Issued also after a time-out, bounded by the port's own read time-out.
    if (!transport->take(RxBuf, kHeaderSize))
        arrived = false;
    if (!arrived && transport->closedDuringExchange())
        return -1;
    if (!arrived || ComErrorMask > 0) {
        report(kTimeoutText);
        return -1;
    }
    if (CheckHeaderCRC() != 1)
        return -1;
    if (RespOrder == 0) {
        if (RespInfo == 1) {
            report(kInvalidOrderText);
            return -1;
        }
        if (RespInfo == 2) {
            report(kReduceBaudText);
            return -1;
        }
    }
    return 1;
}

int CheckHeaderCRC()
{
    FrameHeader h;
    if (!DecodeHeader(RxBuf, &h)) {
        report(kHeaderIncorrectText);
        return -1;
    }
    RespOrder = h.order;
    RespInfo = h.info;
    RespLength = h.length;
    RespDataCrc = h.dataCrc;
    return 1;
}

int GetDataFrame()
{
    // A length that cannot fit behind the header in RxBuf is a broken header, whatever its CRC
    // says; nothing of it is read.
    if (RespLength > kMaxPayload) {
        transport->discardInput();
        report(kHeaderIncorrectText);
        return -1;
    }
    const int32_t length = RespLength;
    bool arrived = waitForBytes(length + transport->headerInCount);
    if (!transport->take(RxBuf + kHeaderSize, length))
        arrived = false;
    if (!arrived && transport->closedDuringExchange())
        return -1;
    if (!arrived || ComErrorMask > 0) {
        report(kTimeoutText);
        return -1;
    }
    if (Crc8(RxBuf + kHeaderSize, length) != RespDataCrc) {
        report(kDataIncorrectText);
        return -1;
    }
    return 1;
}

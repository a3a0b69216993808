// The exchange: send one request, wait for and check the response header, then its data.
//
// Both waits are polling loops that process events as they go, as the rest of the program
// relies on: the TCP callback fills RxBuf from inside them, and STOP, SEND, GET and the window's
// close event are handled there. On TCP every pass processes events; a pass that finds nothing
// ready spins briefly (a reply on loopback comes within tens of microseconds), giving the
// processor to others between its polls, and then blocks in the event dispatcher until the next
// event or the deadline, so a silent sensor costs no CPU. On the serial line the baud rate says
// when the answer can be complete: the wait blocks until then without waking for every piece of
// the answer (platform/rs232.h), and processes events every half millisecond at most.
#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "link/crc8.h"
#include "link/frame.h"
#include "link/link_state.h"
#include "link/response_match.h"
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
constexpr double kSpinSeconds = 0.00005;

// A serial wait processes events at least this often (and after every block longer than it),
// which no operator can tell from processing them on every poll.
constexpr double kEventPassEvery = 0.0005;
double lastEventPass = -1.0;

void report(const char* text)
{
    FormatMsg("%s", text);
    SetTimeout();
}

// Waits until `target` bytes have been received or the 3.0 s limit has passed, processing
// events on every pass. Returns true when the target was reached at the last poll. A wait that
// goes on after a stale answer was dropped keeps its start: the limit is for the whole wait.
// The bytes the answer to the request that is out normally has, header included (as RxCount
// counts them for the header wait).
int32_t expectedAnswer = 0;

bool waitForBytes(int32_t target, bool restart = true)
{
    if (restart)
        WaitStart = Timer();
    for (;;) {
        // TCP's bytes come through the event loop (the TCP callback), so its waits process
        // events and then look. The serial line's bytes come without it: its waits look first,
        // so that an answer that is in goes to the caller at once, and process events only
        // every so often (a pass at 921600 baud would otherwise process them four times). They
        // are thus processed right after a request went out, while the sensor answers, and
        // what they do (drawing the displays) does not hold up the next request.
        if (transport->spinFirst)
            ProcessSystemEvents();
        transport->poll();
        if (RxCount >= target)
            return true;
        if (!transport->spinFirst) {
            const double now = Timer();
            if (now - lastEventPass >= kEventPassEvery) {
                ProcessSystemEvents();
                lastEventPass = now;
            }
        }
        const double elapsed = Timer() - WaitStart;
        if (transport->closedDuringExchange())
            return false;
        if (elapsed > kResponseTimeout) {
            // Bytes that came while events were processed still count.
            transport->poll();
            return RxCount >= target;
        }
        // A transport that knows when the answer can be there waits for that at once; the
        // others poll briefly first, as a reply on a fast line comes within microseconds.
        if (!transport->spinFirst || elapsed > kSpinSeconds)
            transport->waitForData(target, std::max(target, expectedAnswer), kResponseTimeout - elapsed + 0.0005);
        else
            YieldProcessor();
    }
}

// Drops the complete answer whose header stands in RxBuf because it cannot answer this
// request: its data is waited for (within the header's limit) and taken out, so that the wait
// can go on for the real answer. Returns false when the limit passed meanwhile.
// Waits for `target` bytes (as RxCount counts them) and moves `count` of them to dest; the take
// is issued also after a time-out, bounded by the port's own read time-out. False when they did
// not come, after the failure was reported (a TCP conversation the server closed has been
// reported by the TCP callback already).
bool receive(uint8_t* dest, int32_t count, int32_t target, bool restart)
{
    bool arrived = waitForBytes(target, restart);
    if (!transport->take(dest, count))
        arrived = false;
    if (!arrived && transport->closedDuringExchange())
        return false;
    if (!arrived || ComErrorMask > 0) {
        report(kTimeoutText);
        return false;
    }
    return true;
}

bool dropStaleAnswer(uint16_t length)
{
    // The stale answer's data is all that is awaited here; the real answer is waited for next.
    const int32_t expected = expectedAnswer;
    expectedAnswer = 0;
    const bool arrived = waitForBytes(length + transport->headerInCount, false);
    expectedAnswer = expected;
    if (!arrived)
        return false;
    if (!transport->take(RxBuf + kHeaderSize, length))
        return false;
    transport->dropAnswer(kHeaderSize + length);
    return true;
}

}  // namespace

void FormatMsg(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    const int n = std::vsnprintf(MsgBuf, sizeof MsgBuf, format, args);
    va_end(args);
    // A cut text ends before a character whose UTF-8 bytes did not all fit.
    if (n >= static_cast<int>(sizeof MsgBuf)) {
        const size_t length = sizeof MsgBuf - 1;
        size_t lead = length;
        while (lead > 0 && (static_cast<unsigned char>(MsgBuf[lead - 1]) & 0xC0) == 0x80)
            --lead;
        if (lead > 0) {
            const auto b = static_cast<unsigned char>(MsgBuf[lead - 1]);
            const size_t need = b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC0 ? 2 : 1;
            if (length - (lead - 1) < need)
                MsgBuf[lead - 1] = '\0';
        }
    }
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
    expectedAnswer = static_cast<int32_t>(kHeaderSize + ExpectedAnswerLength(TxBuf));
    // A failed write is not examined: it shows up as a missing answer.
    transport->write(TxBuf, count);
    const int header = GetHeaderFrame();
    if (header != 1)
        return header;
    const int result = RespLength == 0 ? 1 : GetDataFrame();
    // Bytes behind the answer belong to no request; the caller reads zeros there, as it does
    // behind a short answer.
    if (result == 1) {
        const size_t end = kHeaderSize + static_cast<size_t>(RespLength);
        std::memset(RxBuf + end, 0, sizeof RxBuf - end);
    }
    return result;
}

int GetHeaderFrame()
{
    for (bool restart = true;; restart = false) {
        if (!receive(RxBuf, kHeaderSize, kHeaderSize, restart))
            return -1;
        const uint8_t order = RespOrder;
        const uint16_t info = RespInfo;
        const uint16_t length = RespLength;
        const uint8_t dataCrc = RespDataCrc;
        if (CheckHeaderCRC() != 1)
            return -1;
        // A correct frame that cannot answer this request is a late answer to an earlier one:
        // it is dropped and the wait goes on, the last good header fields kept. A length that
        // fits no buffer is left to the data step, which rejects the header.
        if (RespLength > kMaxPayload || ResponseMatchesRequest(TxBuf, RespOrder, RespLength))
            break;
        const uint16_t staleLength = RespLength;
        RespOrder = order;
        RespInfo = info;
        RespLength = length;
        RespDataCrc = dataCrc;
        if (!dropStaleAnswer(staleLength)) {
            if (!transport->closedDuringExchange())
                report(kTimeoutText);
            return -1;
        }
    }
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
    expectedAnswer = 0;  // the header said how much data follows
    if (!receive(RxBuf + kHeaderSize, length, length + transport->headerInCount, true))
        return -1;
    if (Crc8(RxBuf + kHeaderSize, length) != RespDataCrc) {
        report(kDataIncorrectText);
        return -1;
    }
    return 1;
}

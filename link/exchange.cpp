// The exchange: send one request, then take in and check its answer (link/answer_parser.h).
//
// Every exchange is the non-blocking one of link/exchange_async.h; DataExchange waits for it,
// processing events as it goes, as the rest of the program relies on: the TCP callback feeds the
// answer from inside the wait, and STOP, SEND, GET and the window's close event are handled
// there. On TCP every pass processes events; a pass that finds nothing ready spins briefly (a
// reply on loopback comes within tens of microseconds), giving the processor to others between
// its polls, and then blocks in the event dispatcher until the next event or the deadline, so a
// silent sensor costs no CPU. On the serial line the wait pulls the answer from the port: the
// baud rate says when it can be complete, and the wait blocks until then without waking for
// every piece of it (platform/rs232.h), processing events every half millisecond at most. An
// exchange started with StartExchange waits for nothing: the port's input callback feeds it.
#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <queue>
#include <unordered_map>
#include <vector>

#include "link/exchange_async.h"
#include "link/frame.h"
#include "link/response_match.h"
#include "link/transports.h"
#include "platform/rs232.h"
#include "platform/runtime.h"

namespace {

constexpr char kTimeoutText[] =
    "TIMEOUT! \nNO DATA RECEIVED! \nCOMMUNICATION ERROR! \nCHECK POWER SUPPLY AND COM SETTINGS. "
    "\nTRY TO CONNECT AGAIN!";
constexpr char kHeaderIncorrectText[] = "ATTENTION! \nRECEIVED HEADER FRAME IS INCORRECT!";
constexpr char kDataIncorrectText[] = "ATTENTION! \nRECEIVED DATA FRAME IS INCORRECT!";
constexpr char kInvalidOrderText[] = "INVALIDE ORDER NUMBER!\nVERIFY PC AND SENSOR SOFTWARE!";
constexpr char kReduceBaudText[] = "COMMUNICATION ERROR!\nYOU MAY HAVE TO REDUCE BAUDRATE!";

// How long a wait polls without blocking before it sleeps in the dispatcher.
constexpr double kSpinSeconds = 0.00005;

// A serial wait processes events at least this often (and after every block longer than it),
// which no operator can tell from processing them on every poll.
constexpr double kEventPassEvery = 0.001;
double lastEventPass = -1.0;

const char* faultText(AnswerFault fault)
{
    switch (fault) {
    case AnswerFault::InvalidOrder: return kInvalidOrderText;
    case AnswerFault::ReduceBaud: return kReduceBaudText;
    case AnswerFault::DataIncorrect: return kDataIncorrectText;
    default: return kHeaderIncorrectText;
    }
}

// The deadline queue of the exchanges that do not block: earliest first. An entry whose
// exchange ended, or whose deadline moved on (the data's after the header's), is skipped when it
// comes up; the exchange's id, not the context's address, identifies it, so that a context
// destroyed after its exchange ended leaves nothing behind that is followed.
struct Due {
    double at;
    uint64_t id;
    bool operator>(const Due& o) const { return at > o.at; }
};
std::priority_queue<Due, std::vector<Due>, std::greater<>> dueQueue;
std::unordered_map<uint64_t, SensorContext*> underWay;
uint64_t lastId = 0;
double alarmAt = -1.0;

void onAlarm();

void armAlarm()
{
    while (!dueQueue.empty() && !underWay.count(dueQueue.top().id))
        dueQueue.pop();
    if (dueQueue.empty()) {
        alarmAt = -1.0;
        SetAlarm(0, nullptr);
        return;
    }
    const double at = dueQueue.top().at;
    if (at == alarmAt)
        return;
    alarmAt = at;
    SetAlarm(at - Timer(), onAlarm);
}

// Ends the exchange: the failure (text not null) is reported on the context first, then done
// is told. Nothing of the context is touched after done returns: it may start the next one.
void finish(SensorContext& c, int result, const char* text)
{
    if (c.exchangeState != 1)
        return;
    c.exchangeState = 2;
    c.exchangeResult = static_cast<int8_t>(result);
    if (c.exchangeAlarm) {
        underWay.erase(c.exchangeId);
        TransportOf(c).unwatch(c);
    }
    if (c.answer.accepted) {
        c.respOrder = c.answer.header.order;
        c.respInfo = c.answer.header.info;
        c.respLength = c.answer.header.length;
        c.respDataCrc = c.answer.header.dataCrc;
    }
    if (text) {
        FormatMsg(c, "%s", text);
        SetTimeout(c);
    }
    if (ExchangeDone done = c.done) {
        c.done = nullptr;
        done(c, result);
    }
}

// The parser has taken bytes: the answer may be complete or refused, or its header accepted,
// which starts the data's own time limit.
void afterPush(SensorContext& c, bool wasAwaitingHeader)
{
    switch (c.answer.state) {
    case AnswerState::Done: finish(c, 1, nullptr); return;
    case AnswerState::Failed:
        // A length that cannot fit behind the header is never read: its data is dropped.
        if (c.answer.fault == AnswerFault::Oversized)
            TransportOf(c).discardInput(c);
        finish(c, -1, faultText(c.answer.fault));
        return;
    case AnswerState::Data:
        if (wasAwaitingHeader) {
            c.waitStart = Timer();
            c.deadline = c.waitStart + kResponseTimeout;
            c.expectedAnswer = 0;  // the header said how much data follows
            if (c.exchangeAlarm) {
                dueQueue.push(Due{c.deadline, c.exchangeId});
                armAlarm();
            }
        }
        break;
    default: break;
    }
    // The exchange that does not block is told of the rest when it is in.
    if (c.exchangeAlarm)
        TransportOf(c).watch(c, AnswerNeeds(c.answer));
}

// The time limit passed. A server that closed the conversation meanwhile has been reported by
// the TCP callback already; anything else is the time-out.
void expire(SensorContext& c)
{
    finish(c, -1, TransportOf(c).closedDuringExchange(c) ? nullptr : kTimeoutText);
}

void onAlarm()
{
    alarmAt = -1.0;
    const double now = Timer();
    while (!dueQueue.empty() && dueQueue.top().at <= now) {
        const Due due = dueQueue.top();
        dueQueue.pop();
        auto it = underWay.find(due.id);
        if (it == underWay.end())
            continue;
        SensorContext& c = *it->second;
        if (c.deadline > now) {
            dueQueue.push(Due{c.deadline, c.exchangeId});
            continue;
        }
        // Bytes short of the count the serial callback waits for still count, and may be
        // enough (a shorter answer than the one expected); they may also end the exchange.
        TransportOf(c).takeArrived(c);
        if (c.exchangeState == 1 && c.exchangeId == due.id)
            expire(c);
    }
    armAlarm();
}

// Sends the request and starts the answer. With `alarm` its deadline is kept by the deadline
// queue; without it, by the wait that follows.
void begin(SensorContext& c, unsigned count, ExchangeDone done, bool alarm)
{
    std::memset(c.rxBuf, 0, sizeof c.rxBuf);
    c.comErrorMask = 0;
    if (count > sizeof c.txBuf)
        count = sizeof c.txBuf;
    const LinkTransport& t = TransportOf(c);
    t.discard(c);
    c.expectedAnswer = static_cast<int32_t>(kHeaderSize + ExpectedAnswerLength(c.txBuf));
    StartAnswer(c.answer);
    c.exchangeState = 1;
    c.exchangeResult = 0;
    c.exchangeId = ++lastId;
    c.exchangeAlarm = alarm;
    c.done = done;
    // A failed write is not examined: it shows up as a missing answer. The wait, its brief spin
    // and its time limit start when the request is out.
    t.write(c, c.txBuf, count);
    c.waitStart = Timer();
    c.deadline = c.waitStart + kResponseTimeout;
    if (alarm) {
        underWay[c.exchangeId] = &c;
        dueQueue.push(Due{c.deadline, c.exchangeId});
        armAlarm();
        c.rxCount = 0;
        t.watch(c, AnswerNeeds(c.answer));
    }
}

// Takes the `need` bytes the parser wants next from the port and gives them to it. `arrived`:
// the input queue holds them; otherwise the limit has passed and the take is still issued,
// bounded by the port's own time-out, so that what did arrive is not left for the next answer.
void takeSerial(SensorContext& c, int32_t need, bool arrived)
{
    uint8_t piece[kFrameBufferSize];
    const bool took = SerialTransport.take(c, piece, need);
    if (!arrived || !took || c.comErrorMask > 0) {
        finish(c, -1, kTimeoutText);
        return;
    }
    const bool header = AwaitingHeader(c.answer);
    PushAnswer(c.answer, c.rxBuf, c.txBuf, piece, static_cast<size_t>(need));
    afterPush(c, header);
}

// The serial line's bytes come without the event loop: the wait takes what the parser needs
// next from the port as soon as the input queue holds it. It looks first, so that an answer
// that is in goes on at once, and processes events only every so often (a pass at 921600 baud
// would otherwise process them four times); they are thus processed right after a request went
// out, while the sensor answers, and what they do (drawing the displays) does not hold up the
// next request. Returns when the exchange is over.
void pullSerial(SensorContext& c)
{
    const LinkTransport& t = SerialTransport;
    while (c.exchangeState == 1) {
        t.poll(c);
        const int32_t need = AnswerNeeds(c.answer);
        if (c.rxCount >= need) {
            takeSerial(c, need, true);
            continue;
        }
        const double now = Timer();
        if (now - lastEventPass >= kEventPassEvery) {
            ProcessSystemEvents();
            lastEventPass = now;
            if (c.exchangeState != 1)
                return;
        }
        if (Timer() > c.deadline) {
            // Bytes that came while events were processed still count.
            t.poll(c);
            takeSerial(c, need, c.rxCount >= need);
            continue;
        }
        // A whole answer is expected only while its header is; a dropped frame's data and the
        // answer's own data are awaited exactly.
        const int32_t expected = c.answer.state == AnswerState::Header ? c.expectedAnswer : 0;
        t.waitForData(c, need, std::max(need, expected), c.deadline - Timer() + 0.0005);
    }
}

// On TCP the callback feeds the answer from inside the event passes.
void waitTcp(SensorContext& c)
{
    while (c.exchangeState == 1) {
        ProcessSystemEvents();
        if (c.exchangeState != 1)
            return;
        const double now = Timer();
        if (now > c.deadline) {
            expire(c);
            return;
        }
        if (now - c.waitStart > kSpinSeconds)
            WaitSystemEvents(c.deadline - now + 0.0005);
        else
            YieldProcessor();
    }
}

void formatInto(SensorContext& c, const char* format, va_list args)
{
    const int n = std::vsnprintf(c.msgBuf, sizeof c.msgBuf, format, args);
    // A cut text ends before a character whose UTF-8 bytes did not all fit.
    if (n >= static_cast<int>(sizeof c.msgBuf)) {
        const size_t length = sizeof c.msgBuf - 1;
        size_t lead = length;
        while (lead > 0 && (static_cast<unsigned char>(c.msgBuf[lead - 1]) & 0xC0) == 0x80)
            --lead;
        if (lead > 0) {
            const auto b = static_cast<unsigned char>(c.msgBuf[lead - 1]);
            const size_t need = b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC0 ? 2 : 1;
            if (length - (lead - 1) < need)
                c.msgBuf[lead - 1] = '\0';
        }
    }
}

}  // namespace

HeaderFrameArea& HeaderFrame = DefaultSensorContext.headerFrame;
uint8_t (&TxBuf)[kFrameBufferSize] = DefaultSensorContext.txBuf;
uint8_t (&RxBuf)[kFrameBufferSize] = DefaultSensorContext.rxBuf;
char (&MsgBuf)[256] = DefaultSensorContext.msgBuf;
uint8_t& RespOrder = DefaultSensorContext.respOrder;
uint16_t& RespInfo = DefaultSensorContext.respInfo;
uint16_t& RespLength = DefaultSensorContext.respLength;
uint8_t& RespDataCrc = DefaultSensorContext.respDataCrc;
int32_t& RxCount = DefaultSensorContext.rxCount;
int32_t& ComErrorMask = DefaultSensorContext.comErrorMask;
double& WaitStart = DefaultSensorContext.waitStart;

int StartExchange(SensorContext& c, unsigned count, ExchangeDone done)
{
    if (c.exchangeState == 1)
        return -1;
    begin(c, count, done, true);
    return 1;
}

void CancelExchange(SensorContext& c)
{
    if (c.exchangeState != 1)
        return;
    c.exchangeState = 2;
    c.exchangeResult = -1;
    c.done = nullptr;
    if (c.exchangeAlarm) {
        underWay.erase(c.exchangeId);
        TransportOf(c).unwatch(c);
    }
}

void FeedExchange(SensorContext& c, const uint8_t* data, size_t size)
{
    if (c.exchangeState != 1)
        return;
    const bool header = AwaitingHeader(c.answer);
    PushAnswer(c.answer, c.rxBuf, c.txBuf, data, size);
    afterPush(c, header);
}

void ExchangeConversationClosed(SensorContext& c) { finish(c, -1, nullptr); }

void ExchangeLineFailed(SensorContext& c) { finish(c, -1, kTimeoutText); }

void FillTxBuf(SensorContext& c, int order, int info, unsigned length)
{
    uint16_t len = static_cast<uint16_t>(length);
    if (len > kMaxPayload)
        len = kMaxPayload;
    EncodeHeader(c.headerFrame.header, static_cast<uint8_t>(order), static_cast<uint16_t>(info),
                 c.headerFrame.payload, len);
    std::memcpy(c.txBuf, c.headerFrame.header, kHeaderSize);
    std::memcpy(c.txBuf + kHeaderSize, c.headerFrame.payload, len);
}

int DataExchange(SensorContext& c, unsigned count)
{
    // A callback inside the wait of another exchange of this context (there is none in the
    // program) would find it under way: the older one is given up unreported.
    CancelExchange(c);
    begin(c, count, nullptr, false);
    if (c.protocol == kProtocolRs232)
        pullSerial(c);
    else
        waitTcp(c);
    return c.exchangeResult == 1 ? 1 : -1;
}

int DataExchange(unsigned count) { return DataExchange(DefaultSensor(), count); }

void FillTxBuf(int order, int info, unsigned length) { FillTxBuf(DefaultSensor(), order, info, length); }

void FormatMsg(SensorContext& c, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    formatInto(c, format, args);
    va_end(args);
}

void FormatMsg(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    formatInto(DefaultSensor(), format, args);
    va_end(args);
}

// The exchange that never blocks: a request goes out, and the answer is taken in by whatever
// processes events (the TCP callback, or the serial port's input callback, feeds it to the
// context's push parser, link/answer_parser.h) while the caller goes on. Each context has its
// own deadline, 3.0 s for the header and again for the data; one deadline queue and one platform
// alarm serve every context, so a thousand sensors cost one timer. When the exchange ends,
// done(c, result) is called once: result 1 with the answer in rxBuf and the resp fields as
// DataExchange leaves them, or -1 after the failure has been reported on the context (its
// msgBuf, its notifications, its flags), exactly as the blocking DataExchange reports it.
//
// Either transport will do. On the serial line the port's input callback is installed only while
// the exchange is under way, and the device counts the bytes: the callback comes once the
// header is in and once the data is, so any number of ports are served from one thread. (The
// window's blocking DataExchange keeps its own serial wait, which the baud rate times.) A context
// must not be moved or destroyed while its exchange is under way (CancelExchange first), nor
// inside its own done callback, which runs inside the transport's callback. Two contexts must
// not use one serial port at once.
#pragma once

#include "link/sensor_context.h"

// Sends count bytes of c.txBuf (built with FillTxBuf) and returns 1 at once, the exchange under
// way; done may be null. Returns -1 without sending when an exchange of c is under way already.
int StartExchange(SensorContext& c, unsigned count, ExchangeDone done);

// True while c's exchange is under way.
inline bool ExchangeUnderWay(const SensorContext& c) { return c.exchangeState == 1; }

// Ends c's exchange without a report and without calling done; harmless when none is under way.
void CancelExchange(SensorContext& c);

// For the transports: bytes of c's conversation arrived. Taken by the exchange under way (what
// follows its answer belongs to no request and is dropped); dropped when none is.
void FeedExchange(SensorContext& c, const uint8_t* data, size_t size);
// For the transports: the peer ended c's conversation, which has been reported already. The
// exchange under way ends with -1 without a second report.
void ExchangeConversationClosed(SensorContext& c);
// For the transports: the serial line or its device reported an error (c.comErrorMask). The
// exchange under way ends with the time-out report, as the blocking exchange ends then.
void ExchangeLineFailed(SensorContext& c);

// The request/response exchange with the sensor. Every sensor operation goes through here:
//
//   copy the payload into HeaderFrame.payload; FillTxBuf(order, info, length);
//   DataExchange(length + 8); on 1 read RespInfo, RespLength and RxBuf from offset 8.
//
// Each operation exists for any sensor's context (link/sensor_context.h) and, under the
// program's names, for the default sensor. The waits process events: control callbacks and the
// TCP callback run inside an exchange.
#pragma once

#include <cstddef>
#include <cstdint>

#include "link/frame_codec.h"
#include "link/sensor_context.h"

// The default sensor's exchange state (SensorContext's members of the same names).
extern HeaderFrameArea& HeaderFrame;
extern uint8_t (&TxBuf)[kFrameBufferSize];  // the complete request being sent
// The response: header at 0 to 7, data from 8. Cleared at the start of every exchange, so
// bytes the sensor did not send read as 0.
extern uint8_t (&RxBuf)[kFrameBufferSize];
extern char (&MsgBuf)[256];  // the text of the error or notice about to be reported

// Fields of the last response header that passed its check; a failed check keeps them.
extern uint8_t& RespOrder;
extern uint16_t& RespInfo;
extern uint16_t& RespLength;
extern uint8_t& RespDataCrc;

// Bytes received in the current exchange: the serial input-queue length as last polled, or on
// TCP the bytes the TCP callback stored into RxBuf since the request (never above 2048); in an
// exchange that does not block, on either line, the bytes taken since the request.
extern int32_t& RxCount;
extern int32_t& ComErrorMask;  // GetComStat after each serial wait; 0 at each exchange's start
extern double& WaitStart;      // Timer() at the start of the current wait

inline constexpr double kResponseTimeout = 3.0;  // seconds, for the header and again for data

// Builds the request in txBuf from the payload already in headerFrame.payload. Only the low 8
// bits of order, 16 of info and 16 of length are used; a length above 2040 is cut to 2040.
void FillTxBuf(SensorContext& c, int order, int info, unsigned length);
void FillTxBuf(int order, int info, unsigned length);

// Sends count bytes of txBuf and receives and checks the response, waiting and processing
// events meanwhile. Returns 1, or -1 after the failure has been reported (SetTimeout).
int DataExchange(SensorContext& c, unsigned count);
int DataExchange(unsigned count);

// Reports msgBuf as a link error: clears the acquisition-running and sensor-connected flags,
// shows "TIMEOUT!" in the interface status display, appends msgBuf and a blank line to the
// status box, dims ACCEPT and shows the connection page (the context's notifications).
void SetTimeout(SensorContext& c);
void SetTimeout();
// SetTimeout with one more line after msgBuf, before the blank line: what the system reported
// and what to do (an open failure's cause). An empty cause adds nothing.
void SetTimeoutWithCause(SensorContext& c, const char* cause);
void SetTimeoutWithCause(const char* cause);
// How many link errors have been reported on the default sensor since the program started: a
// caller compares the count before and after an operation to learn whether the link failed
// meanwhile (SensorContext::linkErrorReports for any other).
uint32_t LinkErrorReports();

// Formats into msgBuf, cut to its size (never inside a character's UTF-8 bytes).
void FormatMsg(SensorContext& c, const char* format, ...) __attribute__((format(printf, 2, 3)));
void FormatMsg(const char* format, ...) __attribute__((format(printf, 1, 2)));

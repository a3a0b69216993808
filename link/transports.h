// Opening the serial and TCP transports, and the TCP callback that feeds the exchange.
#pragma once

#include <cstdint>

#include "link/sensor_context.h"

// What the exchange (link/frame.h) needs of a transport, one table per transport. The exchange
// takes the table of the context's protocol when a request goes out and uses only it until the
// answer is in. Every function works on the context it is given: its handles, rxBuf, rxCount.
// On TCP the answer comes by itself, through the TCP callback. On the serial line the blocking
// exchange pulls it from the port (poll, waitForData, take); the one that does not block
// (link/exchange_async.h) has the port's input callback feed it (watch, unwatch, takeArrived).
struct LinkTransport {
    // Before a request: drops what an earlier exchange left queued (serial: both queues; TCP:
    // what the conversation holds; rxCount is set to 0) and notes whether the conversation is up.
    void (*discard)(SensorContext& c);
    // Sends the request. A failed write is not reported: it shows as a missing answer.
    void (*write)(SensorContext& c, const uint8_t* data, unsigned count);
    // Updates rxCount with the bytes that can be taken (serial: the input queue's length; TCP:
    // nothing, the TCP callback counts them as they arrive).
    void (*poll)(SensorContext& c);
    // Blocks until `target` bytes (as rxCount counts them) have arrived, or any event came, or
    // `seconds` have passed, processing events (serial: while the `expected` bytes of a whole
    // answer can still be coming, until they are all in, without waking for each piece; TCP:
    // until the next event).
    void (*waitForData)(SensorContext& c, int32_t target, int32_t expected, double seconds);
    // Moves `count` received bytes to dest (serial: reads them from the port, after noting the
    // port's error mask in comErrorMask; TCP: not used). False when fewer came.
    bool (*take)(SensorContext& c, uint8_t* dest, int count);
    // Drops the input of an answer that is refused unread (serial: the input queue; TCP: nothing,
    // what follows a refused answer is dropped as it arrives).
    void (*discardInput)(SensorContext& c);
    // True when the peer ended the conversation during this exchange; it has been reported then.
    bool (*closedDuringExchange)(SensorContext& c);
    // For the exchange that does not block: feed the answer to it once the next `need` bytes
    // have arrived (serial: the port's input callback, SerialInputCB; TCP: nothing, the TCP
    // callback feeds every arrival). Called again as the answer comes in, with what it needs next.
    void (*watch)(SensorContext& c, int32_t need);
    // That exchange ended: stop feeding it (serial: the input callback is removed).
    void (*unwatch)(SensorContext& c);
    // Its deadline came: feed what has arrived meanwhile without waiting (serial: the bytes
    // short of the count the callback waits for; TCP: nothing).
    void (*takeArrived)(SensorContext& c);
};
extern const LinkTransport SerialTransport;
extern const LinkTransport TcpTransport;
// The table of the context's protocol.
const LinkTransport& TransportOf(const SensorContext& c);

// Opens the serial port comPort at the rate of baudRateIndex (8N1, no handshake, queues of
// 1024 bytes, 2.0 s time-out) after closing whatever the context had open. Sets openStatus; a
// failure is reported as a link error with the run-time's text for its code and its cause.
void InitRS232(SensorContext& c);
void InitRS232();

// Connects to ipAddress:tcpPort (5000 ms time-out, wait cursor shown), ending the context's open
// conversation first. Sets openStatus, tcpHandle and tcpConnected; a failure is reported as a
// link error with the text for its code and its cause.
void InitTCP_IP(SensorContext& c);
void InitTCP_IP();
// The same connection without waiting for it (link/operations_async.h): 1 with the attempt
// under way and tcpHandle naming it (tcpConnected still 0), then done(c, 1 or -1) once, with
// the same settings and the same report as InitTCP_IP; or -1 at once, reported, when no
// attempt could start. No wait cursor: nothing waits.
int InitTCP_IPAsync(SensorContext& c, ExchangeDone done);

// Closes the serial port the context opened, whatever number the COM port selector shows by
// now. Harmless when none is.
void CloseOpenComPort(SensorContext& c);
void CloseOpenComPort();

// The run-time calls it on the user-interface thread, callbackData being the conversation's
// context (null: the default sensor's): TCP_DATAREADY feeds what arrived to the context's
// exchange (link/exchange_async.h), counting it in rxCount (never above 2048); TCP_DISCONNECT
// reports "SERVER HAS CLOSED CONNECTION!", forgets the conversation and ends the exchange under
// way without a second report. Returns 0.
int ClientTCPCB(unsigned handle, int event, int error, void* callbackData);

// The serial port's input callback (platform/rs232.h), callbackData being the context whose
// exchange it feeds: takes what the input queue holds (bounded, as the TCP callback is), counts
// it in rxCount and feeds it to the exchange under way. A line or device error (GetComStat) ends
// that exchange with the time-out report, as the blocking exchange reports it.
void SerialInputCB(int port, void* callbackData);

// The texts of the open failures, by the run-time's error code.
const char* Rs232ErrorText(int code);
const char* TcpErrorText(int code);

// Opening the serial and TCP transports, and the TCP callback that feeds the exchange.
#pragma once

#include <cstdint>

// What the exchange (link/frame.h) needs of a transport, one table per transport. The exchange
// takes the table of Protocol when a request goes out and uses only it until the answer is in.
struct LinkTransport {
    // Before a request: drops what an earlier exchange left queued (serial: both queues; TCP:
    // what the conversation holds, RxBuf and RxCount, and notes whether it is up).
    void (*discard)();
    // Sends the request. A failed write is not reported: it shows as a missing answer.
    void (*write)(const uint8_t* data, unsigned count);
    // Updates RxCount with the bytes received so far (serial: the input queue's length; TCP:
    // nothing, the TCP callback counts them as they arrive).
    void (*poll)();
    // Blocks until `target` bytes (as RxCount counts them) have arrived, or any event came, or
    // `seconds` have passed, processing events (serial: while the `expected` bytes of a whole
    // answer can still be coming, until they are all in, without waking for each piece; TCP:
    // until the next event).
    void (*waitForData)(int32_t target, int32_t expected, double seconds);
    // The wait polls for a moment before it blocks (TCP, whose answers come in microseconds).
    bool spinFirst;
    // Moves `count` received bytes to dest (serial: reads them from the port, after noting the
    // port's error mask in ComErrorMask; TCP: they are in RxBuf already). False when fewer came.
    bool (*take)(uint8_t* dest, int count);
    // Drops the input of an answer that is refused unread (serial: the input queue; TCP: nothing).
    void (*discardInput)();
    // Forgets a whole answer of `frameSize` bytes that was taken and found to answer another
    // request, so that what follows it is read as the start of the next answer (serial: RxBuf
    // is cleared; TCP: the bytes behind it move to the front of RxBuf).
    void (*dropAnswer)(int32_t frameSize);
    // True when the peer ended the conversation during this exchange; it has been reported then.
    bool (*closedDuringExchange)();
    // Bytes of the header that RxCount still counts while the data is awaited (TCP: 8).
    int32_t headerInCount;
};
extern const LinkTransport SerialTransport;
extern const LinkTransport TcpTransport;

// Opens the serial port ComPort at the rate of BaudRateIndex (8N1, no handshake, queues of
// 1024 bytes, 2.0 s time-out) after closing whatever was open. Sets OpenStatus; a failure is
// reported as a link error with the run-time's text for its code.
void InitRS232();

// Connects to IpAddress:TcpPort (5000 ms time-out, wait cursor shown), ending an open
// conversation first. Sets OpenStatus, TcpHandle and TcpConnected; a failure is reported as a
// link error with the text for its code.
void InitTCP_IP();

// Closes the serial port that is open, whatever number the COM port selector shows by now.
// Harmless when none is.
void CloseOpenComPort();

// The run-time calls it on the user-interface thread: TCP_DATAREADY appends what arrived to
// RxBuf at RxCount (never beyond its 2048 bytes; what does not fit is discarded);
// TCP_DISCONNECT reports "SERVER HAS CLOSED CONNECTION!" and forgets the conversation.
// Returns 0.
int ClientTCPCB(unsigned handle, int event, int error, void* callbackData);

// The texts of the open failures, by the run-time's error code.
const char* Rs232ErrorText(int code);
const char* TcpErrorText(int code);

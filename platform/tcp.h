// The run-time's TCP client: on POSIX systems on their own sockets (tcp_posix.cpp), on Windows
// on QTcpSocket (tcp_qt.cpp). The callback of a conversation runs on the
// user-interface thread whenever events are processed (the main loop, ProcessSystemEvents,
// WaitSystemEvents, a modal pop-up), never in parallel with other code.
//
// Error codes: -2 unable to establish a connection, -9 invalid parameter, -11 time-out,
// -12 no connection established (unknown handle), -13 general I/O error, -14 connection closed.
#pragma once

#include <cstddef>
#include <string>

inline constexpr int TCP_DISCONNECT = 2;
inline constexpr int TCP_DATAREADY = 3;

using tcpFuncPtr = int (*)(unsigned handle, int xType, int errCode, void* callbackData);

// Ends the conversation, or gives up a ConnectToTCPServerAsync attempt under way; neither the
// callback nor the attempt's completion is called. Returns 0, or -12 for an unknown handle.
int DisconnectFromTCPServer(unsigned handle);
// Writes size bytes, waiting up to timeoutMs for them to leave; returns the number written or
// a negative code.
int ClientTCPWrite(unsigned handle, const void* data, size_t size, int timeoutMs);
// Reads what has arrived, at most size bytes, waiting up to timeoutMs when nothing has; returns
// the number read (0 for size 0) or a negative code.
int ClientTCPRead(unsigned handle, void* buffer, size_t size, int timeoutMs);

// Why a ConnectToTCPServerEx failed, as the system reported it.
enum class TcpConnectCause {
    None,
    Refused,             // nothing listens on that port (or a firewall rejects it)
    HostNotFound,        // the name does not resolve
    NetworkUnreachable,  // no route to the network or host
    TimedOut,            // no answer within the time-out
    InvalidPort,         // 0 or above 65535
    InvalidAddress,      // written like an IP address but none (e.g. 127.0.0.300); never looked up
    Other,
};
struct TcpConnectFailure {
    TcpConnectCause cause = TcpConnectCause::None;
    std::string systemText;  // the system's own words
};

// Connects to server:port within timeoutMs (name lookup included) and stores the conversation
// handle (never 0) in *handle. callback receives TCP_DATAREADY when bytes have arrived (it is
// meant to read them: bytes it leaves may be told again on the next pass) and TCP_DISCONNECT
// when the server ends the conversation, not when the PC does, after its last bytes; each time
// with this conversation's callbackData. localPort 0 lets the system choose. Returns 0 or a negative
// code; then *failure (when given) says why. Any number of conversations may be open at once.
int ConnectToTCPServerEx(unsigned* handle, unsigned port, const char* server, tcpFuncPtr callback,
                         void* callbackData, int timeoutMs, unsigned localPort,
                         TcpConnectFailure* failure = nullptr);

// How a ConnectToTCPServerAsync attempt ended: result 0 with the conversation's handle, or a
// negative code as ConnectToTCPServerEx gives it (-2, -11) with the failure's cause.
using tcpConnectDone = void (*)(int result, unsigned handle, const TcpConnectFailure& failure, void* callbackData);

// The connection of ConnectToTCPServerEx without waiting for it, so that one thread can open
// any number at once: *handle gets the attempt's handle (the conversation's, once connected) and
// 0 is returned with the attempt under way; connected(...) follows once, from whatever processes
// events, never inside this call, by timeoutMs at the latest. A name that is not an IP address
// is still looked up before this returns. DisconnectFromTCPServer gives the attempt up without
// a completion. Returns a negative code (with *failure) when no attempt could start; connected
// is not called then.
int ConnectToTCPServerAsync(unsigned* handle, unsigned port, const char* server, tcpFuncPtr callback,
                            void* callbackData, int timeoutMs, tcpConnectDone connected,
                            TcpConnectFailure* failure = nullptr);

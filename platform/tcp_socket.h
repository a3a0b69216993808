// The system's socket calls of the TCP client on POSIX systems (tcp_posix.cpp).
#pragma once

#include <QHostAddress>
#include <QString>

#include <poll.h>

#include "platform/tcp.h"

// What a connect's errno means, and the system's words for it.
TcpConnectCause TcpCauseOfErrno(int error);
QString TcpTextOfErrno(int error);

// A socket for address, not yet connected, that never blocks, with Nagle off and bound to
// localPort when one is given; -1 with errno on failure.
int TcpOpenSocket(const QHostAddress& address, unsigned localPort);
// Starts connecting fd to address:port; 0 when under way or done, else the errno.
int TcpStartConnect(int fd, const QHostAddress& address, unsigned port);
// The outcome of a connect under way once the socket is writable or failed: 0 or the errno.
int TcpConnectOutcome(int fd);
// Waits up to timeoutMs (below 0: without end) for fd to become ready for what (POLLIN,
// POLLOUT); false on time-out.
bool TcpWaitFor(int fd, short what, int timeoutMs);

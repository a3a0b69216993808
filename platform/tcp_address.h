// What both TCP clients do before a connection: the arguments checked, and the server's name or
// address turned into the address to connect to.
#pragma once

#include <QHostAddress>
#include <QString>

#include "platform/tcp.h"

// Stores code's failure into *failure (when given) and returns code.
int TcpFailed(TcpConnectFailure* failure, int code, TcpConnectCause cause, const QString& systemText = {});

// The address to connect to for server and port: 0, or the code of the failure (with *failure).
// A name is looked up here, in the calling thread, within the system's own time limits.
int ResolveTcpServer(unsigned port, const char* server, TcpConnectFailure* failure, QHostAddress* address);

// The line that follows an open failure's text in the status box: the cause as the operating
// system reported it, and what the operator can do about it. One line each, no line break.
#pragma once

#include <string>

#include "platform/rs232.h"
#include "platform/tcp.h"

// Empty when the failure has no cause worth a line of its own.
std::string SerialOpenCauseLine(const ComOpenFailure& failure);
// `address` and `portText` as the operator entered them, `port` the number connected to,
// `timeoutMs` the connect time-out.
std::string TcpOpenCauseLine(const TcpConnectFailure& failure, const char* address,
                             const char* portText, long port, int timeoutMs);

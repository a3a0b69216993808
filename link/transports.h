// Opening the serial and TCP transports, and the TCP callback that feeds the exchange.
#pragma once

// The run-time calls it on the user-interface thread: TCP_DATAREADY appends what arrived to
// RxBuf at RxCount (never beyond its 2048 bytes); TCP_DISCONNECT reports "SERVER HAS CLOSED
// CONNECTION!" and forgets the conversation. Returns 0.
int ClientTCPCB(unsigned handle, int event, int error, void* callbackData);

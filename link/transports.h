// Opening the serial and TCP transports, the TCP callback that feeds the exchange, and the
// list of serial ports offered to the operator.
#pragma once

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
// RxBuf at RxCount (never beyond its 2048 bytes); TCP_DISCONNECT reports "SERVER HAS CLOSED
// CONNECTION!" and forgets the conversation. Returns 0.
int ClientTCPCB(unsigned handle, int event, int error, void* callbackData);

// FIND COM PORTS: appends the list of serial ports present to the status box. Returns 0.
int CBF_ButtonFindComPorts(int panel, int control, int event, void* callbackData, int eventData1,
                           int eventData2);

// The texts of the open failures, by the run-time's error code.
const char* Rs232ErrorText(int code);
const char* TcpErrorText(int code);

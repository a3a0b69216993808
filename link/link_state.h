// The link's connection state: which transport, and the handles of the open one. Set when the
// link is opened; read by the exchange. These are the default sensor's (SensorContext's
// members of the same names, link/sensor_context.h), as are its flags and the exchange's
// buffers (link/frame.h).
#pragma once

#include <cstdint>

#include "link/sensor_context.h"

extern uint16_t& Protocol;       // 0 = RS-232, 1 = TCP/IP
extern uint16_t& ComPort;        // serial port number, from 1
extern uint16_t& BaudRateIndex;  // 0 to 7: 9600 ... 921600; others open at 115200
extern char (&IpAddress)[256];   // server name or dotted address, zero-terminated
extern char (&PortNumberText)[32]; // TCP port as the operator typed it
extern int32_t& TcpPort;         // converted from PortNumberText
extern uint32_t& TcpHandle;      // conversation handle; 0 after the server closed it
extern int32_t& OpenStatus;      // result of the last open; negative = failed

// Sets every program-wide variable of the link and the working copy to its start value: the
// default sensor's context (serial port 1 at 115200 baud, port text "10001", no address, no
// conversation, receive count 0, Para and TechVec all zero, flags cleared, identity empty) and
// the program's own state (InitProgramState). InitAll, InitLinkLibrary and the tests call it.
void SetStartValues();

// The link's connection state: which transport, and the handles of the open one. Set when the
// link is opened; read by the exchange. The flags shared with the rest of the program are in
// params/program_state.h; the exchange's buffers in link/frame.h.
#pragma once

#include <cstdint>

inline constexpr uint16_t kProtocolRs232 = 0;
inline constexpr uint16_t kProtocolTcp = 1;

extern uint16_t Protocol;       // 0 = RS-232, 1 = TCP/IP
extern uint16_t ComPort;        // serial port number, from 1
extern uint16_t BaudRateIndex;  // 0 to 7: 9600 ... 921600; others open at 115200
extern char IpAddress[256];     // server name or dotted address, zero-terminated
extern char PortNumberText[32]; // TCP port as the operator typed it
extern int32_t TcpPort;         // converted from PortNumberText
extern uint32_t TcpHandle;      // conversation handle; 0 after the server closed it
extern int32_t OpenStatus;      // result of the last open; negative = failed

// Sets every program-wide variable of the link and the working copy to its start value: the
// connection settings above (serial port 1 at 115200 baud, port text "10001", no address, no
// conversation), the exchange's receive count, the working copy (Para and TechVec all zero)
// and the flags of params/program_state.h (InitProgramState). InitAll, InitLinkLibrary and the tests call it.
void SetStartValues();

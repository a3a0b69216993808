#include "link/link_state.h"

uint16_t Protocol = kProtocolRs232;
uint16_t ComPort = 1;
uint16_t BaudRateIndex = 4;
char IpAddress[256] = {};
char PortNumberText[32] = "10001";
int32_t TcpPort = 10001;
uint32_t TcpHandle = 0;
int32_t OpenStatus = -1;

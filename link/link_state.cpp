#include "link/link_state.h"

#include <cstring>

#include "link/frame.h"
#include "params/parameter_set.h"
#include "params/program_state.h"

uint16_t Protocol = kProtocolRs232;
uint16_t ComPort = 1;
uint16_t BaudRateIndex = 4;
char IpAddress[256] = {};
char PortNumberText[32] = "10001";
int32_t TcpPort = 10001;
uint32_t TcpHandle = 0;
int32_t OpenStatus = -1;

void SetStartValues()
{
    InitProgramState();
    Para = ParameterSet{};
    TechVec = TeachTable{};
    Protocol = kProtocolRs232;
    ComPort = 1;
    BaudRateIndex = 4;
    std::memset(IpAddress, 0, sizeof IpAddress);
    std::strcpy(PortNumberText, "10001");
    TcpPort = 10001;
    TcpHandle = 0;
    OpenStatus = -1;
    RxCount = 0;
}

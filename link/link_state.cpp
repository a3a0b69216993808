#include "link/link_state.h"

#include "params/program_state.h"

uint16_t& Protocol = DefaultSensorContext.protocol;
uint16_t& ComPort = DefaultSensorContext.comPort;
uint16_t& BaudRateIndex = DefaultSensorContext.baudRateIndex;
char (&IpAddress)[256] = DefaultSensorContext.ipAddress;
char (&PortNumberText)[32] = DefaultSensorContext.portNumberText;
int32_t& TcpPort = DefaultSensorContext.tcpPort;
uint32_t& TcpHandle = DefaultSensorContext.tcpHandle;
int32_t& OpenStatus = DefaultSensorContext.openStatus;

void SetStartValues()
{
    InitProgramState();
    ResetSensorContext(DefaultSensor());
}

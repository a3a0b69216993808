#include "params/program_state.h"
uint16_t SensorConnected = 0;
uint16_t AcquisitionRunning = 0;
uint16_t SendPending = 0;
uint16_t GetPending = 0;
uint16_t TcpConnected = 0;
uint16_t TransferTarget = kTargetSensor;
int32_t LanguageIndex = 0;
int32_t SensorEdition = 0;

void InitProgramState()
{
    SensorConnected = 0;
    AcquisitionRunning = 0;
    SendPending = 0;
    GetPending = 0;
    TcpConnected = 0;
    TransferTarget = kTargetSensor;
    LanguageIndex = 0;
    SensorEdition = 0;
}

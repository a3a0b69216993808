// Program-wide state shared by the link, the parameters and the operator interface: plain
// module-level variables, touched only from the one user-interface thread. Kept in one place so
// that no module holds a copy. The link's own state is link/link_state.h; SetStartValues there
// sets both to their start values.
#pragma once

#include <cstdint>

// 1 while a sensor is connected and identified and no exchange has failed since.
extern uint16_t SensorConnected;
// 1 while the live-data loop (or the assistant's adjustment) runs; clearing it ends the loop
// after its current pass.
extern uint16_t AcquisitionRunning;
// SEND and GET pressed during acquisition: served by the live-data loop between exchanges.
extern uint16_t SendPending;
extern uint16_t GetPending;
// 1 between a successful TCP connect and its end, by the PC or by the server.
extern uint16_t TcpConnected;

// Where SEND and GET transfer to: 2 = the sensor with its EEPROM, 3 = a parameter file; any
// other value addresses the sensor's working memory only.
inline constexpr uint16_t kTargetSensor = 2;
inline constexpr uint16_t kTargetFile = 3;
extern uint16_t TransferTarget;

// 0 to 6: German, English, French, Spanish, Portuguese, Italian, Polish.
extern int32_t LanguageIndex;

// 0 = no supported firmware identified; 1, 2 or 3 from the firmware text.
extern int32_t SensorEdition;

// Sets the variables above to their start values. Part of SetStartValues (link/link_state.h),
// which is what programs and tests call.
void InitProgramState();

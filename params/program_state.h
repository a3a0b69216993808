// Program-wide state shared by the link, the parameters and the operator interface: plain
// module-level variables, touched only from the one user-interface thread. Kept in one place so
// that no module holds a copy. The link's session flags (SensorConnected, AcquisitionRunning,
// SendPending, GetPending, TcpConnected, TransferTarget) belong to each sensor's context
// (link/sensor_context.h); SetStartValues there sets both to their start values.
#pragma once

#include <cstdint>

// 0 to 6: German, English, French, Spanish, Portuguese, Italian, Polish.
extern int32_t LanguageIndex;

// 0 = no supported firmware identified; 1, 2 or 3 from the firmware text. The default sensor's
// edition, which the parameter limits and defaults follow; defined with that sensor's context.
extern int32_t& SensorEdition;

// Sets LanguageIndex to its start value. Part of SetStartValues (link/link_state.h), which is
// what programs and tests call.
void InitProgramState();

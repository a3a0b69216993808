// The sensor's orders as the program uses them: parameter transfer, the live-data loop and the
// scan-frequency counts. Success of SendPara and GetPara shows only in SensorConnected: callers
// set it to 1 before the call and test it afterwards.
#pragma once

#include <cstdint>

// The orders the program sends.
enum SensorOrder : int {
    kOrderWrite = 1,        // info 0: ParameterSet; info 2: teach rows 0 to 31
    kOrderRead = 2,         // the same blocks back
    kOrderStoreEeprom = 3,  // working parameters into EEPROM
    kOrderLoadEeprom = 4,   // EEPROM into the working parameters
    kOrderIdentify = 7,     // info: serial number; data: firmware text
    kOrderLiveData = 8,     // 40 bytes of live data
    kOrderScanCounts = 105, // two signed 32-bit counts A, B
};
inline constexpr int kBlockParameters = 0;
inline constexpr int kBlockTeachTable = 2;

// The last good live-data response, 40 bytes, and its signed 16-bit words counted from 1:
// R, G, B raw values (1 to 3), X, Y, intensity (4 to 6), the colour number (8), three further
// signal values (12 to 14). The other bytes are the sensor's own and are carried unchanged.
inline constexpr int kLiveDataSize = 40;
extern uint8_t LiveData[kLiveDataSize];
enum LiveWord : int {
    kLiveR = 1, kLiveG = 2, kLiveB = 3, kLiveX = 4, kLiveY = 5, kLiveInt = 6,
    kLiveColorNo = 8, kLiveSignal1 = 12, kLiveSignal2 = 13, kLiveSignal3 = 14,
};
int16_t LiveValue(int word);

// Writes the ParameterSet and teach rows 0 to 31 to the sensor and, with TransferTarget 2, has
// it store them in its EEPROM. A plausibility reset is told in the status box and counted (see
// PlausibilityResets); it is no link failure and the sequence goes on.
void SendPara();
// How many times the sensor has reported that it reset implausible values: of a write (SendPara)
// or of an EEPROM load (GetPara). Callers compare it before and after an operation.
uint32_t PlausibilityResets();
// Reads them back (after an EEPROM load with TransferTarget 2) and refreshes the views.
void GetPara();
// The live-data loop: runs until AcquisitionRunning is found 0, serving pending SEND and GET
// between two exchanges.
void GetData();
// One live-data request; on success the response is in LiveData. Returns 1 or -1.
int RequestLiveData();
// The scan-frequency counts. Returns 1 with *a and *b set, or -1 (already reported).
int RequestScanCounts(int32_t* a, int32_t* b);

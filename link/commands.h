// The sensor's orders as the program uses them: parameter transfer, the live-data loop and the
// scan-frequency counts, on any sensor's context or, without one, on the default sensor's.
// Success of SendPara and GetPara shows only in sensorConnected: callers set it to 1 before the
// call and test it afterwards.
#pragma once

#include <cstdint>

#include "link/orders.h"
#include "link/sensor_context.h"

// The last good live-data response, 40 bytes, and its signed 16-bit words counted from 1:
// R, G, B raw values (1 to 3), X, Y, intensity (4 to 6), the colour number (8), three further
// signal values (12 to 14). The other bytes are the sensor's own and are carried unchanged.
extern uint8_t (&LiveData)[kLiveDataSize];  // the default sensor's
enum LiveWord : int {
    kLiveR = 1, kLiveG = 2, kLiveB = 3, kLiveX = 4, kLiveY = 5, kLiveInt = 6,
    kLiveColorNo = 8, kLiveSignal1 = 12, kLiveSignal2 = 13, kLiveSignal3 = 14,
};
int16_t LiveValue(const SensorContext& c, int word);
int16_t LiveValue(int word);

// Writes the parameter set and teach rows 0 to 31 to the sensor and, with transferTarget 2, has
// it store them in its EEPROM. A plausibility reset is told in the status box and counted in
// plausibilityResets; it is no link failure and the sequence goes on. When every exchange
// succeeded, the context's parametersWritten notification says so.
void SendPara(SensorContext& c);
void SendPara();
// How many times the sensor has reported that it reset implausible values: of a write (SendPara)
// or of an EEPROM load (GetPara). Callers compare it before and after an operation.
uint32_t PlausibilityResets(const SensorContext& c);
uint32_t PlausibilityResets();
// After a write was answered: when the answer's info field holds the number of values the
// sensor reset, counts it and tells it in the status box.
void ReportPlausibilityResets(SensorContext& c);
// Reads them back (after an EEPROM load with transferTarget 2) and refreshes the views. A
// plausibility reset of the EEPROM load is counted in plausibilityResets.
void GetPara(SensorContext& c);
void GetPara();
// The live-data loop: runs until acquisitionRunning is found 0, serving pending SEND and GET
// between two exchanges.
void GetData(SensorContext& c);
void GetData();
// One live-data request; on success the response is in liveData. Returns 1 or -1.
int RequestLiveData(SensorContext& c);
int RequestLiveData();
// The scan-frequency counts. Returns 1 with *a and *b set, or -1 (already reported).
int RequestScanCounts(SensorContext& c, int32_t* a, int32_t* b);
int RequestScanCounts(int32_t* a, int32_t* b);

// The orders the program sends and the blocks they address: the wire's vocabulary, shared by
// the exchange's answer checks and the sensor commands.
#pragma once

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
inline constexpr int kLiveDataSize = 40;  // the live-data answer's length

// The simulated colour sensor: its memories, its identification, its receiver and the orders it
// understands. Plain C++ without Qt, so the fuzz target and the unit tests drive it directly;
// the transports (tcp_server, pty_port) and the frame handling sit around it.
//
// Orders (request info / payload -> answer order, info, data):
//   1  info 0: ParameterSet (34 bytes) into RAM   -> 1, parameters reset to defaults, none
//   1  info 2: teach rows 0-31 (512 bytes)         -> 1, words reset to defaults, none
//   2  info 0                                      -> 2, 0, ParameterSet (34 bytes)
//   2  info 2                                      -> 2, 0, teach rows 0-31 (512 bytes)
//   3  store RAM into EEPROM                       -> 3, 0, none
//   4  load EEPROM into RAM                        -> 4, values reset to defaults, none
//   7  identification                              -> 7, serial number, firmware text (72 bytes)
//   8  live data                                   -> 8, 0, live record (40 bytes)
//   105 scan-frequency counts                      -> 105, 0, A and B (int32 each)
// Anything else, and orders 1 and 2 with another info, get the status answer (order 0) with
// code 1; a block of the wrong size gets code 2, as a frame garbled on the line would.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "params/records.h"
#include "sim/optics.h"
#include "sim/plausibility.h"

namespace sim {

// One answer of the model, before any fault shapes it.
struct Response {
    uint8_t order = 0;
    uint16_t info = 0;
    std::vector<uint8_t> data;
};

inline constexpr uint8_t kOrderWrite = 1;
inline constexpr uint8_t kOrderRead = 2;
inline constexpr uint8_t kOrderStore = 3;
inline constexpr uint8_t kOrderLoad = 4;
inline constexpr uint8_t kOrderIdentify = 7;
inline constexpr uint8_t kOrderLive = 8;
inline constexpr uint8_t kOrderScanCounts = 105;
inline constexpr uint16_t kStatusUnknownOrder = 1;
inline constexpr uint16_t kStatusLineError = 2;

inline constexpr size_t kFirmwareBytes = 72;
inline constexpr size_t kLiveBytes = 40;
inline constexpr uint16_t kNoColour = 255;
// The gate over which the sensor counts its scans, in the 10 ms units of count B.
inline constexpr int32_t kScanGateUnits = 500;

// Identification presets: the three supported editions and a firmware the tool does not know.
enum class Edition { Unsupported = 0, V4 = 1, KR = 2, KRE = 3 };
std::string PresetFirmware(Edition edition);

// The live record's 16-bit words (signed), by byte offset.
namespace live {
inline constexpr int kRed = 0, kGreen = 2, kBlue = 4, kX = 6, kY = 8, kIntensity = 10;
inline constexpr int kScanCounter = 12;   // running scan count (not interpreted by the tool)
inline constexpr int kColour = 14;        // recognised teach row, 255 for none
inline constexpr int kPower = 16;         // power, gain and integration in use
inline constexpr int kGain = 18, kIntegral = 20;
inline constexpr int kPeakRed = 22, kPeakGreen = 24, kPeakBlue = 26;
inline constexpr int kOutputs = 28;       // state of the digital outputs
inline constexpr int kDistance = 30;      // distance to the recognised row's taught point
inline constexpr int kReserved = 32;      // 8 bytes the sensor keeps zero
}  // namespace live

class DeviceModel {
public:
    explicit DeviceModel(Edition edition = Edition::V4, uint16_t serial = 1);

    // Handles one request whose data CRC was correct.
    Response Handle(uint8_t order, uint16_t info, const uint8_t* payload, size_t length);

    // Identification. SetEdition also loads the edition's preset firmware text; SetFirmware
    // overrides it (only the first 72 bytes travel).
    void SetEdition(Edition edition);
    Edition edition() const { return edition_; }
    void SetFirmware(const std::string& text) { firmware_ = text; }
    const std::string& firmware() const { return firmware_; }
    void SetSerial(uint16_t serial) { serial_ = serial; }
    uint16_t serial() const { return serial_; }

    // The memories, for tests and benches to read and to prepare. The EEPROM starts with the
    // factory defaults and RAM with what the EEPROM holds, as after power-up.
    ParameterSet& ram() { return ram_; }
    SensorRows& ramRows() { return ramRows_; }
    ParameterSet& eeprom() { return eeprom_; }
    SensorRows& eepromRows() { return eepromRows_; }
    // Back to the factory state (defaults in EEPROM and RAM, for the current edition).
    void FactoryReset();

    // The surface in front of the sensor: a fixed target, or the sample colours in turn.
    void SetTarget(const Target& target);
    void CycleTargets(std::vector<Target> targets, int periodMs);
    const Target& target();

    // Random counts of up to +/- amplitude on each channel (less with more AVERAGE); 0 = exact.
    void SetNoise(int amplitude, uint32_t seed = 1);
    // Scans per second, reported by order 105 over a 5-second gate.
    void SetScanRate(double hz) { scanRate_ = hz; }
    double scanRate() const { return scanRate_; }
    // Order 105 answers exactly these counts from now on, whatever the scan rate (B = 0 is what
    // a sensor that has not finished its first gate reports).
    void SetScanCounts(int32_t a, int32_t b) { fixedCounts_ = std::array<int32_t, 2>{a, b}; }
    // Milliseconds since an arbitrary origin; tests replace it to control the target cycle.
    void SetClock(std::function<int64_t()> clock) { clock_ = std::move(clock); }

    // The 40-byte live record the sensor would answer now. Regulates POWER first when
    // POWER MODE is 1.
    std::array<uint8_t, kLiveBytes> LiveRecord();
    // The first taught row (below MAX VEC NO) whose tolerance sphere around (X, Y, INT)
    // encloses the point, or 255.
    uint16_t Recognise(int x, int y, int intensity, int* distance = nullptr) const;

private:
    int editionNumber() const { return static_cast<int>(edition_); }
    void regulatePower();
    Response write(uint16_t info, const uint8_t* payload, size_t length);
    Response read(uint16_t info) const;
    Response scanCounts() const;

    Edition edition_;
    std::string firmware_;
    uint16_t serial_;
    ParameterSet ram_{};
    ParameterSet eeprom_{};
    SensorRows ramRows_{};
    SensorRows eepromRows_{};
    Target target_;
    std::vector<Target> cycle_;
    int cycleMs_ = 0;
    int noise_ = 0;
    std::mt19937 random_;
    double scanRate_ = 1500.0;
    std::optional<std::array<int32_t, 2>> fixedCounts_;
    uint16_t scanCounter_ = 0;
    std::function<int64_t()> clock_;
};

}  // namespace sim

// The command line of chromix5_sim, parsed apart from main so that it can be tested.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "sim/device_model.h"
#include "sim/faults.h"

namespace sim {

// Which sensors of a fleet a fault hits, as ranges of sensor indexes [first, last]; empty means
// every sensor.
using SensorSelection = std::vector<std::pair<int, int>>;
bool Selects(const SensorSelection& selection, int index);

// Far beyond any plant's line; what bounds a fleet in practice is the limit of open files (two
// descriptors a sensor and transport), which the program checks at start.
inline constexpr int kMaxSensors = 10000;

struct Options {
    bool help = false;
    std::optional<int> tcpPort;      // --tcp PORT (0 = a free port)
    bool pty = false;                // --pty
    std::string ptyLink;             // --pty-link PATH (implies --pty)
    int baud = 0;                    // --baud B: pace the pseudo-terminal; 0 = unpaced
    Edition edition = Edition::V4;   // --edition 1|2|3|unsupported
    std::string firmware;            // --firmware TEXT: overrides the edition's text
    std::optional<uint16_t> serial;  // --serial N; otherwise chosen at random per run
    double scanRate = 1500.0;        // --scan-rate HZ
    std::string target = "cycle";    // --target NAME|cycle
    int cycleMs = 3000;              // --cycle-ms N: how long each sample colour stays
    int noise = 4;                   // --noise N: counts of random spread, 0 = exact
    std::vector<Fault> faults;       // --fault SPEC[@SENSORS], repeatable
    std::vector<SensorSelection> faultSensors;  // the @SENSORS of each fault, by position
    int count = 1;                   // --count N: sensors played, on PORT.. and numbered links
    bool log = false;                // --log: one line per request on stdout
};

// Parses argv[1..]; with no transport named, listens on TCP port 10001 (the tool's default).
// Returns false with a one-line message in *error for anything it does not understand, and for
// a fleet that cannot be numbered (ports or serial numbers past 65535, a fault for a sensor
// beyond --count).
bool ParseOptions(int argc, const char* const* argv, Options* options, std::string* error);

// A fault from "ORDER:KIND[,value=N][,count=N][,skip=N]"; ORDER is a number or "any", count
// defaults to every time.
bool ParseFault(const std::string& text, Fault* fault, std::string* error);

// "0,3,10-19": sensor indexes and ranges of them, each below count.
bool ParseSensorSelection(const std::string& text, int count, SensorSelection* selection,
                          std::string* error);

// The --help text.
const char* Usage();

}  // namespace sim

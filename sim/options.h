// The command line of chromix5_sim, parsed apart from main so that it can be tested.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "sim/device_model.h"
#include "sim/faults.h"

namespace sim {

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
    std::vector<Fault> faults;       // --fault SPEC, repeatable
    bool log = false;                // --log: one line per request on stdout
};

// Parses argv[1..]; with no transport named, listens on TCP port 10001 (the tool's default).
// Returns false with a one-line message in *error for anything it does not understand.
bool ParseOptions(int argc, const char* const* argv, Options* options, std::string* error);

// A fault from "ORDER:KIND[,value=N][,count=N][,skip=N]"; ORDER is a number or "any", count
// defaults to every time.
bool ParseFault(const std::string& text, Fault* fault, std::string* error);

// The --help text.
const char* Usage();

}  // namespace sim

// Misbehaviour on demand: a test (or the executable's --fault option) asks the simulated sensor
// to spoil its answers to chosen requests, so that every failure path of the link can be driven
// against a real socket or pseudo-terminal.
//
// Every fault concerns the answer: the request itself is still carried out (a parameter write
// still lands in RAM), except with Status2, where the sensor claims it could not read it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "sim/device_model.h"

namespace sim {

enum class FaultKind {
    NoAnswer,        // stay silent
    Late,            // answer after value ms
    BadHeaderCrc,    // last header byte flipped
    BadDataCrc,      // the header's dataCrc does not match the data
    BadSync,         // first byte not 0x55 (the header CRC is made to match)
    ShortData,       // only half the data (a dataless answer announces 8 bytes and sends none)
    Status2,         // the status answer with code 2 instead of the answer
    OversizeLength,  // a correct header announcing value bytes (default 2041), then the data
    Close,           // close the connection instead of answering (a serial line goes silent)
    Pieces,          // the answer in value pieces (default 3), 5 ms apart
    Excess,          // the answer, then value more bytes (default 3000) that belong to nothing
};

inline constexpr int kAnyOrder = -1;
inline constexpr int kEveryTime = -1;

struct Fault {
    FaultKind kind = FaultKind::NoAnswer;
    int order = kAnyOrder;  // the order it applies to, or kAnyOrder
    int skip = 0;           // matching requests to let through first
    int count = 1;          // matching requests to spoil after that; kEveryTime = no end
    int value = 0;          // Late: delay in ms; OversizeLength: length; Pieces: piece count
};

// "silent", "late", "header-crc", "data-crc", "sync", "short", "status2", "oversize", "close",
// "pieces", "excess".
const char* FaultName(FaultKind kind);
bool FaultByName(const std::string& name, FaultKind* kind);

// The injected faults, consulted once per request in the order they were added.
class FaultPlan {
public:
    void Add(const Fault& fault) { faults_.push_back(fault); }
    void Clear() { faults_.clear(); }
    bool empty() const { return faults_.empty(); }
    // Counts this request against every fault for its order and returns the first one due;
    // used-up faults are removed.
    std::optional<Fault> Take(uint8_t order);

private:
    std::vector<Fault> faults_;
};

// What a transport does with one request: write the pieces (delayMs after the request, gapMs
// apart), or nothing when there are none, and close the connection when hangUp is set.
struct Reply {
    std::vector<std::vector<uint8_t>> pieces;
    int delayMs = 0;
    int gapMs = 0;
    bool hangUp = false;
};

// The frame for a response, shaped by the fault (if any).
Reply Shape(const Response& response, const std::optional<Fault>& fault);

}  // namespace sim

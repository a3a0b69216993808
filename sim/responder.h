// The simulated sensor between its line and its model: every request frame the parser cut out
// is recorded, carried out by the device model and answered, shaped by any injected fault.
// Plain C++; the transports call it from their event handlers and the fuzz target directly.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "sim/device_model.h"
#include "sim/faults.h"
#include "sim/frame_parser.h"

namespace sim {

// One request as it arrived, for tests that assert exact sequences.
struct Request {
    uint8_t order = 0;
    uint16_t info = 0;
    std::vector<uint8_t> payload;
    bool dataCrcOk = true;
};

class Responder {
public:
    explicit Responder(DeviceModel& model) : model_(model) {}

    // Carries out one request and returns what goes back on the line. A request whose data
    // CRC is wrong is not carried out: the sensor answers with status code 2.
    Reply Respond(const ParsedFrame& frame);

    FaultPlan& faults() { return faults_; }
    const std::vector<Request>& requests() const { return requests_; }
    // The orders received so far, in order.
    std::vector<uint8_t> orders() const;
    void ClearRequests() { requests_.clear(); }
    // Whether requests() keeps every request (the default, for tests). A simulator that serves
    // for hours turns it off, or the list would grow without end.
    void SetKeepRequests(bool keep) { keepRequests_ = keep; }

    // Called once per request with a one-line description, for the executable's log.
    void SetLog(std::function<void(const std::string&)> log) { log_ = std::move(log); }

private:
    DeviceModel& model_;
    FaultPlan faults_;
    std::vector<Request> requests_;
    bool keepRequests_ = true;
    std::function<void(const std::string&)> log_;
};

// "order 8 info 0 len 0 -> order 8 info 0 len 40 [late]"
std::string DescribeExchange(const Request& request, const Response& response,
                             const std::optional<Fault>& fault);

}  // namespace sim

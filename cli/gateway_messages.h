// The gateway's MQTT payloads, all JSON objects with the time in UTC to the millisecond. The
// topics they go to are in cli/gateway.h.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "params/configuration.h"

namespace cli {

// Who a message is about: the sensor's address, the name its list line gives, its serial number.
struct SensorLabel {
    std::string address;
    std::string name;
    unsigned serial = 0;
};

// A sensor's retained status: {"state":"online"|"offline"|"drift","gateway":...,"serial":...,
// "name":...,"address":...,"time":...} and "detail" when detail is not empty.
std::string GatewaySensorStatusJson(const std::string& state, const std::string& gateway, const SensorLabel& sensor,
                                    const std::string& detail);

// A sensor's retained configuration: its identity and every value it holds, the parameters by
// name and the teach rows 0 to 31 as eight words each.
std::string ConfigurationJson(const std::string& gateway, const SensorLabel& sensor, const std::string& firmware,
                              int edition, const Configuration& configuration);

// An event about a sensor: {"event":...,"gateway":...,"serial":...,"name":...,"address":...,
// "time":...} followed by fields, a text of further "key":value pairs ("" for none).
std::string SensorEventJson(const std::string& event, const std::string& gateway, const SensorLabel& sensor,
                            const std::string& fields);
// "differences":[{"name":...,"reference":...,"sensor":...},...], for a drift event.
std::string DriftFields(const std::vector<Difference>& differences);

// A gateway's retained claim of a sensor: {"gateway":...,"address":...,"time":...}.
std::string ClaimJson(const std::string& gateway, const std::string& address);

struct GatewayHealth {
    size_t sensors = 0;
    size_t online = 0;  // online or drifting
    double samplesPerSecond = 0;
    uint64_t delivered = 0;
    size_t dropped = 0;
    size_t queued = 0;
    std::vector<unsigned> claimedElsewhere;  // serial numbers another gateway claims too
};
std::string HealthJson(const std::string& gateway, const GatewayHealth& health);

}  // namespace cli

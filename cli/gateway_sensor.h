// One sensor of the gateway (chromix5ctl serve) as a task that runs until it is asked to stop:
// connect, identify, read the configuration (kept as a snapshot when it changed, published,
// compared with the reference pinned for the serial number), then live samples at the sensor's
// rate with the configuration read again every kConfigurationPeriod seconds, so that a change
// made behind the gateway's back shows within one period. A link that fails is closed and
// opened again after a pause that doubles from 1 s up to 60 s; a sensor that answers garbage
// fails the same way and is never hammered.
#pragma once

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "cli/gateway_messages.h"
#include "cli/gateway_request.h"
#include "cli/mqtt_publisher.h"
#include "cli/options.h"
#include "cli/sensor_session.h"
#include "cli/sparkplug_session.h"
#include "cli/task.h"
#include "params/configuration.h"

namespace cli {

inline constexpr double kConfigurationPeriod = 10.0;
inline constexpr double kFirstPause = 1.0;
inline constexpr double kLongestPause = 60.0;

struct GatewaySensor;

// What the gateway's sensors share.
struct GatewayShared {
    const Options& options;
    MqttPublisher& mqtt;
    std::string id;          // the gateway's id: its MQTT client id
    std::string snapshots;   // the snapshot folder, "" when there is none
    std::string references;  // the reference folder, "" when there is none
    SparkplugSession* sparkplug = nullptr;  // samples in the Sparkplug B form instead of JSON
    uint64_t samplesTaken = 0;
    // Called when a sensor has been identified (again), to claim it, and when the serial number
    // at its address changed, to give up the claim of the old one.
    std::function<void(GatewaySensor&)> identified;
    std::function<void(unsigned serial)> replaced;
};

struct GatewaySensor {
    explicit GatewaySensor(SensorAddress a) : address(std::move(a)) {}
    GatewaySensor(const GatewaySensor&) = delete;
    GatewaySensor& operator=(const GatewaySensor&) = delete;

    SensorAddress address;
    SensorSession session;
    std::optional<Task<int>> task;
    bool stop = false;  // asked to end: the task ends at its next step, saying "offline"

    // What is known of the sensor.
    bool identified = false;
    unsigned serial = 0;
    std::string firmware;
    int edition = 0;
    std::string topic;               // its base topic, once known
    std::string state = "offline";   // as last published
    std::string detail;              // published with it
    std::optional<Configuration> configuration;  // as last read
    std::vector<Difference> drift;   // from its reference, as last told
    bool referenceTold = false;      // an unreadable reference was told
    uint64_t seq = 0;                // samples published
    std::deque<GatewayRequest> requests;  // asked over MQTT, run between two samples

    SensorLabel Label() const { return SensorLabel{address.text, address.name, serial}; }
    bool Online() const { return state != "offline"; }
};

Task<int> WatchSensor(GatewayShared& gateway, GatewaySensor& sensor);

// Publishes the sensor's state when it changed, and an event on its topic. The log line goes
// to standard error with the sensor's name.
void PublishSensorState(GatewayShared& gateway, GatewaySensor& sensor, const std::string& state,
                        const std::string& detail = {});
void PublishSensorEvent(GatewayShared& gateway, const GatewaySensor& sensor, const std::string& event,
                        const std::string& fields = {});

// A message on the request topic `topic` (T/request): read and queued on target for the gap
// after its next sample, or answered at once when it is malformed, target is offline or already
// has kMaxQueuedRequests waiting. target is null when no sensor of this gateway has that topic
// now (removed, replaced, moved): whoever serves the sensor now answers, not this gateway.
void TakeRequest(GatewayShared& gateway, GatewaySensor* target, const std::string& topic,
                 const std::string& payload);

// The base topic of a sensor of serial: its list line's topic, or PREFIX/SERIAL.
std::string SensorTopic(const Options& options, const SensorAddress& address, unsigned serial);

}  // namespace cli

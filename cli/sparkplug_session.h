// The Sparkplug B session of a publishing command: one edge node over one MqttPublisher, each
// sensor a device "SN<serial>" of it. It plugs the node's death certificate, births and farewell
// into the publisher's session hooks, and turns a sensor's samples into DDATA, with a DBIRTH
// before its first, and its end into DDEATH, all made when the publisher hands them over so that
// their sequence numbers follow the order of sending. After a reconnect every device alive is
// born again with its newest sample.
#pragma once

#include <map>
#include <string>

#include "cli/mqtt_publisher.h"
#include "cli/sparkplug.h"

namespace cli {

class SparkplugSession {
public:
    // Installs the hooks; call before publisher.Connect. Both must outlive every message queued
    // (the publisher's Finish comes before either goes).
    SparkplugSession(MqttPublisher& publisher, const std::string& group, const std::string& node);
    SparkplugSession(const SparkplugSession&) = delete;
    SparkplugSession& operator=(const SparkplugSession&) = delete;

    // A sample of the sensor with this serial; the first one (again after Died) is its birth.
    void Sample(const SparkplugDevice& identity, const record::LiveSample& sample);
    // The sensor is gone (its monitor ended or its link was lost).
    void Died(unsigned serial);
    // Where the sensor's data go.
    std::string DataTopic(unsigned serial) const { return node_.Topic("DDATA", IdOf(serial)); }

private:
    struct Device {
        SparkplugDevice identity;
        record::LiveSample newest;
    };
    static std::string IdOf(unsigned serial) { return "SN" + std::to_string(serial); }

    MqttPublisher& publisher_;
    SparkplugNode node_;
    std::map<unsigned, Device> alive_;
};

}  // namespace cli

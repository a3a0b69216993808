// How a command that publishes talks to its MQTT broker, apart from where the broker is: the
// values of the --mqtt-... options, read once at start and handed to MqttPublisher.
#pragma once

#include <string>

namespace cli {

struct MqttSettings {
    int qos = 0;                // --mqtt-qos: of the samples (status messages always go at 1)
    bool retain = false;        // --mqtt-retain: the broker keeps each sensor's latest sample
    std::string clientId;       // --mqtt-client-id; "" = chromix5ctl-PID
    int keepAlive = 30;         // --mqtt-keepalive SECONDS
    std::string user;           // --mqtt-user
    // From --mqtt-password-file or --mqtt-password-env, never from the command line, where
    // every user of the machine could read it.
    std::string password;
    bool hasPassword = false;
    bool tls = false;           // --mqtt-tls, or any of the three files below
    std::string caFile;         // --mqtt-cafile; "" = the system's certificate authorities
    std::string certFile;       // --mqtt-cert and --mqtt-key: a client certificate
    std::string keyFile;
    bool insecure = false;      // --mqtt-insecure: neither the certificate nor the host name checked
    // Where the process says "online" (retained, on every connect), with "offline" as its last
    // will and at a clean end. "" = no status.
    std::string statusTopic;
    // --mqtt-sparkplug GROUP[/NODE]: samples in the Sparkplug B form instead of JSON, this process
    // the edge node NODE (default: the client id) of GROUP, each sensor a device SN<serial>.
    std::string sparkplugGroup;  // "" = JSON
    std::string sparkplugNode;

    bool operator==(const MqttSettings&) const = default;
};

}  // namespace cli

// The command line's MQTT options beside --mqtt and --topic: which exist, applying one, and the
// checks that need all of them. Kept apart from options.cpp so that every command that
// publishes (monitor today) shares one definition.
#pragma once

#include <string>

#include "cli/mqtt_settings.h"

namespace cli {

// --mqtt-qos, --mqtt-client-id, --mqtt-keepalive, --mqtt-user, --mqtt-password-file,
// --mqtt-password-env, --mqtt-cafile, --mqtt-cert, --mqtt-key, --mqtt-sparkplug.
bool IsMqttValueOption(const std::string& name);
// --mqtt-retain, --mqtt-tls, --mqtt-insecure.
bool IsMqttFlag(const std::string& name);

// Applies one option (value is "" for a flag). The password options read the secret here: a
// file must be a regular file of at most 64 KiB whose first line is the password; a variable
// must be set and not empty. False with a one-line message that never holds the secret.
bool ApplyMqttOption(const std::string& name, const std::string& value, MqttSettings* settings,
                     std::string* error);

// Checks what only the whole command line shows (a password without a user, a certificate
// without its key, --mqtt-insecure without TLS, any of them without a broker) and fills in
// what follows: TLS when a certificate file is named, port 8883 for TLS when no port was given.
bool CompleteMqttSettings(MqttSettings* settings, bool brokerGiven, bool portGiven, int* port,
                          std::string* error);

// A Sparkplug B group, node or device id: 1 to 64 characters of UTF-8 without '/', '+', '#'.
bool IsSparkplugId(const std::string& id);

// True when a publish topic is valid UTF-8 without '+', '#' or a zero byte; a broker would
// refuse every message to any other.
bool IsPublishTopic(const std::string& topic);

}  // namespace cli

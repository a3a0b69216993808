// The command line's parsers of outside input: sensor names (from the command line and from
// sensor list files, one a line, with the gateway's extras) and whole argument vectors (zero bytes separate arguments).
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "cli/mqtt_options.h"
#include "cli/options.h"
#include "cli/sensor_address.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);

    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        cli::SensorAddress address;
        std::string error;
        if (cli::ParseSensorListLine(text.substr(start, end - start), &address, &error)) {
            // A list line's extras hold what the gateway can use: a rate it can pace, a topic a
            // broker takes.
            if (address.rate < 0 || address.rate > 1000 || (!address.topic.empty() && !cli::IsPublishTopic(address.topic)))
                __builtin_trap();
            // What parses must be usable: a file tag of file-safe characters, a port in range.
            (void)cli::SensorFileTag(address);
            if (address.port < 1 || address.port > 65535 || address.baudIndex < 0 || address.baudIndex > 7)
                __builtin_trap();
            // A host name that parses fits the resolver's limit and the link's address text.
            if (address.kind == cli::SensorAddress::Kind::Tcp && (address.host.empty() || address.host.size() > 254))
                __builtin_trap();
        }
        start = end + 1;
    }

    std::vector<std::string> args{"chromix5ctl"};
    start = 0;
    while (start <= text.size() && args.size() < 64) {
        size_t end = text.find('\0', start);
        if (end == std::string::npos)
            end = text.size();
        std::string arg = text.substr(start, end - start);
        // Sensor lists and password files named in the input are not read: the fuzzer must not
        // wander the disk.
        if (arg.rfind("--file", 0) == 0 || arg.rfind("--mqtt-password-file", 0) == 0)
            arg = "--json";
        args.push_back(arg);
        start = end + 1;
    }
    std::vector<const char*> argv;
    for (const std::string& a : args)
        argv.push_back(a.c_str());
    cli::Options options;
    std::string error;
    if (cli::ParseArguments(static_cast<int>(argv.size()), argv.data(), &options, &error) && !options.help) {
        // --force belongs to restore and pin, --plain to backup, --reference to compare only;
        // a compare with the reference has no file, every other file command one.
        if ((options.force && options.command != cli::Subcommand::Restore && options.command != cli::Subcommand::Pin) ||
            (options.plain && options.command != cli::Subcommand::Backup) ||
            (options.reference && options.command != cli::Subcommand::Compare) ||
            (options.reference && !options.file.empty()))
            __builtin_trap();
        // The gateway always has a broker, a rate and an id; writing on request is its alone.
        // (--data is common to every command: pin and restore name the gateway's folder with it.)
        const bool serve = options.command == cli::Subcommand::Serve;
        if ((serve && (options.mqttHost.empty() || options.rate <= 0 || options.mqtt.clientId.empty())) ||
            (!serve && options.allowWrite))
            __builtin_trap();
        // MQTT settings only with a broker, and only consistent ones: what the publisher is
        // handed it can use as it is.
        const cli::MqttSettings& m = options.mqtt;
        if (options.mqttHost.empty() ? !(m == cli::MqttSettings{})
                                     : (m.qos < 0 || m.qos > 2 || m.keepAlive < 5 || m.keepAlive > 65535 ||
                                        (m.hasPassword && m.user.empty()) || (m.insecure && !m.tls) ||
                                        m.certFile.empty() != m.keyFile.empty() ||
                                        // JSON under --topic, or the Sparkplug B form's own topics
                                        // (the gateway's status, configuration and events stay
                                        // JSON under its topic)
                                        (m.sparkplugGroup.empty() ? !cli::IsPublishTopic(options.topic)
                                                                  : (!options.topic.empty() &&
                                                                     options.command != cli::Subcommand::Serve) ||
                                                                        m.retain ||
                                                                        !cli::IsSparkplugId(m.sparkplugGroup) ||
                                                                        (!m.sparkplugNode.empty() &&
                                                                         !cli::IsSparkplugId(m.sparkplugNode))) ||
                                        options.mqttPort < 1 || options.mqttPort > 65535))
            __builtin_trap();
    }
    return 0;
}

#include "cli/options.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstring>

#include <unistd.h>

#include "cli/file_pattern.h"
#include "cli/mqtt_options.h"

namespace cli {

namespace {

struct Named {
    const char* name;
    Subcommand command;
};
constexpr Named kSubcommands[] = {
    {"identify", Subcommand::Identify}, {"backup", Subcommand::Backup},
    {"restore", Subcommand::Restore},   {"compare", Subcommand::Compare},
    {"monitor", Subcommand::Monitor},   {"pin", Subcommand::Pin},
    {"serve", Subcommand::Serve},
};

// Options that take a value, and the subcommands that accept them (None: all).
struct ValueOption {
    const char* name;
    Subcommand only;
};
constexpr ValueOption kValueOptions[] = {
    {"--file", Subcommand::None}, {"--jobs", Subcommand::None},  {"-o", Subcommand::Backup},
    {"--output", Subcommand::Backup}, {"--rate", Subcommand::Monitor}, {"--count", Subcommand::Monitor},
    {"--csv", Subcommand::Monitor},   {"--mqtt", Subcommand::Monitor}, {"--topic", Subcommand::Monitor},
    {"--data", Subcommand::None},
};

// The subcommands that publish to an MQTT broker.
bool Publishes(Subcommand command) { return command == Subcommand::Monitor || command == Subcommand::Serve; }

// The gateway takes the monitor's rate and broker options as well.
bool ServeTakes(const std::string& name) { return name == "--rate" || name == "--mqtt" || name == "--topic"; }

bool TakesValue(const std::string& name, Subcommand command, bool* known)
{
    if (IsMqttValueOption(name)) {
        *known = Publishes(command);
        return true;
    }
    for (const ValueOption& o : kValueOptions) {
        if (name == o.name) {
            *known = o.only == Subcommand::None || o.only == command ||
                     (command == Subcommand::Serve && ServeTakes(name));
            return true;
        }
    }
    return false;
}

bool ParseInt(const std::string& text, long long lo, long long hi, long long* value)
{
    long long v = 0;
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, v);
    if (ec != std::errc() || ptr != end || v < lo || v > hi)
        return false;
    *value = v;
    return true;
}

// from_chars reads '.' as the decimal point whatever the locale.
bool ParseRate(const std::string& text, double* value)
{
    double v = 0;
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, v);
    if (ec != std::errc() || ptr != end || !std::isfinite(v) || v <= 0 || v > 1000)
        return false;
    *value = v;
    return true;
}

bool ParseBroker(const std::string& text, Options* o, std::string* error)
{
    std::string host = text;
    const size_t colon = text.rfind(':');
    if (colon != std::string::npos && text.find(']') == std::string::npos) {
        host = text.substr(0, colon);
        long long port = 0;
        if (!ParseInt(text.substr(colon + 1), 1, 65535, &port)) {
            *error = "--mqtt: port '" + text.substr(colon + 1) + "' is not a number from 1 to 65535";
            return false;
        }
        o->mqttPort = static_cast<int>(port);
        o->mqttPortGiven = true;
    }
    if (host.empty()) {
        *error = "--mqtt: no broker host";
        return false;
    }
    o->mqttHost = host;
    return true;
}

bool ApplyValue(const std::string& name, const std::string& value, Options* o, std::string* error)
{
    long long n = 0;
    if (name == "--file") {
        o->listFiles.push_back(value);
        return ReadSensorList(value, &o->sensors, error);
    } else if (name == "--jobs") {
        if (!ParseInt(value, 1, 1000000, &n)) {
            *error = "--jobs: '" + value + "' is not a number from 1 to 1000000";
            return false;
        }
        o->jobs = static_cast<int>(n);
        o->jobsGiven = true;
    } else if (name == "-o" || name == "--output") {
        if (value.empty()) {
            *error = name + ": empty file name";
            return false;
        }
        o->file = value;
    } else if (name == "--rate") {
        if (!ParseRate(value, &o->rate)) {
            *error = "--rate: '" + value + "' is not a rate above 0 and at most 1000 Hz";
            return false;
        }
    } else if (name == "--count") {
        if (!ParseInt(value, 1, 1000000000000LL, &n)) {
            *error = "--count: '" + value + "' is not a positive number";
            return false;
        }
        o->count = n;
    } else if (name == "--csv") {
        if (value.empty()) {
            *error = "--csv: empty file name (use - for standard output)";
            return false;
        }
        o->csv = value;
    } else if (name == "--mqtt") {
        return ParseBroker(value, o, error);
    } else if (name == "--data") {
        if (value.empty()) {
            *error = "--data: empty folder name";
            return false;
        }
        o->dataDir = value;
    } else if (name == "--topic") {
        // A publish topic may not hold the subscription wildcards.
        if (!IsPublishTopic(value)) {
            *error = "--topic: '" + value + "' is empty, holds '+' or '#', or is not UTF-8";
            return false;
        }
        o->topic = value;
    } else if (IsMqttValueOption(name)) {
        return ApplyMqttOption(name, value, &o->mqtt, error);
    }
    return true;
}

// The gateway's id: stable across restarts, so that its status and claims are found again.
std::string DefaultGatewayId()
{
    char host[256] = {};
    if (::gethostname(host, sizeof host - 1) != 0 || host[0] == '\0')
        std::strcpy(host, "localhost");
    std::string id = std::string("chromix5-gateway-") + host;
    // Kept to the characters a client id may hold (cli/mqtt_options.cpp), 64 at most.
    for (char& c : id)
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '-' && c != '_' && c != '.')
            c = '_';
    return id.substr(0, 64);
}

bool CheckServe(Options* o, std::string* error)
{
    if (o->mqttHost.empty()) {
        *error = "serve needs a broker (--mqtt HOST[:PORT])";
        return false;
    }
    if (o->topic.empty())
        o->topic = "chromix5";
    if (o->rate == 0)
        o->rate = 10;
    if (o->mqtt.clientId.empty())
        o->mqtt.clientId = DefaultGatewayId();
    for (size_t i = 0; i < o->sensors.size(); ++i)
        for (size_t k = 0; k < i; ++k)
            if (o->sensors[i].text == o->sensors[k].text) {
                *error = "the sensor " + o->sensors[i].text + " is named twice";
                return false;
            }
    return CompleteMqttSettings(&o->mqtt, true, o->mqttPortGiven, &o->mqttPort, error);
}

// The checks that need the whole command line.
bool CheckComplete(Options* o, const std::vector<std::string>& positional, std::string* error)
{
    size_t first = 0;
    const bool takesFile = o->command == Subcommand::Restore || o->command == Subcommand::Pin ||
                           (o->command == Subcommand::Compare && !o->reference);
    if (takesFile) {
        if (positional.empty()) {
            *error = "no parameter file given";
            return false;
        }
        o->file = positional[0];
        first = 1;
    }
    std::vector<SensorAddress> named;
    for (size_t i = first; i < positional.size(); ++i) {
        SensorAddress address;
        if (!ParseSensorAddress(positional[i], &address, error))
            return false;
        named.push_back(address);
    }
    o->sensors.insert(o->sensors.begin(), named.begin(), named.end());
    if (o->sensors.empty()) {
        *error = "no sensor given (tcp:HOST[:PORT], serial:NUMBER|DEVICE[@BAUD] or --file LIST)";
        return false;
    }
    const bool several = o->sensors.size() > 1;
    if (o->command == Subcommand::Backup) {
        if (o->file.empty()) {
            *error = "no output file given (-o FILE)";
            return false;
        }
        if (several && !HasSensorPlaceholder(o->file)) {
            *error = "several sensors need {n}, {serial} or {sensor} in the output file name";
            return false;
        }
    }
    if (o->command == Subcommand::Serve)
        return CheckServe(o, error);
    if (o->command == Subcommand::Monitor) {
        // The Sparkplug B form has its own topics: spBv1.0/GROUP/...
        const bool sparkplug = !o->mqtt.sparkplugGroup.empty();
        if (sparkplug && !o->topic.empty()) {
            *error = "--topic: the Sparkplug B form has its own topics (--mqtt-sparkplug)";
            return false;
        }
        if (!sparkplug && o->mqttHost.empty() != o->topic.empty()) {
            *error = "--mqtt and --topic go together";
            return false;
        }
        if (!CompleteMqttSettings(&o->mqtt, !o->mqttHost.empty(), o->mqttPortGiven, &o->mqttPort, error))
            return false;
        if (o->csv.empty() && o->mqttHost.empty())
            o->csv = "-";
        if (several && o->csv == "-") {
            *error = "several sensors cannot share standard output: give --csv a file name with "
                     "{n}, {serial} or {sensor}, or use --mqtt only";
            return false;
        }
        if (several && !o->csv.empty() && !HasSensorPlaceholder(o->csv)) {
            *error = "several sensors need {n}, {serial} or {sensor} in the --csv file name";
            return false;
        }
    }
    return true;
}

}  // namespace

const char* SubcommandName(Subcommand command)
{
    for (const Named& n : kSubcommands)
        if (n.command == command)
            return n.name;
    return "";
}

bool ParseArguments(int argc, const char* const* argv, Options* o, std::string* error)
{
    *o = Options{};
    std::vector<std::string> positional;
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (optionsEnded || arg.empty() || arg[0] != '-' || arg == "-") {
            if (o->command == Subcommand::None) {
                for (const Named& n : kSubcommands)
                    if (arg == n.name)
                        o->command = n.command;
                if (o->command == Subcommand::None) {
                    *error = "unknown subcommand '" + arg +
                             "' (identify, backup, restore, compare, monitor, pin, serve)";
                    return false;
                }
            } else {
                positional.push_back(arg);
            }
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        if (arg == "--help" || arg == "-h") {
            o->help = true;
            continue;
        }
        if (arg == "--json") {
            o->json = true;
            continue;
        }
        if (arg == "--eeprom" && o->command == Subcommand::Restore) {
            o->eeprom = true;
            continue;
        }
        if (arg == "--reference" && o->command == Subcommand::Compare) {
            o->reference = true;
            continue;
        }
        if (arg == "--force" && (o->command == Subcommand::Restore || o->command == Subcommand::Pin)) {
            o->force = true;
            continue;
        }
        if (arg == "--allow-write" && o->command == Subcommand::Serve) {
            o->allowWrite = true;
            continue;
        }
        if (arg == "--plain" && o->command == Subcommand::Backup) {
            o->plain = true;
            continue;
        }
        if (IsMqttFlag(arg) && Publishes(o->command)) {
            ApplyMqttOption(arg, "", &o->mqtt, error);
            continue;
        }
        if (arg.rfind("--mqtt-password", 0) == 0 && arg.rfind("--mqtt-password-", 0) != 0) {
            *error = "--mqtt-password: a password on the command line is visible to every user of the "
                     "machine; use --mqtt-password-file FILE or --mqtt-password-env VARIABLE";
            return o->help;
        }
        std::string value;
        bool hasValue = false;
        const size_t equals = arg.find('=');
        if (arg.rfind("--", 0) == 0 && equals != std::string::npos) {
            value = arg.substr(equals + 1);
            arg = arg.substr(0, equals);
            hasValue = true;
        }
        bool known = false;
        if (!TakesValue(arg, o->command, &known) || !known) {
            *error = o->command == Subcommand::None
                         ? "option '" + arg + "' before the subcommand"
                         : "unknown option '" + arg + "' for " + SubcommandName(o->command);
            // Help was asked for: show it rather than complain about what follows.
            if (o->help)
                return true;
            return false;
        }
        if (!hasValue) {
            if (i + 1 >= argc) {
                *error = "option " + arg + " needs a value";
                return o->help;
            }
            value = argv[++i];
        }
        if (!ApplyValue(arg, value, o, error))
            return o->help;
    }
    if (o->help)
        return true;
    if (o->command == Subcommand::None) {
        *error = "no subcommand given (identify, backup, restore, compare, monitor, pin, serve; --help)";
        return false;
    }
    return CheckComplete(o, positional, error);
}

}  // namespace cli

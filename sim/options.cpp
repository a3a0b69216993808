#include "sim/options.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "sim/optics.h"

namespace sim {
namespace {

// A whole-string decimal number within [lo, hi].
bool toInt(const std::string& text, long lo, long hi, long* value)
{
    if (text.empty())
        return false;
    errno = 0;
    char* end = nullptr;
    const long v = std::strtol(text.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || v < lo || v > hi)
        return false;
    *value = v;
    return true;
}

bool toDouble(const std::string& text, double lo, double hi, double* value)
{
    if (text.empty())
        return false;
    errno = 0;
    char* end = nullptr;
    const double v = std::strtod(text.c_str(), &end);
    if (errno != 0 || *end != '\0' || !(v >= lo && v <= hi))
        return false;
    *value = v;
    return true;
}

}  // namespace

bool Selects(const SensorSelection& selection, int index)
{
    if (selection.empty())
        return true;
    for (const auto& [first, last] : selection)
        if (index >= first && index <= last)
            return true;
    return false;
}

bool ParseSensorSelection(const std::string& text, int count, SensorSelection* selection,
                          std::string* error)
{
    SensorSelection result;
    std::string rest = text;
    do {
        const size_t comma = rest.find(',');
        const std::string item = rest.substr(0, comma);
        rest = comma == std::string::npos ? std::string() : rest.substr(comma + 1);
        const size_t dash = item.find('-');
        long first = 0, last = 0;
        bool ok = false;
        if (dash == std::string::npos) {
            ok = toInt(item, 0, count - 1, &first);
            last = first;
        } else {
            ok = toInt(item.substr(0, dash), 0, count - 1, &first) &&
                 toInt(item.substr(dash + 1), first, count - 1, &last);
        }
        if (!ok) {
            *error = "expected sensor indexes or ranges from 0 to " + std::to_string(count - 1) +
                     ", got '" + item + "'";
            return false;
        }
        result.emplace_back(static_cast<int>(first), static_cast<int>(last));
    } while (!rest.empty());
    *selection = std::move(result);
    return true;
}

const char* Usage()
{
    return "usage: chromix5_sim [options]\n"
           "Plays a colour sensor on 127.0.0.1 and/or a pseudo-terminal until SIGINT/SIGTERM.\n"
           "  --tcp PORT          listen on 127.0.0.1:PORT (0 = a free port; default 10001\n"
           "                      when no transport is named)\n"
           "  --pty               create a pseudo-terminal and print its path\n"
           "  --pty-link PATH     also link PATH to it (implies --pty)\n"
           "  --baud B            pace the pseudo-terminal to B baud (10 bits a byte)\n"
           "  --edition E         1, 2, 3 or unsupported (default 1)\n"
           "  --firmware TEXT     firmware text instead of the edition's\n"
           "  --serial N          serial number 0..65535 (default: random)\n"
           "  --scan-rate HZ      scan frequency reported by order 105 (default 1500)\n"
           "  --target T          dark, bright, white, red, green, blue, yellow, grey or\n"
           "                      cycle (default: the sample colours in turn)\n"
           "  --cycle-ms N        time per sample colour when cycling (default 3000)\n"
           "  --noise N           random spread of the raw values in counts (default 4)\n"
           "  --fault SPEC        ORDER:KIND[,value=N][,count=N][,skip=N][@SENSORS]; ORDER a\n"
           "                      number or any; KIND silent, late, header-crc, data-crc, sync,\n"
           "                      short, status2, oversize, close, pieces or excess; SENSORS\n"
           "                      the sensor indexes it hits, e.g. @0,3,10-19 (default: every\n"
           "                      sensor) (repeatable)\n"
           "  --count N           play N independent sensors (1..10000, default 1): sensor i\n"
           "                      (0 to N-1) listens on PORT+i (each on a free port with\n"
           "                      --tcp 0), has serial number SERIAL+i, its own memories and\n"
           "                      faults, and with --pty-link the link path's trailing number\n"
           "                      plus i (PATH<i> when the path ends in no number)\n"
           "  --log               print one line per request\n"
           "  --help              this text\n";
}

bool ParseFault(const std::string& text, Fault* fault, std::string* error)
{
    Fault f;
    f.count = kEveryTime;
    const size_t colon = text.find(':');
    if (colon == std::string::npos) {
        *error = "fault '" + text + "': expected ORDER:KIND";
        return false;
    }
    const std::string order = text.substr(0, colon);
    long v = 0;
    if (order == "any")
        f.order = kAnyOrder;
    else if (toInt(order, 0, 255, &v))
        f.order = static_cast<int>(v);
    else {
        *error = "fault '" + text + "': order must be 0..255 or any";
        return false;
    }
    std::string rest = text.substr(colon + 1);
    const size_t comma = rest.find(',');
    const std::string kind = rest.substr(0, comma);
    if (!FaultByName(kind, &f.kind)) {
        *error = "fault '" + text + "': unknown kind '" + kind + "'";
        return false;
    }
    rest = comma == std::string::npos ? std::string() : rest.substr(comma + 1);
    while (!rest.empty()) {
        const size_t next = rest.find(',');
        const std::string item = rest.substr(0, next);
        rest = next == std::string::npos ? std::string() : rest.substr(next + 1);
        const size_t eq = item.find('=');
        const std::string key = item.substr(0, eq);
        if (eq == std::string::npos || !toInt(item.substr(eq + 1), -1, 1000000, &v)) {
            *error = "fault '" + text + "': expected key=number, got '" + item + "'";
            return false;
        }
        if (key == "value")
            f.value = static_cast<int>(v);
        else if (key == "count")
            f.count = static_cast<int>(v);
        else if (key == "skip" && v >= 0)
            f.skip = static_cast<int>(v);
        else {
            *error = "fault '" + text + "': unknown setting '" + item + "'";
            return false;
        }
    }
    *fault = f;
    return true;
}

bool ParseOptions(int argc, const char* const* argv, Options* o, std::string* error)
{
    std::vector<std::pair<std::string, std::string>> faultSensorTexts;  // each --fault, its @SENSORS
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        // Every option but the flags takes the next argument.
        auto value = [&](std::string* out) {
            if (i + 1 >= argc) {
                *error = arg + " needs a value";
                return false;
            }
            *out = argv[++i];
            return true;
        };
        std::string v;
        long n = 0;
        if (arg == "--help" || arg == "-h") {
            o->help = true;
        } else if (arg == "--pty") {
            o->pty = true;
        } else if (arg == "--log") {
            o->log = true;
        } else if (arg == "--tcp") {
            if (!value(&v))
                return false;
            if (!toInt(v, 0, 65535, &n)) {
                *error = "--tcp: port must be 0..65535, got '" + v + "'";
                return false;
            }
            o->tcpPort = static_cast<int>(n);
        } else if (arg == "--pty-link") {
            if (!value(&o->ptyLink))
                return false;
            if (o->ptyLink.empty()) {
                *error = "--pty-link: empty path";
                return false;
            }
            o->pty = true;
        } else if (arg == "--baud") {
            if (!value(&v))
                return false;
            if (!toInt(v, 0, 4000000, &n)) {
                *error = "--baud: expected 0..4000000, got '" + v + "'";
                return false;
            }
            o->baud = static_cast<int>(n);
        } else if (arg == "--edition") {
            if (!value(&v))
                return false;
            if (v == "1")
                o->edition = Edition::V4;
            else if (v == "2")
                o->edition = Edition::KR;
            else if (v == "3")
                o->edition = Edition::KRE;
            else if (v == "unsupported" || v == "0")
                o->edition = Edition::Unsupported;
            else {
                *error = "--edition: expected 1, 2, 3 or unsupported, got '" + v + "'";
                return false;
            }
        } else if (arg == "--firmware") {
            if (!value(&o->firmware))
                return false;
        } else if (arg == "--serial") {
            if (!value(&v))
                return false;
            if (!toInt(v, 0, 65535, &n)) {
                *error = "--serial: expected 0..65535, got '" + v + "'";
                return false;
            }
            o->serial = static_cast<uint16_t>(n);
        } else if (arg == "--scan-rate") {
            if (!value(&v))
                return false;
            if (!toDouble(v, 0.0, 1e6, &o->scanRate)) {
                *error = "--scan-rate: expected 0..1000000 Hz, got '" + v + "'";
                return false;
            }
        } else if (arg == "--target") {
            if (!value(&v))
                return false;
            if (v != "cycle" && !TargetByName(v, nullptr)) {
                *error = "--target: unknown target '" + v + "'";
                return false;
            }
            o->target = v;
        } else if (arg == "--cycle-ms") {
            if (!value(&v))
                return false;
            if (!toInt(v, 1, 3600000, &n)) {
                *error = "--cycle-ms: expected 1..3600000, got '" + v + "'";
                return false;
            }
            o->cycleMs = static_cast<int>(n);
        } else if (arg == "--noise") {
            if (!value(&v))
                return false;
            if (!toInt(v, 0, 4095, &n)) {
                *error = "--noise: expected 0..4095, got '" + v + "'";
                return false;
            }
            o->noise = static_cast<int>(n);
        } else if (arg == "--count") {
            if (!value(&v))
                return false;
            if (!toInt(v, 1, kMaxSensors, &n)) {
                *error = "--count: expected 1.." + std::to_string(kMaxSensors) + ", got '" + v + "'";
                return false;
            }
            o->count = static_cast<int>(n);
        } else if (arg == "--fault") {
            if (!value(&v))
                return false;
            // The sensors are checked once --count is known, wherever it stands.
            const size_t at = v.find('@');
            Fault f;
            if (!ParseFault(v.substr(0, at), &f, error))
                return false;
            o->faults.push_back(f);
            faultSensorTexts.emplace_back(v, at == std::string::npos ? std::string() : v.substr(at + 1));
            if (at != std::string::npos && faultSensorTexts.back().second.empty()) {
                *error = "fault '" + v + "': no sensor after '@'";
                return false;
            }
        } else {
            *error = "unknown option '" + arg + "' (see --help)";
            return false;
        }
    }
    if (!o->tcpPort && !o->pty)
        o->tcpPort = 10001;
    const long last = o->count - 1;
    if (o->tcpPort && *o->tcpPort != 0 && *o->tcpPort + last > 65535) {
        *error = "--count " + std::to_string(o->count) + " from port " + std::to_string(*o->tcpPort) +
                 " goes past port 65535";
        return false;
    }
    if (o->serial && *o->serial + last > 65535) {
        *error = "--count " + std::to_string(o->count) + " from serial number " +
                 std::to_string(*o->serial) + " goes past 65535";
        return false;
    }
    o->faultSensors.clear();
    for (size_t i = 0; i < faultSensorTexts.size(); ++i) {
        const auto& [faultText, sensors] = faultSensorTexts[i];
        SensorSelection selection;
        if (!sensors.empty() && !ParseSensorSelection(sensors, o->count, &selection, error)) {
            *error = "fault '" + faultText + "': " + *error;
            return false;
        }
        o->faultSensors.push_back(std::move(selection));
    }
    return true;
}

}  // namespace sim

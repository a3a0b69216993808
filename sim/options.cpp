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
           "  --fault SPEC        ORDER:KIND[,value=N][,count=N][,skip=N]; ORDER a number or\n"
           "                      any; KIND silent, late, header-crc, data-crc, sync, short,\n"
           "                      status2, oversize, close, pieces or excess (repeatable)\n"
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
        } else if (arg == "--fault") {
            if (!value(&v))
                return false;
            Fault f;
            if (!ParseFault(v, &f, error))
                return false;
            o->faults.push_back(f);
        } else {
            *error = "unknown option '" + arg + "' (see --help)";
            return false;
        }
    }
    if (!o->tcpPort && !o->pty)
        o->tcpPort = 10001;
    return true;
}

}  // namespace sim

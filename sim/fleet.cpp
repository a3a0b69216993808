#include "sim/fleet.h"

#include <cctype>
#include <climits>
#include <random>

#include <sys/resource.h>

#include "sim/optics.h"

namespace sim {

Fleet::Fleet(const Options& options, uint16_t serialBase) : options_(options)
{
    std::random_device entropy;
    sensors_.reserve(static_cast<size_t>(options.count));
    for (int i = 0; i < options.count; ++i) {
        auto sensor = std::make_unique<Simulator>();
        sensor->SetKeepRequests(false);
        DeviceModel& model = sensor->model();
        model.SetEdition(options.edition);
        model.FactoryReset();
        if (!options.firmware.empty())
            model.SetFirmware(options.firmware);
        model.SetSerial(static_cast<uint16_t>(serialBase + i));
        model.SetScanRate(options.scanRate);
        model.SetNoise(options.noise, entropy());
        if (options.target == "cycle") {
            model.CycleTargets(SampleTargets(), options.cycleMs);
        } else {
            Target target;
            TargetByName(options.target, &target);
            model.SetTarget(target);
        }
        for (size_t f = 0; f < options.faults.size(); ++f)
            if (f >= options.faultSensors.size() || Selects(options.faultSensors[f], i))
                sensor->faults().Add(options.faults[f]);
        sensors_.push_back(std::move(sensor));
    }
}

bool Fleet::Start(std::string* error)
{
    const bool fleet = sensors_.size() > 1;
    for (size_t i = 0; i < sensors_.size(); ++i) {
        Simulator& sensor = *sensors_[i];
        const std::string who = fleet ? " (sensor " + std::to_string(i) + ")" : std::string();
        if (options_.tcpPort) {
            const int port = *options_.tcpPort == 0 ? 0 : *options_.tcpPort + static_cast<int>(i);
            if (sensor.ListenTcp(static_cast<uint16_t>(port)) < 0) {
                *error = "cannot listen on 127.0.0.1:" + std::to_string(port) + who + ": " + sensor.error();
                Stop();
                return false;
            }
        }
        if (options_.pty) {
            sensor.SetBaud(options_.baud);
            const std::string link = NumberedPath(options_.ptyLink, static_cast<int>(i), options_.count);
            if (sensor.OpenPty(link).empty()) {
                *error = "cannot create the pseudo-terminal" + who + ": " + sensor.error();
                Stop();
                return false;
            }
        }
    }
    return true;
}

void Fleet::Stop()
{
    for (auto& sensor : sensors_)
        sensor->Stop();
}

std::string Fleet::Describe(size_t index) const
{
    const Simulator& sensor = *sensors_[index];
    std::string text = "sensor " + std::to_string(index) + ": serial number " +
                       std::to_string(sensor.model().serial());
    if (options_.tcpPort)
        text += ", tcp 127.0.0.1:" + std::to_string(sensor.tcpPort());
    if (options_.pty) {
        text += ", pty " + sensor.ptyPath();
        if (!options_.ptyLink.empty())
            text += " linked from " + NumberedPath(options_.ptyLink, static_cast<int>(index), options_.count);
    }
    return text;
}

std::string NumberedPath(const std::string& path, int index, int count)
{
    if (path.empty() || count <= 1)
        return path;
    size_t digits = path.size();
    while (digits > 0 && std::isdigit(static_cast<unsigned char>(path[digits - 1])) &&
           path.size() - digits < 9)
        --digits;
    if (digits == path.size())
        return path + std::to_string(index);
    return path.substr(0, digits) + std::to_string(std::stol(path.substr(digits)) + index);
}

long RaiseOpenFileLimit()
{
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) != 0)
        return -1;
    if (limit.rlim_cur < limit.rlim_max) {
        limit.rlim_cur = limit.rlim_max;
        setrlimit(RLIMIT_NOFILE, &limit);
        getrlimit(RLIMIT_NOFILE, &limit);
    }
    return limit.rlim_cur == RLIM_INFINITY ? LONG_MAX : static_cast<long>(limit.rlim_cur);
}

long DescriptorsNeeded(const Options& options)
{
    const long perSensor = (options.tcpPort ? 2 : 0) + (options.pty ? 2 : 0);
    return perSensor * options.count + 64;
}

}  // namespace sim

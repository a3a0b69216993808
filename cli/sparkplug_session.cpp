#include "cli/sparkplug_session.h"

#include <vector>

namespace cli {

namespace {

MqttMessage Plain(SparkplugMessage m) { return MqttMessage{std::move(m.topic), std::move(m.payload)}; }

}  // namespace

SparkplugSession::SparkplugSession(MqttPublisher& publisher, const std::string& group, const std::string& node)
    : publisher_(publisher), node_(group, node)
{
    MqttSessionHooks hooks;
    hooks.will = [this] { return Plain(node_.BeginSession(record::NowUnixMs())); };
    hooks.births = [this] {
        std::vector<MqttMessage> births{Plain(node_.NodeBirth(record::NowUnixMs()))};
        for (const auto& [serial, device] : alive_)
            births.push_back(Plain(node_.DeviceBirth(IdOf(serial), device.identity, device.newest)));
        return births;
    };
    hooks.farewell = [this] { return Plain(node_.NodeDeath(record::NowUnixMs())); };
    publisher_.SetSessionHooks(std::move(hooks));
}

void SparkplugSession::Sample(const SparkplugDevice& identity, const record::LiveSample& sample)
{
    const unsigned serial = identity.serial;
    const auto [it, born] = alive_.try_emplace(serial, Device{identity, sample});
    it->second.newest = sample;
    const std::string device = IdOf(serial);
    if (born) {
        // A birth is never dropped for samples: without it a host ignores the device's data.
        // The sample itself goes as data too, so that every sample is counted as one.
        publisher_.PublishSessionLate(node_.Topic("DBIRTH", device), [this, device, identity, sample] {
            return node_.DeviceBirth(device, identity, sample).payload;
        });
    }
    publisher_.PublishLate(node_.Topic("DDATA", device),
                           [this, device, sample] { return node_.DeviceData(device, sample).payload; });
}

void SparkplugSession::Died(unsigned serial)
{
    if (alive_.erase(serial) == 0)
        return;
    const std::string device = IdOf(serial);
    publisher_.PublishSessionLate(node_.Topic("DDEATH", device), [this, device] {
        return node_.DeviceDeath(device, record::NowUnixMs()).payload;
    });
}

}  // namespace cli

#include "cli/gateway_messages.h"

#include <cstdio>

#include "cli/json.h"
#include "record/live_csv.h"

namespace cli {

namespace {

std::string Now() { return JsonString(record::Iso8601Millis(record::NowUnixMs())); }

std::string About(const std::string& gateway, const SensorLabel& sensor)
{
    return "\"gateway\":" + JsonString(gateway) + ",\"serial\":" + std::to_string(sensor.serial) +
           ",\"name\":" + (sensor.name.empty() ? std::string("null") : JsonString(sensor.name)) +
           ",\"address\":" + JsonString(sensor.address) + ",\"time\":" + Now();
}

}  // namespace

std::string GatewaySensorStatusJson(const std::string& state, const std::string& gateway, const SensorLabel& sensor,
                                    const std::string& detail)
{
    std::string json = "{\"state\":" + JsonString(state) + "," + About(gateway, sensor);
    if (!detail.empty())
        json += ",\"detail\":" + JsonString(detail);
    return json + "}";
}

std::string ConfigurationJson(const std::string& gateway, const SensorLabel& sensor, const std::string& firmware,
                              int edition, const Configuration& c)
{
    std::string json = "{" + About(gateway, sensor) + ",\"firmware\":" + JsonString(firmware) +
                       ",\"edition\":" + std::to_string(edition) + ",\"parameters\":{";
    for (int i = 0; i < kParameterCount; ++i)
        json += (i ? "," : "") + JsonString(kParameterKeys[i]) + ":" + std::to_string(c.para.*kParameterFields[i]);
    json += "},\"teach\":[";
    for (int row = 0; row < kSensorTeachRows; ++row) {
        json += row ? ",[" : "[";
        for (int w = 1; w <= kTeachWords; ++w)
            json += (w > 1 ? "," : "") + std::to_string(TeachWord(c.rows[static_cast<size_t>(row)], w));
        json += "]";
    }
    return json + "]}";
}

std::string SensorEventJson(const std::string& event, const std::string& gateway, const SensorLabel& sensor,
                            const std::string& fields)
{
    return "{\"event\":" + JsonString(event) + "," + About(gateway, sensor) + (fields.empty() ? "" : ",") + fields +
           "}";
}

std::string DriftFields(const std::vector<Difference>& differences)
{
    std::string json = "\"differences\":[";
    for (size_t i = 0; i < differences.size(); ++i)
        json += (i ? "," : "") + std::string("{\"name\":") + JsonString(differences[i].name) +
                ",\"reference\":" + std::to_string(differences[i].left) +
                ",\"sensor\":" + std::to_string(differences[i].right) + "}";
    return json + "]";
}

std::string ClaimJson(const std::string& gateway, const std::string& address)
{
    return "{\"gateway\":" + JsonString(gateway) + ",\"address\":" + JsonString(address) + ",\"time\":" + Now() + "}";
}

std::string HealthJson(const std::string& gateway, const GatewayHealth& h)
{
    char rate[32];
    std::snprintf(rate, sizeof rate, "%.1f", h.samplesPerSecond);
    std::string json = "{\"gateway\":" + JsonString(gateway) + ",\"time\":" + Now() +
                       ",\"sensors\":" + std::to_string(h.sensors) + ",\"online\":" + std::to_string(h.online) +
                       ",\"samples_per_second\":" + rate + ",\"delivered\":" + std::to_string(h.delivered) +
                       ",\"dropped\":" + std::to_string(h.dropped) + ",\"queued\":" + std::to_string(h.queued) +
                       ",\"claimed_elsewhere\":[";
    for (size_t i = 0; i < h.claimedElsewhere.size(); ++i)
        json += (i ? "," : "") + std::to_string(h.claimedElsewhere[i]);
    return json + "]}";
}

}  // namespace cli

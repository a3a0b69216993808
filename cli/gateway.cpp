#include "cli/gateway.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include <sys/stat.h>

#include "cli/diagnostics.h"
#include "cli/gateway_sensor.h"
#include "cli/json.h"
#include "cli/link_await.h"
#include "cli/reload_request.h"
#include "cli/sparkplug_session.h"
#include "cli/sensor_link.h"
#include "cli/stop_request.h"
#include "params/references.h"
#include "params/snapshots.h"
#include "platform/runtime.h"

namespace cli {

namespace {

constexpr double kConnectTimeout = 5.0;
constexpr double kFinishTimeout = 5.0;
constexpr double kHealthPeriod = 10.0;
constexpr double kLongestWait = 0.1;
// The publisher's queue holds this many seconds of the fleet's samples while the broker is
// away, within these bounds.
constexpr double kQueueSeconds = 10.0;
constexpr size_t kSmallestQueue = 1000;
constexpr size_t kLargestQueue = 200000;

void Log(const std::string& text)
{
    SetDiagnosticPrefix("");
    Diag(text);
}

// DIR/sub/ (both created when missing), or "" with the reason told.
std::string DataFolder(const std::string& dir, const char* sub)
{
    const std::string folder = dir + (dir.back() == '/' ? "" : "/") + sub;
    for (const std::string& d : {dir, folder}) {
        if (::mkdir(d.c_str(), 0777) != 0 && errno != EEXIST) {
            Log("cannot create " + d + ": " + std::strerror(errno) + "; no " + sub + " are kept");
            return std::string();
        }
    }
    return folder + "/";
}

size_t QueueFor(const Options& o)
{
    const double samples = static_cast<double>(o.sensors.size()) * o.rate * kQueueSeconds;
    return static_cast<size_t>(std::clamp(samples, double(kSmallestQueue), double(kLargestQueue)));
}

class Gateway {
public:
    Gateway(const Options& o, MqttPublisher& mqtt, SparkplugSession* sparkplug)
        : options_(o), shared_{o, mqtt, MqttClientId(o.mqtt), {}, {}, sparkplug, 0, {}, {}}
    {
        shared_.snapshots = o.dataDir.empty() ? SnapshotFolder() : DataFolder(o.dataDir, kSnapshotFolder);
        shared_.references = o.dataDir.empty() ? ReferenceFolder() : DataFolder(o.dataDir, kReferenceFolder);
        shared_.identified = [this](GatewaySensor& s) { Claim(s); };
        shared_.replaced = [this](unsigned serial) { Unclaim(serial); };
        ownerPrefix_ = o.topic + "/owner/";
    }

    int Run();

private:
    void Start(const SensorAddress& address);
    void Reload();
    void Claim(GatewaySensor& s);
    void Unclaim(unsigned serial);
    void ListenForRequests(const GatewaySensor& s);
    void OnClaim(const std::string& topic, const std::string& payload);
    void TellSharedClaim(GatewaySensor& s, const std::string& other);
    void PublishHealth();
    void EndFinished();
    void GiveUp();

    const Options& options_;
    GatewayShared shared_;
    std::string ownerPrefix_;
    std::vector<std::unique_ptr<GatewaySensor>> sensors_;
    std::vector<SensorAddress> fromCommandLine_;
    // Which serial numbers this gateway claims (the topics to clear at the end), and what other
    // gateways claim: serial -> their ids.
    std::set<unsigned> claimed_;
    std::map<unsigned, std::set<std::string>> others_;
    std::set<std::string> requestTopics_;  // subscribed to, for every topic a sensor had
    double healthAt_ = 0;
    uint64_t takenAtHealth_ = 0;
    double lastHealth_ = 0;
    size_t servedAtStop_ = 0;  // the fleet's size when the gateway was asked to stop
    bool ending_ = false;  // sensors were asked to stop and may not all have ended yet
};

void Gateway::Start(const SensorAddress& address)
{
    auto sensor = std::make_unique<GatewaySensor>(address);
    GatewaySensor& s = *sensor;
    s.session.prefix = address.text;
    if (!address.topic.empty())
        s.topic = address.topic;
    sensors_.push_back(std::move(sensor));
    SetDiagnosticPrefix(address.text);
    s.task.emplace(WatchSensor(shared_, s));
    s.task->Start();
}

// The sensors that ended are closed here, never inside the callback that ended them.
void Gateway::EndFinished()
{
    ending_ = std::any_of(sensors_.begin(), sensors_.end(), [](const auto& s) { return s->stop && !s->task->Done(); });
    std::erase_if(sensors_, [&](const std::unique_ptr<GatewaySensor>& s) {
        if (!s->task->Done())
            return false;
        CloseSensor(s->session);
        if (s->identified)
            Unclaim(s->serial);
        return true;
    });
}

void Gateway::GiveUp()
{
    ForgetAllWaits();
    for (auto& s : sensors_) {
        CloseSensor(s->session);
        s->task.reset();
        PublishSensorState(shared_, *s, "offline", "interrupted");
    }
    sensors_.clear();
}

void Gateway::Reload()
{
    std::vector<SensorAddress> fresh;
    std::string error;
    for (const std::string& list : options_.listFiles) {
        if (!ReadSensorList(list, &fresh, &error)) {
            Log("the sensor list was not reloaded, the fleet goes on as it was:\n" + error);
            return;
        }
    }
    fresh.insert(fresh.begin(), fromCommandLine_.begin(), fromCommandLine_.end());
    for (size_t i = 0; i < fresh.size(); ++i)
        for (size_t k = 0; k < i; ++k)
            if (fresh[i].text == fresh[k].text) {
                Log("the sensor list was not reloaded, the fleet goes on as it was: the sensor " + fresh[i].text +
                    " is named twice");
                return;
            }
    // A sensor whose line is the same goes on; one whose line changed starts again.
    const auto same = [](const SensorAddress& a, const SensorAddress& b) {
        return a.text == b.text && a.name == b.name && a.rate == b.rate && a.topic == b.topic;
    };
    size_t stopped = 0, started = 0;
    for (auto& s : sensors_) {
        if (s->stop)
            continue;
        if (std::none_of(fresh.begin(), fresh.end(), [&](const SensorAddress& a) { return same(a, s->address); })) {
            s->stop = true;
            ending_ = true;
            ++stopped;
        }
    }
    for (const SensorAddress& a : fresh) {
        if (std::none_of(sensors_.begin(), sensors_.end(),
                         [&](const auto& s) { return !s->stop && same(a, s->address); })) {
            Start(a);
            ++started;
        }
    }
    Log("sensor list reloaded: " + std::to_string(fresh.size()) + " sensors, " + std::to_string(started) +
        " started, " + std::to_string(stopped) + " stopped");
}

// T/request of every topic a sensor had: a sensor that left its topic (removed, replaced, now
// with another) leaves the subscription, whose requests nobody here answers any more.
void Gateway::ListenForRequests(const GatewaySensor& s)
{
    const std::string topic = s.topic + "/request";
    if (!requestTopics_.insert(topic).second)
        return;
    shared_.mqtt.Subscribe(topic, [this](const std::string& t, const std::string& payload) {
        GatewaySensor* target = nullptr;
        for (auto& sensor : sensors_)
            if (!sensor->stop && sensor->identified && sensor->topic + "/request" == t)
                target = sensor.get();
        TakeRequest(shared_, target, t, payload);
    });
}

void Gateway::Claim(GatewaySensor& s)
{
    ListenForRequests(s);
    claimed_.insert(s.serial);
    shared_.mqtt.PublishStatus(ownerPrefix_ + std::to_string(s.serial) + "/" + shared_.id,
                               ClaimJson(shared_.id, s.address.text));
    if (const auto it = others_.find(s.serial); it != others_.end())
        for (const std::string& other : it->second)
            TellSharedClaim(s, other);
}

// The retained claim is cleared with an empty message.
void Gateway::Unclaim(unsigned serial)
{
    if (claimed_.erase(serial) > 0)
        shared_.mqtt.PublishStatus(ownerPrefix_ + std::to_string(serial) + "/" + shared_.id, "");
}

void Gateway::TellSharedClaim(GatewaySensor& s, const std::string& other)
{
    SetDiagnosticPrefix(s.address.text);
    Diag("serial number " + std::to_string(s.serial) + " is claimed by gateway " + other + " as well");
    PublishSensorEvent(shared_, s, "claimed", "\"other_gateway\":" + JsonString(other));
}

// PREFIX/owner/SERIAL/GATEWAY: a claim (or, empty, its end) by any gateway, this one included.
void Gateway::OnClaim(const std::string& topic, const std::string& payload)
{
    if (topic.rfind(ownerPrefix_, 0) != 0)
        return;
    const std::string rest = topic.substr(ownerPrefix_.size());
    const size_t slash = rest.find('/');
    if (slash == std::string::npos || slash == 0 || slash > 9)
        return;
    const std::string serialText = rest.substr(0, slash);
    const std::string other = rest.substr(slash + 1);
    if (other == shared_.id || other.empty() || serialText.find_first_not_of("0123456789") != std::string::npos)
        return;
    const auto serial = static_cast<unsigned>(std::stoul(serialText));
    if (payload.empty()) {
        if (const auto it = others_.find(serial); it != others_.end()) {
            it->second.erase(other);
            if (it->second.empty())
                others_.erase(it);
        }
        return;
    }
    if (!others_[serial].insert(other).second)
        return;
    for (auto& s : sensors_)
        if (s->identified && s->serial == serial && !s->stop)
            TellSharedClaim(*s, other);
}

void Gateway::PublishHealth()
{
    const double now = Timer();
    GatewayHealth h;
    // The last message, sent when every sensor has ended, still names the fleet it served.
    h.sensors = std::max(sensors_.size(), servedAtStop_);
    for (const auto& s : sensors_)
        h.online += s->Online() ? 1 : 0;
    const double span = now - lastHealth_;
    h.samplesPerSecond = span > 0 ? static_cast<double>(shared_.samplesTaken - takenAtHealth_) / span : 0;
    h.delivered = shared_.mqtt.delivered();
    h.dropped = shared_.mqtt.dropped();
    h.queued = shared_.mqtt.queued();
    for (const auto& [serial, gateways] : others_)
        if (claimed_.count(serial))
            h.claimedElsewhere.push_back(serial);
    shared_.mqtt.PublishEvent(options_.topic + "/health/" + shared_.id, HealthJson(shared_.id, h));
    takenAtHealth_ = shared_.samplesTaken;
    lastHealth_ = now;
    healthAt_ = now + kHealthPeriod;
}

int Gateway::Run()
{
    MqttPublisher& mqtt = shared_.mqtt;
    mqtt.Subscribe(ownerPrefix_ + "+/+", [this](const std::string& t, const std::string& p) { OnClaim(t, p); });
    for (const SensorAddress& a : options_.sensors)
        if (a.line.empty())
            fromCommandLine_.push_back(a);
    Log("serving " + std::to_string(options_.sensors.size()) + " sensors as gateway " + shared_.id);
    lastHealth_ = Timer();
    healthAt_ = lastHealth_ + kHealthPeriod;
    for (const SensorAddress& a : options_.sensors)
        Start(a);

    bool stopping = false;
    for (;;) {
        if (StopRequested() && !stopping) {
            stopping = true;
            servedAtStop_ = sensors_.size();
            Log("stopping");
            for (auto& s : sensors_)
                s->stop = true;
        }
        if (!stopping && TakeReloadRequest())
            Reload();
        // Only a sensor asked to stop ends: the fleet is looked through only while one is.
        if (stopping || ending_)
            EndFinished();
        if (stopping && sensors_.empty())
            break;
        if (StopRequests() >= 2) {
            GiveUp();
            break;
        }
        double due = WakeDueTasks(Timer());
        if (Timer() >= healthAt_)
            PublishHealth();
        mqtt.Service();
        due = std::min(due, healthAt_);
        const double wait = std::clamp(due - Timer(), 0.0, kLongestWait);
        if (wait > 0)
            WaitSystemEvents(wait);
        else
            ProcessSystemEvents();
    }

    // The claims go with the gateway; the last health message counts what the end leaves.
    while (!claimed_.empty())
        Unclaim(*claimed_.begin());
    PublishHealth();
    mqtt.Finish(kFinishTimeout);
    Log("MQTT: " + std::to_string(mqtt.delivered()) + " of " + std::to_string(mqtt.published()) +
        " samples delivered, " + std::to_string(mqtt.dropped()) + " dropped, " + std::to_string(mqtt.queued()) +
        (options_.mqtt.qos > 0 ? " not acknowledged" : " not sent"));
    return mqtt.dropped() > 0 || mqtt.queued() > 0 ? kExitOutput : kExitOk;
}

}  // namespace

int ServeGateway(const Options& o)
{
    CatchStopSignals();
    CatchReloadSignal();
    MqttSettings settings = o.mqtt;
    // In the Sparkplug B form the node's birth and death certificates are the gateway's status.
    if (settings.sparkplugGroup.empty())
        settings.statusTopic = o.topic + "/status/" + MqttClientId(settings);
    auto mqtt = std::make_unique<MqttPublisher>([](const std::string& line) { Log(line); }, settings, QueueFor(o));
    std::unique_ptr<SparkplugSession> sparkplug;
    if (!settings.sparkplugGroup.empty())
        sparkplug = std::make_unique<SparkplugSession>(
            *mqtt, settings.sparkplugGroup,
            settings.sparkplugNode.empty() ? MqttClientId(settings) : settings.sparkplugNode);
    std::string error;
    if (!mqtt->Connect(o.mqttHost, o.mqttPort, kConnectTimeout, &error)) {
        Log("chromix5ctl: " + error);
        return kExitOutput;
    }
    Gateway gateway(o, *mqtt, sparkplug.get());
    const int code = gateway.Run();
    // The publisher first: its hooks point into the session.
    mqtt.reset();
    return code;
}

}  // namespace cli

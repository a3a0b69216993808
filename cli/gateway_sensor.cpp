#include "cli/gateway_sensor.h"

#include <algorithm>
#include <cmath>

#include "cli/diagnostics.h"
#include "cli/json.h"
#include "cli/link_await.h"
#include "cli/request_operations.h"
#include "cli/sensor_link.h"
#include "ini/inifile.h"
#include "params/references.h"
#include "params/snapshots.h"
#include "platform/runtime.h"

namespace cli {

namespace {

// How often a task that pauses looks whether it was asked to stop.
constexpr double kStopCheck = 0.25;
// A link that held this long has recovered: its next failure pauses kFirstPause again.
constexpr double kHealthyAfter = 60.0;
// Samples late by more than this are not caught up with: the pacing starts again from now.
constexpr double kLongestLag = 1.0;
// Samples waiting to be handed over that are handed over without waiting for the loop's pass.
constexpr size_t kServiceBatch = 64;

void Log(const GatewaySensor& s, const std::string& text)
{
    SetDiagnosticPrefix(s.address.text);
    Diag(text);
}

// The first instant from `now` on that is a whole number of periods of the loop's clock. Sensors
// of one rate take their samples on the same beat, so that one pass of the event loop wakes
// them all: the loop's passes, each of which looks at every connection, stay as many as the
// beats, not as many as the samples.
double OnTheBeat(double now, double rate) { return std::ceil(now * rate) / rate; }

// Waits until `until`, or less when the sensor is asked to stop or a request waits for it.
Task<int> PauseUntil(GatewaySensor& s, double until)
{
    while (!s.stop && s.requests.empty() && Timer() < until) {
        const double step = std::min(until, Timer() + kStopCheck);
        co_await WakeAt{s.session, step};
    }
    co_return 0;
}

std::string DifferenceList(const std::vector<Difference>& diffs)
{
    std::string list;
    for (const Difference& d : diffs)
        list += (list.empty() ? "" : ", ") + d.name + " " + std::to_string(d.left) + " -> " + std::to_string(d.right);
    return list;
}

bool SameDifferences(const std::vector<Difference>& a, const std::vector<Difference>& b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](const Difference& x, const Difference& y) {
        return x.name == y.name && x.left == y.left && x.right == y.right;
    });
}

// The configuration just read: kept as a snapshot and published when it changed, compared with
// the reference, and the sensor's state set by that comparison.
void TakeConfiguration(GatewayShared& g, GatewaySensor& s, const Configuration& now)
{
    const bool changed = !s.configuration || !CompareConfigurations(*s.configuration, now, kSensorScope).empty();
    const ::SensorIdentity identity{s.firmware, static_cast<int32_t>(s.serial & 0xFFFF)};
    if (changed) {
        if (s.configuration)
            Log(s, "the configuration changed: " + DifferenceList(CompareConfigurations(*s.configuration, now, kSensorScope)));
        if (!g.snapshots.empty()) {
            std::string path;
            const int kept = WriteSnapshot(g.snapshots, now, identity, "read by the gateway", &path);
            if (kept == 1)
                Log(s, "configuration kept in " + path);
            else if (kept < 0)
                Log(s, "cannot keep the configuration in " + g.snapshots + ": " + GetToolboxErrorString(kept));
        }
        g.mqtt.PublishStatus(s.topic + "/config", ConfigurationJson(g.id, s.Label(), s.firmware, s.edition, now));
        s.configuration = now;
    }

    Configuration reference;
    ::SensorIdentity pinned;
    const int loaded = g.references.empty() ? 0 : LoadReference(g.references, identity.serial, &reference, &pinned);
    if (loaded < 0 && !s.referenceTold)
        Log(s, "the reference " + ReferencePath(g.references, identity.serial) +
                   " cannot be read as a parameter file; drift is not checked");
    s.referenceTold = loaded < 0;
    const std::vector<Difference> drift = loaded == 1 ? DriftFromReference(reference, now) : std::vector<Difference>{};
    if (!drift.empty() && !SameDifferences(drift, s.drift)) {
        Log(s, "drift from the reference: " + DifferenceList(drift));
        PublishSensorEvent(g, s, "drift", DriftFields(drift));
    } else if (drift.empty() && !s.drift.empty()) {
        Log(s, "matches its reference again");
        PublishSensorEvent(g, s, "drift_cleared");
    }
    s.drift = drift;
    PublishSensorState(g, s, drift.empty() ? "online" : "drift",
                       drift.empty() ? std::string() : std::to_string(drift.size()) + " values differ from the reference");
}

Task<int> ReadConfiguration(GatewayShared& g, GatewaySensor& s, std::string* error)
{
    std::string notice;
    const int read = co_await ReadSensorParameters(s.session, false, &notice, error);
    if (read != 1) {
        *error = "reading the parameters failed: " + *error;
        co_return -1;
    }
    if (!notice.empty())
        Log(s, "the sensor reported: " + notice);
    TakeConfiguration(g, s, WorkingCopyOf(s.session));
    co_return 1;
}

// Opens and identifies the sensor and reads its configuration. 1, or -1 with *error.
Task<int> Connect(GatewayShared& g, GatewaySensor& s, std::string* error)
{
    if (co_await OpenSensor(s.session, s.address, error) != 1)
        co_return -1;
    SensorIdentity id;
    const int identified = co_await IdentifySensor(s.session, &id, error);
    if (identified < 0) {
        *error = "no identification: " + *error;
        co_return -1;
    }
    if (id.edition == 0) {
        *error = "firmware \"" + id.firmware + "\" is not supported";
        co_return -1;
    }
    if (s.identified && id.serial != s.serial) {
        // Another sensor at the same address: the old one's status and configuration are left
        // to say what it last was, offline.
        const unsigned old = s.serial;
        Log(s, "replaced: serial number " + std::to_string(old) + " is now " + std::to_string(id.serial));
        PublishSensorState(g, s, "offline", "replaced by serial number " + std::to_string(id.serial));
        if (g.replaced)
            g.replaced(old);
        s.serial = id.serial;
        s.topic = SensorTopic(g.options, s.address, id.serial);
        PublishSensorEvent(g, s, "replaced",
                           "\"old_serial\":" + std::to_string(old) + ",\"new_serial\":" + std::to_string(id.serial));
        s.configuration.reset();
        s.drift.clear();
    }
    s.identified = true;
    s.serial = id.serial;
    s.firmware = id.firmware;
    s.edition = id.edition;
    s.topic = SensorTopic(g.options, s.address, id.serial);
    if (g.identified)
        g.identified(s);
    const int read = co_await ReadConfiguration(g, s, error);
    co_return read;
}

// Runs the requests that wait for the sensor, each answered. 1 when one of them wrote to it.
Task<int> AnswerRequests(GatewayShared& g, GatewaySensor& s)
{
    int wrote = 0;
    while (!s.requests.empty() && !s.stop) {
        const GatewayRequest request = std::move(s.requests.front());
        s.requests.pop_front();
        const SensorIdentity id{s.firmware, s.serial, s.edition};
        const GatewayReply reply = co_await RunGatewayRequest(g.options, request, s.session, s.address, id);
        if (request.op == RequestOp::Restore && reply.ok)
            wrote = 1;
        SendReply(g.mqtt, s.topic, s.address.text, request, reply);
    }
    co_return wrote;
}

void RefuseRequests(GatewayShared& g, GatewaySensor& s, const std::string& why)
{
    for (; !s.requests.empty(); s.requests.pop_front())
        SendReply(g.mqtt, s.topic, s.address.text, s.requests.front(), RequestRefusal(why));
}

// Live samples at the sensor's rate until the link fails (-1 with *error) or the sensor is asked
// to stop (1).
Task<int> Live(GatewayShared& g, GatewaySensor& s, std::string* error)
{
    const double rate = s.address.rate > 0 ? s.address.rate : g.options.rate;
    double start = OnTheBeat(Timer(), rate);
    double nextConfiguration = start + kConfigurationPeriod;
    uint64_t passes = 0;
    while (!s.stop) {
        // Requests go first, so that at a slow rate they need not wait for the next sample.
        if (!s.requests.empty()) {
            const int wrote = co_await AnswerRequests(g, s);
            // What a restore made of the sensor is read, published and compared at once.
            if (wrote == 1)
                nextConfiguration = Timer();
        }
        const double due = start + static_cast<double>(passes) / rate;
        const double now = Timer();
        if (now - due > kLongestLag) {
            start = OnTheBeat(now, rate) - static_cast<double>(passes) / rate;
        } else if (now < due) {
            if (due - now <= kStopCheck) {
                co_await WakeAt{s.session, due};
            } else {
                co_await PauseUntil(s, due);
            }
            if (s.stop)
                break;
            if (!s.requests.empty())
                continue;
        }
        if (Timer() >= nextConfiguration) {
            const int read = co_await ReadConfiguration(g, s, error);
            if (read != 1)
                co_return -1;
            nextConfiguration = Timer() + kConfigurationPeriod;
        }
        record::LiveSample sample;
        const int got = co_await ReadLiveSample(s.session, &sample, error);
        if (got != 1) {
            *error = "live data failed: " + *error;
            co_return -1;
        }
        sample.pass = ++passes;
        ++s.seq;
        ++g.samplesTaken;
        if (g.sparkplug)
            g.sparkplug->Sample(SparkplugDevice{s.serial, s.edition, s.firmware}, sample);
        else
            g.mqtt.Publish(s.topic, SampleJson(s.address.text, s.serial, sample, s.seq));
        if (g.mqtt.waiting() >= kServiceBatch)
            g.mqtt.Service();
    }
    co_return 1;
}

}  // namespace

void TakeRequest(GatewayShared& g, GatewaySensor* target, const std::string& topic, const std::string& payload)
{
    if (!target) {
        SetDiagnosticPrefix("");
        Diag("a request on " + topic + ", which no sensor of this gateway has now: not answered");
        return;
    }
    GatewayRequest request;
    std::string error;
    std::string refusal;
    if (!ParseGatewayRequest(payload, &request, &error))
        refusal = error + "; nothing done";
    else if (!target->Online())
        refusal = "the sensor is offline" + (target->detail.empty() ? "" : ": " + target->detail);
    else if (target->requests.size() >= kMaxQueuedRequests)
        refusal = std::to_string(kMaxQueuedRequests) + " requests wait for this sensor already; try again";
    if (refusal.empty())
        target->requests.push_back(std::move(request));
    else
        SendReply(g.mqtt, target->topic, target->address.text, request, RequestRefusal(refusal));
}

std::string SensorTopic(const Options& o, const SensorAddress& address, unsigned serial)
{
    return address.topic.empty() ? o.topic + "/" + std::to_string(serial) : address.topic;
}

void PublishSensorState(GatewayShared& g, GatewaySensor& s, const std::string& state, const std::string& detail)
{
    if (s.topic.empty())
        return;
    if (state != s.state || detail != s.detail)
        g.mqtt.PublishStatus(s.topic + "/status", GatewaySensorStatusJson(state, g.id, s.Label(), detail));
    s.state = state;
    s.detail = detail;
}

void PublishSensorEvent(GatewayShared& g, const GatewaySensor& s, const std::string& event, const std::string& fields)
{
    if (!s.topic.empty())
        g.mqtt.PublishEvent(s.topic + "/event", SensorEventJson(event, g.id, s.Label(), fields));
}

Task<int> WatchSensor(GatewayShared& g, GatewaySensor& s)
{
    double pause = kFirstPause;
    bool lost = false;             // the link failed, and has not been back since
    std::string told;              // the failure last told, so that a repeat is not told again
    double lostAt = 0;
    while (!s.stop) {
        std::string error;
        const double began = Timer();
        const int up = co_await Connect(g, s, &error);
        if (up == 1) {
            if (lost) {
                Log(s, "back online after " + std::to_string(static_cast<long>(Timer() - lostAt)) + " s");
                PublishSensorEvent(g, s, "link_back");
            } else {
                Log(s, "online: serial number " + std::to_string(s.serial) + ", " + s.firmware);
            }
            lost = false;
            told.clear();
            co_await Live(g, s, &error);
            RefuseRequests(g, s, s.stop ? "the gateway stopped serving the sensor" : "the link failed: " + error);
            if (g.sparkplug)
                g.sparkplug->Died(s.serial);
        }
        CloseSensor(s.session);
        if (s.stop)
            break;
        if (Timer() - began >= kHealthyAfter)
            pause = kFirstPause;
        if (!lost || error != told) {
            Log(s, (s.Online() ? "link lost: " : "") + error + "; trying again in " +
                       std::to_string(static_cast<int>(pause)) + " s, then less often");
            if (s.Online())
                PublishSensorEvent(g, s, "link_lost", "\"detail\":" + JsonString(error));
            if (!lost)
                lostAt = Timer();
            told = error;
        }
        lost = true;
        PublishSensorState(g, s, "offline", error);
        co_await PauseUntil(s, Timer() + pause);
        pause = std::min(pause * 2, kLongestPause);
    }
    PublishSensorState(g, s, "offline");
    co_return 0;
}

}  // namespace cli

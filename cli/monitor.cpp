#include "cli/monitor.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include <sys/stat.h>

#include "cli/diagnostics.h"
#include "cli/file_pattern.h"
#include "cli/json.h"
#include "cli/link_await.h"
#include "cli/mqtt_publisher.h"
#include "cli/sparkplug_session.h"
#include "cli/stop_request.h"
#include "platform/runtime.h"
#include "record/live_csv.h"
#include "record/recorder.h"

namespace cli {

namespace {

constexpr double kConnectTimeout = 5.0;    // for the broker's first answer
constexpr double kFinishTimeout = 3.0;     // for sending what is queued at the end
constexpr size_t kServiceBatch = 64;       // queued messages that are sent without waiting for the loop

// The one broker connection of the process.
struct Broker {
    std::unique_ptr<MqttPublisher> mqtt;
    std::unique_ptr<SparkplugSession> sparkplug;  // with --mqtt-sparkplug
    std::string error;  // why it could not be connected
    int qos = 0;
    bool finished = false;
    std::vector<SensorSession*> waiting;
} broker;

// The CSV output: the shared recorder on a new file (never replacing one), on standard output,
// or on a special file that exists already (a pipe, a device), which is opened as it is.
class CsvOutput {
public:
    ~CsvOutput()
    {
        recorder_.Close();
        if (special_)
            std::fclose(special_);
    }
    bool Open(const std::string& path, const SensorIdentity& id, std::string* error)
    {
        path_ = path;
        if (path == "-")
            return recorder_.Attach(stdout, path, id.firmware, id.serial, {}) || Failed(nullptr, error);
        struct stat st {};
        if (::stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
            special_ = std::fopen(path.c_str(), "w");
            if (!special_) {
                *error = "cannot write " + path + ": " + std::strerror(errno);
                return false;
            }
            return recorder_.Attach(special_, path, id.firmware, id.serial, {}) || Failed(nullptr, error);
        }
        if (!recorder_.Create(path, id.firmware, id.serial, {})) {
            if (recorder_.errorCode() == EEXIST)
                *error = "cannot write " + path + ": it exists already (a recording never replaces a file)";
            else
                *error = "cannot write " + path + ": " + std::strerror(recorder_.errorCode());
            return false;
        }
        return true;
    }
    // False when the output failed; a reader that went away from standard output (a pipe into
    // head) sets *closed instead of being an error.
    bool Write(const record::LiveSample& sample, bool* closed, std::string* error)
    {
        return recorder_.Add(sample) || Failed(closed, error);
    }
    bool Close(bool* closed, std::string* error) { return recorder_.Close() || Failed(closed, error); }

private:
    bool Failed(bool* closed, std::string* error)
    {
        const int code = recorder_.errorCode();
        if (path_ == "-" && code == EPIPE && closed) {
            *closed = true;
            return false;
        }
        if (recorder_.failure() == record::RecorderFailure::Gone)
            *error = "writing " + path_ + " failed: the file is gone";
        else
            *error = "writing " + (path_ == "-" ? std::string("standard output") : path_) + " failed: " +
                     std::strerror(code);
        return false;
    }
    record::Recorder recorder_;
    std::string path_;
    std::FILE* special_ = nullptr;
};

}  // namespace

void StartMonitorOutputs(const Options& o)
{
    if (o.command != Subcommand::Monitor || o.mqttHost.empty())
        return;
    // One connection, so one client id and one process status for every sensor.
    MqttSettings settings = o.mqtt;
    // In the Sparkplug B form the node's birth and death certificate are its status.
    if (settings.sparkplugGroup.empty())
        settings.statusTopic = o.topic + "/status/" + MqttClientId(settings);
    broker.mqtt = std::make_unique<MqttPublisher>([](const std::string& line) { Diag(line); }, settings);
    broker.qos = o.mqtt.qos;
    if (!settings.sparkplugGroup.empty()) {
        // A client id is made of characters a Sparkplug id may hold.
        const std::string node = settings.sparkplugNode.empty() ? MqttClientId(settings) : settings.sparkplugNode;
        broker.sparkplug = std::make_unique<SparkplugSession>(*broker.mqtt, settings.sparkplugGroup, node);
    }
    SetDiagnosticPrefix("");
    if (!broker.mqtt->Connect(o.mqttHost, o.mqttPort, kConnectTimeout, &broker.error))
        broker.mqtt.reset();
}

void ServiceMonitorOutputs()
{
    if (broker.mqtt && !broker.finished)
        broker.mqtt->Service();
}

size_t MonitorsWaitingForBroker() { return broker.waiting.size(); }

void FinishMonitorOutputs()
{
    if (broker.mqtt && !broker.finished) {
        MqttPublisher& mqtt = *broker.mqtt;
        SetDiagnosticPrefix("");
        mqtt.Finish(kFinishTimeout);
        broker.finished = true;
        // The connection's figures, told once for all its sensors.
        if (mqtt.dropped() > 0 || mqtt.queued() > 0)
            Diag("MQTT: " + std::to_string(mqtt.delivered()) + " of " + std::to_string(mqtt.published()) +
                 " samples delivered, " + std::to_string(mqtt.dropped()) + " dropped, " +
                 std::to_string(mqtt.queued()) + (broker.qos > 0 ? " not acknowledged" : " not sent"));
    }
    for (SensorSession* s : broker.waiting)
        Wake(*s);
    broker.waiting.clear();
}

void EndMonitorOutputs()
{
    // The publisher first: its hooks point into the session.
    broker.mqtt.reset();
    broker.sparkplug.reset();
}

Task<SensorResult> Monitor(const Options& o, size_t index, SensorSession& s, const SensorAddress& address,
                           const SensorIdentity& id)
{
    SensorResult result;
    std::string error;
    std::unique_ptr<CsvOutput> csv;
    std::string csvPath;
    if (!o.csv.empty()) {
        csvPath = o.csv == "-" ? "-" : ExpandFilePattern(o.csv, index, id.serial, address);
        csv = std::make_unique<CsvOutput>();
        if (!csv->Open(csvPath, id, &error))
            co_return SensorResult{kExitOutput, error, {}};
    }
    MqttPublisher* mqtt = nullptr;
    SparkplugSession* sparkplug = nullptr;
    std::string topic = o.topic + "/" + std::to_string(id.serial);
    const std::string statusTopic = topic + "/status";
    if (!o.mqttHost.empty()) {
        if (!broker.mqtt)
            co_return SensorResult{kExitOutput, broker.error, {}};
        mqtt = broker.mqtt.get();
        sparkplug = broker.sparkplug.get();
        if (sparkplug)
            topic = sparkplug->DataTopic(id.serial);
        else
            mqtt->PublishStatus(statusTopic, SensorStatusJson("online", address.text, id.serial, id.firmware, {}));
    }
    const SparkplugDevice device{id.serial, id.edition, id.firmware};

    const double start = Timer();
    uint64_t passes = 0;
    bool readerGone = false;
    int code = kExitOk;
    while (!StopRequested() && (o.count == 0 || static_cast<long long>(passes) < o.count)) {
        if (o.rate > 0) {
            // Paced from the start, so that a slow exchange does not shift every later sample.
            const double due = start + static_cast<double>(passes) / o.rate;
            if (Timer() < due)
                co_await WakeAt{s, due};
            if (StopRequested())
                break;
        }
        record::LiveSample sample;
        const int read = co_await ReadLiveSample(s, &sample, &error);
        if (read != 1) {
            code = kExitLink;
            error = "live data failed after " + std::to_string(passes) + " samples: " + error;
            break;
        }
        sample.pass = ++passes;
        if (csv && !csv->Write(sample, &readerGone, &error)) {
            code = readerGone ? kExitOk : kExitOutput;
            break;
        }
        if (sparkplug) {
            sparkplug->Sample(device, sample);
            if (mqtt->queued() >= kServiceBatch)
                mqtt->Service();
        } else if (mqtt) {
            mqtt->Publish(topic, SampleJson(address.text, id.serial, sample, passes));
            if (mqtt->queued() >= kServiceBatch)
                mqtt->Service();
        }
    }
    if (csv && !readerGone) {
        std::string closeError;
        if (!csv->Close(&readerGone, &closeError) && !readerGone && code == kExitOk) {
            code = kExitOutput;
            error = closeError;
        }
    }
    if (sparkplug)
        sparkplug->Died(id.serial);
    else if (mqtt)
        mqtt->PublishStatus(statusTopic, SensorStatusJson("offline", address.text, id.serial, id.firmware,
                                                          code == kExitOk ? std::string() : error));
    if (mqtt) {
        if (!broker.finished) {
            // Its connection is not needed any more: a sensor still waiting to start takes its place.
            CloseSensor(s);
            broker.waiting.push_back(&s);
            co_await WakeAt{s, -1};
        }
        if ((mqtt->dropped() > 0 || mqtt->queued() > 0) && code == kExitOk) {
            code = kExitOutput;
            error = "not every sample reached the MQTT broker";
        }
    }

    result.code = code;
    result.detail = code == kExitOk ? std::to_string(passes) + " samples" : error;
    result.fields = {{"samples", std::to_string(passes)}};
    if (!csvPath.empty())
        result.fields.push_back({"csv", JsonString(csvPath)});
    if (mqtt) {
        result.fields.push_back({"topic", JsonString(topic)});
        result.fields.push_back({"dropped", std::to_string(mqtt->dropped())});
        result.fields.push_back({"delivered", std::to_string(mqtt->delivered())});
    }
    co_return result;
}

}  // namespace cli

#include "cli/monitor.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include <sys/stat.h>

#include "cli/diagnostics.h"
#include "cli/file_pattern.h"
#include "cli/json.h"
#include "cli/mqtt_publisher.h"
#include "platform/runtime.h"
#include "record/live_csv.h"
#include "record/recorder.h"

namespace cli {

namespace {

volatile sig_atomic_t stopRequested = 0;
void OnStop(int) { stopRequested = 1; }

constexpr double kConnectTimeout = 5.0;    // for the broker's first answer
constexpr double kFinishTimeout = 3.0;     // for sending what is queued at the end

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

SensorResult Monitor(const Options& o, size_t index, const SensorAddress& address, const SensorIdentity& id)
{
    SensorResult result;
    std::string error;
    std::unique_ptr<CsvOutput> csv;
    std::string csvPath;
    if (!o.csv.empty()) {
        csvPath = o.csv == "-" ? "-" : ExpandFilePattern(o.csv, index, id.serial, address);
        csv = std::make_unique<CsvOutput>();
        if (!csv->Open(csvPath, id, &error))
            return SensorResult{kExitOutput, error, {}};
    }
    std::unique_ptr<MqttPublisher> mqtt;
    const std::string topic = o.topic + "/" + std::to_string(id.serial);
    const std::string statusTopic = topic + "/status";
    if (!o.mqttHost.empty()) {
        MqttSettings settings = o.mqtt;
        // Each sensor of a fleet is served by a process and a broker connection of its own; one
        // client id for all of them would make the broker drop each connection for the next.
        if (o.sensors.size() > 1 && !settings.clientId.empty())
            settings.clientId += "-" + std::to_string(index + 1);
        settings.statusTopic = o.topic + "/status/" + MqttClientId(settings);
        mqtt = std::make_unique<MqttPublisher>([](const std::string& line) { Diag(line); }, settings);
        if (!mqtt->Connect(o.mqttHost, o.mqttPort, kConnectTimeout, &error))
            return SensorResult{kExitOutput, error, {}};
        mqtt->PublishStatus(statusTopic, SensorStatusJson("online", address.text, id.serial, id.firmware, {}));
    }

    struct sigaction action {};
    action.sa_handler = OnStop;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);

    const double start = Timer();
    uint64_t passes = 0;
    bool readerGone = false;
    int code = kExitOk;
    while (!stopRequested && (o.count == 0 || static_cast<long long>(passes) < o.count)) {
        if (o.rate > 0) {
            // Paced from the start, so that a slow exchange does not shift every later sample.
            const double due = start + static_cast<double>(passes) / o.rate;
            while (!stopRequested && Timer() < due) {
                WaitSystemEvents(due - Timer());
                if (mqtt)
                    mqtt->Service();
            }
            if (stopRequested)
                break;
        }
        record::LiveSample sample;
        if (ReadLiveSample(&sample, &error) != 1) {
            code = kExitLink;
            error = "live data failed after " + std::to_string(passes) + " samples: " + error;
            break;
        }
        sample.pass = ++passes;
        if (csv && !csv->Write(sample, &readerGone, &error)) {
            code = readerGone ? kExitOk : kExitOutput;
            break;
        }
        if (mqtt) {
            mqtt->Publish(topic, SampleJson(address.text, id.serial, sample, passes));
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
    if (mqtt) {
        mqtt->PublishStatus(statusTopic, SensorStatusJson("offline", address.text, id.serial, id.firmware,
                                                          code == kExitOk ? std::string() : error));
        mqtt->Finish(kFinishTimeout);
        if (mqtt->dropped() > 0 || mqtt->queued() > 0) {
            Diag("MQTT: " + std::to_string(mqtt->delivered()) + " of " + std::to_string(mqtt->published()) +
                 " samples delivered, " + std::to_string(mqtt->dropped()) + " dropped, " +
                 std::to_string(mqtt->queued()) + (o.mqtt.qos > 0 ? " not acknowledged" : " not sent"));
            if (code == kExitOk) {
                code = kExitOutput;
                error = "not every sample reached the MQTT broker";
            }
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
    return result;
}

}  // namespace cli

#include "cli/monitor.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "cli/diagnostics.h"
#include "cli/file_pattern.h"
#include "cli/json.h"
#include "cli/mqtt_publisher.h"
#include "platform/runtime.h"
#include "record/live_csv.h"

namespace cli {

namespace {

volatile sig_atomic_t stopRequested = 0;
void OnStop(int) { stopRequested = 1; }

constexpr double kFlushInterval = 1.0;     // seconds between flushes of the CSV output
constexpr double kConnectTimeout = 5.0;    // for the broker's first answer
constexpr double kFinishTimeout = 3.0;     // for sending what is queued at the end

// The CSV output: a file or standard output, flushed at least once a second.
class CsvOutput {
public:
    ~CsvOutput()
    {
        if (file_ && file_ != stdout)
            std::fclose(file_);
    }
    bool Open(const std::string& path, std::string* error)
    {
        path_ = path;
        if (path == "-") {
            file_ = stdout;
            return true;
        }
        file_ = std::fopen(path.c_str(), "w");
        if (!file_) {
            *error = "cannot write " + path + ": " + std::strerror(errno);
            return false;
        }
        return true;
    }
    // False when the output failed; a reader that went away from standard output (a pipe into
    // head) sets *closed instead of being an error.
    bool Write(const std::string& text, bool* closed, std::string* error)
    {
        if (std::fwrite(text.data(), 1, text.size(), file_) != text.size())
            return Failed(closed, error);
        if (Timer() - lastFlush_ >= kFlushInterval)
            return Flush(closed, error);
        return true;
    }
    bool Flush(bool* closed, std::string* error)
    {
        lastFlush_ = Timer();
        if (std::fflush(file_) != 0)
            return Failed(closed, error);
        return true;
    }
    bool Close(bool* closed, std::string* error)
    {
        bool ok = Flush(closed, error);
        if (file_ != stdout) {
            if (std::fclose(file_) != 0 && ok)
                ok = Failed(closed, error);
            file_ = nullptr;
        }
        return ok;
    }

private:
    bool Failed(bool* closed, std::string* error)
    {
        if (file_ == stdout && errno == EPIPE) {
            *closed = true;
            return false;
        }
        *error = "writing " + (path_ == "-" ? std::string("standard output") : path_) + " failed: " +
                 std::strerror(errno);
        return false;
    }
    std::FILE* file_ = nullptr;
    std::string path_;
    double lastFlush_ = 0;
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
        bool closed = false;
        if (!csv->Open(csvPath, &error) ||
            !csv->Write(record::LiveCsvHeader(id.firmware, id.serial), &closed, &error))
            return SensorResult{kExitOutput, error, {}};
    }
    std::unique_ptr<MqttPublisher> mqtt;
    const std::string topic = o.topic + "/" + std::to_string(id.serial);
    if (!o.mqttHost.empty()) {
        mqtt = std::make_unique<MqttPublisher>([](const std::string& line) { Diag(line); });
        if (!mqtt->Connect(o.mqttHost, o.mqttPort, kConnectTimeout, &error))
            return SensorResult{kExitOutput, error, {}};
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
        if (csv && !csv->Write(record::LiveCsvRow(sample), &readerGone, &error)) {
            code = readerGone ? kExitOk : kExitOutput;
            break;
        }
        if (mqtt) {
            mqtt->Publish(topic, SampleJson(address.text, id.serial, sample));
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
    size_t unsent = 0;
    if (mqtt) {
        if (!mqtt->Finish(kFinishTimeout))
            unsent = mqtt->queued();
        if (mqtt->dropped() > 0 || unsent > 0) {
            Diag("MQTT: " + std::to_string(mqtt->dropped()) + " samples dropped, " +
                 std::to_string(unsent) + " not sent");
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
    }
    return result;
}

}  // namespace cli

#include "cli/commands.h"

#include <optional>
#include <string>
#include <vector>

#include "cli/diagnostics.h"
#include "cli/file_pattern.h"
#include "cli/json.h"
#include "cli/monitor.h"
#include "cli/result_line.h"
#include "cli/sensor_link.h"
#include "params/configuration.h"
#include "params/parameter_file_layout.h"
#include "params/parameter_set.h"

namespace cli {

namespace {

// Differences between what a file holds (or what was sent) on the left and the sensor on the
// right, compared as the workbench compares them.
constexpr CompareScope kRestoreScope{kSensorTeachRows, kTeachWords};
constexpr CompareScope kCompareScope{kSensorTeachRows, kSavedTeachWords};

std::string DifferenceLine(const Difference& d)
{
    return d.name + ": file " + std::to_string(d.left) + ", sensor " + std::to_string(d.right);
}

std::string DifferencesJson(const std::vector<Difference>& list)
{
    std::string json = "[";
    for (size_t i = 0; i < list.size(); ++i) {
        if (i > 0)
            json += ",";
        json += "{\"name\":" + JsonString(list[i].name) + ",\"file\":" + std::to_string(list[i].left) +
                ",\"sensor\":" + std::to_string(list[i].right) + "}";
    }
    return json + "]";
}

SensorResult Failure(int code, const std::string& detail) { return SensorResult{code, detail, {}}; }

// Loads a parameter file into the working copy; what the loader noticed about the file goes to
// standard error. Returns the result to give when the file could not be loaded.
std::optional<SensorResult> LoadIntoWorkingCopy(const std::string& path)
{
    std::string report, error;
    const int loaded = LoadParameterFile(path, &report, &error);
    if (!report.empty())
        Diag(path + ":\n" + report);
    if (loaded != 1)
        return Failure(kExitFile, error);
    return std::nullopt;
}

SensorResult Backup(const Options& o, size_t index, const SensorAddress& address, const SensorIdentity& id)
{
    std::string notice, error;
    if (ReadSensorParameters(false, &notice, &error) != 1)
        return Failure(kExitLink, "reading the parameters failed: " + error);
    const std::string path = ExpandFilePattern(o.file, index, id.serial, address);
    if (SaveParameterFile(path, &error) != 1)
        return Failure(kExitFile, error);
    return SensorResult{kExitOk, "saved " + path, {{"file", JsonString(path)}}};
}

SensorResult Restore(const Options& o, size_t index, const SensorAddress& address, const SensorIdentity& id)
{
    std::string notice, error;
    // The sensor's own words (the teach rows' eighth word) stay as they are, as in the window,
    // where connecting reads the sensor before a file is loaded and sent.
    if (ReadSensorParameters(false, &notice, &error) != 1)
        return Failure(kExitLink, "reading the parameters failed: " + error);
    const std::string path = ExpandFilePattern(o.file, index, id.serial, address);
    if (std::optional<SensorResult> failure = LoadIntoWorkingCopy(path))
        return *failure;
    const Configuration sent = WorkingCopy();

    std::string writeNotice, readNotice;
    if (WriteSensorParameters(o.eeprom, &writeNotice, &error) != 1)
        return Failure(kExitLink, "sending the parameters failed: " + error);
    // Read back what the sensor now holds: with --eeprom what it loads from its EEPROM.
    if (ReadSensorParameters(o.eeprom, &readNotice, &error) != 1)
        return Failure(kExitLink, "reading the parameters back failed: " + error);
    const std::vector<Difference> diffs = CompareConfigurations(sent, WorkingCopy(), kRestoreScope);
    for (const Difference& d : diffs)
        Diag("not as sent: " + DifferenceLine(d));

    SensorResult result;
    result.fields = {{"file", JsonString(path)},
                     {"eeprom", o.eeprom ? "true" : "false"},
                     {"differences", DifferencesJson(diffs)}};
    std::string notices = writeNotice;
    if (!readNotice.empty())
        notices += (notices.empty() ? "" : "; ") + readNotice;
    if (!notices.empty())
        result.fields.push_back({"notice", JsonString(notices)});
    if (!notices.empty() || !diffs.empty()) {
        result.code = kExitDifferent;
        result.detail = !notices.empty() ? "the sensor reported: " + notices
                                         : std::to_string(diffs.size()) + " values read back differ from " + path;
        return result;
    }
    result.detail = "restored " + path + (o.eeprom ? " to working memory and EEPROM" : " to working memory");
    return result;
}

SensorResult Compare(const Options& o, size_t index, const SensorAddress& address, const SensorIdentity& id)
{
    std::string notice, error;
    const std::string path = ExpandFilePattern(o.file, index, id.serial, address);
    if (std::optional<SensorResult> failure = LoadIntoWorkingCopy(path))
        return *failure;
    const Configuration file = WorkingCopy();
    if (ReadSensorParameters(false, &notice, &error) != 1)
        return Failure(kExitLink, "reading the parameters failed: " + error);
    const std::vector<Difference> diffs = CompareConfigurations(file, WorkingCopy(), kCompareScope);

    SensorResult result;
    result.fields = {{"file", JsonString(path)}, {"differences", DifferencesJson(diffs)}};
    if (diffs.empty()) {
        result.detail = "equal to " + path;
        return result;
    }
    if (!o.json) {
        std::string lines;
        for (const Difference& d : diffs)
            lines += (o.sensors.size() > 1 ? address.text + "\t" : std::string()) + DifferenceLine(d) + "\n";
        std::fputs(lines.c_str(), stdout);
    }
    result.code = kExitDifferent;
    result.detail = std::to_string(diffs.size()) + " values differ from " + path;
    return result;
}

}  // namespace

std::string LostResultLine(const Options& options, size_t index, const std::string& reason)
{
    return ResultLine(options.sensors[index].text, Failure(kExitLink, reason), options.json);
}

int RunSensor(const Options& o, size_t index)
{
    const SensorAddress& address = o.sensors[index];
    SensorResult result;
    std::string error;
    SensorIdentity id;
    if (OpenSensor(address, &error) != 1) {
        result = Failure(kExitLink, error);
    } else if (IdentifySensor(&id, &error) != 1) {
        result = Failure(kExitLink, "no identification: " + error);
    } else if (o.command == Subcommand::Identify) {
        result.detail = "serial " + std::to_string(id.serial) + ", edition " + std::to_string(id.edition) +
                        (id.edition == 0 ? " (not supported)" : "") + ", firmware \"" + id.firmware + "\"";
    } else if (id.edition == 0) {
        result = Failure(kExitUnsupported, "firmware \"" + id.firmware + "\" is not supported");
    } else {
        switch (o.command) {
        case Subcommand::Backup: result = Backup(o, index, address, id); break;
        case Subcommand::Restore: result = Restore(o, index, address, id); break;
        case Subcommand::Compare: result = Compare(o, index, address, id); break;
        case Subcommand::Monitor: result = Monitor(o, index, address, id); break;
        default: break;
        }
    }
    CloseSensor();
    if (!id.firmware.empty() || id.serial != 0) {
        result.fields.insert(result.fields.begin(),
                             {{"serial", std::to_string(id.serial)},
                              {"edition", std::to_string(id.edition)},
                              {"firmware", JsonString(id.firmware)}});
    }
    if (result.code != kExitOk && result.code != kExitDifferent)
        Diag(std::string(StatusName(result.code)) + ": " + result.detail);
    // With the samples on standard output the result line goes to standard error.
    const std::string line = ResultLine(address.text, result, o.json);
    std::fputs(line.c_str(), o.command == Subcommand::Monitor && o.csv == "-" ? stderr : stdout);
    return result.code;
}

}  // namespace cli

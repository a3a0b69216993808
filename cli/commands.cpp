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
#include "ini/inifile.h"
#include "link/firmware.h"
#include "params/configuration.h"
#include "params/configuration_file.h"
#include "params/parameter_file_layout.h"
#include "params/parameter_set.h"
#include "params/range_report.h"
#include "params/references.h"
#include "params/restore_mark.h"
#include "params/snapshots.h"
#include "platform/user_files.h"

namespace cli {

namespace {

SensorResult Failure(int code, const std::string& detail) { return SensorResult{code, detail, {}}; }

// Differences between what a file holds (or what was sent) on the left and the sensor on the
// right, compared as the workbench compares them.
constexpr CompareScope kRestoreScope{kSensorTeachRows, kTeachWords};
constexpr CompareScope kCompareScope{kSensorTeachRows, kSavedTeachWords};

std::string DifferenceText(const Difference& d)
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

// A value line has the result line's three columns: sensor, kind, detail.
std::string DifferenceLine(const std::string& sensor, const Difference& d)
{
    return sensor + "\tdiffers\t" + DifferenceText(d) + "\n";
}

// The names every result line of a subcommand carries, in this order after the common ones; a
// value the run did not reach is null, so that every line of one kind has the same fields.
std::vector<std::string> FieldNames(const Options& o)
{
    std::vector<std::string> names = {"serial", "edition", "firmware"};
    switch (o.command) {
    case Subcommand::Backup: names.insert(names.end(), {"file"}); break;
    case Subcommand::Restore:
        names.insert(names.end(), {"file", "eeprom", "differences", "snapshot", "notice"});
        break;
    case Subcommand::Compare: names.insert(names.end(), {"file", "differences"}); break;
    case Subcommand::Pin: names.insert(names.end(), {"file", "reference"}); break;
    case Subcommand::Monitor:
        names.push_back("samples");
        if (!o.csv.empty())
            names.push_back("csv");
        if (!o.mqttHost.empty())
            names.insert(names.end(), {"topic", "dropped", "delivered"});
        break;
    default: break;
    }
    return names;
}

void CompleteFields(const Options& o, SensorResult* result)
{
    std::vector<std::pair<std::string, std::string>> complete;
    for (const std::string& name : FieldNames(o)) {
        std::string value = "null";
        for (const auto& field : result->fields)
            if (field.first == name)
                value = field.second;
        complete.emplace_back(name, value);
    }
    result->fields = std::move(complete);
}

// The checks a file passes before anything of it goes to a sensor. Values a 16-bit word cannot
// hold are refused: loading would keep their low bits, which is not what the file says. A file
// that names the sensor it was taken from must fit this one: another edition never does
// (another parameter layout), another serial number only with --force.
// `sent` says what the command does with the file ("sent", "pinned"), for its messages.
std::optional<SensorResult> CheckFileForSensor(const std::string& path, const SensorIdentity& id, bool force,
                                               const std::string& sent = "sent")
{
    IniText ini = Ini_New(0);
    if (!ini || Ini_ReadFromFile(ini, path.c_str()) < 0) {
        Ini_Dispose(ini);
        return Failure(kExitFile, "cannot read the parameter file " + path);
    }
    const std::vector<OutOfRangeValue> values = FindOutOfRangeValues(ini);
    ::SensorIdentity fileId;
    const bool named = ReadIdentity(ini, &fileId);
    Ini_Dispose(ini);
    if (!values.empty()) {
        std::string list;
        for (const OutOfRangeValue& v : values) {
            Diag(path + ": " + v.name + " = " + std::to_string(v.read) + " is outside 0 to 65535");
            list += (list.empty() ? "" : ", ") + v.name + " = " + std::to_string(v.read);
        }
        return Failure(kExitFile, std::to_string(values.size()) + " value" + (values.size() == 1 ? "" : "s") +
                                      " outside 0 to 65535 in " + path + ", nothing " + sent + ": " + list);
    }
    if (!named)
        return std::nullopt;
    const int edition = SensorEditionOf(SplitFirmwareText(fileId.firmware));
    if (edition != id.edition)
        return Failure(kExitOtherSensor, path + " was taken from a sensor of another edition (\"" +
                                             fileId.firmware + "\"); nothing " + sent);
    const unsigned serial = id.serial & 0xFFFF;  // as the identity section keeps it
    if (fileId.serial >= 0 && static_cast<unsigned>(fileId.serial) != serial) {
        const std::string what = path + " was taken from serial number " + std::to_string(fileId.serial) +
                                 ", this sensor is " + std::to_string(serial);
        if (!force)
            return Failure(kExitOtherSensor, what + "; nothing " + sent + " (--force " +
                                                 (sent == "sent" ? "sends" : "pins") + " it all the same)");
        Diag(what + "; " + sent + " as --force asks");
    }
    return std::nullopt;
}

// Loads a parameter file into the working copy; what the loader noticed about the file goes to
// standard error. Returns the result to give when the file could not be loaded.
std::optional<SensorResult> LoadIntoWorkingCopy(SensorSession& s, const std::string& path)
{
    std::string report, error;
    const int loaded = LoadParameterFile(s, path, &report, &error);
    if (!report.empty())
        Diag(path + ":\n" + report);
    if (loaded != 1)
        return Failure(kExitFile, error);
    return std::nullopt;
}

Task<SensorResult> Backup(const Options& o, size_t index, SensorSession& s, const SensorAddress& address,
                          const SensorIdentity& id)
{
    std::string notice, error;
    const int read = co_await ReadSensorParameters(s, false, &notice, &error);
    if (read != 1)
        co_return Failure(kExitLink, "reading the parameters failed: " + error);
    const std::string path = ExpandFilePattern(o.file, index, id.serial, address);
    if (co_await SaveParameterFile(s, path, o.plain ? nullptr : &id, &error) != 1)
        co_return Failure(kExitFile, error);
    co_return SensorResult{kExitOk, "saved " + path, {{"file", JsonString(path)}}};
}

Task<SensorResult> Restore(const Options& o, size_t index, SensorSession& s, const SensorAddress& address,
                           const SensorIdentity& id)
{
    std::string notice, error;
    // The sensor's own words (the teach rows' eighth word) stay as they are, as in the window,
    // where connecting reads the sensor before a file is loaded and sent.
    const int read = co_await ReadSensorParameters(s, false, &notice, &error);
    if (read != 1)
        co_return Failure(kExitLink, "reading the parameters failed: " + error);
    const Configuration before = WorkingCopyOf(s);
    const std::string path = ExpandFilePattern(o.file, index, id.serial, address);
    if (std::optional<SensorResult> failure = LoadIntoWorkingCopy(s, path))
        co_return *failure;
    if (std::optional<SensorResult> failure = CheckFileForSensor(path, id, o.force))
        co_return *failure;
    const Configuration sent = WorkingCopyOf(s);

    // The way back, kept before anything is written: the sensor's configuration as it was, and
    // a mark that stays until the read-back has verified the restore.
    const int serial = static_cast<int>(id.serial & 0xFFFF);
    std::string snapshot;
    const std::string folder = SnapshotFolder();
    const int kept = folder.empty() ? -1
                                    : WriteSnapshot(folder, before, ::SensorIdentity{id.firmware, serial},
                                                    "before restore", &snapshot);
    if (kept < 0)
        co_return Failure(kExitFile, "cannot keep the sensor's configuration as a snapshot" +
                                      (folder.empty() ? std::string(" (no data folder)")
                                                      : " in " + folder + ": " + GetToolboxErrorString(kept)) +
                                      "; nothing sent");
    Diag("the sensor's configuration before the restore is kept in " + snapshot);
    if (const int marked = MarkRestoreRunning(serial, RestoreMark{path, snapshot, LocalTimeStamp()}); marked < 0)
        co_return Failure(kExitFile, "cannot mark the restore as running in the data folder: " +
                                      std::string(GetToolboxErrorString(marked)) + "; nothing sent");

    std::string writeNotice, readNotice;
    const int written = co_await WriteSensorParameters(s, o.eeprom, &writeNotice, &error);
    if (written != 1)
        co_return Failure(kExitLink, "sending the parameters failed: " + error);
    // Read back what the sensor now holds: with --eeprom what it loads from its EEPROM.
    const int readBack = co_await ReadSensorParameters(s, o.eeprom, &readNotice, &error);
    if (readBack != 1)
        co_return Failure(kExitLink, "reading the parameters back failed: " + error);
    const std::vector<Difference> diffs = CompareConfigurations(sent, WorkingCopyOf(s), kRestoreScope);
    for (const Difference& d : diffs)
        Diag("not as sent: " + DifferenceText(d));

    SensorResult result;
    result.fields = {{"file", JsonString(path)},
                     {"eeprom", o.eeprom ? "true" : "false"},
                     {"differences", DifferencesJson(diffs)},
                     {"snapshot", JsonString(snapshot)}};
    std::string notices = writeNotice;
    if (!readNotice.empty())
        notices += (notices.empty() ? "" : "; ") + readNotice;
    result.fields.push_back({"notice", notices.empty() ? "null" : JsonString(notices)});
    if (!notices.empty() || !diffs.empty()) {
        result.code = kExitDifferent;
        result.detail = !notices.empty() ? "the sensor reported: " + notices
                                         : std::to_string(diffs.size()) + " values read back differ from " + path;
        Diag("the configuration before the restore is in " + snapshot);
        co_return result;
    }
    ClearRestoreMark(serial);
    result.detail = "restored " + path + (o.eeprom ? " to working memory and EEPROM" : " to working memory");
    co_return result;
}

Task<SensorResult> Compare(const Options& o, size_t index, SensorSession& s, const SensorAddress& address,
                           const SensorIdentity& id)
{
    std::string notice, error;
    std::string path;
    Configuration file;
    if (o.reference) {
        // What the sensor was pinned to hold (chromix5ctl pin).
        const int serial = static_cast<int>(id.serial & 0xFFFF);
        const std::string folder = ReferenceFolder();
        path = ReferencePath(folder, serial);
        ::SensorIdentity pinned;
        const int loaded = folder.empty() ? 0 : LoadReference(folder, serial, &file, &pinned);
        if (loaded == 0)
            co_return Failure(kExitFile, "no reference is pinned for serial number " + std::to_string(serial) +
                                             " (chromix5ctl pin FILE SENSOR pins one)");
        if (loaded < 0)
            co_return Failure(kExitFile, "the reference " + path + " cannot be read as a parameter file");
    } else {
        path = ExpandFilePattern(o.file, index, id.serial, address);
        if (std::optional<SensorResult> failure = LoadIntoWorkingCopy(s, path))
            co_return *failure;
        file = WorkingCopyOf(s);
    }
    const int read = co_await ReadSensorParameters(s, false, &notice, &error);
    if (read != 1)
        co_return Failure(kExitLink, "reading the parameters failed: " + error);
    const std::vector<Difference> diffs = CompareConfigurations(file, WorkingCopyOf(s), kCompareScope);

    SensorResult result;
    result.fields = {{"file", JsonString(path)}, {"differences", DifferencesJson(diffs)}};
    if (diffs.empty()) {
        result.detail = "equal to " + path;
        co_return result;
    }
    // The value lines go just before the sensor's result line.
    if (!o.json)
        for (const Difference& d : diffs)
            s.output += DifferenceLine(address.text, d);
    result.code = kExitDifferent;
    result.detail = std::to_string(diffs.size()) + " values differ from " + path;
    co_return result;
}

// Nothing goes to the sensor: the file becomes the configuration it is meant to hold.
Task<SensorResult> Pin(const Options& o, size_t index, SensorSession& s, const SensorAddress& address,
                       const SensorIdentity& id)
{
    const std::string path = ExpandFilePattern(o.file, index, id.serial, address);
    if (std::optional<SensorResult> failure = LoadIntoWorkingCopy(s, path))
        co_return *failure;
    if (std::optional<SensorResult> failure = CheckFileForSensor(path, id, o.force, "pinned"))
        co_return *failure;
    const int serial = static_cast<int>(id.serial & 0xFFFF);
    const std::string folder = ReferenceFolder();
    if (folder.empty())
        co_return Failure(kExitFile, "the user's data folder is not available; nothing pinned");
    const int pinned = PinReference(folder, WorkingCopyOf(s), ::SensorIdentity{id.firmware, serial});
    const std::string reference = ReferencePath(folder, serial);
    if (pinned < 0)
        co_return Failure(kExitFile, "cannot write " + reference + ": " + GetToolboxErrorString(pinned));
    co_return SensorResult{kExitOk, "pinned " + path + " as the reference of serial number " + std::to_string(serial),
                           {{"file", JsonString(path)}, {"reference", JsonString(reference)}}};
}

// Whatever the command, the operator hears first that the sensor may be half restored.
void WarnOfUnfinishedRestore(const SensorIdentity& id)
{
    const int serial = static_cast<int>(id.serial & 0xFFFF);
    if (RestoreMark mark; FindUnfinishedRestore(serial, &mark))
        Diag(UnfinishedRestoreText(serial, mark));
}

}  // namespace

Task<SensorResult> RunOperation(const Options& o, size_t index, SensorSession& s, const SensorAddress& address,
                                const SensorIdentity& id)
{
    if (o.command == Subcommand::Identify) {
        SensorResult result;
        result.detail = "serial " + std::to_string(id.serial) + ", edition " + std::to_string(id.edition) +
                        (id.edition == 0 ? " (not supported)" : "") + ", firmware \"" + id.firmware + "\"";
        co_return result;
    }
    if (id.edition == 0)
        co_return Failure(kExitUnsupported, "firmware \"" + id.firmware + "\" is not supported");
    // Each awaited task is a statement of its own: GCC 12 may end the life of a task awaited
    // inside a condition or a return too early.
    SensorResult result;
    switch (o.command) {
    case Subcommand::Backup: result = co_await Backup(o, index, s, address, id); break;
    case Subcommand::Restore: result = co_await Restore(o, index, s, address, id); break;
    case Subcommand::Compare: result = co_await Compare(o, index, s, address, id); break;
    case Subcommand::Monitor: result = co_await Monitor(o, index, s, address, id); break;
    case Subcommand::Pin: result = co_await Pin(o, index, s, address, id); break;
    default: break;
    }
    co_return result;
}

std::string LostResultLine(const Options& options, size_t index, const std::string& reason)
{
    SensorResult result = Failure(kExitLink, reason);
    CompleteFields(options, &result);
    return ResultLine(options.sensors[index].text, result, options.json);
}

Task<int> RunSensor(const Options& o, size_t index, SensorSession& s)
{
    const SensorAddress& address = o.sensors[index];
    SensorResult result;
    std::string error;
    SensorIdentity id;
    const int opened = co_await OpenSensor(s, address, &error);
    int identified = -1;
    if (opened == 1)
        identified = co_await IdentifySensor(s, &id, &error);
    if (opened != 1) {
        result = Failure(kExitLink, error);
    } else if (identified < 0) {
        result = Failure(kExitLink, "no identification: " + error);
    } else {
        WarnOfUnfinishedRestore(id);
        result = co_await RunOperation(o, index, s, address, id);
    }
    if (!id.firmware.empty() || id.serial != 0) {
        result.fields.insert(result.fields.begin(),
                             {{"serial", std::to_string(id.serial)},
                              {"edition", std::to_string(id.edition)},
                              {"firmware", JsonString(id.firmware)}});
    }
    CompleteFields(o, &result);
    if (result.code != kExitOk && result.code != kExitDifferent)
        Diag(std::string(StatusName(result.code)) + ": " + result.detail);
    // With the samples on standard output the result line goes to standard error.
    s.result = ResultLine(address.text, result, o.json);
    s.resultToStderr = o.command == Subcommand::Monitor && o.csv == "-";
    s.code = result.code;
    s.finished = true;
    co_return result.code;
}

}  // namespace cli

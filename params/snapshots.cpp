#include "params/snapshots.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <utility>

#include "params/configuration_file.h"
#include "platform/files.h"
#include "platform/user_files.h"

namespace {

std::string prefixOf(int serial)
{
    char prefix[24];
    std::snprintf(prefix, sizeof prefix, "SN%05d_", serial < 0 ? 0 : serial);
    return prefix;
}

// A snapshot's name without ".ini" and without the counter that a second snapshot of the same
// millisecond gets ("SN00007_20261207-170752-166-2"), and that counter (1 without one). The
// time stamp itself holds two '-'; a third starts the counter.
std::pair<std::string, long> orderOf(const std::string& name)
{
    std::string base = name.size() >= 4 ? name.substr(0, name.size() - 4) : name;
    const size_t stamp = base.rfind('_');
    int dashes = 0;
    for (size_t i = stamp == std::string::npos ? 0 : stamp; i < base.size(); ++i) {
        if (base[i] != '-' || ++dashes < 3)
            continue;
        const long counter = std::strtol(base.c_str() + i + 1, nullptr, 10);
        base.resize(i);
        return {base, counter};
    }
    return {base, 1};
}

}  // namespace

std::string SnapshotFolder()
{
    char dir[MAX_PATHNAME_LEN];
    return GetUserDataDir(kSnapshotFolder, dir, sizeof dir) == 0 ? std::string(dir) : std::string();
}

std::vector<std::string> ListSnapshots(const std::string& folder, int serial)
{
    std::vector<std::string> names;
    if (ListFiles(folder.c_str(), serial >= 0 ? prefixOf(serial).c_str() : "SN", ".ini", &names) != 0)
        return {};
    // Within one sensor the names sort by time; across sensors by serial, then time. Of two
    // snapshots of one millisecond the counted one is the newer, though "-2.ini" sorts before
    // ".ini" by its letters.
    std::stable_sort(names.begin(), names.end(),
                     [](const std::string& a, const std::string& b) { return orderOf(a) < orderOf(b); });
    for (std::string& name : names)
        name = folder + name;
    return names;
}

int WriteSnapshot(const std::string& folder, const Configuration& configuration,
                  const SensorIdentity& identity, const char* reason, std::string* path)
{
    const int serial = identity.serial < 0 ? 0 : identity.serial;
    std::vector<std::string> existing = ListSnapshots(folder, serial);
    // Reading an unchanged sensor again (a compare, a preview, a second GET) adds nothing.
    if (!existing.empty()) {
        Configuration newest = configuration;
        SensorIdentity newestIdentity;
        if (LoadConfigurationFile(existing.back().c_str(), &newest, &newestIdentity) == 1 &&
            newestIdentity.firmware == identity.firmware &&
            CompareConfigurations(newest, configuration, kFileScope).empty()) {
            if (path)
                *path = existing.back();
            return 0;
        }
    }
    // Two reads within one millisecond would share a name: the second gets a counter.
    const std::string stem = folder + prefixOf(identity.serial) + LocalTimeStamp();
    std::string name = stem + ".ini";
    for (int n = 2; FileExists(name.c_str()) && n < 100; ++n)
        name = stem + "-" + std::to_string(n) + ".ini";
    const int status = WriteConfigurationFile(name.c_str(), configuration, &identity, reason);
    if (status < 0)
        return status;
    if (path)
        *path = name;
    // The first snapshot is the sensor as it was found: it stays, whatever came after.
    existing = ListSnapshots(folder, serial);
    const size_t excess = existing.size() > kSnapshotsPerSensor ? existing.size() - kSnapshotsPerSensor : 0;
    for (size_t i = 0; i < excess; ++i)
        RemoveFile(existing[1 + i].c_str());
    return 1;
}

std::string SnapshotTime(const std::string& path)
{
    // SN00007_20261207-170752-166.ini: the time stamp after the first '_'.
    const size_t slash = path.find_last_of("/\\");
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const size_t stamp = name.find('_');
    if (stamp == std::string::npos || name.size() < stamp + 16)
        return name;
    const std::string t = name.substr(stamp + 1);
    return t.substr(0, 4) + "-" + t.substr(4, 2) + "-" + t.substr(6, 2) + " " + t.substr(9, 2) + ":" +
           t.substr(11, 2) + ":" + t.substr(13, 2);
}

std::string SnapshotReason(const std::string& path, bool first)
{
    const std::string reason = ReadSnapshotReason(path.c_str());
    if (!first)
        return reason;
    return reason.empty() ? "as found" : "as found, " + reason;
}

std::string SnapshotLabel(const std::string& path, bool first)
{
    const std::string reason = SnapshotReason(path, first);
    return reason.empty() ? SnapshotTime(path) : SnapshotTime(path) + "  " + reason;
}

int KeepSnapshot(const Configuration& configuration, const SensorIdentity& identity, const char* reason,
                 std::string* message)
{
    const std::string folder = SnapshotFolder();
    int status = folder.empty() ? kIniNotWritable : WriteSnapshot(folder, configuration, identity, reason, nullptr);
    if (status < 0 && message) {
        const std::string why = folder.empty() ? "The user's data folder is not available."
                                               : GetToolboxErrorString(status);
        *message = "The snapshot of the parameters just read could not be kept in " +
                   (folder.empty() ? std::string("the user's data folder") : folder) + ": " + why + "\n\n";
    }
    return status;
}

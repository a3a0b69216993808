#include "params/snapshots.h"

#include <cstdio>

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
    // Within one sensor the names sort by time; across sensors by serial, then time.
    for (std::string& name : names)
        name = folder + name;
    return names;
}

int WriteSnapshot(const std::string& folder, const Configuration& configuration,
                  const SensorIdentity& identity, std::string* path)
{
    // Two reads within one millisecond would share a name: the second gets a counter.
    const std::string stem = folder + prefixOf(identity.serial) + LocalTimeStamp();
    std::string name = stem + ".ini";
    for (int n = 2; FileExists(name.c_str()) && n < 100; ++n)
        name = stem + "-" + std::to_string(n) + ".ini";
    const int status = WriteConfigurationFile(name.c_str(), configuration, &identity);
    if (status < 0)
        return status;
    if (path)
        *path = name;
    std::vector<std::string> existing = ListSnapshots(folder, identity.serial < 0 ? 0 : identity.serial);
    for (size_t i = 0; i + kSnapshotsPerSensor < existing.size(); ++i)
        RemoveFile(existing[i].c_str());
    return 0;
}

int KeepSnapshot(const Configuration& configuration, const SensorIdentity& identity,
                 std::string* message)
{
    const std::string folder = SnapshotFolder();
    int status = folder.empty() ? kIniNotWritable
                                : WriteSnapshot(folder, configuration, identity, nullptr);
    if (status < 0 && message) {
        char text[MAX_PATHNAME_LEN + 160];
        std::snprintf(text, sizeof text,
                      "The snapshot of the parameters just read could not be kept in %s (error %d).\n\n",
                      folder.empty() ? "the user's data folder" : folder.c_str(), status);
        *message = text;
    }
    return status;
}

#include "params/references.h"

#include <cstdio>

#include "params/configuration_file.h"
#include "params/parameter_file_layout.h"
#include "platform/files.h"
#include "platform/user_files.h"

std::string ReferenceFolder()
{
    char dir[MAX_PATHNAME_LEN];
    return GetUserDataDir(kReferenceFolder, dir, sizeof dir) == 0 ? std::string(dir) : std::string();
}

std::string ReferencePath(const std::string& folder, int32_t serial)
{
    char name[24];
    std::snprintf(name, sizeof name, "SN%05d.ini", serial < 0 ? 0 : serial);
    return folder + name;
}

int PinReference(const std::string& folder, const Configuration& configuration,
                 const SensorIdentity& identity)
{
    if (identity.serial < 0)
        return -1;
    // The store writes a temporary file and renames it over the old one.
    return WriteConfigurationFile(ReferencePath(folder, identity.serial).c_str(), configuration, &identity);
}

int LoadReference(const std::string& folder, int32_t serial, Configuration* configuration,
                  SensorIdentity* identity)
{
    const std::string path = ReferencePath(folder, serial);
    if (!FileExists(path.c_str()))
        return 0;
    const int status = LoadConfigurationFile(path.c_str(), configuration, identity);
    return status == 1 ? 1 : (status < 0 ? status : -1);
}

std::vector<Difference> DriftFromReference(const Configuration& reference, const Configuration& sensor)
{
    // A parameter file keeps the first seven words of each row: the eighth cannot be pinned.
    return CompareConfigurations(reference, sensor, CompareScope{kSensorTeachRows, kSavedTeachWords});
}

// The parameter file's own section writers and readers are used rather than a second copy of the
// layout, which could drift from the file's bytes. The writers take the configuration as it is,
// so a document can be built on a worker thread. The readers work on the program-wide working
// copy, which these functions lend for the duration of one call and put back: everything runs
// on the one thread and nothing in between processes events, except the reports' pop-ups, which
// are modal and start no sensor operation.
#include "params/configuration_file.h"

#include <cstring>
#include <memory>
#include <optional>

#include "params/parameter_file.h"
#include "params/parameter_file_layout.h"
#include "params/parameter_set.h"
#include "params/range_report.h"

namespace {

class LentWorkingCopy {
public:
    explicit LentWorkingCopy(const Configuration& with) : saved_(WorkingCopy()) { SetWorkingCopy(with); }
    ~LentWorkingCopy() { SetWorkingCopy(saved_); }
    LentWorkingCopy(const LentWorkingCopy&) = delete;
    LentWorkingCopy& operator=(const LentWorkingCopy&) = delete;

private:
    Configuration saved_;
};

}  // namespace

namespace {

// Builds the whole document, or streams it; 0 or the first failing put's code.
template <typename Document>
int FillConfigurationDocument(Document& ini, const Configuration& configuration,
                              const SensorIdentity* identity, const char* reason)
{
    int status = Ini_PutString(ini, kGeneralInfoSection, kFileTypeKey, kFileTypeValue);
    if (status == 0)
        status = Ini_PutString(ini, kGeneralInfoSection, kVersionKey, kVersionValue);
    if (status == 0)
        status = AppendParaToIniHandle(ini, configuration.para);
    if (status == 0)
        status = AppendTechVecToIniHandle(ini, configuration.rows);
    if (status == 0 && identity) {
        status = Ini_PutString(ini, kIdentitySection, kFirmwareKey, identity->firmware.c_str());
        if (status == 0 && identity->serial >= 0)
            status = Ini_PutInt(ini, kIdentitySection, kSerialNumberKey, identity->serial);
    }
    if (status == 0 && reason && *reason)
        status = Ini_PutString(ini, kSnapshotSection, kReasonKey, reason);
    return status;
}

}  // namespace

int WriteConfigurationFile(const char* path, const Configuration& configuration,
                           const SensorIdentity* identity, const char* reason)
{
    IniText ini = Ini_New(0);
    if (!ini)
        return kIniOutOfMemory;
    int status = FillConfigurationDocument(ini, configuration, identity, reason);
    // An incomplete document is not written: it would replace a good file with a partial one.
    if (status == 0)
        status = Ini_WriteToFile(ini, path);
    Ini_Dispose(ini);
    return status < 0 ? status : 0;
}

int WriteConfigurationFileInBackground(const char* path, const Configuration& configuration,
                                       const SensorIdentity* identity, IniWriteDone done, void* user)
{
    // The document is built on the store's worker from copies: a fleet's main thread keeps
    // only the check of each target, and the caller's values may change meanwhile. Both builders
    // share them: the worker runs one, then drops both.
    struct Copies {
        Configuration configuration;
        std::optional<SensorIdentity> identity;
    };
    const auto copies = std::make_shared<const Copies>(
        Copies{configuration, identity ? std::optional<SensorIdentity>(*identity) : std::nullopt});
    const auto fill = [copies](auto& document) {
        const SensorIdentity* id = copies->identity ? &*copies->identity : nullptr;
        return FillConfigurationDocument(document, copies->configuration, id, nullptr);
    };
    const int status = Ini_BuildAndWriteInBackground(
        path, [fill](IniStream& stream) { return fill(stream); }, [fill](IniText ini) { return fill(ini); },
        done, user);
    return status < 0 ? status : 0;
}

std::string ReadSnapshotReason(const char* path)
{
    IniText ini = Ini_New(0);
    char reason[256] = "";
    if (ini && Ini_ReadFromFile(ini, path) == 0 &&
        Ini_GetStringIntoBuffer(ini, kSnapshotSection, kReasonKey, reason, sizeof reason) != kIniFound)
        reason[0] = '\0';
    Ini_Dispose(ini);
    return reason;
}

bool ReadIdentity(IniText ini, SensorIdentity* identity)
{
    char firmware[1024];
    if (!identity || Ini_GetStringIntoBuffer(ini, kIdentitySection, kFirmwareKey, firmware,
                                             sizeof firmware) <= 0)
        return false;
    identity->firmware = firmware;
    int32_t serial = -1;
    identity->serial = Ini_GetInt(ini, kIdentitySection, kSerialNumberKey, &serial) == kIniFound &&
                               serial >= 0
                           ? serial
                           : -1;
    return true;
}

int LoadConfigurationFile(const char* path, Configuration* configuration, SensorIdentity* identity)
{
    if (!configuration)
        return kIniNullArgument;
    IniText ini = Ini_New(0);
    if (!ini)
        return kIniOutOfMemory;
    int status = Ini_ReadFromFile(ini, path);
    char type[1024] = "";
    if (status >= 0 &&
        (Ini_GetStringIntoBuffer(ini, kGeneralInfoSection, kFileTypeKey, type, sizeof type) <= 0 ||
         std::strcmp(type, kFileTypeValue) != 0))
        status = -1;
    if (status >= 0) {
        LentWorkingCopy lent(*configuration);
        AcquireParaFromIniHandle(ini);
        AcquireTechVecFromIniHandle(ini);
        ReportOutOfRangeValues(ini);
        *configuration = WorkingCopy();
        if (identity && !ReadIdentity(ini, identity))
            *identity = SensorIdentity{};
        status = 1;
    }
    Ini_Dispose(ini);
    return status;
}

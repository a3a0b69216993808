#include "params/restore_mark.h"

#include <cstdio>

#include "ini/inifile.h"
#include "platform/files.h"
#include "platform/user_files.h"

namespace {

constexpr char kSection[] = "RESTORE";

// The mark's path, or "" when there is no data location. A look for a mark (before every
// command on every sensor of a fleet) creates no folder and costs one look-up: the mark's.
std::string markPath(int serial, bool create)
{
    char dir[MAX_PATHNAME_LEN];
    if ((create ? GetUserDataDir : UserDataPath)(kRestoreMarkFolder, dir, sizeof dir) != 0)
        return {};
    char name[32];
    std::snprintf(name, sizeof name, "SN%05d.running", serial < 0 ? 0 : serial);
    return std::string(dir) + name;
}

std::string getString(IniText ini, const char* tag)
{
    const char* text = nullptr;
    return Ini_GetPointerToString(ini, kSection, tag, &text) == kIniFound && text ? std::string(text)
                                                                                : std::string();
}

}  // namespace

int MarkRestoreRunning(int serial, const RestoreMark& mark)
{
    const std::string path = markPath(serial, true);
    if (path.empty())
        return -1;
    IniText ini = Ini_New(0);
    if (!ini)
        return kIniOutOfMemory;
    int status = Ini_PutString(ini, kSection, "FILE", mark.file.c_str());
    if (status == 0)
        status = Ini_PutString(ini, kSection, "SNAPSHOT", mark.snapshot.c_str());
    if (status == 0)
        status = Ini_PutString(ini, kSection, "STARTED", mark.started.c_str());
    if (status == 0)
        status = Ini_WriteToFile(ini, path.c_str());
    Ini_Dispose(ini);
    return status < 0 ? status : 0;
}

void ClearRestoreMark(int serial)
{
    const std::string path = markPath(serial, false);
    if (!path.empty() && FileExists(path.c_str()))
        RemoveFile(path.c_str());
}

bool FindUnfinishedRestore(int serial, RestoreMark* mark)
{
    const std::string path = markPath(serial, false);
    if (path.empty() || !FileExists(path.c_str()))
        return false;
    IniText ini = Ini_New(0);
    if (!ini)
        return false;
    // A mark that cannot be read still says that a restore did not finish.
    Ini_ReadFromFile(ini, path.c_str());
    mark->file = getString(ini, "FILE");
    mark->snapshot = getString(ini, "SNAPSHOT");
    mark->started = getString(ini, "STARTED");
    Ini_Dispose(ini);
    return true;
}

std::string UnfinishedRestoreText(int serial, const RestoreMark& mark)
{
    std::string text = "The last restore on serial number " + std::to_string(serial);
    if (!mark.file.empty())
        text += " (" + mark.file + (mark.started.empty() ? "" : ", started " + mark.started) + ")";
    text += " did not finish: the sensor may hold part of the new parameters, or RAM that differs "
            "from its EEPROM.";
    if (!mark.snapshot.empty())
        text += " Its configuration before the restore is in " + mark.snapshot + ".";
    return text;
}

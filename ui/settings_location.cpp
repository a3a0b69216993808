#include "ui/settings_location.h"

#include <cstdio>

#include "platform/runtime.h"
#include "platform/user_dirs.h"
#include "ui/panel_settings.h"

namespace {

constexpr char kSettingsName[] = "PanelSettings.cfg";

bool Join(char* path, size_t cap, const char* dir)
{
    const int n = std::snprintf(path, cap, "%s%s%s", dir, kPathSeparator, kSettingsName);
    return n >= 0 && static_cast<size_t>(n) < cap;
}

}  // namespace

int FormSettingsPath(const char* programDir, char* path, size_t cap)
{
    if (IsFolderWritable(programDir)) {
        Join(path, cap, programDir);
        return 1;
    }
    char config[kPathSize - 32];
    if (GetUserConfigDir(config, sizeof config) == 0 && Join(path, cap, config))
        return 2;
    Join(path, cap, programDir);
    return 0;
}

void LocateSettingsFile()
{
    char dir[kPathSize - 32];
    GetProjectDir(dir, sizeof dir);
    FormSettingsPath(dir, SettingsPath, sizeof SettingsPath);
}

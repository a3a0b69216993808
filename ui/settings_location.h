// Where PanelSettings.cfg lives. Beside the program, as it always has, when the program's folder
// can be written; otherwise (a program installed for all users) in the user's configuration
// folder, so that an operator without write access to the program still keeps the settings.
#pragma once

#include <cstddef>

// Forms the settings path for a program in programDir into path (cap bytes). Returns 1 when the
// file is beside the program, 2 when it is in the user's configuration folder, and 0 when that
// folder cannot be made either (the path is then the one beside the program, where saving will
// fail and be reported).
int FormSettingsPath(const char* programDir, char* path, size_t cap);

// Sets SettingsPath (ui/panel_settings.h) for this program; InitAll calls it once.
void LocateSettingsFile();

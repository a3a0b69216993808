// PanelSettings.cfg beside the program: window geometry, language, the last parameter file, the
// IP address history and the connection settings, restored at the next start.
#pragma once

#include <cstddef>

#include "ini/inifile.h"

inline constexpr size_t kPathSize = 1024;

// The settings path: program directory, separator, "PanelSettings.cfg" (set by InitAll).
extern char SettingsPath[kPathSize];

// Restores geometry, language, parameter file path and IP history, if the file exists and is a
// panel settings file. Nothing is reported.
void LoadPanelSettings();
// Writes the whole file anew from the window and the connection page. Returns 0, or the
// store's negative code after telling the operator (an "ATTENTION!" pop-up naming the file and
// the reason) and standard error.
int StorePanelSettings();

// True when the document's GENERAL INFO / FILE TYPE: is exactly "Panel Settings".
bool IsPanelSettingsFile(IniText doc);

// The parameter file path: the last parameter file the operator chose. The panel settings file
// restores and keeps it; saving and loading parameters start their file dialog from it and
// store the operator's choice back into it.
#pragma once

inline constexpr int kParameterFilePathSize = 260;

// Full path, zero-terminated. Empty until set by the panel settings or first used.
extern char ParameterFilePath[kParameterFilePathSize];

// The default when no earlier parameter file is known: the user's documents folder (or home
// folder), the platform's separator, "Parameter.ini". A program installed for all users cannot
// write beside itself, so its own folder is no place to start the file dialog.
void SetDefaultParameterFilePath();
// The same folder alone, for a settings file that names no parameter file.
void SetDefaultParameterFolder();

// Fills in the default when the path is still empty.
void EnsureParameterFilePath();

// The parameter file path: the last parameter file the operator chose. The panel settings file
// restores and keeps it; saving and loading parameters start their file dialog from it and
// store the operator's choice back into it.
#pragma once

inline constexpr int kParameterFilePathSize = 260;

// Full path, zero-terminated. Empty until set by the panel settings or first used.
extern char ParameterFilePath[kParameterFilePathSize];

// The default: the program's directory, the platform's separator, "Parameter.ini".
void SetDefaultParameterFilePath();

// Fills in the default when the path is still empty.
void EnsureParameterFilePath();

// The parameter file path: the last parameter file the operator chose. The panel settings file
// restores and keeps it; saving and loading parameters start their file dialog from it and
// store the operator's choice back into it.
#pragma once

#include <cstddef>

inline constexpr int kParameterFilePathSize = 260;

// Full path, zero-terminated. Empty until set by the panel settings or first used.
extern char ParameterFilePath[kParameterFilePathSize];

// The default folder of the parameter file, for a program in programDir, into dir (cap bytes):
// the program's folder when files can be made there (1), as the settings file's rule has it;
// otherwise the user's documents (or home) folder (2), since a program installed for all users
// cannot write beside itself; the program's folder when there is neither (0).
int FormDefaultParameterFolder(const char* programDir, char* dir, size_t cap);

// The default when no earlier parameter file is known: the default folder, the platform's
// separator, "Parameter.ini".
void SetDefaultParameterFilePath();
// The same folder alone, for a settings file that names no parameter file.
void SetDefaultParameterFolder();

// Fills in the default when the path is still empty.
void EnsureParameterFilePath();

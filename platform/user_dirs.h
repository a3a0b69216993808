// The user's own folders, for files that cannot or should not live beside the program.
#pragma once

#include <cstddef>

// 1 when a new file can be made in the folder dir, 0 when not (missing folder, no permission, a
// read-only file system). Found by trying, since permission bits alone do not tell (ACLs, mounts).
int IsFolderWritable(const char* dir);

// The user's configuration folder of this program (Qt's AppConfigLocation, on Linux
// $XDG_CONFIG_HOME/<program name>), made when missing. Writes it without a trailing separator
// into dir (cap bytes with the terminator). Returns 0, or -1 when it cannot be made or does not
// fit (dir is then empty).
int GetUserConfigDir(char* dir, size_t cap);

// The user's documents folder, or the home folder when there is none, without a trailing
// separator. Returns 0, or -1 when neither exists or the path does not fit (dir is then empty).
int GetUserDocumentsDir(char* dir, size_t cap);

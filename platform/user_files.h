// The user's own data folder and the few file operations that keeping files there needs. The
// folder is the platform's per-user application data location (on Linux
// $XDG_DATA_HOME/<organisation>/<program>, by default under ~/.local/share).
#pragma once

#include <cstddef>
#include <string>
#include <vector>

// Copies the user's data folder, with a trailing separator, into dir (cap bytes) and creates
// it when missing. Subfolder (may be null or empty) is appended and created as well.
// Returns 0, or -1 when there is no such location, it cannot be created or does not fit.
int GetUserDataDir(const char* subfolder, char* dir, size_t cap);

// The same path as GetUserDataDir, for a look that only reads: nothing is created or looked
// at (a file looked for in a folder that is missing is missing too). Returns 0, or -1 when
// there is no such location or the path does not fit.
int UserDataPath(const char* subfolder, char* dir, size_t cap);

// Makes dir the data folder of the whole process in place of the user's (a service keeps its
// files in its own state folder); null or "" goes back to the user's. Returns 0, or -1 when dir
// cannot be created.
int SetUserDataDir(const char* dir);

// The names (not paths) of the plain files in dir whose names start with prefix and end with
// suffix, sorted by name. Returns 0, or -1 when dir cannot be listed.
int ListFiles(const char* dir, const char* prefix, const char* suffix,
              std::vector<std::string>* names);

// Removes a file. Returns 0, or -1 when it could not be removed.
int RemoveFile(const char* path);

// Whether a file (or folder) of that path exists.
bool FileExists(const char* path);

// The local date and time as "YYYYMMDD-hhmmss-mmm" (milliseconds last), which sorts as it reads.
std::string LocalTimeStamp();

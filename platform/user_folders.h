// The user's own folders, where the program keeps what goes beyond its installation folder:
// recordings in the documents folder, its own extra settings in the configuration folder.
#pragma once

#include <cstddef>

enum UserFolder : int {
    kUserDocuments = 0,  // the user's documents folder (home folder when the system names none)
    kUserConfig = 1,     // this program's folder for settings, per user
};

// Writes the folder's path (platform separators, no trailing separator) into dir, cut to
// cap - 1 bytes and terminated. Returns 0, or -1 when cap is 0, the kind is unknown or the path
// does not fit (dir is then empty). The folder is not created.
int GetUserFolder(int kind, char* dir, size_t cap);

// Creates a folder and every missing folder above it. Returns 0 when it exists afterwards,
// -1 when it cannot be made.
int MakeFolderPath(const char* dir);

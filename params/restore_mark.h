// A restore that could not finish must not go unnoticed: a sensor left with half of a new
// parameter set, or with RAM that differs from its EEPROM, looks like any other sensor. So a
// restore marks itself as running for the sensor's serial number, in the user's data folder,
// before it writes anything, and clears the mark once the read-back has verified the result.
// Whoever talks to that sensor next finds the mark and names the snapshot to go back to.
//
// The mark is a small settings file, restores/SN<serial>.running:
//
//   [RESTORE]
//   FILE = "<the parameter file being restored>"
//   SNAPSHOT = "<the sensor's configuration before the restore>"
//   STARTED = "<YYYYMMDD-hhmmss-mmm>"
#pragma once

#include <string>

inline constexpr char kRestoreMarkFolder[] = "restores";

struct RestoreMark {
    std::string file;
    std::string snapshot;
    std::string started;
};

// Writes the mark for serial. Returns 0, or a negative code (the settings store's, or -1 when
// there is no data folder) when it could not be written.
int MarkRestoreRunning(int serial, const RestoreMark& mark);

// Removes the mark of serial; nothing when there is none.
void ClearRestoreMark(int serial);

// True, with *mark filled in, when a restore on serial was marked and never cleared.
bool FindUnfinishedRestore(int serial, RestoreMark* mark);

// One line for the operator: that the last restore on serial did not finish, and what to do.
std::string UnfinishedRestoreText(int serial, const RestoreMark& mark);

// The history of each sensor's configuration: a parameter set and teach table read from a sensor
// is kept as a parameter file with an identity section and the reason it was taken
// (params/configuration_file.h) in the user's data folder, named
// SN<serial>_<YYYYMMDD-hhmmss-mmm>.ini, when it differs from that sensor's newest snapshot. The
// first snapshot of a serial number, the configuration as found, is kept for good; of the
// others the newest kSnapshotsPerSensor - 1 are kept.
#pragma once

#include <string>
#include <vector>

#include "params/configuration.h"

inline constexpr int kSnapshotsPerSensor = 50;
inline constexpr char kSnapshotFolder[] = "snapshots";

// The snapshot folder (created when missing), with a trailing separator, or "" when the user's
// data folder is not available.
std::string SnapshotFolder();

// Keeps configuration as a snapshot in folder (a snapshot folder, trailing separator included)
// unless it equals the sensor's newest snapshot, and then removes the oldest of that sensor's
// snapshots beyond kSnapshotsPerSensor, never the first. path (may be null) gets the path of
// the snapshot that holds the configuration: the new file, or the newest one it equals.
// Returns 1 when a file was written, 0 when the newest snapshot holds it already, or the
// store's negative code when the file could not be written (nothing is removed then).
int WriteSnapshot(const std::string& folder, const Configuration& configuration,
                  const SensorIdentity& identity, const char* reason, std::string* path);

// The snapshots of one sensor (serial >= 0) or of all, as full paths, oldest first.
std::vector<std::string> ListSnapshots(const std::string& folder, int serial);

// A snapshot for a list: "YYYY-MM-DD hh:mm:ss  reason", the first of a sensor "as found".
std::string SnapshotLabel(const std::string& path, bool first);
// Its two parts: the time its name gives (the name itself when it gives none), and the reason
// the file gives, led by "as found" for a sensor's first ("" when there is neither).
std::string SnapshotTime(const std::string& path);
std::string SnapshotReason(const std::string& path, bool first);

// Keeps a configuration just read from a sensor as its snapshot, in SnapshotFolder(). A failure
// is no reason to stop anything: it is described in words in *message (may be null) for the
// caller to report. Returns 1 written, 0 unchanged, or a negative code.
int KeepSnapshot(const Configuration& configuration, const SensorIdentity& identity, const char* reason,
                 std::string* message);

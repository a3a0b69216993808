// The history of each sensor's configuration: every complete parameter set and teach table read
// from a sensor is kept as a parameter file with an identity section (params/configuration_file.h)
// in the user's data folder, named SN<serial>_<YYYYMMDD-hhmmss-mmm>.ini, the newest
// kSnapshotsPerSensor per serial number and no more.
#pragma once

#include <string>
#include <vector>

#include "params/configuration.h"

inline constexpr int kSnapshotsPerSensor = 50;
inline constexpr char kSnapshotFolder[] = "snapshots";

// The snapshot folder (created when missing), with a trailing separator, or "" when the user's
// data folder is not available.
std::string SnapshotFolder();

// Writes a snapshot of configuration into folder (a snapshot folder, trailing separator
// included) and then removes the oldest of that sensor's snapshots beyond kSnapshotsPerSensor.
// path (may be null) gets the new file's path. Returns 0, or the store's negative code when the
// file could not be written (nothing is removed then).
int WriteSnapshot(const std::string& folder, const Configuration& configuration,
                  const SensorIdentity& identity, std::string* path);

// The snapshots of one sensor (serial >= 0) or of all, as full paths, oldest first.
std::vector<std::string> ListSnapshots(const std::string& folder, int serial);

// Keeps a configuration just read from a sensor as its snapshot, in SnapshotFolder(). A failure
// is no reason to stop anything: it is described in *message (may be null) for the caller to
// report. Returns 0 or a negative code.
int KeepSnapshot(const Configuration& configuration, const SensorIdentity& identity,
                 std::string* message);

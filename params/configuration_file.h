// Parameter files written from, and read into, a Configuration rather than the working copy,
// with an optional identity section naming the sensor the values came from:
//
//   [SENSOR IDENTITY]
//   FIRMWARE = "<firmware text>"
//   SERIAL NUMBER = <serial number>
//
// The section comes after the teach sections, so every byte before it is exactly what the
// parameter file's own writer produces, and the file's reader, which looks only for its own
// sections, reads such a file as it reads any other.
#pragma once

#include <string>

#include "ini/inifile.h"
#include "params/configuration.h"

inline constexpr char kIdentitySection[] = "SENSOR IDENTITY";
inline constexpr char kFirmwareKey[] = "FIRMWARE";
inline constexpr char kSerialNumberKey[] = "SERIAL NUMBER";
// Snapshots say why they were taken, in a section of their own after the identity.
inline constexpr char kSnapshotSection[] = "SNAPSHOT";
inline constexpr char kReasonKey[] = "REASON";

// Writes the header, the configuration and, when identity is not null, the identity section to
// path, and then, when reason is neither null nor empty, the snapshot section with it. Returns
// 0, or the settings store's negative code of the first failing step (nothing is written when
// the document could not be built).
int WriteConfigurationFile(const char* path, const Configuration& configuration,
                           const SensorIdentity* identity, const char* reason = nullptr);

// The same file (without a reason), written in the background (Ini_WriteToFileInBackground):
// 0 when the write is under way and done(user, result) will tell how it ended, or the negative
// code with which it could not start (done is not called then).
int WriteConfigurationFileInBackground(const char* path, const Configuration& configuration,
                                       const SensorIdentity* identity, IniWriteDone done, void* user);

// The reason a snapshot file gives for itself ("" when it gives none or cannot be read).
std::string ReadSnapshotReason(const char* path);

// Reads the identity section of an open document. Returns true when it names a firmware text.
bool ReadIdentity(IniText ini, SensorIdentity* identity);

// Reads a parameter file into *configuration the way the parameter file's reader reads it into
// the working copy (the same fallbacks and reports), leaving the working copy as it was; the
// out-of-range report follows. The header is not asked about: a file without the parameter
// file's FILE TYPE: is refused. identity (may be null) gets the identity section, if any.
// Returns 1, or a negative code: kIniCouldNotOpenForReading and friends from the store, or -1
// for a file that is not a parameter file.
int LoadConfigurationFile(const char* path, Configuration* configuration, SensorIdentity* identity);

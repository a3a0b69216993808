// Each sensor's reference configuration: the one its owner pinned for its serial number, as the
// configuration the sensor is meant to hold. A sensor whose configuration differs from its
// reference has drifted. References are parameter files with the identity section
// (params/configuration_file.h), one per serial number, named SN<serial>.ini in the
// "references" folder of the user's data folder, so that they can be read, compared and
// restored like any other parameter file.
#pragma once

#include <string>
#include <vector>

#include "params/configuration.h"

inline constexpr char kReferenceFolder[] = "references";

// The reference folder (created when missing), with a trailing separator, or "" when the
// user's data folder is not available.
std::string ReferenceFolder();

// Where folder keeps the reference of serial.
std::string ReferencePath(const std::string& folder, int32_t serial);

// Pins configuration as the reference of identity.serial (which must be known, >= 0), in place
// of any earlier one; the earlier file stays whole until the new one is complete. Returns 0,
// -1 for an unknown serial number, or the settings store's negative code.
int PinReference(const std::string& folder, const Configuration& configuration,
                 const SensorIdentity& identity);

// The reference pinned for serial: 1 when read, 0 when none is pinned, or a negative code when
// the file is there but cannot be read as a parameter file (a damaged reference is no
// reference; the caller says so rather than compare with defaults).
int LoadReference(const std::string& folder, int32_t serial, Configuration* configuration,
                  SensorIdentity* identity);

// What the sensor holds against its reference: every value that differs, reference on the
// left. Only what a sensor holds is compared (rows 0 to 31, the words a file keeps).
std::vector<Difference> DriftFromReference(const Configuration& reference, const Configuration& sensor);

// Output and input file names for many sensors at once: placeholders that differ per sensor.
//
//   {n}       the sensor's place in the list, from 1
//   {serial}  its serial number
//   {sensor}  its name made file-safe (tcp:10.0.0.5:10001 -> tcp_10.0.0.5_10001)
#pragma once

#include <cstddef>
#include <string>

#include "cli/sensor_address.h"

namespace cli {

// Whether the pattern holds at least one of the placeholders.
bool HasSensorPlaceholder(const std::string& pattern);

// The pattern with the placeholders filled in; index counts from 0.
std::string ExpandFilePattern(const std::string& pattern, size_t index, unsigned serial,
                              const SensorAddress& address);

}  // namespace cli

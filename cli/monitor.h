// monitor: live samples from one sensor as CSV rows (the recording format) and/or MQTT
// messages, at a given rate or as fast as the sensor answers, until a count is reached, the
// link fails, an output fails, or SIGINT/SIGTERM asks it to stop.
#pragma once

#include <cstddef>

#include "cli/options.h"
#include "cli/result_line.h"
#include "cli/sensor_link.h"

namespace cli {

SensorResult Monitor(const Options& options, size_t index, const SensorAddress& address,
                     const SensorIdentity& identity);

}  // namespace cli

// The subcommands for one sensor: open it, identify it, do the work, and print the sensor's
// result line (text or JSON) on standard output; diagnostics go to standard error, each line
// starting with the sensor's name when several sensors run.
#pragma once

#include <cstddef>
#include <string>

#include "cli/options.h"
#include "cli/result_line.h"
#include "cli/sensor_link.h"
#include "cli/sensor_session.h"
#include "cli/task.h"

namespace cli {

// Runs options.command for options.sensors[index] on the session (the run-time must have been
// started). At its end the session holds the result line and the sensor's exit code (ExitCode),
// and is marked finished; the task gives the exit code too.
Task<int> RunSensor(const Options& options, size_t index, SensorSession& session);

// The work of options.command on a sensor that is open and identified as id, without its result
// line: what RunSensor does after the identification, and what the gateway runs for a request
// between live samples.
Task<SensorResult> RunOperation(const Options& options, size_t index, SensorSession& session,
                                const SensorAddress& address, const SensorIdentity& id);

// The result line for a sensor whose work ended without one.
std::string LostResultLine(const Options& options, size_t index, const std::string& reason);

}  // namespace cli

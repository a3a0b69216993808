// The subcommands for one sensor: open it, identify it, do the work, and print the sensor's
// result line (text or JSON) on standard output; diagnostics go to standard error, each line
// starting with the sensor's name when several sensors run.
#pragma once

#include <cstddef>
#include <string>

#include "cli/options.h"

namespace cli {

// Runs options.command for options.sensors[index] in this process (the run-time must have been
// started). Returns the sensor's exit code (ExitCode).
int RunSensor(const Options& options, size_t index);

// The result line for a sensor whose process ended without one.
std::string LostResultLine(const Options& options, size_t index, const std::string& reason);

}  // namespace cli

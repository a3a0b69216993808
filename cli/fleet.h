// Every sensor of a command served by one process and one event loop. Each sensor has a session
// of its own (cli/sensor_session.h) and its subcommand runs as a task (cli/commands.h); the
// loop starts the tasks, runs the serial lines' blocking calls one at a time, wakes tasks whose
// time has come, keeps the MQTT connection serviced and prints each sensor's result line in the
// order of the sensor list, as soon as every sensor before it has been printed.
//
// All sensors run at once, except where a bound protects something: restore writes to --jobs
// sensors at a time (default 16), --jobs bounds the other subcommands when it is given, and no
// more sensors run at once than the limit of open files lets the process hold.
#pragma once

#include <string>

#include "cli/options.h"

namespace cli {

// Runs options.command for every sensor (the run-time must have been started). Returns the
// highest of the sensors' exit codes.
int ServeSensors(const Options& options);

// Raises the soft limit of open files to the hard limit. False with the limits in *note when
// the soft limit could not be raised.
bool RaiseOpenFileLimit(std::string* note);

}  // namespace cli

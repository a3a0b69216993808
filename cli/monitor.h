// monitor: live samples from a sensor as CSV rows (the recording format) and/or MQTT messages,
// at a given rate or as fast as the sensor answers, until a count is reached, the link fails, an
// output fails, or SIGINT/SIGTERM asks it to stop. Every sensor of the run monitors at once; the
// MQTT broker is one connection for the whole process.
#pragma once

#include <cstddef>

#include "cli/options.h"
#include "cli/result_line.h"
#include "cli/sensor_link.h"

namespace cli {

Task<SensorResult> Monitor(const Options& options, size_t index, SensorSession& session,
                           const SensorAddress& address, const SensorIdentity& identity);

// The process's side of the shared MQTT connection. Connects when options name a broker (a
// failure is given to every monitor as its result); Service does the network work and is
// called by the event loop at each pass.
void StartMonitorOutputs(const Options& options);
void ServiceMonitorOutputs();
// Monitors that have taken their last sample wait for the connection's end before they report
// (what was dropped or not sent counts for them). When every task still running waits so, the
// loop calls FinishMonitorOutputs, which sends what is queued and lets them report.
size_t MonitorsWaitingForBroker();
void FinishMonitorOutputs();
// Closes the connection; after every monitor has ended.
void EndMonitorOutputs();

}  // namespace cli

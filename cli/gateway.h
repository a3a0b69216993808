// chromix5ctl serve: a gateway that keeps a fleet of sensors watched until it is stopped and
// publishes it to an MQTT broker. With PREFIX the --topic, G the gateway's id (its MQTT client
// id) and T a sensor's base topic (its list line's topic=, else PREFIX/SERIAL):
//
//   PREFIX/status/G        retained "online", "offline" at a clean end and as the last will
//   PREFIX/health/G        every 10 s: sensors, online, samples per second, delivered, dropped,
//                          queued, and the serial numbers another gateway claims too
//   PREFIX/owner/SERIAL/G  retained claim of a sensor, cleared at a clean end
//   T                      live samples
//   T/status               retained {"state":"online"|"offline"|"drift",...}
//   T/config               retained identity and configuration, when it changes
//   T/event                drift, drift_cleared, replaced, claimed, link_lost, link_back
//
// Each gateway subscribes to PREFIX/owner/+/+ and reports a sensor that another gateway claims
// as well. SIGINT and SIGTERM end it cleanly; SIGHUP reads the --file lists again: sensors whose
// lines did not change go on untouched, removed ones go offline, new ones start; a list that
// cannot be read leaves the fleet as it is. One line per event goes to standard error.
#pragma once

#include "cli/options.h"

namespace cli {

// Runs until stopped (the run-time must have been started). Returns kExitOk, or kExitOutput
// when the broker could not be reached at start or samples were lost.
int ServeGateway(const Options& options);

}  // namespace cli

// SIGINT and SIGTERM while chromix5ctl serves its sensors: the first asks it to stop cleanly (no
// sensor is started any more, monitors end after their sample, what is under way finishes);
// a second one gives up on what is still under way.
#pragma once

namespace cli {

void CatchStopSignals();
// Installs handler for signal, with no signal blocked while it runs (the program's handlers
// only count, and the event loop acts at its next pass).
void CatchSignal(int signal, void (*handler)(int));
// How many stop signals came: 0, 1 (stop cleanly) or 2 and more (give up).
int StopRequests();
inline bool StopRequested() { return StopRequests() > 0; }

}  // namespace cli

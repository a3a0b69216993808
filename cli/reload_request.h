// SIGHUP while the gateway runs: read the sensor list again. The handler only counts; the
// event loop takes the request at its next pass.
#pragma once

namespace cli {

void CatchReloadSignal();
// True once for every SIGHUP that came since the last call (several in a row count as one).
bool TakeReloadRequest();

}  // namespace cli

#include "cli/reload_request.h"

#include <csignal>

#include "cli/stop_request.h"

namespace cli {

namespace {

volatile sig_atomic_t requested = 0;

void OnHangup(int) { requested = 1; }

}  // namespace

void CatchReloadSignal() { CatchSignal(SIGHUP, OnHangup); }

bool TakeReloadRequest()
{
    if (!requested)
        return false;
    requested = 0;
    return true;
}

}  // namespace cli

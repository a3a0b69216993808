#include "cli/reload_request.h"

#include <csignal>

namespace cli {

namespace {

volatile sig_atomic_t requested = 0;

void OnHangup(int) { requested = 1; }

}  // namespace

void CatchReloadSignal()
{
    struct sigaction action {};
    action.sa_handler = OnHangup;
    sigemptyset(&action.sa_mask);
    sigaction(SIGHUP, &action, nullptr);
}

bool TakeReloadRequest()
{
    if (!requested)
        return false;
    requested = 0;
    return true;
}

}  // namespace cli

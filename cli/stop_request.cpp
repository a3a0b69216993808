#include "cli/stop_request.h"

#include <csignal>

namespace cli {

namespace {

volatile sig_atomic_t requests = 0;

void OnStop(int)
{
    if (requests < 2)
        requests = requests + 1;
}

}  // namespace

void CatchStopSignals()
{
    struct sigaction action {};
    action.sa_handler = OnStop;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

int StopRequests() { return requests; }

}  // namespace cli

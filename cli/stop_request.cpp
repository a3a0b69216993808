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

void CatchSignal(int signal, void (*handler)(int))
{
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    sigaction(signal, &action, nullptr);
}

void CatchStopSignals()
{
    CatchSignal(SIGINT, OnStop);
    CatchSignal(SIGTERM, OnStop);
}

int StopRequests() { return requests; }

}  // namespace cli

// The one way a link error reaches the operator.
#include "link/frame.h"
#include "link/link_notify.h"
#include "params/program_state.h"

namespace {
uint32_t reports = 0;
}  // namespace

uint32_t LinkErrorReports() { return reports; }

void SetTimeout() { SetTimeoutWithCause(""); }

void SetTimeoutWithCause(const char* cause)
{
    ++reports;
    AcquisitionRunning = 0;
    SensorConnected = 0;
    // The display says "TIMEOUT!" whatever the cause; the status box says what happened.
    NotifyStatusDisplay("TIMEOUT!");
    MsgBuf[sizeof MsgBuf - 1] = '\0';
    NotifyStatusBox(MsgBuf);
    if (cause && *cause) {
        NotifyStatusBox("\n");
        NotifyStatusBox(cause);
    }
    NotifyStatusBox("\n\n");
    NotifyLinkFailed();
}

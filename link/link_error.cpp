// The one way a link error reaches the operator.
#include "link/frame.h"
#include "link/link_notify.h"

uint32_t LinkErrorReports() { return DefaultSensor().linkErrorReports; }

void SetTimeout(SensorContext& c) { SetTimeoutWithCause(c, ""); }

void SetTimeout() { SetTimeoutWithCause(DefaultSensor(), ""); }

void SetTimeoutWithCause(const char* cause) { SetTimeoutWithCause(DefaultSensor(), cause); }

void SetTimeoutWithCause(SensorContext& c, const char* cause)
{
    ++c.linkErrorReports;
    c.acquisitionRunning = 0;
    c.sensorConnected = 0;
    // The display says "TIMEOUT!" whatever the cause; the status box says what happened.
    NotifyStatusDisplay(c, "TIMEOUT!");
    c.msgBuf[sizeof c.msgBuf - 1] = '\0';
    NotifyStatusBox(c, c.msgBuf);
    if (cause && *cause) {
        NotifyStatusBox(c, "\n");
        NotifyStatusBox(c, cause);
    }
    NotifyStatusBox(c, "\n\n");
    NotifyLinkFailed(c);
}

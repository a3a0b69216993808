#include "link/link_notify.h"

#include "link/sensor_context.h"

// Empty until a window (or another program) sets them.
void SetLinkNotifications(const LinkNotifications& notifications) { DefaultSensor().notify = notifications; }

void NotifyStatusDisplay(SensorContext& c, const char* text)
{
    if (c.notify.statusDisplay)
        c.notify.statusDisplay(text);
}

void NotifyStatusBox(SensorContext& c, const char* text)
{
    if (c.notify.statusBox)
        c.notify.statusBox(text);
    if (c.notify.contextStatusBox)
        c.notify.contextStatusBox(c, text);
}

void NotifyLinkFailed(SensorContext& c)
{
    if (c.notify.linkFailed)
        c.notify.linkFailed();
}

void NotifyShowConnectionPage(SensorContext& c)
{
    if (c.notify.showConnectionPage)
        c.notify.showConnectionPage();
}

void NotifyParametersRead(SensorContext& c)
{
    if (c.notify.parametersRead)
        c.notify.parametersRead();
}

void NotifyParametersWritten(SensorContext& c, int valuesReset)
{
    if (c.notify.parametersWritten)
        c.notify.parametersWritten(valuesReset);
}

void NotifyLiveSample(SensorContext& c)
{
    if (c.notify.liveSample)
        c.notify.liveSample();
}

void NotifyBusy(SensorContext& c, int on)
{
    if (c.notify.busy)
        c.notify.busy(on);
}

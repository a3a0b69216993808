#include "link/link_notify.h"

namespace {

// Empty until a window (or another program) sets them.
LinkNotifications current;

}  // namespace

void SetLinkNotifications(const LinkNotifications& notifications) { current = notifications; }

void NotifyStatusDisplay(const char* text)
{
    if (current.statusDisplay)
        current.statusDisplay(text);
}

void NotifyStatusBox(const char* text)
{
    if (current.statusBox)
        current.statusBox(text);
}

void NotifyLinkFailed()
{
    if (current.linkFailed)
        current.linkFailed();
}

void NotifyShowConnectionPage()
{
    if (current.showConnectionPage)
        current.showConnectionPage();
}

void NotifyParametersRead()
{
    if (current.parametersRead)
        current.parametersRead();
}

void NotifyLiveSample()
{
    if (current.liveSample)
        current.liveSample();
}

void NotifyBusy(int on)
{
    if (current.busy)
        current.busy(on);
}

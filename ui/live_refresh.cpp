#include "ui/live_refresh.h"

#include "platform/runtime.h"
#include "ui/live_display.h"

namespace {

// As often as the graphs redraw (platform/plot_base.cpp).
constexpr double kRefreshSeconds = 0.033;

bool pending = false;    // a sample is in the history that the displays do not show yet
bool scheduled = false;  // a delayed call will show it
double lastShown = -1.0;

void show()
{
    pending = false;
    lastShown = Timer();
    ShowLiveValues();
    ShowGraph3D();
}

void refreshDue()
{
    scheduled = false;
    if (pending)
        show();
}

}  // namespace

void QueueLiveSample()
{
    AppendLiveHistory();
    pending = true;
    const double now = Timer();
    const double wait = lastShown + kRefreshSeconds - now;
    if (wait <= 0) {
        show();
        return;
    }
    if (!scheduled) {
        scheduled = true;
        PostDelayedCall(wait, refreshDue);
    }
}

void FlushLiveSample()
{
    if (pending)
        show();
}

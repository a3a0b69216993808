#include "ui/live_refresh.h"

#include <algorithm>

#include "platform/controls.h"
#include "platform/runtime.h"
#include "ui/live_display.h"

namespace {

// As often as the displays draw (platform/controls.h: ProcessDrawEvents).
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
    // The whole frame at once, while the link waits for the next answer.
    ProcessDrawEvents();
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
    if (scheduled)
        return;
    // Never shown from here: the loop sends the next request first, and the call comes in the
    // event pass of its wait, so that drawing holds up no request. After a pause that is the
    // next pass.
    scheduled = true;
    PostDelayedCall(std::max(0.0, lastShown + kRefreshSeconds - Timer()), refreshDue);
}

void FlushLiveSample()
{
    if (pending)
        show();
}

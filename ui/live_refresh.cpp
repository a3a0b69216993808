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
bool slicesLeft = false; // displays of the frame being shown still wait to be drawn
bool sliceScheduled = false;
double lastShown = -1.0;

// A display at a time, each while the link waits for an answer: the whole frame at once would
// outlast the wait on a fast line, and hold up the next request.
void drawSlice()
{
    sliceScheduled = false;
    slicesLeft = ProcessDrawSlice() != 0;
}

void show()
{
    pending = false;
    lastShown = Timer();
    ShowLiveValues();
    ShowGraph3D();
    drawSlice();
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
    // The frame's next display is drawn in the wait of the request that follows this sample.
    if (slicesLeft && !sliceScheduled) {
        sliceScheduled = true;
        PostDelayedCall(0.0, drawSlice);
    }
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
    // The loop is over: what is left of the frame is drawn at once.
    if (slicesLeft)
        ProcessDrawEvents();
    slicesLeft = false;
}

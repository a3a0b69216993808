#include "ui/live_refresh.h"

#include <algorithm>

#include "platform/controls.h"
#include "platform/runtime.h"
#include "ui/live_display.h"

namespace {

// As often as the displays draw (platform/controls.h: ProcessDrawEvents).
constexpr double kRefreshSeconds = 0.033;

// A whole frame is drawn at once only where a pass of the loop lasts this many times as long.
constexpr double kWholeFrameRoom = 2.0;

bool pending = false;    // a sample is in the history that the displays do not show yet
bool scheduled = false;  // a delayed call will show it
bool slicesLeft = false; // displays of the frame being shown still wait to be drawn
bool sliceScheduled = false;
double lastShown = -1.0;

// How long a pass of the loop takes and how long a whole frame takes to draw, both smoothed;
// 0 while not known. A frame drawn in slices counts the time of all of them.
double lastSample = -1.0;
double passSeconds = 0.0;
double frameSeconds = 0.0;
double sliceSum = 0.0;

void learn(double* smoothed, double seconds)
{
    *smoothed = *smoothed > 0 ? 0.75 * *smoothed + 0.25 * seconds : seconds;
}

// A display at a time, each while the link waits for an answer: the whole frame at once would
// outlast the wait on a fast line, and hold up the next request.
void drawSlice()
{
    sliceScheduled = false;
    const double start = Timer();
    slicesLeft = ProcessDrawSlice() != 0;
    sliceSum += Timer() - start;
    if (!slicesLeft)
        learn(&frameSeconds, sliceSum);
}

// On a slow line the wait for an answer has room for the whole frame: drawn at once, it costs
// one paint of the window instead of one per display.
bool wholeFrameFits()
{
    return frameSeconds > 0 && passSeconds > kWholeFrameRoom * frameSeconds;
}

void show()
{
    pending = false;
    lastShown = Timer();
    ShowLiveValues();
    ShowGraph3D();
    sliceSum = 0.0;
    if (!wholeFrameFits()) {
        drawSlice();
        return;
    }
    const double start = Timer();
    ProcessDrawEvents();
    slicesLeft = false;
    learn(&frameSeconds, Timer() - start);
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
    const double now = Timer();
    if (lastSample >= 0)
        learn(&passSeconds, now - lastSample);
    lastSample = now;
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
    // The next loop's pace is its own: the time until its first sample says nothing about it.
    lastSample = -1.0;
    passSeconds = 0.0;
}

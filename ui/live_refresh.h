// The GO loop's samples on the screen. Over a network the loop takes tens of thousands of
// samples a second, far more than a screen can show: each sample goes into the history (and
// so into the strip chart) at once, but the numeric displays, the side views and the strip
// chart are brought up to date with the newest sample at most thirty times a second. The
// drawing always happens inside the link's wait for a later answer, right after its request
// went out, so that it holds up no request: a sample that comes after a pause is shown in the
// next request's wait, one that comes sooner in the wait when the refresh is due. A frame is
// drawn a display at a time, one in each wait, since the whole of it can outlast the wait on a
// fast line; where a pass of the loop lasts well over a whole frame (a slow serial line), the
// frame is drawn at once, in one paint of the window.
#pragma once

// One sample of the GO loop is in LiveData.
void QueueLiveSample();
// Shows the newest sample now if it is not shown yet (the loop has ended).
void FlushLiveSample();

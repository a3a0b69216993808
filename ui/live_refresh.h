// The GO loop's samples on the screen. Over a network the loop takes tens of thousands of
// samples a second, far more than a screen can show: each sample goes into the history (and
// so into the strip chart) at once, but the numeric displays, the side views and the strip
// chart are brought up to date with the newest sample at most once per screen refresh. A
// sample that comes after a pause is shown at once; one that comes sooner is shown from
// inside the link's wait for a later answer, when the refresh is due.
#pragma once

// One sample of the GO loop is in LiveData.
void QueueLiveSample();
// Shows the newest sample now if it is not shown yet (the loop has ended).
void FlushLiveSample();

// Inside the platform layer only: deferred drawing happens in frames.
//
// A display that changed without being drawn (a numeric indicator's new value, a plot's data or
// axes) asks for the next frame. A frame draws every display that asked, and then paints the
// windows once, in the same event pass. The frames of one clock come at most one every
// kFrameSeconds, so a window full of changing displays costs one paint per frame, however many
// of them changed and whenever. ProcessDrawEvents (platform/controls.h) draws a frame at once,
// for a caller that knows when drawing holds nothing up (the live loop, right after a request
// went out); the clock's next frame then comes kFrameSeconds after it.
#pragma once

// As often as the live displays are shown: smooth to the eye, and half of what a frame at every
// screen refresh would cost.
constexpr double kFrameSeconds = 0.033;

class FrameClient {
public:
    // Draws what changed; called once per frame for every client that asked for it.
    virtual void DrawInFrame() = 0;

protected:
    // A client that goes away leaves the next frame's list.
    ~FrameClient();
};

// client is drawn in the next frame.
void NeedFrame(FrameClient* client);
// Draws the frame now: every client that asked, then the windows' paint. Needs the application.
void DrawFrame();
// Draws a frame a client at a time: the one that has waited longest, then the windows' paint of
// what it changed. Returns whether others still wait; they are drawn by the following slices,
// or all at once by the clock's next frame, which comes kFrameSeconds after the first slice.
bool DrawFrameSlice();

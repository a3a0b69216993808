// What the link tells the program around it. The link knows no window: where an operation must
// refresh views, report to the operator or dim controls, it calls one of these notifications.
// The window fills in the default sensor's at start-up (ui/window_seams.cpp); a program without a
// window may fill in the ones it cares about (a command line prints the status box, for
// example) and leaves the others empty, which makes them do nothing. Each context carries its
// own set (link/notifications.h).
//
// Every notification runs on the one thread, inside the link operation that raises it, and may
// process events (a callback can run inside it).
#pragma once

#include "link/notifications.h"

struct SensorContext;

// Replaces every notification of the default sensor (the window's) at once; a
// default-constructed set empties them all. Other contexts carry their own (SensorContext::notify).
void SetLinkNotifications(const LinkNotifications& notifications);

// Calls the context's notification when it is set. Used inside the link only.
void NotifyStatusDisplay(SensorContext& c, const char* text);
void NotifyStatusBox(SensorContext& c, const char* text);
void NotifyLinkFailed(SensorContext& c);
void NotifyShowConnectionPage(SensorContext& c);
void NotifyParametersRead(SensorContext& c);
void NotifyParametersWritten(SensorContext& c, int valuesReset);
void NotifyLiveSample(SensorContext& c);
void NotifyBusy(SensorContext& c, int on);

// The one thing the working copy tells the program around it: that the parameter set and
// teach table were replaced (a parameter file was loaded), so that views showing them are
// refreshed. The window sets it at start-up (ui/window_seams.cpp); without one it stays empty.
#pragma once

void SetParametersChangedNotification(void (*notification)());
// Calls the notification when it is set.
void NotifyParametersChanged();

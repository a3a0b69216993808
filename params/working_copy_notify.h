// The one thing the working copy tells the program around it: that the parameter set and
// teach table were replaced (a parameter file was loaded), so that views showing them are
// refreshed. The window sets it at start-up (ui/window_seams.cpp); without one it stays empty.
#pragma once

// loaded is 1 when the working copy now holds a file's values, 0 when the file was refused and
// the working copy is as it was (the views are refreshed all the same).
void SetParametersChangedNotification(void (*notification)(int loaded));
// Calls the notification when it is set.
void NotifyParametersChanged(int loaded);

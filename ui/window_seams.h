// The window's side of the seams below it. The run-time learns the panel and control names of
// the user-interface file, and the link and the working copy get the notifications that keep
// the window's views up to date (status display and box, dimming, graphs, live values).
#pragma once

// Called once at start, after the run-time is up and before any panel is loaded; the program,
// the window's tests and the benchmarks that show the window call it.
void InitWindowSeams();

// The reason the snapshot of the next complete read of the sensor gives ("at connection");
// without one it is "GET".
void NextSensorReadIs(const char* reason);

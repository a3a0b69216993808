// Replaying a recording on the data panel.
//
// OPEN beside RECORD reads a recording (the window's own, or chromix5ctl monitor --csv) in the
// background, the state line counting the percent read; the window stays live meanwhile. Then
// the strip chart shows the whole file along time (wheel: zoom, drag: pan; each run a segment
// of its own), and the replay bar over the status row takes the place of the connection
// fields: PLAY/pause at 1x, 10x or 100x, and the time cursor. The numeric displays and the
// three side views show the sample at the cursor; the state line names the file, the cursor's
// time and row, and how many damaged lines were skipped. LIVE, or GO, closes the recording.
#pragma once

#include <cstddef>
#include <cstdint>

int CBF_ButtonOpenRecording(int panel, int control, int event, void* data, int d1, int d2);
int CBF_ReplayPlay(int panel, int control, int event, void* data, int d1, int d2);
int CBF_ReplaySpeed(int panel, int control, int event, void* data, int d1, int d2);
int CBF_ReplayTime(int panel, int control, int event, void* data, int d1, int d2);
int CBF_ReplayClose(int panel, int control, int event, void* data, int d1, int d2);

// Starts reading a recording in the background (what OPEN does after its file dialog); one
// being read or shown is closed first. Returns 0, or -1 while the live display runs (the state
// line says so).
int ReplayRecording(const char* path);
// Closes the recording: the live strip chart and the status row come back. Harmless without one.
void CloseReplay();

// For tests and measurements.
enum class ReplayState { None, Loading, Shown, Failed };
ReplayState ReplayStateNow();
// Rows of the recording shown, and the cursor's row (from 0).
size_t ReplayRowCount();
size_t ReplayCursorRow();
// Moves the cursor to the row at or before a time (ms since 1970 UTC): the first row of the
// recording when the time lies before it.
void SetReplayCursorTime(int64_t unixMs);

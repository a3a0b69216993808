// Control values and attributes, addressed by panel handle and control identifier. Programmatic
// changes never call the control's callback. Every operation returns 0, or -1 when the control
// does not exist or does not take the value.
#pragma once

#include <cstddef>
#include <cstdint>

// Numeric controls and displays, rings (the item's value), toggles (0/1), sliders (held within
// their range), text displays (the number as text). On a text box the text is appended.
int SetCtrlVal(int panel, int control, int value);
int SetCtrlVal(int panel, int control, double value);
int SetCtrlVal(int panel, int control, const char* text);

int GetCtrlVal(int panel, int control, int* value);
int GetCtrlVal(int panel, int control, uint16_t* value);
int GetCtrlVal(int panel, int control, double* value);
// Copies the control's text, cut to cap - 1 bytes (never inside a UTF-8 sequence), terminated.
int GetCtrlVal(int panel, int control, char* text, size_t cap);

int SetCtrlAttribute(int panel, int control, int attribute, int value);
int SetCtrlAttribute(int panel, int control, int attribute, const char* value);
int GetCtrlAttribute(int panel, int control, int attribute, int* value);

// Empties a text box and then shows text in it.
int ResetTextBox(int panel, int control, const char* text);

// Numeric displays and graphs draw a change in the next frame, at most thirty times a second;
// this draws every change that waits for it now, and paints the windows. Returns 0.
int ProcessDrawEvents();
// The same a display at a time: draws the display that has waited longest and paints it.
// Returns 1 while others still wait (for the next call, or the next frame), else 0. A loop
// that calls it in each wait of its own draws a frame in slices that each fit the wait.
int ProcessDrawSlice();

// Shows (1) or hides (0) the wait cursor over the whole program.
int SetWaitCursor(int on);

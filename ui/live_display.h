// The live display on the data panel: numeric displays, the RGB history and strip chart, and
// the three side views of the colour space.
#pragma once

#include <cstdint>

// Shows X, Y, INT, the colour number, R, G, B of LiveData and appends R, G, B to the history.
void SetPanelData();
// Its two halves: the seven numeric displays alone, and the history alone.
void ShowLiveValues();
void AppendLiveHistory();
// Redraws the tolerance circles of all 64 teach rows and computes the axis ranges.
void InitGraphs();
// Rescales the side views around the ranges and the live point, moves the cursors, plots the
// strip chart.
void ShowGraph3D();
// The side views' half of it for any point (a recording's): rescaled around the ranges and the
// point, the cursors on it.
void ShowSideViewPoint(int32_t x, int32_t y, int32_t in);

// The link failed while the values were refreshed live: the seven numeric displays turn grey
// and the strip chart marks the moment, until SetPanelData shows the next sample.
void MarkLiveDataStale();
bool LiveDataStale();

// Read-only views of the display's state, for tests and measurements.
//
// The RGB history: the last 100 samples as interleaved (R, G, B) triples, oldest first;
// zero at start and never cleared.
inline constexpr int kRgbHistorySize = 300;
const double* RgbHistory();
// The range InitGraphs computed for an axis: 0 = X, 1 = Y, 2 = INT. 0 to 10000 before it ran.
enum LiveAxis : int { kAxisX = 0, kAxisY = 1, kAxisInt = 2 };
void GraphRange(int axis, int32_t* min, int32_t* max);
// How many samples went into the history since the program started.
uint64_t ShownSampleCount();

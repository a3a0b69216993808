// A strip chart showing a whole recording along time instead of its scrolling points.
//
// While a history is shown, the strip chart's own traces are hidden (they keep their points
// and come back with EndStripChartHistory) and a time chart takes their place in the control:
// the three traces over wall-clock time (UTC, seconds since 1970), with the mouse wheel zooming
// and a drag panning along time only, a vertical time cursor, and a dashed line where each run
// after the first begins. The runs are drawn as separate segments, never joined across the
// gap between them.
//
// Every operation returns 0, or -1 when the control is not a strip chart or an argument is out
// of range (nothing is changed then).
#pragma once

#include <cstddef>

// The points of a history, made on any thread (the one that read the file), so that showing
// them costs the user-interface thread next to nothing. `count` points: seconds[i] their times,
// values[3 * i + t] trace t's value (R, G, B). runStarts lists the index of each run's first
// point, ascending (runCount of them; the first is normally 0). The arrays are copied. Null
// when an argument is out of range.
struct StripChartHistory;
StripChartHistory* MakeStripChartHistory(const double* seconds, const double* values, size_t count,
                                         const size_t* runStarts, size_t runCount);
void FreeStripChartHistory(StripChartHistory* history);

// Shows a history made by MakeStripChartHistory, taking it over (also when it fails): the whole
// time span, the cursor at the first point.
int ShowStripChartHistory(int panel, int control, StripChartHistory* history);
// Back to the live traces; 0 also when no history was shown.
int EndStripChartHistory(int panel, int control);
// 1 while a history is shown, 0 when not, -1 for no strip chart.
int StripChartHistoryShown(int panel, int control);

// The span of time shown (from < to); setting it is zooming and panning.
int SetStripChartHistoryView(int panel, int control, double from, double to);
int GetStripChartHistoryView(int panel, int control, double* from, double* to);

// The time cursor, in seconds; it is drawn where it is put, inside the view or not.
int SetStripChartHistoryCursor(int panel, int control, double seconds);
int GetStripChartHistoryCursor(int panel, int control, double* seconds);

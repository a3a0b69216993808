// Graph and strip-chart controls: plots, axis scaling, cursors and traces.
//
// Coordinates are in the units of the graph's axes; colours are 0xRRGGBB or VAL_TRANSPARENT.
// Drawing is deferred to the next screen refresh and repeated changes in between are drawn
// once, so these operations are cheap enough to call on every pass of the live loop.
// RefreshGraph draws at once what is pending.
//
// Every operation returns 0 (PlotArc: a plot handle > 0) or -1 when the control is not a
// graph of the right kind or an argument is out of range; nothing is changed on failure.
#pragma once

// Axes of a graph.
enum GraphAxis : int {
    VAL_XAXIS = 0,
    VAL_LEFT_YAXIS = 1,
};
// Axis scaling: only manual scaling, from a minimum to a maximum, is offered.
inline constexpr int VAL_MANUAL = 0;
// When DeleteGraphPlot redraws. Drawing here always waits for the next refresh, so the first
// two mean the same; VAL_NO_DRAW leaves the deleted plots on the screen until something else
// redraws the graph.
inline constexpr int VAL_IMMEDIATE_DRAW = 0;
inline constexpr int VAL_DELAYED_DRAW = 1;
inline constexpr int VAL_NO_DRAW = 2;
// Element type of the data given to PlotStripChart.
inline constexpr int VAL_DOUBLE = 4;
// DeleteGraphPlot: every plot of the graph.
inline constexpr int VAL_ALL_PLOTS = -1;

// Draws an arc of the ellipse inscribed in the rectangle with the corners (x1, y1) and
// (x2, y2), from startAngle over arcAngle, both in tenths of a degree, counter-clockwise from
// the positive x direction. An arcAngle of 3600 or more draws the whole ellipse, filled with
// fillColor (VAL_TRANSPARENT: not filled). Returns the plot's handle (> 0) or -1.
int PlotArc(int panel, int graph, double x1, double y1, double x2, double y2, int startAngle,
            int arcAngle, int color, int fillColor);
// Deletes the plot plotHandle, or every plot with VAL_ALL_PLOTS (cursors stay). refresh is one
// of VAL_IMMEDIATE_DRAW, VAL_DELAYED_DRAW, VAL_NO_DRAW. -1 for a handle the graph lacks.
int DeleteGraphPlot(int panel, int graph, int plotHandle, int refresh);
// The number of plots a graph holds (0 for a graph never drawn on), or -1.
int GraphPlotCount(int panel, int graph);

// Sets an axis to manual scaling from min to max (min < max, both finite). On a strip chart
// only the vertical axis can be set: its horizontal axis spans the points per screen.
int SetAxisScalingMode(int panel, int graph, int axis, int mode, double min, double max);
int GetAxisScalingMode(int panel, int graph, int axis, int* mode, double* min, double* max);

// Each graph has one crosshair cursor, number 1, shown from the first time it is placed.
int SetGraphCursor(int panel, int graph, int cursorNumber, double x, double y);
int GetGraphCursor(int panel, int graph, int cursorNumber, double* x, double* y);

// Draws what is pending on a graph or strip chart now.
int RefreshGraph(int panel, int graph);

// Strip charts. A strip chart has three traces (red, green, blue) and shows the last
// ATTR_POINTS_PER_SCREEN points of each (SetCtrlAttribute; default 100), the newest at the
// right. Setting the points per screen, even to the value it has, empties the chart, so a
// caller that plots its whole history each time sets it first.
//
// Appends numPoints values to the traces: element k goes to trace k mod 3, read from
// data[start + k * (skip + 1)]. numPoints must be a multiple of 3; the caller guarantees that
// data holds every element read. dataType must be VAL_DOUBLE.
int PlotStripChart(int panel, int control, const double* data, int numPoints, int start, int skip,
                   int dataType);
// Marks the moment of the newest point with a vertical line and a label above it (where the
// data stopped); a null or empty label removes the mark. The mark stays at its place on the
// screen until it is removed, whatever is plotted meanwhile.
int SetStripChartMark(int panel, int control, const char* label);
// The label of the mark, or "" without one; the horizontal place of the mark in *x (points
// from the left, the newest point at ATTR_POINTS_PER_SCREEN - 1). -1 for no strip chart.
int GetStripChartMark(int panel, int control, char* label, int capacity, double* x);
// Copies the points of one trace (0 to 2), oldest first, into values; returns how many the
// trace holds (at most capacity are copied), or -1.
int GetStripChartPoints(int panel, int control, int trace, double* values, int capacity);

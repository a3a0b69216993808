// The live display on the data panel: numeric displays, the RGB history and strip chart, and
// the three side views of the colour space.
#pragma once

// Shows X, Y, INT, the colour number, R, G, B of LiveData and appends R, G, B to the history.
void SetPanelData();
// Redraws the tolerance circles of all 64 teach rows and computes the axis ranges.
void InitGraphs();
// Rescales the side views around the ranges and the live point, moves the cursors, plots the
// strip chart.
void ShowGraph3D();

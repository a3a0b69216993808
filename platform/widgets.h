// Inside the platform layer only: from handles and identifiers to Qt widgets.
#pragma once

#include <QWidget>

#include "platform/inspection.h"

// Registers a widget created at run time (NewCtrl) under a fresh control identifier.
int RegisterNewControl(int panel, QWidget* widget);
// Marks a text message that takes the size of its text whenever its text or font changes.
inline constexpr char kSizeToTextProperty[] = "_uirSizeToText";
// Colours of the run-time (0xRRGGBB) as Qt colours.
QColor ColorFromRgb(int rgb);
// The strip-chart attributes of SetCtrlAttribute and GetCtrlAttribute (strip_chart.cpp).
int SetStripChartAttribute(int panel, int control, int attribute, int value);
int GetStripChartAttribute(int panel, int control, int attribute, int* value);

// For tests and offscreen tools: the Qt widget behind a panel handle or control, so that a test
// can look at (or click) what the operator would see. The program itself never needs this.
#pragma once

#include <QWidget>

// The widget of a panel handle, or null when the handle is unknown or its panel was discarded.
QWidget* PanelWidget(int panel);
// The widget of a control on a panel, or null. Found by the object name registered for the
// identifier, among the panel's descendants.
QWidget* ControlWidget(int panel, int control);

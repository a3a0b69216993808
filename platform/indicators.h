// Inside the platform layer only: numeric indicators show new values in the next frame.
//
// A read-only integer spin box (a numeric display of the user-interface file) takes a value
// at once, and GetCtrlVal reads it back at once, but the widget shows it only in the next frame
// (platform/frame.h), drawn by its own face (platform/indicator_face.h). The live loop writes
// seven displays on every pass, thousands of times a second; updating and painting each of
// them every pass would cost several times the exchange itself, for changes no eye can follow.
#pragma once

#include <QWidget>

// Takes value for w when w is a numeric indicator and returns true; false for any other
// widget, which the caller then sets itself.
bool DeferIndicatorValue(QWidget* w, int value);
// The value set for an indicator that its widget does not show yet; false when none is due.
bool PendingIndicatorValue(const QWidget* w, int* value);

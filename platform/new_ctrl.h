// Controls created at run time on a panel (the banner texts).
#pragma once

enum CtrlStyle : int {
    CTRL_TEXT_MSG = 1,  // a text message: a read-only text that takes the size of its text
};

// Creates a control of `style` on `panel` with its top left corner at (left, top) in pixels
// from the panel's top left, showing `label` (null or "" for none), visible with its panel.
// Later SetCtrlVal, ATTR_TEXT_FONT and ATTR_TEXT_POINT_SIZE keep a text message sized to its
// text. Returns the new control's identifier (> 0), -1 when the panel does not exist, -2 for
// an unknown style. The control lives as long as its panel.
int NewCtrl(int panel, int style, const char* label, int top, int left);

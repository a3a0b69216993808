// How panels follow a change of their window's size. The user-interface file places controls
// at fixed positions; two dynamic properties there say what moves with the window:
//   anchor = "right" | "bottom" | "both"  the control keeps its distance to its parent's right
//                                         and/or bottom edge, so it grows with the parent;
//   scaleContents = true                  a panel's direct children keep their places and
//                                         sizes in proportion to the panel's size.
// A child panel loaded into a parent keeps its distances to the parent's right and bottom
// edges (it fills the window's free area).
#pragma once

class QWidget;

// Applies the rules to a panel and everything in it; installed once by LoadPanel.
void InstallResizeRules(QWidget* panel);

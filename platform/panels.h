// Panels: loaded from the program's user-interface file, addressed by handle.
#pragma once

// Loads the panel `panelId` (an identifier of ui/uir.h) from the user-interface file fileName,
// looked up in the program's directory when given by bare name. parentPanel 0 makes a top-level
// window; otherwise the panel becomes a child of that panel. Every control and panel of the
// file that names a callback is bound to it (RegisterCallbacks). Returns a handle > 0, -1 when
// the run-time is not started, -2 when the file is missing or unreadable, -3 when it lacks the
// panel.
int LoadPanel(int parentPanel, const char* fileName, int panelId);
// Shows the panel (and raises it). Returns 0 or a negative code.
int DisplayPanel(int panel);
// Hides and destroys the panel and its children; their handles become invalid.
int DiscardPanel(int panel);
// The panel handle of page `page` (from 0) of a tab control.
int GetPanelHandleFromTabPage(int panel, int tabControl, int page, int* pagePanel);
int GetActiveTabPage(int panel, int tabControl, int* page);
// Makes a page active without calling the tab control's callback.
int SetActiveTabPage(int panel, int tabControl, int page);
// ATTR_TITLE (string), ATTR_LEFT/TOP/WIDTH/HEIGHT, ATTR_WINDOW_ZOOM, ATTR_VISIBLE.
int SetPanelAttribute(int panel, int attribute, int value);
int SetPanelAttribute(int panel, int attribute, const char* value);
int GetPanelAttribute(int panel, int attribute, int* value);
// Moves a panel; VAL_AUTO_CENTER for top or left centres it on the screen (top-level panels) or
// in its parent. For a window, top and left are those of its client area (inside the frame), as
// ATTR_TOP and ATTR_LEFT are.
int SetPanelPos(int panel, int top, int left);
// 1 when a window's client area at top, left of height x width lies wholly on the screens'
// available areas (without task bars), 0 when not, or when the size is not positive.
int PanelRectFitsScreens(int top, int left, int height, int width);
int SetPanelSize(int panel, int height, int width);

// Panels, controls and their callbacks: the identifiers, events and attributes the system
// uses with the run-time's user-interface operations.
#pragma once

#include <cstddef>

// A control callback: the run-time calls it with the panel handle, the control's identifier,
// the event and two event data words. Returns 0.
using CtrlCallbackPtr = int (*)(int panel, int control, int event, void* callbackData,
                                int eventData1, int eventData2);
// A panel callback: the same without the control.
using PanelCallbackPtr = int (*)(int panel, int event, void* callbackData, int eventData1,
                                 int eventData2);

// One entry of the program's callback table: the name a control or panel carries in the
// user-interface file (its "callback" property) and the function it stands for.
struct CallbackEntry {
    const char* name;
    CtrlCallbackPtr control;  // for controls
    PanelCallbackPtr panel;   // for panels
};
// Makes the table known to LoadPanel, which binds every control and panel of the file by name.
// The table must outlive every panel. A name the table lacks leaves its control unbound.
void RegisterCallbacks(const CallbackEntry* table, size_t count);

// The identifiers of the panels and controls of the user-interface file with their object
// names (the program's own list, ui/uir.h). LoadPanel finds a panel, and the control
// operations a control, by the name registered here; the tables must outlive every panel.
struct UiName {
    int id;
    const char* name;
};
void RegisterUiNames(const UiName* panels, size_t panelCount, const UiName* controls,
                     size_t controlCount);

enum Event : int {
    EVENT_NONE = 0,
    EVENT_COMMIT = 1,             // button pressed, value entered, item chosen
    EVENT_VAL_CHANGED = 2,        // the value changed by the operator (before the commit)
    EVENT_LEFT_CLICK = 3,
    EVENT_LEFT_DOUBLE_CLICK = 4,
    EVENT_RIGHT_CLICK = 5,
    EVENT_RIGHT_DOUBLE_CLICK = 6,
    EVENT_GOT_FOCUS = 8,
    EVENT_LOST_FOCUS = 9,
    EVENT_CLOSE = 12,             // panel: the operator closes the window
    EVENT_PANEL_SIZE = 13,
    EVENT_ACTIVE_TAB_CHANGE = 14, // tab control: eventData1 old page, eventData2 new page
};

enum Attribute : int {
    ATTR_DIMMED = 1,
    ATTR_VISIBLE = 2,
    ATTR_TOOLTIP_TEXT = 3,   // string
    ATTR_PRECISION = 4,      // digits after the point of a numeric display
    ATTR_LEFT = 5,
    ATTR_TOP = 6,
    ATTR_WIDTH = 7,
    ATTR_HEIGHT = 8,
    ATTR_TEXT_COLOR = 9,     // 0xRRGGBB
    ATTR_TEXT_BGCOLOR = 10,  // 0xRRGGBB, or VAL_TRANSPARENT
    ATTR_TEXT_POINT_SIZE = 11,
    ATTR_TEXT_FONT = 12,     // string; VAL_DIALOG_META_FONT is the standard dialog font
    ATTR_FRAME_COLOR = 13,
    ATTR_CTRL_MODE = 14,
    ATTR_MAX_ENTRY_LENGTH = 15,
    ATTR_LABEL_TEXT = 16,    // a button's caption, string
    ATTR_TITLE = 20,         // panel title, string
    ATTR_WINDOW_ZOOM = 21,   // panel: VAL_NO_ZOOM, VAL_MINIMIZE, VAL_MAXIMIZE
    ATTR_CELL_TYPE = 30,
    ATTR_TEXT_BGCOLOR_CELL = 31,
    ATTR_POINTS_PER_SCREEN = 40,  // strip chart: points of each trace on the screen
};

inline constexpr int VAL_TRANSPARENT = 0x1000000;
inline constexpr int VAL_NO_ZOOM = 0;
inline constexpr int VAL_MINIMIZE = 1;
inline constexpr int VAL_MAXIMIZE = 2;
inline constexpr int VAL_AUTO_CENTER = -2147483647 - 1;  // SetPanelPos: centre on the screen
inline constexpr char VAL_DIALOG_META_FONT[] = "NIDialogMetaFont";

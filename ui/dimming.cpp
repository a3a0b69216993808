#include "ui/dimming.h"

#include "platform/controls.h"
#include "platform/runtime.h"
#include "platform/userint.h"
#include "ui/panel_handles.h"
#include "ui/uir.h"

void SetButtonsDimmed(int mode, int dim)
{
    if (mode == 0) {
        SetCtrlAttribute(MainPanel, MAINP_BUTTON_SEND, ATTR_DIMMED, dim);
        SetCtrlAttribute(MainPanel, MAINP_BUTTON_GET, ATTR_DIMMED, dim);
        SetCtrlAttribute(MainPanel, MAINP_TOGGLE_SENSOR, ATTR_DIMMED, dim);
        SetCtrlAttribute(MainPanel, MAINP_TOGGLE_FILE, ATTR_DIMMED, dim);
    }
    SetCtrlAttribute(MainPanel, MAINP_BUTTON_GO, ATTR_DIMMED, dim);
    SetCtrlAttribute(MainPanel, MAINP_BUTTON_FREQ, ATTR_DIMMED, dim);
    SetCtrlAttribute(MainPanel, MAINP_BUTTON_START, ATTR_DIMMED, dim);
    SetCtrlAttribute(ConnectPage, CONP_BUTTON_TRYCONNECT, ATTR_DIMMED, dim);
    SetCtrlAttribute(ConnectPage, CONP_BUTTON_DISCONNECT, ATTR_DIMMED, dim);
    SetCtrlAttribute(ConnectPage, CONP_BAUDRATE, ATTR_DIMMED, dim);
    ProcessSystemEvents();
}

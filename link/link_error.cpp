// The one way a link error reaches the operator.
#include "link/frame.h"
#include "params/program_state.h"
#include "platform/controls.h"
#include "platform/panels.h"
#include "platform/userint.h"
#include "ui/panel_handles.h"
#include "ui/uir.h"

void SetTimeout()
{
    AcquisitionRunning = 0;
    SensorConnected = 0;
    // The display says "TIMEOUT!" whatever the cause; the status box says what happened.
    SetCtrlVal(DataPanel, DATAP_STATUS, "TIMEOUT!");
    MsgBuf[sizeof MsgBuf - 1] = '\0';
    SetCtrlVal(ConnectPage, CONP_STATUSBOX, MsgBuf);
    SetCtrlVal(ConnectPage, CONP_STATUSBOX, "\n\n");
    SetCtrlAttribute(ConnectPage, CONP_BUTTON_ACCEPT, ATTR_DIMMED, 1);
    SetActiveTabPage(MainPanel, MAINP_TAB, 0);
}

#include "ui/live_display.h"

#include "link/commands.h"
#include "platform/controls.h"
#include "ui/panel_handles.h"
#include "ui/uir.h"

void SetPanelData()
{
    SetCtrlVal(DataPanel, DATAP_X, LiveValue(kLiveX));
    SetCtrlVal(DataPanel, DATAP_Y, LiveValue(kLiveY));
    SetCtrlVal(DataPanel, DATAP_INT, LiveValue(kLiveInt));
    SetCtrlVal(DataPanel, DATAP_COLNO, LiveValue(kLiveColorNo));
    SetCtrlVal(DataPanel, DATAP_R, LiveValue(kLiveR));
    SetCtrlVal(DataPanel, DATAP_G, LiveValue(kLiveG));
    SetCtrlVal(DataPanel, DATAP_B, LiveValue(kLiveB));
}

void InitGraphs() {}

void ShowGraph3D() {}

#include "ui/callback_table.h"

#include <iterator>

#include "platform/userint.h"
#include "ui/connect_panel.h"
#include "ui/find_com_ports.h"
#include "ui/help_callbacks.h"
#include "ui/live_callbacks.h"
#include "ui/main_window.h"
#include "ui/record_panel.h"
#include "ui/replay_panel.h"
#include "ui/workbench.h"

namespace {

#define CONTROL(name) {#name, name, nullptr}
#define PANEL(name) {#name, nullptr, name}

const CallbackEntry kCallbackTable[] = {
    PANEL(CBF_MAINP),
    PANEL(CBF_DATAP),
    // main panel
    CONTROL(CBF_TabMain1),
    CONTROL(CBF_ButtonSend),
    CONTROL(CBF_ButtonGet),
    CONTROL(CBF_ButtonGo),
    CONTROL(CBF_ButtonStop),
    CONTROL(CBF_SelectMem),
    CONTROL(CBF_EditAverage),
    CONTROL(CBF_EditSelectLanguage),
    CONTROL(CBF_ButtonFREQ),
    CONTROL(CBF_DispScanFreq),
    CONTROL(CBF_ButtonStart),
    // connection page
    CONTROL(CBF_EditCommunicationProtocol),
    CONTROL(CBF_EditSelectComPort),
    CONTROL(CBF_EditSelectBaudrate),
    CONTROL(CBF_StringIpAdress),
    CONTROL(CBF_StringPortNumber),
    CONTROL(CBF_ButtonTryToConnect),
    CONTROL(CBF_ButtonDisconnect),
    CONTROL(CBF_ButtonAccept),
    CONTROL(CBF_ButtonFindComPorts),
    CONTROL(CBF_DispStatus),
    // data panel
    CONTROL(CBF_DispX),
    CONTROL(CBF_DispY),
    CONTROL(CBF_DispINT),
    CONTROL(CBF_DispRGB),
    CONTROL(CBF_DispCOL),
    CONTROL(CBF_Graph3D),
    CONTROL(CBF_ButtonRecord),
    CONTROL(CBF_ButtonRecordFolder),
    CONTROL(CBF_RingRecordRate),
    CONTROL(CBF_ButtonOpenRecording),
    CONTROL(CBF_ReplayPlay),
    CONTROL(CBF_ReplaySpeed),
    CONTROL(CBF_ReplayTime),
    CONTROL(CBF_ReplayClose),
    // parameter workbench
    PANEL(CBF_WBP),
    CONTROL(CBF_WorkbenchParams),
    CONTROL(CBF_WorkbenchTeach),
    CONTROL(CBF_WbSend),
    CONTROL(CBF_WbCompareSensor),
    CONTROL(CBF_WbCompareFile),
    CONTROL(CBF_WbCompareSnapshot),
    CONTROL(CBF_WbRestoreSnapshot),
    CONTROL(CBF_WbOpenFile),
    CONTROL(CBF_WbSaveFile),
    CONTROL(CBF_WbFilter),
    CONTROL(CBF_WbDefault),
    CONTROL(CBF_WbSnapshots),
};

#undef CONTROL
#undef PANEL

}  // namespace

void RegisterProgramCallbacks() { RegisterCallbacks(kCallbackTable, std::size(kCallbackTable)); }

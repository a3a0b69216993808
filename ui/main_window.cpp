#include "ui/main_window.h"

#include <cstdio>

#include "link/commands.h"
#include "link/link_state.h"
#include "params/configuration.h"
#include "params/parameter_file.h"
#include "params/parameter_set.h"
#include "link/sensor_context.h"
#include "params/program_state.h"
#include "platform/controls.h"
#include "platform/panels.h"
#include "platform/runtime.h"
#include "platform/tables.h"
#include "platform/userint.h"
#include "platform/version.h"
#include "ui/banner.h"
#include "ui/connect_panel.h"
#include "ui/connect_sequence.h"
#include "ui/dimming.h"
#include "ui/help_texts.h"
#include "ui/panel_handles.h"
#include "ui/panel_settings.h"
#include "ui/record_panel.h"
#include "ui/send_resets.h"
#include "ui/send_snapshots.h"
#include "ui/settings_location.h"
#include "ui/teach_assistant.h"
#include "ui/uir.h"
#include "ui/unsent_edits.h"
#include "ui/workbench.h"

int LoadMainPanels()
{
    MainPanel = LoadPanel(0, kUirFile, MAINP);
    if (MainPanel < 0)
        return -1;
    DataPanel = LoadPanel(MainPanel, kUirFile, DATAP);
    if (DataPanel < 0)
        return -1;
    SetPanelAttribute(MainPanel, ATTR_TITLE, kProductVersionText);
    SetPanelPos(DataPanel, 63, 286);
    return 0;
}

void ColourTeachTable()
{
    for (int row = 1; row <= kShownTeachRows; ++row)
        SetTableCellAttribute(ParamPage, PARP_TEACHTABLE, MakePoint(5, row), ATTR_TEXT_BGCOLOR,
                              kRowPalette[(row - 1) % 15]);
    SetTableCellRangeAttribute(ParamPage, PARP_TEACHTABLE, MakeRect(1, 1, kShownTeachRows, 4),
                               ATTR_TEXT_BGCOLOR, kLightGrey);
}

void InitAll()
{
    SetStartValues();
    WorkingCopyKept();  // the empty working copy of the start holds no edits

    GetPanelHandleFromTabPage(MainPanel, MAINP_TAB, 0, &ConnectPage);
    GetPanelHandleFromTabPage(MainPanel, MAINP_TAB, 1, &ParamPage);

    LocateSettingsFile();

    for (int item : {-2, -3, -4})
        HideBuiltInCtrlMenuItem(ParamPage, PARP_TEACHTABLE, item);
    ColourTeachTable();

    ShowLogo();
    InstallWorkbenchShortcut();
    // The IP address field is an editable drop-down in the user-interface file already; its
    // field, arrow and list get their frame colour here.
    SetCtrlAttribute(ConnectPage, CONP_IPADDRESS, ATTR_FRAME_COLOR, 0xE0E0E0);

    LoadPanelSettings();
    ShowRecordingSettings();
    SetActiveTabPage(MainPanel, MAINP_TAB, 1);
    DisplayPanel(DataPanel);
    DisplayPanel(MainPanel);

    GetConnectionSettingsFromFile();
    InitConnectPanel();
    ConnectWithControlsDimmed();
}

int CBF_MAINP(int panel, int event, void*, int, int)
{
    if (event == EVENT_CLOSE) {
        if (!MayCloseOverUnsentEdits("The working copy holds edits that were neither sent nor saved.\n"
                                     "They are lost when the program ends. Close the program?"))
            return 0;
        AcquisitionRunning = 0;
        RecordingWindowCloses();
        StorePanelSettings();
        QuitUserInterface(0);
    } else if (event == EVENT_RIGHT_DOUBLE_CLICK) {
        SetPanelSize(panel, 548, 790);
        SetPanelPos(panel, VAL_AUTO_CENTER, VAL_AUTO_CENTER);
    }
    return 0;
}

int CBF_DATAP(int, int, void*, int, int) { return 0; }

int CBF_TabMain1(int panel, int control, int event, void*, int, int)
{
    if (event == EVENT_RIGHT_CLICK) {
        ShowHelpText(kHelpTabMain1);
    } else if (event == EVENT_ACTIVE_TAB_CHANGE) {
        int page = 0;
        int pagePanel = 0;
        GetActiveTabPage(panel, control, &page);
        GetPanelHandleFromTabPage(panel, control, page, &pagePanel);
        if (pagePanel == ConnectPage) {
            // Live acquisition ends after its current pass.
            AcquisitionRunning = 0;
            SetCtrlAttribute(ConnectPage, CONP_BUTTON_ACCEPT, ATTR_DIMMED, 1);
        }
    }
    return 0;
}

int CBF_ButtonSend(int, int, int event, void*, int, int)
{
    if (event == EVENT_RIGHT_CLICK) {
        ShowHelpText(kHelpButtonSend);
        return 0;
    }
    if (event != EVENT_COMMIT)
        return 0;
    GetCtrlVal(MainPanel, MAINP_AVERAGE, &Para.Average);
    if (TransferTarget == kTargetFile) {
        if (SendParaToFile() == 1)
            WorkingCopyKept();
    } else if (AcquisitionRunning) {
        SendStarts();
        SendPending = 1;
    } else {
        SetButtonsDimmed(0, 1);
        const uint32_t resets = PlausibilityResets();
        const Configuration sent = WorkingCopy();
        SendStarts();
        SendPara();
        SendEnds();
        // The sensor kept other values than those sent: the working copy shows what it holds.
        if (SensorConnected == 1 && PlausibilityResets() != resets)
            ReadBackAfterResets(sent);
        SetButtonsDimmed(0, 0);
    }
    return 0;
}

int CBF_ButtonGet(int, int, int event, void*, int, int)
{
    if (event == EVENT_RIGHT_CLICK) {
        ShowHelpText(kHelpButtonGet);
        return 0;
    }
    if (event != EVENT_COMMIT)
        return 0;
    if (TransferTarget == kTargetFile) {
        ReadParaFromFile();
    } else if (AcquisitionRunning) {
        GetPending = 1;
    } else {
        SetButtonsDimmed(0, 1);
        GetPara();
        SetButtonsDimmed(0, 0);
    }
    return 0;
}

int CBF_SelectMem(int, int control, int event, void*, int, int)
{
    if (event == EVENT_RIGHT_CLICK) {
        ShowHelpText(kHelpSelectMem);
        return 0;
    }
    if (event != EVENT_VAL_CHANGED)
        return 0;
    // The two toggles act as one selector: the one pressed is on, the other off.
    const bool file = control == MAINP_TOGGLE_FILE;
    SetCtrlVal(MainPanel, MAINP_TOGGLE_FILE, file ? 1 : 0);
    SetCtrlVal(MainPanel, MAINP_TOGGLE_SENSOR, file ? 0 : 1);
    TransferTarget = file ? kTargetFile : kTargetSensor;
    ShowWorkbenchTarget();
    return 0;
}

int CBF_EditSelectLanguage(int, int, int event, void*, int, int)
{
    if (event == EVENT_RIGHT_CLICK) {
        ShowHelpText(kHelpEditSelectLanguage);
    } else if (event == EVENT_COMMIT) {
        int language = 0;
        GetCtrlVal(MainPanel, MAINP_LANGUAGE, &language);
        LanguageIndex = language;
    }
    return 0;
}

int CBF_ButtonStart(int, int, int event, void*, int, int)
{
    if (event == EVENT_RIGHT_CLICK) {
        ShowHelpText(kHelpButtonStart);
    } else if (event == EVENT_COMMIT) {
        SetButtonsDimmed(0, 1);
        StartAssistant();
        SetButtonsDimmed(0, 0);
    }
    return 0;
}

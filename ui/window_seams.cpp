#include "ui/window_seams.h"

#include <iterator>

#include "link/link_notify.h"
#include "link/sensor_snapshot.h"
#include "params/working_copy_notify.h"
#include "platform/controls.h"
#include "platform/panels.h"
#include "ui/live_display.h"
#include "ui/live_refresh.h"
#include "ui/panel_handles.h"
#include "ui/panel_values.h"
#include "ui/record_panel.h"
#include "ui/uir.h"
#include "ui/workbench.h"

namespace {

void showStatus(const char* text) { SetCtrlVal(DataPanel, DATAP_STATUS, text); }

void appendToStatusBox(const char* text) { SetCtrlVal(ConnectPage, CONP_STATUSBOX, text); }

void showConnectionPage() { SetActiveTabPage(MainPanel, MAINP_TAB, 0); }

// After a link error nothing may be accepted until the next identification.
void linkFailed()
{
    SetCtrlAttribute(ConnectPage, CONP_BUTTON_ACCEPT, ATTR_DIMMED, 1);
    showConnectionPage();
}

void showWorkingCopy()
{
    SetPanelValues();
    InitGraphs();
    ShowGraph3D();
    RefreshWorkbench();
}

// Every complete read from the sensor is also kept in the sensor's history.
const char* sensorReadReason = nullptr;

void showSensorRead()
{
    showWorkingCopy();
    SnapshotSensorRead(sensorReadReason ? sensorReadReason : "GET");
    sensorReadReason = nullptr;
}

void showLiveSample()
{
    QueueLiveSample();
    RecordLiveSample();
}

void waitCursor(int on) { SetWaitCursor(on); }

}  // namespace

void NextSensorReadIs(const char* reason) { sensorReadReason = reason; }

void InitWindowSeams()
{
    RegisterUiNames(kUirPanels, std::size(kUirPanels), kUirControls, std::size(kUirControls));

    LinkNotifications n;
    n.statusDisplay = showStatus;
    n.statusBox = appendToStatusBox;
    n.linkFailed = linkFailed;
    n.showConnectionPage = showConnectionPage;
    n.parametersRead = showSensorRead;
    n.liveSample = showLiveSample;
    n.busy = waitCursor;
    SetLinkNotifications(n);
    SetParametersChangedNotification(showWorkingCopy);
}

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
#include "ui/send_snapshots.h"
#include "ui/uir.h"
#include "ui/unsent_edits.h"
#include "ui/workbench.h"

namespace {

void showStatus(const char* text) { SetCtrlVal(DataPanel, DATAP_STATUS, text); }

void appendToStatusBox(const char* text) { SetCtrlVal(ConnectPage, CONP_STATUSBOX, text); }

void showConnectionPage() { SetActiveTabPage(MainPanel, MAINP_TAB, 0); }

// After a link error nothing may be accepted until the next identification.
void linkFailed()
{
    SendEnds();
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

// A parameter file was loaded (or refused, which leaves the working copy and its edits as they
// were).
void showFileLoaded(int loaded)
{
    if (loaded)
        WorkingCopyKept();
    showWorkingCopy();
}

// Every complete read from the sensor is also kept in the sensor's history.
const char* sensorReadReason = nullptr;

void showSensorRead()
{
    WorkingCopyKept();
    SensorHolds(WorkingCopy());
    // Kept before the views follow, so that the workbench lists it.
    if (SensorReadsKept())
        SnapshotSensorRead(sensorReadReason ? sensorReadReason : "GET");
    sensorReadReason = nullptr;
    showWorkingCopy();
}

// The working copy went to the sensor (the SEND button, the assistant, the defaults at
// connection): it is no longer unsent, whatever the sensor made of it.
void sensorWritten(int valuesReset)
{
    WorkingCopyKept();
    SensorWritten(valuesReset);
    RefreshWorkbench();
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
    n.parametersWritten = sensorWritten;
    n.liveSample = showLiveSample;
    n.busy = waitCursor;
    SetLinkNotifications(n);
    SetParametersChangedNotification(showFileLoaded);
}

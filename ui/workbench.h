// The parameter workbench: a window of its own listing all seventeen parameters (narrowed by
// name on demand) and the teach table of the working copy for editing within the program's
// limits, with comparisons against the sensor, parameter files and snapshots, and the connected
// sensor's history. It is opened with F8 on the main panel. Everything it sends goes the way of
// the SEND button.
#pragma once

#include <vector>

#include "params/configuration.h"

// Opens the workbench (loading its panel on first use) showing the working copy.
void OpenWorkbench();
// The workbench's panel handle, 0 while it was never opened.
int WorkbenchPanel();
// The working copy was replaced from outside (sensor read, parameter file, assistant) or sent:
// the workbench shows it, marking what is still unsent (ui/unsent_edits.h), and drops its list
// of differences and its marks of reset values. Does nothing while it is not open.
void RefreshWorkbench();
// After a SEND the sensor answered with a plausibility reset and the working copy was read
// back: the values that differ from `sent` are marked as reset by the sensor until the working
// copy is next replaced. Does nothing while the workbench was never opened.
void MarkWorkbenchResets(const Configuration& sent);
// The workbench's title (the sensor it edits for) and its SEND button (where SEND goes) follow
// the connection and the transfer target.
void ShowWorkbenchTarget();
// Binds F8 on the main panel to open the workbench.
void InstallWorkbenchShortcut();

// Internal to the workbench's modules: the state shared by the window and its actions.
namespace workbench {
// Shows the working copy, marking each value that is unsent (ui/unsent_edits.h).
void ShowValues();
// The working copy was replaced, sent or saved (WorkingCopyKept() was called): no value is
// marked as edited or reset any more, and no list of differences holds.
void AcceptWorkingCopy();
// The working copy changed: a list of differences no longer holds.
void ClearDifferences();
void ShowMessage(const char* text);
// Lists the connected sensor's snapshots, newest first, when they changed since last shown.
void ShowSnapshots();
// Loads a parameter file or snapshot for comparing, word 8 of every row the working copy's,
// after the identity checks OPEN makes; reports why not in a pop-up and returns false.
bool LoadForComparing(const char* path, Configuration* loaded);
void ShowDifferences(const char* title, const std::vector<Difference>& differences);
// The link's waits run callbacks, so a second sensor operation could start inside one: true
// while one is under way (the main window's, shown by its dimmed SEND button, or the
// workbench's own), and the workbench then starts none and takes no entry.
bool SensorBusy();
// Marks the workbench's own sensor operation for its lifetime and dims its buttons meanwhile.
class BusyScope {
public:
    BusyScope();
    ~BusyScope();
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;
};
}  // namespace workbench

int CBF_ButtonWorkbench(int panel, int control, int event, void* data, int d1, int d2);
int CBF_WBP(int panel, int event, void* data, int d1, int d2);
int CBF_WorkbenchParams(int panel, int control, int event, void* data, int row, int column);
int CBF_WorkbenchTeach(int panel, int control, int event, void* data, int row, int column);
int CBF_WbSend(int panel, int control, int event, void* data, int d1, int d2);
int CBF_WbCompareSensor(int panel, int control, int event, void* data, int d1, int d2);
int CBF_WbCompareFile(int panel, int control, int event, void* data, int d1, int d2);
int CBF_WbCompareSnapshot(int panel, int control, int event, void* data, int d1, int d2);
int CBF_WbRestoreSnapshot(int panel, int control, int event, void* data, int d1, int d2);
int CBF_WbOpenFile(int panel, int control, int event, void* data, int d1, int d2);
int CBF_WbSaveFile(int panel, int control, int event, void* data, int d1, int d2);
int CBF_WbFilter(int panel, int control, int event, void* data, int d1, int d2);
int CBF_WbDefault(int panel, int control, int event, void* data, int d1, int d2);
int CBF_WbSnapshots(int panel, int control, int event, void* data, int row, int column);

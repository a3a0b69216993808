// The workbench's list of the connected sensor's snapshots: when and why each was taken, newest
// first; a double click compares one with the working copy.
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "link/connection.h"
#include "link/sensor_context.h"
#include "params/snapshots.h"
#include "platform/controls.h"
#include "platform/table_edit.h"
#include "platform/userint.h"
#include "ui/uir.h"
#include "ui/workbench.h"

namespace {

// What the list shows: the snapshots' paths, newest first, and whose they are (-1: no sensor).
std::vector<std::string> shown;
int shownSerial = -2;
int shownPanel = 0;

}  // namespace

void workbench::ShowSnapshots()
{
    const int panel = WorkbenchPanel();
    if (panel <= 0)
        return;
    const int serial = SensorConnected == 1 ? static_cast<int>(SerialNumber & 0xFFFF) : -1;
    const std::string folder = serial >= 0 ? SnapshotFolder() : std::string();
    // An empty folder would name the current one.
    std::vector<std::string> paths = folder.empty() ? std::vector<std::string>() : ListSnapshots(folder, serial);
    std::reverse(paths.begin(), paths.end());
    // Each reason is read from its file: only a list that changed is read again.
    if (panel == shownPanel && serial == shownSerial && paths == shown)
        return;
    shown = paths;
    shownSerial = serial;
    shownPanel = panel;
    char title[120];
    if (serial < 0)
        std::snprintf(title, sizeof title, "Snapshots: no sensor connected");
    else
        std::snprintf(title, sizeof title, "Snapshots of sensor %d, newest first: %zu", serial, shown.size());
    SetCtrlVal(panel, WBP_SNAPSHOTS_TITLE, title);
    SetNumTableRows(panel, WBP_SNAPSHOTS, static_cast<int>(shown.size()));
    for (size_t i = 0; i < shown.size(); ++i) {
        const int row = static_cast<int>(i) + 1;
        SetTableCellValText(panel, WBP_SNAPSHOTS, MakePoint(1, row), SnapshotTime(shown[i]).c_str());
        SetTableCellValText(panel, WBP_SNAPSHOTS, MakePoint(2, row),
                            SnapshotReason(shown[i], i + 1 == shown.size()).c_str());
    }
}

int CBF_WbSnapshots(int, int, int event, void*, int row, int)
{
    if (event != EVENT_LEFT_DOUBLE_CLICK || row < 1 || row > static_cast<int>(shown.size()))
        return 0;
    // The path is copied: the pop-ups of loading run callbacks that may refresh the list.
    const std::string path = shown[static_cast<size_t>(row) - 1];
    const std::string name = "snapshot " + SnapshotLabel(path, static_cast<size_t>(row) == shown.size());
    Configuration snapshot;
    if (!workbench::LoadForComparing(path.c_str(), &snapshot))
        return 0;
    workbench::ShowDifferences(("The " + name + " (left) and the working copy (right)").c_str(),
                               CompareConfigurations(snapshot, WorkingCopy(), kFileScope));
    return 0;
}

#include "ui/send_resets.h"

#include <string>

#include "link/sensor_snapshot.h"
#include "platform/controls.h"
#include "ui/live_display.h"
#include "ui/panel_handles.h"
#include "ui/panel_values.h"
#include "ui/send_snapshots.h"
#include "ui/uir.h"
#include "ui/unsent_edits.h"
#include "ui/workbench.h"

namespace {
std::vector<Difference> lastResets;
}  // namespace

void ReadBackAfterResets(const Configuration& sent)
{
    Configuration read;
    if (ReadSensorConfiguration(&read, "after SEND") != 1)
        return;
    lastResets = CompareConfigurations(sent, read, kSensorScope);
    SetWorkingCopy(read);
    WorkingCopyKept();
    SensorHolds(read);
    SetPanelValues();
    InitGraphs();
    ShowGraph3D();
    MarkWorkbenchResets(sent);
    if (lastResets.empty())
        return;
    std::string text = "Reset by the sensor (sent, now):";
    for (const Difference& d : lastResets)
        text += "\n" + d.name + " " + std::to_string(d.left) + ", " + std::to_string(d.right);
    text += "\n\n";
    SetCtrlVal(ConnectPage, CONP_STATUSBOX, text.c_str());
}

const std::vector<Difference>& LastSendResets() { return lastResets; }

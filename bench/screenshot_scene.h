// The scene the documentation's pictures of the main window share: the window on its data
// page, connected over loopback TCP to a simulator in this process, with each sample colour
// taught into a row of its own (as the teach assistant would leave them), sent and read back.
#pragma once

#include <cstdint>
#include <vector>

#include "bench/bench_support.h"
#include "link/commands.h"
#include "params/parameter_set.h"
#include "platform/controls.h"
#include "platform/panels.h"
#include "sim/simulator.h"
#include "ui/banner.h"
#include "ui/live_display.h"
#include "ui/main_window.h"
#include "ui/panel_handles.h"
#include "ui/uir.h"

namespace bench {

// The window must be loaded (LoadMainWindow). False when the simulator cannot be reached.
inline bool ShowTaughtSampleColours(sim::Simulator& sensor)
{
    constexpr uint16_t kTolerance = 110;
    // The start-up's look: swatches in the row palette, grey value cells, the logo.
    ColourTeachTable();
    ShowLogo();
    SetActiveTabPage(MainPanel, MAINP_TAB, 1);
    DisplayPanel(DataPanel);
    DisplayPanel(MainPanel);

    sensor.model().SetNoise(0);
    sensor.model().SetSerial(20417);
    if (!ConnectToSimulator(sensor))
        return false;
    SetCtrlVal(DataPanel, DATAP_STATUS, sensor.model().firmware().c_str());
    SetCtrlVal(DataPanel, DATAP_IPADDRESS, "127.0.0.1");

    GetPara();
    const std::vector<sim::Target> samples = sim::SampleTargets();
    for (size_t k = 0; k < samples.size(); ++k) {
        sensor.model().SetTarget(samples[k]);
        if (RequestLiveData() != 1)
            return false;
        TechVec[k].Cell0 = static_cast<uint16_t>(LiveValue(kLiveX));
        TechVec[k].Cell1 = static_cast<uint16_t>(LiveValue(kLiveY));
        TechVec[k].Cell2 = static_cast<uint16_t>(LiveValue(kLiveInt));
        TechVec[k].Cell3 = kTolerance;
    }
    Para.MaxVecNo = static_cast<uint16_t>(samples.size());
    SendPara();
    GetPara();
    return true;
}

}  // namespace bench

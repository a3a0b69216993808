// The real main window as the program builds it: callbacks registered, panels loaded, InitAll
// run against the simulator on loopback, every pop-up scripted. The settings file lives beside
// the test program, as it lives beside the program; the tests of this folder take turns with it.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "sim/simulator.h"
#include "tests/support/panels_fixture.h"
#include "tests/support/popup_script.h"

class MainWindowTest : public PanelsTest {
protected:
    void SetUp() override;
    void TearDown() override;

    // Writes a settings file that connects over TCP to `port` (the simulator's by default).
    void WriteSettingsForTcp(int port = -1);
    // The settings file's bytes, or "" when there is none.
    std::string SettingsFileText() const;
    // InitAll with the default-parameter question answered `answer` (1 yes, 0 no).
    void StartConnected(int answer = 0);

    bool Dim(int panel, int control) const { return Dimmed(panel, control); }

    sim::Simulator sensor;
    std::unique_ptr<PopupScript> popups;
};

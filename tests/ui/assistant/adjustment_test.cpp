// Stage 2: the automatic adjustment, its two phases, STOP and the flag it leaves behind.
#include <gtest/gtest.h>

#include "link/link_state.h"
#include "link/sensor_snapshot.h"
#include "params/configuration_file.h"
#include "params/parameter_set.h"
#include "link/sensor_context.h"
#include "params/program_state.h"
#include "params/snapshots.h"
#include "platform/controls.h"
#include "platform/userint.h"
#include "tests/ui/assistant/assistant_fixture.h"
#include "ui/live_callbacks.h"
#include "ui/main_window.h"
#include "ui/panel_handles.h"
#include "ui/teach_assistant.h"
#include "ui/uir.h"

using AssistantAdjustment = AssistantTest;

namespace {

void PressStop() { CBF_ButtonStop(MainPanel, MAINP_BUTTON_STOP, EVENT_COMMIT, nullptr, 0, 0); }

}  // namespace

TEST_F(AssistantAdjustment, BrightColourIsReachedInTheFirstPassWithTwoSends)
{
    UseGlare();
    PopupScript popups;
    ScriptCount(popups, "1", 0);
    ScriptAdjustment(popups);
    ScriptTeaching(popups, 1);
    StartAssistant();

    // Pass: send, read back, live; then POWER MODE off. Teaching: live; final save.
    const std::vector<uint8_t> expected = {1, 1, 3, 4, 2, 2, 8, 1, 1, 3, 8, 1, 1, 3};
    EXPECT_EQ(expected, sensor.orders());
    const auto writes = ParameterWrites();
    ASSERT_EQ(3u, writes.size());
    EXPECT_EQ(1, writes[0].PowerMode);
    EXPECT_EQ(0, writes[1].PowerMode);
    EXPECT_EQ(1, Para.Gain);
    EXPECT_EQ(1, Para.Integral);
    EXPECT_EQ(0, Para.PowerMode);
    // The power the sensor regulated to is kept.
    EXPECT_EQ(sim::RegulatedPower(Glare(), 1, 1, 3200, 3300), Para.Power);
    EXPECT_EQ(Para.Power, sensor.model().eeprom().Power);

    const std::vector<std::string> titles = {"Parameter MAXCOL-No.", "", "Parameter POWER, GAIN, INTEGRAL",
                                             "", "TEACH COLOR 0", ""};
    EXPECT_EQ(titles, Titles(popups));
    EXPECT_EQ(Text(TxtPlaceBrightest), popups.shown()[2].message);
    EXPECT_EQ(0, popups.shown()[2].maxResponseLength);  // OK and CANCEL, no input
    EXPECT_EQ("CANCEL", popups.shown()[2].buttons[1]);
    EXPECT_EQ(Text(TxtAutoAdjust), popups.shown()[3].message);
}

TEST_F(AssistantAdjustment, DarkColourRunsAll106PassesAndTeachingStartsWithPowerModeOn)
{
    UseTarget("dark");
    PopupScript popups;
    ScriptCount(popups, "1", 0);
    ScriptAdjustment(popups);
    ScriptTeaching(popups, 1);
    const std::string folder = SnapshotFolder();
    const int serial = ConnectedSensorIdentity().serial;
    const size_t snapshots = ListSnapshots(folder, serial).size();
    StartAssistant();

    // Of the 106 reads, none is kept on its own: one snapshot tells what the assistant left.
    const auto kept = ListSnapshots(folder, serial);
    ASSERT_EQ(snapshots + 1, kept.size());
    EXPECT_EQ("after teach assistant", ReadSnapshotReason(kept.back().c_str()));
    const auto writes = ParameterWrites();
    ASSERT_EQ(106u + 1u, writes.size());  // one per pass and the final save
    for (int s = 1; s <= 8; ++s) {
        EXPECT_EQ(s, writes[s - 1].Gain);
        EXPECT_EQ(1, writes[s - 1].Integral);
    }
    for (int s = 2; s <= 99; ++s) {
        EXPECT_EQ(8, writes[s + 6].Gain);
        EXPECT_EQ(s, writes[s + 6].Integral);
    }
    EXPECT_EQ(106 + 1, Count(8));  // a live request per pass, one for the colour
    EXPECT_EQ(1, Para.PowerMode);
    EXPECT_EQ(1, sensor.model().eeprom().PowerMode);
    EXPECT_EQ(99, sensor.model().eeprom().Integral);
    EXPECT_EQ("TEACH COLOR 0", popups.shown()[4].title);
    EXPECT_EQ(99, Value(ParamPage, PARP_INTEGRAL));
}

TEST_F(AssistantAdjustment, StopEndsTheAdjustmentAtItsNextPass)
{
    UseTarget("dark");
    sensor.SetLog([this](const std::string&) {
        // STOP pressed while the third live request is under way.
        if (sensor.requests().back().order == 8 && Count(8) == 3)
            PressStop();
    });
    PopupScript popups;
    ScriptCount(popups, "2", 0);
    ScriptAdjustment(popups);
    popups.answer(PopupKind::Message, 0);
    StartAssistant();

    EXPECT_EQ(Text(TxtParamCancelled), popups.shown().back().message);
    EXPECT_EQ(3u, ParameterWrites().size());
    EXPECT_EQ(3, sensor.model().ram().Gain);
    EXPECT_EQ(1, sensor.model().ram().PowerMode);
    EXPECT_EQ(2, sensor.model().eeprom().MaxVecNo);
    EXPECT_EQ(0, AcquisitionRunning);
}

TEST_F(AssistantAdjustment, StopDuringTeachingIsNotHeeded)
{
    // STOP during every live request: the adjustment succeeds within its first pass anyway, and
    // teaching does not look at the flag.
    UseGlare();
    sensor.SetLog([this](const std::string&) {
        if (sensor.requests().back().order == 8)
            PressStop();
    });
    PopupScript popups;
    ScriptCount(popups, "3", 0);
    ScriptAdjustment(popups);
    ScriptTeaching(popups, 3);
    StartAssistant();
    EXPECT_EQ(Text(TxtSavedToEeprom), popups.shown().back().message);
    EXPECT_EQ(3, sensor.orders().back());
}

TEST_F(AssistantAdjustment, CancelBeforeTheAdjustmentSendsNothingAndSaysNothingMore)
{
    PopupScript popups;
    ScriptCount(popups, "2", 0);
    popups.answer(PopupKind::Generic, 2);
    StartAssistant();
    EXPECT_EQ(3u, popups.shown().size());
    EXPECT_TRUE(sensor.requests().empty());
}

TEST_F(AssistantAdjustment, LinkFailureEndsTheAssistantWithTheLinkReportOnly)
{
    sensor.faults().Add({sim::FaultKind::Close, 2, 0, 1, 0});
    PopupScript popups;
    ScriptCount(popups, "2", 0);
    ScriptAdjustment(popups);
    StartAssistant();
    EXPECT_EQ(4u, popups.shown().size());
    EXPECT_EQ(0, SensorConnected);
    EXPECT_EQ(0, AcquisitionRunning);
    EXPECT_NE(std::string::npos, StatusBox().find("SERVER HAS CLOSED CONNECTION!"));
}

// The adjustment raises the acquisition flag so that STOP can end it; left set, SEND and GET
// would only mark themselves pending for a live loop that is not running.
TEST_F(AssistantAdjustment, SendAndGetWorkAfterTheAssistantWhateverItsOutcome)
{
    for (int outcome = 0; outcome < 3; ++outcome) {
        SCOPED_TRACE(outcome);
        if (outcome == 1)
            UseTarget("dark");
        else
            UseGlare();
        // Outcome 1: STOP during the first pass. Outcome 2: teaching meets a colour at full
        // scale and the operator abandons it.
        const sim::Target glare = Glare(20.0);
        sensor.SetLog([this, outcome, glare](const std::string&) {
            if (sensor.requests().back().order != 8 || Count(8) != 1)
                return;
            if (outcome == 1)
                PressStop();
            else if (outcome == 2)
                sensor.model().SetTarget(glare);
        });
        PopupScript popups;
        ScriptCount(popups, "1", 0);
        ScriptAdjustment(popups);
        if (outcome == 0)
            ScriptTeaching(popups, 1);
        else if (outcome == 1)
            popups.answer(PopupKind::Message, 0);  // cancelled by STOP
        else
            popups.answer(PopupKind::Message, 0).answer(PopupKind::Confirm, 1).answer(PopupKind::Message, 0);
        StartAssistant();
        EXPECT_EQ(0, AcquisitionRunning);
        sensor.SetLog({});

        sensor.ClearRequests();
        Para.Average = 64;
        SetCtrlVal(MainPanel, MAINP_AVERAGE, 64);
        CBF_ButtonSend(MainPanel, MAINP_BUTTON_SEND, EVENT_COMMIT, nullptr, 0, 0);
        EXPECT_EQ(0, SendPending);
        CBF_ButtonGet(MainPanel, MAINP_BUTTON_GET, EVENT_COMMIT, nullptr, 0, 0);
        EXPECT_EQ(0, GetPending);
        const std::vector<uint8_t> expected = {1, 1, 3, 4, 2, 2};
        EXPECT_EQ(expected, sensor.orders());
        EXPECT_EQ(64, sensor.model().eeprom().Average);
    }
}

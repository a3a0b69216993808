// The scan-frequency button against the simulated sensor: the frequency of its counts and the
// decimals the display shows for it.
#include <gtest/gtest.h>

#include <string>

#include "link/link_state.h"
#include "link/transports.h"
#include "link/sensor_context.h"
#include "params/program_state.h"
#include "platform/controls.h"
#include "platform/tcp.h"
#include "platform/userint.h"
#include "sim/simulator.h"
#include "tests/support/panels_fixture.h"
#include "ui/live_callbacks.h"
#include "ui/panel_handles.h"
#include "ui/uir.h"

namespace {

class CycleTimeTest : public PanelsTest {
protected:
    void SetUp() override
    {
        PanelsTest::SetUp();
        const int port = sensor.ListenTcp();
        ASSERT_GT(port, 0) << sensor.error();
        OpenTcpLink(port);
    }
    void TearDown() override
    {
        sensor.Stop();
        PanelsTest::TearDown();
    }
    void Press() { CBF_ButtonFREQ(MainPanel, MAINP_BUTTON_FREQ, EVENT_COMMIT, nullptr, 0, 0); }
    double Shown() const
    {
        double f = -1;
        GetCtrlVal(MainPanel, MAINP_SCANFREQ, &f);
        return f;
    }
    int Decimals() const
    {
        int d = -1;
        GetCtrlAttribute(MainPanel, MAINP_SCANFREQ, ATTR_PRECISION, &d);
        return d;
    }

    sim::Simulator sensor;
};

struct Case {
    int32_t a, b;
    double shown;
    int decimals;
};

}  // namespace

// A / (B * 0.01): no decimals above 1000, one above 1 up to 1000 itself, two from 1 down.
TEST_F(CycleTimeTest, DecimalsFollowTheSizeOfTheFrequency)
{
    for (const Case& c : {Case{1234, 100, 1234.0, 0}, Case{500, 100, 500.0, 1},
                          Case{1, 100, 1.0, 2}, Case{1000, 100, 1000.0, 1},
                          Case{7503, 500, 1501.0, 0}}) {  // 1500.6, shown rounded
        sensor.model().SetScanCounts(c.a, c.b);
        Press();
        EXPECT_DOUBLE_EQ(c.shown, Shown()) << c.a << " / " << c.b;
        EXPECT_EQ(c.decimals, Decimals()) << c.a << " / " << c.b;
    }
    EXPECT_EQ("", StatusBox());
    EXPECT_FALSE(Dimmed(MainPanel, MAINP_BUTTON_GO));
}

TEST_F(CycleTimeTest, NoCountedCyclesShowZeroWithANoticeInsteadOfInfinity)
{
    sensor.model().SetScanCounts(1234, 100);
    Press();
    sensor.model().SetScanCounts(1500, 0);
    Press();
    EXPECT_EQ(0.0, Shown());
    EXPECT_EQ(2, Decimals());
    EXPECT_EQ("The sensor reported no scan cycles; no scan frequency can be shown.\n\n", StatusBox());
    EXPECT_EQ(1, SensorConnected);  // a notice, not a link error
}

TEST_F(CycleTimeTest, FailedRequestShowsZeroWithTwoDecimalsAfterTheLinkError)
{
    sensor.model().SetScanCounts(1234, 100);
    Press();
    ASSERT_EQ(0, Decimals());
    sensor.faults().Add({sim::FaultKind::BadHeaderCrc, 105, 0, 1, 0});
    Press();
    EXPECT_EQ(0.0, Shown());
    EXPECT_EQ(2, Decimals());
    EXPECT_EQ("ATTENTION! \nRECEIVED HEADER FRAME IS INCORRECT!\n\n", StatusBox());
    EXPECT_EQ(0, SensorConnected);
}

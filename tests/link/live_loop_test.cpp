// The live-data loop against the simulated sensor: STOP, SEND and GET pressed while it runs,
// and the link errors that end it. The presses happen while the sensor handles a live request,
// that is inside the link's wait, where the operator's clicks are processed too.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "link/commands.h"
#include "link/frame.h"
#include "params/parameter_set.h"
#include "tests/link/sim_line.h"
#include "tests/support/scripted_peer.h"
#include "ui/live_display.h"
#include "ui/live_refresh.h"

namespace {

constexpr char kHeaderText[] = "ATTENTION! \nRECEIVED HEADER FRAME IS INCORRECT!\n\n";
constexpr char kReduceBaudText[] = "COMMUNICATION ERROR!\nYOU MAY HAVE TO REDUCE BAUDRATE!\n\n";
constexpr char kRamNotice1[] =
    "INFO!\n1 PARAMETER IN RAM DID NOT PASS PLAUSIBILITY CHECK AND WERE SET TO DEFAULT VALUE!\n\n";

using Orders = std::vector<uint8_t>;

class LiveLoopTest : public SimLineTest {
protected:
    void SetUp() override
    {
        SimLineTest::SetUp();
        if (HasFatalFailure())
            return;
        OpenLink();
        TransferTarget = 0;
        Para = sim::DefaultParameters(1);
        for (int n = 0; n < kSensorTeachRows; ++n)
            TechVec[n] = sim::DefaultTeachRow();
    }

    // Runs GetData; onLive(n) is called as the sensor receives the n-th live request. A loop
    // that does not end by itself is stopped after 100 requests, so it fails rather than hangs.
    void RunLoop(const std::function<void(int)>& onLive)
    {
        int live = 0;
        sensor.SetLog([&](const std::string&) {
            if (sensor.requests().back().order == 8)
                onLive(++live);
            if (sensor.requests().size() > 100)
                AcquisitionRunning = 0;
        });
        GetData();
        // As the GO button does: the newest sample is shown now, not at the next refresh.
        FlushLiveSample();
        sensor.SetLog({});
    }
};

}  // namespace

TEST_P(LiveLoopTest, StopEndsTheLoopAfterTheExchangeInProgress)
{
    const uint64_t shownBefore = ShownSampleCount();
    RunLoop([](int n) {
        if (n == 5)
            AcquisitionRunning = 0;
    });
    EXPECT_EQ(Orders(5, 8), sensor.orders());
    // The answer to the request during which STOP came is still shown.
    EXPECT_EQ(5u, ShownSampleCount() - shownBefore);
    EXPECT_EQ(255, LiveValue(kLiveColorNo));
    EXPECT_EQ(LiveValue(kLiveR), Value(DataPanel, DATAP_R));
    EXPECT_EQ(1, SensorConnected);
    EXPECT_EQ("", StatusBox());
}

TEST_P(LiveLoopTest, SendPressedDuringAcquisitionIsServedOnceAtTheNextPass)
{
    Para.Average = 64;
    RunLoop([](int n) {
        if (n == 2)
            SendPending = 1;
        if (n == 4)
            AcquisitionRunning = 0;
    });
    EXPECT_EQ((Orders{8, 8, 1, 1, 8, 8}), sensor.orders());
    EXPECT_EQ(0, SendPending);
    EXPECT_EQ(64, sensor.model().ram().Average);
    EXPECT_EQ("", StatusBox());
}

TEST_P(LiveLoopTest, SendAndGetInOnePassSendFirstThenRead)
{
    TransferTarget = kTargetSensor;
    Para.Average = 64;
    RunLoop([](int n) {
        if (n == 1)
            GetPending = SendPending = 1;
        if (n == 3)
            AcquisitionRunning = 0;
    });
    EXPECT_EQ((Orders{8, 1, 1, 3, 4, 2, 2, 8, 8}), sensor.orders());
    EXPECT_EQ(0, SendPending);
    EXPECT_EQ(0, GetPending);
    EXPECT_EQ(64, Para.Average);
    EXPECT_EQ("", StatusBox());
}

TEST_P(LiveLoopTest, LinkErrorEndsTheLoopBeforeTheNextLiveRequest)
{
    struct Case {
        const char* name;
        std::vector<sim::Fault> faults;
        uint16_t gain;        // GAIN 0 makes the sensor reset one parameter
        int pressAt;          // live request during which SEND or GET is pressed, 0 = none
        uint16_t* pending;
        Orders orders;
        const char* report;
    };
    const Case cases[] = {
        {"live request", {{sim::FaultKind::BadHeaderCrc, 8, 2, 1, 0}}, 1, 0, nullptr, {8, 8, 8},
         kHeaderText},
        {"pending send", {{sim::FaultKind::Status2, 1, 0, 1, 0}}, 1, 2, &SendPending, {8, 8, 1},
         kReduceBaudText},
        {"pending get", {{sim::FaultKind::BadHeaderCrc, 2, 0, 1, 0}}, 1, 1, &GetPending, {8, 2},
         kHeaderText},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        sensor.ClearRequests();
        sensor.faults().Clear();
        for (const sim::Fault& f : c.faults)
            sensor.faults().Add(f);
        ResetTextBox(ConnectPage, CONP_STATUSBOX, "");
        SensorConnected = 1;
        Para.Gain = c.gain;
        RunLoop([&](int n) {
            if (n == c.pressAt)
                *c.pending = 1;
        });
        EXPECT_EQ(c.orders, sensor.orders());
        EXPECT_EQ(c.report, StatusBox());
        EXPECT_EQ(0, AcquisitionRunning);
        EXPECT_EQ(0, SensorConnected);
        EXPECT_EQ("TIMEOUT!", Text(DataPanel, DATAP_STATUS));
    }
}

// The sensor answered the SEND: its reset of a value is told, and the loop goes on.
TEST_P(LiveLoopTest, APlausibilityResetOfAPendingSendIsToldAndTheLoopGoesOn)
{
    ResetTextBox(ConnectPage, CONP_STATUSBOX, "");
    SetCtrlVal(DataPanel, DATAP_STATUS, "CHROMIX5 V4.2B12");
    SensorConnected = 1;
    Para.Gain = 0;
    RunLoop([](int n) {
        if (n == 2)
            SendPending = 1;
        if (n == 4)
            AcquisitionRunning = 0;
    });
    EXPECT_EQ((Orders{8, 8, 1, 1, 8, 8}), sensor.orders());
    EXPECT_EQ(kRamNotice1, StatusBox());
    EXPECT_EQ(1, SensorConnected);
    EXPECT_EQ("CHROMIX5 V4.2B12", Text(DataPanel, DATAP_STATUS));
}

INSTANTIATE_ON_BOTH_LINES(LiveLoopTest);

// A serial sensor cannot hang up; it only falls silent, which the exchange tests cover.
class LiveLoopTcpTest : public LiveLoopTest {};

TEST_P(LiveLoopTcpTest, ServerClosingTheConnectionMidRunEndsTheLoop)
{
    sensor.faults().Add({sim::FaultKind::Close, 8, 2, 1, 0});
    RunLoop([](int) {});
    EXPECT_EQ((Orders{8, 8, 8}), sensor.orders());
    EXPECT_EQ(0u, StatusBox().rfind("SERVER HAS CLOSED CONNECTION!\n\n", 0)) << StatusBox();
    EXPECT_EQ(0, AcquisitionRunning);
    EXPECT_EQ(0, SensorConnected);
    EXPECT_EQ(0, TcpConnected);
    EXPECT_EQ(0u, TcpHandle);
    Settle(0.05);
    EXPECT_EQ(0, sensor.tcpConnections());
}

INSTANTIATE_TEST_SUITE_P(Tcp, LiveLoopTcpTest, ::testing::Values(Line::Tcp), LineName);

// A sensor that answers a live request with fewer than 40 bytes: the simulator always sends
// all 40, so a scripted peer plays this one.
class ShortLiveDataTest : public PanelsTest, public ::testing::WithParamInterface<Line> {
protected:
    void TearDown() override
    {
        if (TcpConnected)
            DisconnectFromTCPServer(TcpHandle);
        CloseOpenComPort();
        SetComPortDevice(7, nullptr);
        peer.reset();
        PanelsTest::TearDown();
    }
    std::unique_ptr<ScriptedPeer> peer;
};

TEST_P(ShortLiveDataTest, MissingBytesReadAsZero)
{
    const bool tcp = GetParam() == Line::Tcp;
    peer = std::make_unique<ScriptedPeer>(tcp ? ScriptedPeer::Transport::Tcp : ScriptedPeer::Transport::Pty);
    if (tcp) {
        Protocol = kProtocolTcp;
        std::strcpy(IpAddress, "127.0.0.1");
        TcpPort = peer->port();
        InitTCP_IP();
    } else {
        Protocol = kProtocolRs232;
        ComPort = 7;
        SetComPortDevice(7, peer->ptyPath().c_str());
        InitRS232();
    }
    ASSERT_EQ(0, OpenStatus);
    std::memset(LiveData, 0xFF, sizeof LiveData);
    peer->reply({ScriptedPeer::Frame(8, 0, QByteArray(20, '\x11'))});
    peer->reply({ScriptedPeer::Frame(0, 1)});  // then an error ends the loop

    GetData();

    EXPECT_EQ(2, peer->requests.size());
    for (int i = 0; i < kLiveDataSize; ++i)
        EXPECT_EQ(i < 20 ? 0x11 : 0, LiveData[i]) << "byte " << i;
    EXPECT_EQ(0, LiveValue(kLiveSignal1));
    EXPECT_EQ("INVALIDE ORDER NUMBER!\nVERIFY PC AND SENSOR SOFTWARE!\n\n", StatusBox());
}

INSTANTIATE_ON_BOTH_LINES(ShortLiveDataTest);

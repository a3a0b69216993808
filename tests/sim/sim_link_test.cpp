// The simulated sensor driven by the real link (FillTxBuf/DataExchange) over loopback TCP and
// over a pseudo-terminal opened through a redirected COM port number.
#include <gtest/gtest.h>

#include <cstring>
#include <sys/resource.h>
#include <string>

#include "link/frame.h"
#include "link/link_state.h"
#include "link/transports.h"
#include "link/sensor_context.h"
#include "params/program_state.h"
#include "platform/controls.h"
#include "platform/rs232.h"
#include "platform/runtime.h"
#include "platform/tcp.h"
#include "sim/simulator.h"
#include "tests/support/panels_fixture.h"
#include "ui/panel_handles.h"
#include "ui/uir.h"

namespace {

constexpr int kPort = 9;
constexpr char kTimeoutText[] =
    "TIMEOUT! \nNO DATA RECEIVED! \nCOMMUNICATION ERROR! \nCHECK POWER SUPPLY AND COM SETTINGS. "
    "\nTRY TO CONNECT AGAIN!\n\n";
constexpr char kHeaderText[] = "ATTENTION! \nRECEIVED HEADER FRAME IS INCORRECT!\n\n";
constexpr char kDataText[] = "ATTENTION! \nRECEIVED DATA FRAME IS INCORRECT!\n\n";

enum class Line { Tcp, Pty };

class SimLinkTest : public PanelsTest, public ::testing::WithParamInterface<Line> {
protected:
    void SetUp() override
    {
        PanelsTest::SetUp();
        sensor.model().SetSerial(4242);
        Open(115200);
        SensorConnected = 1;
    }
    void TearDown() override
    {
        Close();
        sensor.Stop();
        PanelsTest::TearDown();
    }
    void Open(long baud)
    {
        if (GetParam() == Line::Tcp) {
            const int port = sensor.ListenTcp();
            ASSERT_GT(port, 0) << sensor.error();
            Protocol = kProtocolTcp;
            ASSERT_EQ(0, ConnectToTCPServerEx(&TcpHandle, static_cast<unsigned>(port), "127.0.0.1",
                                              ClientTCPCB, nullptr, 5000, 0));
            TcpConnected = 1;
            for (int i = 0; i < 200 && sensor.tcpConnections() == 0; ++i)
                WaitSystemEvents(0.01);
        } else {
            const std::string path = sensor.OpenPty();
            ASSERT_FALSE(path.empty()) << sensor.error();
            Protocol = kProtocolRs232;
            ComPort = kPort;
            SetComPortDevice(kPort, path.c_str());
            ASSERT_EQ(0, OpenComConfig(kPort, "", baud, 0, 8, 1, 1024, 1024));
            SetComTime(kPort, 0.2);  // keeps the read after a time-out short
        }
    }
    void Close()
    {
        if (TcpHandle)
            DisconnectFromTCPServer(TcpHandle);
        TcpHandle = 0;
        CloseCom(kPort);
        SetComPortDevice(kPort, nullptr);
    }
    int Exchange(int order, int info = 0, const void* payload = nullptr, unsigned length = 0)
    {
        if (length)
            std::memcpy(HeaderFrame.payload, payload, length);
        FillTxBuf(order, info, length);
        return DataExchange(length + 8);
    }
    // Lets a late answer that the link gave up on arrive and be dropped before the next request.
    void Settle(double seconds)
    {
        const double end = Timer() + seconds;
        while (Timer() < end)
            WaitSystemEvents(end - Timer());
    }
    std::string TakeStatusBox()
    {
        const std::string text = StatusBox();
        ResetTextBox(ConnectPage, CONP_STATUSBOX, "");
        SensorConnected = 1;
        return text;
    }
    sim::Simulator sensor;
};

int32_t Le32(const uint8_t* p)
{
    int32_t v;
    std::memcpy(&v, p, 4);
    return v;
}

}  // namespace

TEST_P(SimLinkTest, EveryOrderIsAnsweredAndRecordedInSequence)
{
    ASSERT_EQ(1, Exchange(7));
    EXPECT_EQ(7, RespOrder);
    EXPECT_EQ(4242, RespInfo);
    EXPECT_EQ(72, RespLength);
    EXPECT_EQ("CHROMIX5 V4.2.7 B12", std::string(reinterpret_cast<char*>(RxBuf + 8)));

    ParameterSet p = sim::DefaultParameters(1);
    p.Average = 128;
    ASSERT_EQ(1, Exchange(1, 0, &p, sizeof p));
    EXPECT_EQ(1, RespOrder);
    EXPECT_EQ(0, RespInfo);
    ASSERT_EQ(1, Exchange(2, 0));
    EXPECT_EQ(34, RespLength);
    EXPECT_EQ(0, std::memcmp(RxBuf + 8, &p, sizeof p));

    sim::SensorRows rows = sim::DefaultRows();
    rows[31] = TeachVector{100, 200, 300, 400, 500, 6, 700, 0xA55A};
    ASSERT_EQ(1, Exchange(1, 2, rows.data(), sizeof rows));
    ASSERT_EQ(1, Exchange(2, 2));
    EXPECT_EQ(512, RespLength);
    EXPECT_EQ(0, std::memcmp(RxBuf + 8, rows.data(), sizeof rows));

    ASSERT_EQ(1, Exchange(3));
    EXPECT_EQ(128, sensor.model().eeprom().Average);
    sensor.model().ram().Average = 1;
    ASSERT_EQ(1, Exchange(4));
    EXPECT_EQ(0, RespInfo);
    EXPECT_EQ(128, sensor.model().ram().Average);

    ASSERT_EQ(1, Exchange(8));
    EXPECT_EQ(40, RespLength);
    ASSERT_EQ(1, Exchange(105));
    EXPECT_NEAR(1500.0, Le32(RxBuf + 8) / (Le32(RxBuf + 12) * 0.01), 0.01);

    EXPECT_EQ((std::vector<uint8_t>{7, 1, 2, 1, 2, 3, 4, 8, 105}), sensor.orders());
    const auto& requests = sensor.requests();
    EXPECT_EQ(2, requests[3].info);
    ASSERT_EQ(512u, requests[3].payload.size());
    EXPECT_EQ(0, std::memcmp(requests[3].payload.data(), rows.data(), 512));
    EXPECT_EQ("", StatusBox());
}

TEST_P(SimLinkTest, PlausibilityCountsArriveAsInfo)
{
    const ParameterSet zeros{};
    ASSERT_EQ(1, Exchange(1, 0, &zeros, sizeof zeros));
    EXPECT_EQ(4, RespInfo);
    std::memset(&sensor.model().eeprom(), 0xFF, sizeof(ParameterSet));
    ASSERT_EQ(1, Exchange(4));
    EXPECT_EQ(17, RespInfo);
}

TEST_P(SimLinkTest, UnknownOrderIsReportedAsInvalidOrderNumber)
{
    EXPECT_EQ(-1, Exchange(9));
    EXPECT_EQ("INVALIDE ORDER NUMBER!\nVERIFY PC AND SENSOR SOFTWARE!\n\n", StatusBox());
    EXPECT_EQ(0, SensorConnected);
}

TEST_P(SimLinkTest, TaughtColourIsRecognisedInLiveData)
{
    sim::Target red;
    sim::TargetByName("red", &red);
    sensor.model().SetTarget(red);
    ASSERT_EQ(1, Exchange(8));
    EXPECT_EQ(255, RxBuf[8 + 14]);
    const uint16_t x = GetLe16(RxBuf + 8 + 6), y = GetLe16(RxBuf + 8 + 8), in = GetLe16(RxBuf + 8 + 10);

    ParameterSet p = sim::DefaultParameters(1);
    p.MaxVecNo = 2;
    sim::SensorRows rows = sim::DefaultRows();
    rows[1] = TeachVector{x, y, in, 500, 1, 1, 10, 1};
    ASSERT_EQ(1, Exchange(1, 0, &p, sizeof p));
    ASSERT_EQ(1, Exchange(1, 2, rows.data(), sizeof rows));
    ASSERT_EQ(1, Exchange(8));
    EXPECT_EQ(1, GetLe16(RxBuf + 8 + 14));
}

TEST_P(SimLinkTest, InjectedFaultsAreReportedAsTheLinkReportsThem)
{
    struct Case {
        sim::FaultKind kind;
        int value;
        int result;
        const char* text;
    };
    const Case cases[] = {
        {sim::FaultKind::NoAnswer, 0, -1, kTimeoutText},
        {sim::FaultKind::Late, 3200, -1, kTimeoutText},
        {sim::FaultKind::Late, 100, 1, ""},
        {sim::FaultKind::BadHeaderCrc, 0, -1, kHeaderText},
        {sim::FaultKind::BadSync, 0, -1, kHeaderText},
        {sim::FaultKind::BadDataCrc, 0, -1, kDataText},
        {sim::FaultKind::ShortData, 0, -1, kTimeoutText},
        {sim::FaultKind::Status2, 0, -1, "COMMUNICATION ERROR!\nYOU MAY HAVE TO REDUCE BAUDRATE!\n\n"},
        {sim::FaultKind::OversizeLength, 0, -1, kHeaderText},
        {sim::FaultKind::Pieces, 5, 1, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(sim::FaultName(c.kind));
        sensor.faults().Add({c.kind, 8, 0, 1, c.value});
        EXPECT_EQ(c.result, Exchange(8));
        EXPECT_EQ(c.text, TakeStatusBox());
        if (c.kind == sim::FaultKind::Late || c.kind == sim::FaultKind::OversizeLength)
            Settle(0.4);
        // Only that one request was spoiled: the next one is answered properly.
        EXPECT_EQ(1, Exchange(8));
        EXPECT_EQ(40, RespLength);
        EXPECT_EQ("", TakeStatusBox());
    }
}

TEST_P(SimLinkTest, FaultsHitOnlyTheirOrderAfterTheSkippedRequests)
{
    sensor.faults().Add({sim::FaultKind::BadHeaderCrc, 2, 1, 1, 0});
    EXPECT_EQ(1, Exchange(8));
    EXPECT_EQ(1, Exchange(2));
    EXPECT_EQ(-1, Exchange(2));
    EXPECT_EQ(1, Exchange(2));
    EXPECT_EQ(kHeaderText, StatusBox());
}

TEST_P(SimLinkTest, ClosingTheConnectionIsSeenByTheLink)
{
    sensor.faults().Add({sim::FaultKind::Close, 8, 0, 1, 0});
    EXPECT_EQ(-1, Exchange(8));
    if (GetParam() == Line::Tcp) {
        // The server's close reaches the TCP callback inside the wait.
        EXPECT_EQ(0u, TcpHandle);
        EXPECT_EQ(0, TcpConnected);
        EXPECT_EQ(0, StatusBox().rfind("SERVER HAS CLOSED CONNECTION!\n\n", 0));
    } else {
        // A serial sensor cannot close the line; it just stops talking.
        EXPECT_EQ(kTimeoutText, StatusBox());
    }
}

INSTANTIATE_TEST_SUITE_P(Lines, SimLinkTest, ::testing::Values(Line::Tcp, Line::Pty),
                         [](const auto& info) { return info.param == Line::Tcp ? "Tcp" : "Pty"; });

class SimTcpTest : public SimLinkTest {};

TEST_P(SimTcpTest, GarbageBeforeARequestIsSkipped)
{
    const char garbage[] = "\x55\x55\x01\x02 noise \xAA";
    ClientTCPWrite(TcpHandle, garbage, sizeof garbage, 2000);
    EXPECT_EQ(1, Exchange(7));
    EXPECT_EQ(4242, RespInfo);
    EXPECT_EQ((std::vector<uint8_t>{7}), sensor.orders());
}

INSTANTIATE_TEST_SUITE_P(Tcp, SimTcpTest, ::testing::Values(Line::Tcp));

class SimPacedTest : public SimLinkTest {
protected:
    void SetUp() override
    {
        PanelsTest::SetUp();
        sensor.SetBaud(9600);
        Open(9600);
        SensorConnected = 1;
    }
};

TEST_P(SimPacedTest, PacedLineTakesAsLongAsTheBytesNeed)
{
    // 8 request bytes and 520 answer bytes at 9600 baud, 10 bits a byte: at least 0.55 s.
    const double start = Timer();
    ASSERT_EQ(1, Exchange(2, 2));
    EXPECT_GE(Timer() - start, 528 * 10 / 9600.0 - 0.005);
    EXPECT_EQ(512, RespLength);
}

// A device that goes away (an adapter pulled out) is reported as the link reports a silent
// sensor, and the link does not spin on it while the time limit runs out: a hung-up terminal is
// "ready" at every poll.
TEST_P(SimPacedTest, DeviceThatHangsUpTimesOutWithoutSpinning)
{
    ASSERT_EQ(1, Exchange(8));
    sensor.Stop();
    rusage before{}, after{};
    getrusage(RUSAGE_SELF, &before);
    EXPECT_EQ(-1, Exchange(8));
    getrusage(RUSAGE_SELF, &after);
    auto seconds = [](const rusage& u) {
        return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) * 1e-6;
    };
    EXPECT_LT(seconds(after) - seconds(before), 1.0);
    EXPECT_EQ(kTimeoutText, TakeStatusBox());
}

INSTANTIATE_TEST_SUITE_P(Pty, SimPacedTest, ::testing::Values(Line::Pty));

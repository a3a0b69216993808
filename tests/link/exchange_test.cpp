// The exchange against a scripted peer over real loopback TCP and a real pseudo-terminal: what
// arrives, in which pieces, and how every failure is reported, by the blocking exchange and by
// the one that does not block alike.
#include <gtest/gtest.h>

#include <QTimer>

#include <cstring>
#include <ostream>
#include <string>

#include "link/exchange_async.h"
#include "link/frame.h"
#include "link/link_state.h"
#include "link/transports.h"
#include "link/sensor_context.h"
#include "params/program_state.h"
#include "link/crc8.h"
#include "platform/controls.h"
#include "platform/panels.h"
#include "platform/userint.h"
#include "platform/rs232.h"
#include "platform/runtime.h"
#include "platform/tcp.h"
#include "tests/support/panels_fixture.h"
#include "tests/support/scripted_peer.h"
#include "ui/panel_handles.h"
#include "ui/uir.h"

namespace {

constexpr char kTimeoutReport[] =
    "TIMEOUT! \nNO DATA RECEIVED! \nCOMMUNICATION ERROR! \nCHECK POWER SUPPLY AND COM SETTINGS. "
    "\nTRY TO CONNECT AGAIN!\n\n";

struct ExchangeMode {
    ScriptedPeer::Transport transport;
    bool async;  // StartExchange, awaited in the event loop, instead of DataExchange
};

void PrintTo(const ExchangeMode& m, std::ostream* os)
{
    *os << (m.transport == ScriptedPeer::Transport::Tcp ? "TCP" : "pseudo-terminal")
        << (m.async ? ", not blocking" : ", blocking");
}

class ExchangeTest : public PanelsTest, public ::testing::WithParamInterface<ExchangeMode> {
protected:
    void SetUp() override
    {
        PanelsTest::SetUp();
        peer = std::make_unique<ScriptedPeer>(GetParam().transport);
        if (GetParam().transport == ScriptedPeer::Transport::Tcp) {
            Protocol = kProtocolTcp;
            ASSERT_EQ(0, ConnectToTCPServerEx(&TcpHandle, peer->port(), "127.0.0.1", ClientTCPCB,
                                              nullptr, 5000, 0));
            TcpConnected = 1;
            for (int i = 0; i < 500 && !peer->connected(); ++i)
                WaitSystemEvents(0.01);
            ASSERT_TRUE(peer->connected());
        } else {
            Protocol = kProtocolRs232;
            ComPort = 7;
            SetComPortDevice(7, peer->ptyPath().c_str());
            ASSERT_EQ(0, OpenComConfig(7, "", 115200, 0, 8, 1, 1024, 1024));
            SetComTime(7, 0.2);  // keeps the read after a time-out short
        }
        SensorConnected = 1;
        SetCtrlAttribute(ConnectPage, CONP_BUTTON_ACCEPT, ATTR_DIMMED, 0);
        SetActiveTabPage(MainPanel, MAINP_TAB, 1);
    }
    void TearDown() override
    {
        if (TcpHandle)
            DisconnectFromTCPServer(TcpHandle);
        CloseCom(7);
        SetComPortDevice(7, nullptr);
        peer.reset();
        PanelsTest::TearDown();
    }
    int Exchange(int order, int info = 0)
    {
        FillTxBuf(order, info, 0);
        if (!GetParam().async)
            return DataExchange(8);
        static int result;
        result = 2;
        if (StartExchange(DefaultSensor(), 8, [](SensorContext&, int r) { result = r; }) != 1)
            return -2;
        // The exchange keeps its own time: a wait that ends is a fault.
        const double until = Timer() + 10.0;
        while (result == 2 && Timer() < until)
            WaitSystemEvents(until - Timer());
        return result;
    }
    void ExpectReported(const std::string& text)
    {
        EXPECT_EQ(text, StatusBox());
        EXPECT_EQ("TIMEOUT!", Text(DataPanel, DATAP_STATUS));
        EXPECT_EQ(0, SensorConnected);
        EXPECT_EQ(0, AcquisitionRunning);
        EXPECT_TRUE(Dimmed(ConnectPage, CONP_BUTTON_ACCEPT));
        EXPECT_EQ(0, ActivePage());
    }
    std::unique_ptr<ScriptedPeer> peer;
};

QByteArray Bytes(int n, char fill = 'x') { return QByteArray(n, fill); }

}  // namespace

TEST_P(ExchangeTest, DataArrivesBehindTheHeaderAndTheRestOfTheBufferIsZero)
{
    RxBuf[100] = 0xEE;
    peer->reply({ScriptedPeer::Frame(2, 0, Bytes(34, 'p'))});
    ASSERT_EQ(1, Exchange(2));
    EXPECT_EQ(2, RespOrder);
    EXPECT_EQ(34, RespLength);
    EXPECT_EQ(0, std::memcmp(RxBuf + 8, Bytes(34, 'p').constData(), 34));
    EXPECT_EQ(0, RxBuf[100]);
    ASSERT_EQ(1, peer->requests.size());
    EXPECT_EQ(QByteArray("\x55\x02\x00\x00\x00\x00\xAA\x48", 8).left(7), peer->requests[0].left(7));
    EXPECT_EQ("", StatusBox());
}

TEST_P(ExchangeTest, HeaderAndDataInManyPiecesAreJoined)
{
    const QByteArray frame = ScriptedPeer::Frame(8, 0, Bytes(40, 'd'));
    peer->reply({frame.left(3), frame.mid(3, 4), frame.mid(7, 10), frame.mid(17)}, 15);
    ASSERT_EQ(1, Exchange(8));
    EXPECT_EQ(0, std::memcmp(RxBuf + 8, Bytes(40, 'd').constData(), 40));
}

TEST_P(ExchangeTest, EmptyResponseEndsAfterTheHeader)
{
    peer->reply({ScriptedPeer::Frame(3, 0)});
    EXPECT_EQ(1, Exchange(3));
    EXPECT_EQ(0, RespLength);
}

TEST_P(ExchangeTest, StatusResponsesOneAndTwoAreErrorsOthersSuccess)
{
    peer->reply({ScriptedPeer::Frame(0, 0)});
    EXPECT_EQ(1, Exchange(9));
    peer->reply({ScriptedPeer::Frame(0, 3)});
    EXPECT_EQ(1, Exchange(9));
    EXPECT_EQ("", StatusBox());

    peer->reply({ScriptedPeer::Frame(0, 1)});
    EXPECT_EQ(-1, Exchange(9));
    ExpectReported("INVALIDE ORDER NUMBER!\nVERIFY PC AND SENSOR SOFTWARE!\n\n");
    ResetTextBox(ConnectPage, CONP_STATUSBOX, "");
    peer->reply({ScriptedPeer::Frame(0, 2)});
    EXPECT_EQ(-1, Exchange(9));
    EXPECT_EQ("COMMUNICATION ERROR!\nYOU MAY HAVE TO REDUCE BAUDRATE!\n\n", StatusBox());
}

TEST_P(ExchangeTest, BadHeaderIsReportedAndKeepsTheLastGoodFields)
{
    peer->reply({ScriptedPeer::Frame(2, 77, Bytes(34))});
    ASSERT_EQ(1, Exchange(2));
    QByteArray broken = ScriptedPeer::Frame(5, 9);
    broken[7] = static_cast<char>(broken[7] ^ 0x01);
    peer->reply({broken});
    EXPECT_EQ(-1, Exchange(2));
    ExpectReported("ATTENTION! \nRECEIVED HEADER FRAME IS INCORRECT!\n\n");
    EXPECT_EQ(2, RespOrder);
    EXPECT_EQ(77, RespInfo);
    EXPECT_EQ(34, RespLength);
}

TEST_P(ExchangeTest, BadDataCrcIsReported)
{
    QByteArray frame = ScriptedPeer::Frame(2, 0, Bytes(34));
    frame[20] = 'y';
    peer->reply({frame});
    EXPECT_EQ(-1, Exchange(2));
    ExpectReported("ATTENTION! \nRECEIVED DATA FRAME IS INCORRECT!\n\n");
}

TEST_P(ExchangeTest, SilentPeerTimesOutAfterThreeSeconds)
{
    const double start = Timer();
    EXPECT_EQ(-1, Exchange(8));
    EXPECT_GE(Timer() - start, 3.0);
    ExpectReported(kTimeoutReport);
}

TEST_P(ExchangeTest, ShortDataTimesOut)
{
    peer->reply({ScriptedPeer::Frame(8, 0, Bytes(40)).left(30)});
    EXPECT_EQ(-1, Exchange(8));
    ExpectReported(kTimeoutReport);
}

TEST_P(ExchangeTest, OversizedLengthIsRejectedWithoutReadingIt)
{
    // A well-formed header announcing more than fits behind it in RxBuf.
    uint8_t header[8];
    EncodeHeader(header, 2, 0, nullptr, 0);
    PutLe16(header + 4, 2041);
    header[7] = Crc8(header, 7);
    peer->reply({QByteArray(reinterpret_cast<char*>(header), 8) + Bytes(100)});
    EXPECT_EQ(-1, Exchange(2));
    ExpectReported("ATTENTION! \nRECEIVED HEADER FRAME IS INCORRECT!\n\n");
}

constexpr ExchangeMode kTcp{ScriptedPeer::Transport::Tcp, false};
constexpr ExchangeMode kPty{ScriptedPeer::Transport::Pty, false};

INSTANTIATE_TEST_SUITE_P(Transports, ExchangeTest,
                         ::testing::Values(kTcp, kPty, ExchangeMode{ScriptedPeer::Transport::Tcp, true},
                                           ExchangeMode{ScriptedPeer::Transport::Pty, true}),
                         [](const auto& info) {
                             return std::string(info.param.transport == ScriptedPeer::Transport::Tcp ? "Tcp" : "Pty") +
                                    (info.param.async ? "Async" : "");
                         });

class TcpCallbackTest : public ExchangeTest {};

TEST_P(TcpCallbackTest, NeverStoresBeyondTheReceiveBuffer)
{
    // 3000 bytes in one go: the callback stores at most 2048 and discards what does not fit.
    peer->reply({ScriptedPeer::Frame(7, 0, Bytes(2000)) + Bytes(992)});
    FillTxBuf(7, 0, 0);
    ASSERT_EQ(1, DataExchange(8));
    for (int i = 0; i < 20; ++i)
        ProcessSystemEvents();
    EXPECT_LE(RxCount, kFrameBufferSize);
}

TEST_P(TcpCallbackTest, ServerClosingIsReportedAndForgetsTheConversation)
{
    peer->hangUp();
    for (int i = 0; i < 200 && TcpHandle != 0; ++i)
        WaitSystemEvents(0.01);
    EXPECT_EQ(0u, TcpHandle);
    EXPECT_EQ(0, TcpConnected);
    ExpectReported("SERVER HAS CLOSED CONNECTION!\n\n");
}

INSTANTIATE_TEST_SUITE_P(Tcp, TcpCallbackTest, ::testing::Values(kTcp));

TEST_P(TcpCallbackTest, ServerClosingDuringAnExchangeIsReportedOnceAndEndsItAtOnce)
{
    peer->reply({});  // the request stays unanswered ...
    QTimer::singleShot(100, peer.get(), [this] { peer->hangUp(); });  // ... and the server leaves
    const double start = Timer();
    EXPECT_EQ(-1, Exchange(8));
    EXPECT_LT(Timer() - start, 2.0);
    ExpectReported("SERVER HAS CLOSED CONNECTION!\n\n");
    // Without a conversation the next exchange waits out its time and says so.
    EXPECT_EQ(-1, Exchange(8));
    EXPECT_NE(std::string::npos, StatusBox().find("TIMEOUT! \nNO DATA RECEIVED!"));
}

class SerialWaitTest : public ExchangeTest {};

// At 9600 baud the wait sleeps until the header can be there (16 bytes, 17 ms) with the port's
// own wake-ups switched off. The peer lives in this thread, so it only hears the request and
// sends its second piece if events run during that sleep; and a callback that closes the port
// meanwhile must leave the wait a closed port to find, not a dangling one.
TEST_P(SerialWaitTest, EventsRunDuringTheSleepAndMayCloseThePort)
{
    ASSERT_EQ(0, OpenComConfig(7, "", 9600, 0, 8, 1, 1024, 1024));
    SetComTime(7, 0.2);
    const QByteArray frame = ScriptedPeer::Frame(8, 0, Bytes(40, 'd'));
    peer->reply({frame.left(5), frame.mid(5)}, 30);  // later than the line needs, in two pieces
    ASSERT_EQ(1, Exchange(8));
    EXPECT_EQ(0, std::memcmp(RxBuf + 8, Bytes(40, 'd').constData(), 40));

    peer->reply({});
    QTimer::singleShot(5, [] { CloseCom(7); });
    EXPECT_EQ(-1, Exchange(8));
    ExpectReported(kTimeoutReport);
}

INSTANTIATE_TEST_SUITE_P(Pty, SerialWaitTest, ::testing::Values(kPty));

// Connecting to the simulated sensor through the connection page: identification of each
// edition, the default-parameter question, unsupported firmware, offline mode and reconnecting.
#include <gtest/gtest.h>

#include <QLineEdit>

#include <cstring>
#include <string>
#include <vector>

#include "link/commands.h"
#include "link/connection.h"
#include "link/frame.h"
#include "params/assistant_texts.h"
#include "params/parameter_set.h"
#include "platform/inspection.h"
#include "tests/link/sim_line.h"
#include "tests/support/popup_script.h"
#include "ui/connect_panel.h"
#include "ui/connect_sequence.h"

namespace {

using Orders = std::vector<uint8_t>;

constexpr char kCouldNotConnect[] =
    "Could not establish connection! \nClose window or work in offline mode!";

std::string Unsupported(const std::string& version, int serial)
{
    return "Chromix5 Vantage Diror doesn't support the connected sensor! \nFirmware of connected "
           "sensor is: " +
           version + "\nThe serial number is: " + std::to_string(serial) +
           "\n\nClose window or work in offline mode!";
}

class ConnectionTest : public SimLineTest {
protected:
    void SetUp() override
    {
        SimLineTest::SetUp();
        if (HasFatalFailure())
            return;
        FillConnectionPage();
        SetCtrlAttribute(ConnectPage, CONP_BUTTON_ACCEPT, ATTR_DIMMED, 1);
    }
    std::string Tooltip() const
    {
        return ControlWidget(DataPanel, DATAP_STATUS)->toolTip().toStdString();
    }
    // Connects to a supported sensor, answering no to the default question.
    void ConnectAnsweringNo()
    {
        PopupScript script;
        script.answer(PopupKind::Confirm, 0);
        TryToConnect();
        ASSERT_EQ(1, SensorConnected) << StatusBox();
    }
};

}  // namespace

TEST_P(ConnectionTest, EachEditionIsIdentifiedAndShownWithoutItsThirdToken)
{
    struct Case {
        sim::Edition edition;
        std::string firmware;  // as the sensor holds it; 72 bytes travel
        int language;
        std::string display;
    };
    const std::string longTail(60, 'X');
    const Case cases[] = {
        {sim::Edition::V4, "CHROMIX5 V4.2.7 B12", 1, "CHROMIX5 V4.2B12"},
        {sim::Edition::KR, "CHROMIX5 KR V1.3.1 B05", 0, "CHROMIX5 KR V1.3B05"},
        {sim::Edition::KRE, "CHROMIX5 KRE V1.1.0 B07", 6, "CHROMIX5 KRE V1.1B07"},
        // 72 bytes without a zero byte, and more that never travel.
        {sim::Edition::V4, "CHROMIX5 V4.5.6 " + longTail + "tail", 3,
         "CHROMIX5 V4.5" + longTail.substr(0, 56)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.firmware);
        sensor.model().SetEdition(c.edition);
        sensor.model().SetFirmware(c.firmware);
        sensor.ClearRequests();
        ResetTextBox(ConnectPage, CONP_STATUSBOX, "");
        LanguageIndex = c.language;
        std::string shownWhileAsking;
        sensor.SetLog([&](const std::string&) {
            if (sensor.requests().back().order == 7)
                shownWhileAsking = Text(DataPanel, DATAP_STATUS) + "|" + StatusBox();
        });
        PopupScript script;
        script.answer(PopupKind::Confirm, 0);

        TryToConnect();

        EXPECT_EQ("TRY TO CONNECT!|TRY TO CONNECT!\n", shownWhileAsking);
        EXPECT_EQ(static_cast<int>(c.edition), SensorEdition);
        EXPECT_EQ(c.display, Text(DataPanel, DATAP_STATUS));
        EXPECT_EQ("TRY TO CONNECT!\n" + c.display + "\nSERIAL NUMBER: 4242\n\n", StatusBox());
        EXPECT_EQ(c.firmware.substr(0, 72), Tooltip());
        ASSERT_EQ(1u, script.shown().size());
        EXPECT_EQ("ATTENTION!", script.shown()[0].title);
        EXPECT_EQ(AssistantText(TxtSendDefaults, c.language), script.shown()[0].message);
        // No: nothing is sent, the parameters are read after an EEPROM load.
        EXPECT_EQ((Orders{7, 4, 2, 2}), sensor.orders());
        EXPECT_EQ(0, std::memcmp(&Para, &sensor.model().eeprom(), sizeof Para));
        EXPECT_EQ(1, SensorConnected);
        EXPECT_FALSE(Dimmed(ConnectPage, CONP_BUTTON_ACCEPT));
    }
    const bool tcp = GetParam() == Line::Tcp;
    int visible = -1;
    GetCtrlAttribute(DataPanel, DATAP_COMPORT, ATTR_VISIBLE, &visible);
    EXPECT_EQ(!tcp, visible != 0);
    GetCtrlAttribute(DataPanel, DATAP_IPADDRESS, ATTR_VISIBLE, &visible);
    EXPECT_EQ(tcp, visible != 0);
    EXPECT_EQ(std::to_string(kSimPort), Text(DataPanel, DATAP_COMPORT));
    EXPECT_EQ("127.0.0.1", Text(DataPanel, DATAP_IPADDRESS));
}

// The sensor's text is single-byte text: micro sign and e acute come out as themselves, and a
// text too long for the status display shows its beginning.
TEST_P(ConnectionTest, FirmwareTextIsDecodedAsWindows1252AndShownFromItsStart)
{
    const std::string tail(49, 'X');
    sensor.model().SetFirmware("CHROMIX5 V4.2.7 \xb5" "C-r\xe9v " + tail);
    ConnectAnsweringNo();
    const std::string display = "CHROMIX5 V4.2\u00b5C-r\u00e9v " + tail;
    EXPECT_EQ(display, Text(DataPanel, DATAP_STATUS));
    EXPECT_NE(std::string::npos, StatusBox().find(display + "\nSERIAL NUMBER: 4242\n\n"));
    EXPECT_EQ("CHROMIX5 V4.2.7 \u00b5C-r\u00e9v " + tail, Tooltip());
    EXPECT_EQ(0, static_cast<QLineEdit*>(ControlWidget(DataPanel, DATAP_STATUS))->cursorPosition());
}

TEST_P(ConnectionTest, AnsweringYesSendsTheDefaultsBeforeReadingThemBack)
{
    sensor.model().ram().Average = 500;
    sensor.model().eeprom().Average = 500;
    SensorEdition = 1;
    LoadDefaultParaValues(1);
    const ParameterSet defaults = Para;
    Para = ParameterSet{};
    PopupScript script;
    script.answer(PopupKind::Confirm, 1);

    TryToConnect();

    EXPECT_EQ((Orders{7, 1, 1, 3, 4, 2, 2}), sensor.orders());
    EXPECT_EQ(0, std::memcmp(sensor.requests()[1].payload.data(), &defaults, sizeof defaults));
    EXPECT_EQ(0, std::memcmp(&sensor.model().ram(), &defaults, sizeof defaults));
    EXPECT_EQ(0, std::memcmp(&sensor.model().eeprom(), &defaults, sizeof defaults));
    EXPECT_EQ(0, std::memcmp(&Para, &defaults, sizeof defaults));
    EXPECT_EQ(1, SensorConnected);
    EXPECT_FALSE(Dimmed(ConnectPage, CONP_BUTTON_ACCEPT));
}

TEST_P(ConnectionTest, UnsupportedFirmwareShowsItsVersionAndSerialAndOffersCloseOrOffline)
{
    struct Case {
        std::string firmware;
        int serial;
        std::string version;
    };
    const Case cases[] = {
        {"CHROMIX5 V3.9.2 B44", 321, "CHROMIX5 V3.9"},
        {"chromix5 kre v1.1.0 b07", 65535, "chromix5 kre v1.1"},
        {"", 0, "."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.firmware);
        sensor.model().SetFirmware(c.firmware);
        sensor.model().SetSerial(static_cast<uint16_t>(c.serial));
        sensor.ClearRequests();
        PopupScript script;
        script.answer(PopupKind::Generic, 2);

        TryToConnect();

        ASSERT_EQ(1u, script.shown().size());
        const PopupCall& choice = script.shown()[0];
        EXPECT_EQ("ATTENTION!", choice.title);
        EXPECT_EQ(Unsupported(c.version, c.serial), choice.message);
        EXPECT_EQ("CLOSE", choice.buttons[0]);
        EXPECT_EQ("OFFLINE", choice.buttons[1]);
        EXPECT_EQ(0, SensorEdition);
        EXPECT_EQ(c.firmware, Tooltip());
        EXPECT_EQ((Orders{7}), sensor.orders());
        EXPECT_EQ("NO SENSOR CONNECTED!", Text(DataPanel, DATAP_STATUS));
        EXPECT_EQ(0, SensorConnected);
    }
}

TEST_P(ConnectionTest, BadAnswerToTheIdentificationOffersCloseOrOffline)
{
    sensor.faults().Add({sim::FaultKind::BadHeaderCrc, 7, 0, 1, 0});
    PopupScript script;
    script.answer(PopupKind::Generic, 2);
    TryToConnect();
    ASSERT_EQ(1u, script.shown().size());
    EXPECT_EQ(kCouldNotConnect, script.shown()[0].message);
    EXPECT_EQ("TRY TO CONNECT!\nATTENTION! \nRECEIVED HEADER FRAME IS INCORRECT!\n\n"
              "NO SENSOR CONNECTED!\n\n",
              StatusBox());
}

TEST_P(ConnectionTest, FailedSendOrReadLeavesTheConnectionIncomplete)
{
    struct Case {
        int answer;
        sim::Fault fault;
        Orders orders;
    };
    const Case cases[] = {
        {1, {sim::FaultKind::Status2, 1, 0, 1, 0}, {7, 1}},
        {0, {sim::FaultKind::BadHeaderCrc, 2, 1, 1, 0}, {7, 4, 2, 2}},
    };
    for (const Case& c : cases) {
        sensor.ClearRequests();
        sensor.faults().Add(c.fault);
        PopupScript script;
        script.answer(PopupKind::Confirm, c.answer);
        TryToConnect();
        EXPECT_EQ(c.orders, sensor.orders());
        EXPECT_EQ(0, SensorConnected);
        EXPECT_EQ("TIMEOUT!", Text(DataPanel, DATAP_STATUS));
        EXPECT_TRUE(Dimmed(ConnectPage, CONP_BUTTON_ACCEPT));
    }
}

TEST_P(ConnectionTest, OfflineLeavesTryToConnectAndFileTransferEnabled)
{
    ConnectAnsweringNo();
    ASSERT_EQ(kTargetSensor, TransferTarget);
    SetCtrlVal(MainPanel, MAINP_TOGGLE_SENSOR, 1);
    SetCtrlVal(MainPanel, MAINP_TOGGLE_FILE, 0);

    Disconnect();

    EXPECT_EQ(kTargetFile, TransferTarget);
    EXPECT_EQ(1, Value(MainPanel, MAINP_TOGGLE_FILE));
    EXPECT_EQ(0, Value(MainPanel, MAINP_TOGGLE_SENSOR));
    EXPECT_EQ(0, SensorConnected);
    EXPECT_EQ(0, TcpConnected);
    EXPECT_EQ("NO SENSOR CONNECTED!", Text(DataPanel, DATAP_STATUS));
    EXPECT_EQ("NO SENSOR CONNECTED!\n\n",
              StatusBox().substr(StatusBox().size() - std::strlen("NO SENSOR CONNECTED!\n\n")));
    for (int control : {CONP_BUTTON_TRYCONNECT, CONP_BAUDRATE})
        EXPECT_FALSE(Dimmed(ConnectPage, control)) << control;
    for (int control : {MAINP_BUTTON_SEND, MAINP_BUTTON_GET})
        EXPECT_FALSE(Dimmed(MainPanel, control)) << control;
    for (int control : {MAINP_BUTTON_GO, MAINP_BUTTON_FREQ, MAINP_BUTTON_START, MAINP_TOGGLE_SENSOR,
                        MAINP_TOGGLE_FILE})
        EXPECT_TRUE(Dimmed(MainPanel, control)) << control;
    EXPECT_TRUE(Dimmed(ConnectPage, CONP_BUTTON_DISCONNECT));
    Settle(0.05);
    EXPECT_EQ(0, sensor.tcpConnections());

    // Reconnecting keeps the file target, which addresses only the sensor's working memory.
    sensor.ClearRequests();
    PopupScript script;
    script.answer(PopupKind::Confirm, 1);
    TryToConnect();
    EXPECT_EQ((Orders{7, 1, 1, 2, 2}), sensor.orders());
    EXPECT_EQ(1, SensorConnected);
}

// Whatever step of the attempt fails, the operator can try again: TRY TO CONNECT and the
// baud-rate selector are enabled, and a second attempt connects.
TEST_P(ConnectionTest, LinkErrorInAnyStepLeavesTryToConnectUsable)
{
    const sim::Fault faults[] = {
        {sim::FaultKind::BadHeaderCrc, 2, 1, 1, 0},  // the teach-table read
        {sim::FaultKind::Status2, 1, 0, 1, 0},       // the default send
    };
    for (const sim::Fault& fault : faults) {
        SCOPED_TRACE(sim::FaultName(fault.kind));
        sensor.faults().Add(fault);
        {
            PopupScript script;
            script.answer(PopupKind::Confirm, fault.order == 1 ? 1 : 0);
            CBF_ButtonTryToConnect(ConnectPage, CONP_BUTTON_TRYCONNECT, EVENT_COMMIT, nullptr, 0, 0);
            EXPECT_EQ(0u, script.pending());
        }
        ASSERT_EQ(0, SensorConnected);
        EXPECT_FALSE(Dimmed(ConnectPage, CONP_BUTTON_TRYCONNECT));
        EXPECT_FALSE(Dimmed(ConnectPage, CONP_BAUDRATE));
        EXPECT_FALSE(Dimmed(ConnectPage, CONP_BUTTON_DISCONNECT));
        EXPECT_TRUE(Dimmed(ConnectPage, CONP_BUTTON_ACCEPT));

        PopupScript script;
        script.answer(PopupKind::Confirm, 0);
        CBF_ButtonTryToConnect(ConnectPage, CONP_BUTTON_TRYCONNECT, EVENT_COMMIT, nullptr, 0, 0);
        ASSERT_EQ(1, SensorConnected) << StatusBox();
        for (int control : {MAINP_BUTTON_SEND, MAINP_BUTTON_GET, MAINP_BUTTON_GO, MAINP_TOGGLE_SENSOR})
            EXPECT_FALSE(Dimmed(MainPanel, control)) << control;
    }
}

INSTANTIATE_ON_BOTH_LINES(ConnectionTest);

class ProtocolSwitchTest : public ConnectionTest {};

// Connected over TCP, the operator switches to RS-232 and connects there. The old conversation
// ends with the new attempt, so the TCP server going away later leaves the serial link alone.
TEST_P(ProtocolSwitchTest, NewAttemptOverRs232EndsTheTcpConversation)
{
    sim::Simulator tcpSensor;
    ASSERT_GT(tcpSensor.ListenTcp(), 0) << tcpSensor.error();
    SetCtrlVal(ConnectPage, CONP_PROTOCOL, 1);
    SetCtrlVal(ConnectPage, CONP_PORTNUMBER, std::to_string(tcpSensor.tcpPort()).c_str());
    ConnectAnsweringNo();
    ASSERT_EQ(1, TcpConnected);

    FillConnectionPage();  // RS-232 on the pseudo-terminal
    ConnectAnsweringNo();
    EXPECT_EQ(0, TcpConnected);
    Settle(0.05);
    EXPECT_EQ(0, tcpSensor.tcpConnections());

    const size_t before = StatusBox().size();
    tcpSensor.Stop();
    Settle(0.1);
    EXPECT_EQ(1, SensorConnected);
    EXPECT_EQ(before, StatusBox().size()) << StatusBox();
    EXPECT_EQ(1, RequestLiveData());
}

INSTANTIATE_TEST_SUITE_P(Pty, ProtocolSwitchTest, ::testing::Values(Line::Pty), LineName);

class TcpReconnectTest : public ConnectionTest {};

TEST_P(TcpReconnectTest, TryToConnectWhileConnectedEndsTheOldConversationFirst)
{
    ConnectAnsweringNo();
    const unsigned oldHandle = TcpHandle;
    int oldWriteResult = 0;
    sensor.SetLog([&](const std::string&) {
        if (sensor.requests().back().order == 7)
            oldWriteResult = ClientTCPWrite(oldHandle, "x", 1, 100);
    });
    ConnectAnsweringNo();
    EXPECT_NE(oldHandle, TcpHandle);
    // The old conversation was already gone when the new one identified the sensor.
    EXPECT_EQ(-12, oldWriteResult);
    Settle(0.05);
    EXPECT_EQ(1, sensor.tcpConnections());
    EXPECT_EQ((Orders{7, 4, 2, 2, 7, 4, 2, 2}), sensor.orders());
}

INSTANTIATE_TEST_SUITE_P(Tcp, TcpReconnectTest, ::testing::Values(Line::Tcp), LineName);

class SerialDisconnectTest : public ConnectionTest {};

TEST_P(SerialDisconnectTest, ClosesThePortThatIsOpenWhateverTheSelectorShows)
{
    ConnectAnsweringNo();
    ASSERT_GE(GetInQLen(kSimPort), 0);
    SetCtrlVal(ConnectPage, CONP_COMPORT, kSimPort + 1);

    Disconnect();

    EXPECT_EQ(-3, GetInQLen(kSimPort));  // not open any more
    EXPECT_EQ(kSimPort + 1, ComPort);
}

INSTANTIATE_TEST_SUITE_P(Pty, SerialDisconnectTest, ::testing::Values(Line::Pty), LineName);

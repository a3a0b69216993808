// Start-up: InitAll against the simulator, and the CLOSE/OFFLINE choice when it cannot connect.
#include <QTcpServer>

#include "link/link_state.h"
#include "params/assistant_texts.h"
#include "link/sensor_context.h"
#include "params/program_state.h"
#include "platform/controls.h"
#include "platform/panels.h"
#include "platform/rs232.h"
#include "platform/runtime.h"
#include "tests/ui/main_window/main_window_fixture.h"
#include "ui/main_window.h"
#include "ui/panel_handles.h"
#include "ui/uir.h"

namespace {

struct Dimming {
    bool send, get, sensorToggle, fileToggle, go, freq, start, tryConnect, disconnect, baud;
};

}  // namespace

class StartTest : public MainWindowTest {
protected:
    Dimming Current() const
    {
        return {Dim(MainPanel, MAINP_BUTTON_SEND),      Dim(MainPanel, MAINP_BUTTON_GET),
                Dim(MainPanel, MAINP_TOGGLE_SENSOR),    Dim(MainPanel, MAINP_TOGGLE_FILE),
                Dim(MainPanel, MAINP_BUTTON_GO),        Dim(MainPanel, MAINP_BUTTON_FREQ),
                Dim(MainPanel, MAINP_BUTTON_START),     Dim(ConnectPage, CONP_BUTTON_TRYCONNECT),
                Dim(ConnectPage, CONP_BUTTON_DISCONNECT), Dim(ConnectPage, CONP_BAUDRATE)};
    }
    void ExpectDimming(const Dimming& e)
    {
        const Dimming c = Current();
        EXPECT_EQ(e.send, c.send);
        EXPECT_EQ(e.get, c.get);
        EXPECT_EQ(e.sensorToggle, c.sensorToggle);
        EXPECT_EQ(e.fileToggle, c.fileToggle);
        EXPECT_EQ(e.go, c.go);
        EXPECT_EQ(e.freq, c.freq);
        EXPECT_EQ(e.start, c.start);
        EXPECT_EQ(e.tryConnect, c.tryConnect);
        EXPECT_EQ(e.disconnect, c.disconnect);
        EXPECT_EQ(e.baud, c.baud);
    }
    int refusedPort()
    {
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost, 0);
        return probe.serverPort();
    }
};

TEST_F(StartTest, ConnectsIdentifiesReadsAndLeavesEverythingEnabled)
{
    sensor.model().SetEdition(sim::Edition::KRE);
    StartConnected(0);
    EXPECT_EQ((std::vector<uint8_t>{7, 4, 2, 2}), sensor.orders());
    EXPECT_EQ(3, SensorEdition);
    ExpectDimming({false, false, false, false, false, false, false, false, false, false});
    EXPECT_FALSE(Dim(ConnectPage, CONP_BUTTON_ACCEPT));
    EXPECT_EQ(1, ActivePage());
    EXPECT_EQ("CHROMIX5 KRE V1.1B07", Text(DataPanel, DATAP_STATUS));
    EXPECT_EQ(0u, StatusBox().find("TRY TO CONNECT!\nCHROMIX5 KRE V1.1B07\nSERIAL NUMBER: "));
    ASSERT_EQ(1u, popups->shown().size());
    EXPECT_STREQ(AssistantText(TxtSendDefaults, 0), popups->shown()[0].message.c_str())
        << "German is the language before any settings file names one";
    EXPECT_EQ("ATTENTION!", popups->shown()[0].title);
}

TEST_F(StartTest, WithoutASensorOfflineLeavesFilesToWorkWith)
{
    WriteSettingsForTcp(refusedPort());
    popups->answer(PopupKind::Generic, 2);  // OFFLINE
    InitAll();
    EXPECT_EQ(0, SensorConnected);
    EXPECT_EQ(kTargetFile, TransferTarget);
    EXPECT_EQ(1, Value(MainPanel, MAINP_TOGGLE_FILE));
    EXPECT_EQ(0, Value(MainPanel, MAINP_TOGGLE_SENSOR));
    ExpectDimming({false, false, true, true, true, true, true, false, true, false});
    EXPECT_EQ("NO SENSOR CONNECTED!", Text(DataPanel, DATAP_STATUS));
    ASSERT_EQ(1u, popups->shown().size());
    EXPECT_EQ("Could not establish connection! \nClose window or work in offline mode!",
              popups->shown()[0].message);
    EXPECT_EQ("CLOSE", popups->shown()[0].buttons[0]);
    EXPECT_EQ("OFFLINE", popups->shown()[0].buttons[1]);
}

TEST_F(StartTest, CloseAtStartEndsTheEventLoopAtOnce)
{
    WriteSettingsForTcp(refusedPort());
    const std::string before = SettingsFileText();
    popups->answer(PopupKind::Generic, 1);  // CLOSE
    InitAll();
    const double start = Timer();
    EXPECT_EQ(0, RunUserInterface());
    EXPECT_LT(Timer() - start, 1.0);
    EXPECT_EQ(before, SettingsFileText()) << "CLOSE does not write the settings file";
}

TEST_F(StartTest, WithoutSettingsFileTheFirstConnectionIsSerialPortOne)
{
    SetComPortDevice(1, "/nonexistent/tty-for-port-1");
    popups->answer(PopupKind::Generic, 2);
    InitAll();
    SetComPortDevice(1, nullptr);
    EXPECT_EQ(kProtocolRs232, Protocol);
    EXPECT_EQ(1, ComPort);
    EXPECT_EQ(4, BaudRateIndex);
    EXPECT_EQ(0, Value(MainPanel, MAINP_LANGUAGE));
    EXPECT_EQ("10001", Text(ConnectPage, CONP_PORTNUMBER));
    EXPECT_NE(std::string::npos,
              StatusBox().find("No serial port found\nNo such device: /nonexistent/tty-for-port-1 (COM1)"));
}

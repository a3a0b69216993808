// Opening the transports and their failure texts, with real loopback sockets and real
// pseudo-terminals.
#include <gtest/gtest.h>

#include <QTcpServer>

#include <cstdio>
#include <cstring>

#include <unistd.h>

#include "link/link_state.h"
#include "link/transports.h"
#include "link/sensor_context.h"
#include "params/program_state.h"
#include "platform/rs232.h"
#include "platform/runtime.h"
#include "platform/tcp.h"
#include "platform/userint.h"
#include "tests/support/panels_fixture.h"
#include "tests/support/popup_script.h"
#include "tests/support/scripted_peer.h"
#include "ui/find_com_ports.h"
#include "ui/panel_handles.h"
#include "ui/uir.h"

TEST(OpenFailureTexts, CoverEveryCodeAndFallBackForOthers)
{
    EXPECT_STREQ("Unknown I/0 error", Rs232ErrorText(-4));
    EXPECT_STREQ("RS-232 error!", Rs232ErrorText(-5));
    EXPECT_STREQ("RS-232 error!", Rs232ErrorText(-8));
    EXPECT_STREQ("Timeout", Rs232ErrorText(-99));
    EXPECT_STREQ("Invalid Baudrate", Rs232ErrorText(-14));
    EXPECT_STREQ("UnableToRegisterService", TcpErrorText(-1));
    EXPECT_STREQ("TimeOutError", TcpErrorText(-11));
    EXPECT_STREQ("InfoNotAvailable", TcpErrorText(-20));
    EXPECT_STREQ("Connection to server failed", TcpErrorText(-21));
    EXPECT_STREQ("Connection to server failed", TcpErrorText(-1000));
}

class TransportTest : public PanelsTest {
protected:
    void TearDown() override
    {
        CloseOpenComPort();
        for (int n : {3, 7, 200})
            SetComPortDevice(n, nullptr);
        if (TcpConnected)
            DisconnectFromTCPServer(TcpHandle);
        PanelsTest::TearDown();
    }
};

TEST_F(TransportTest, SerialPortThatDoesNotExistIsReported)
{
    SetComPortDevice(200, "/nonexistent/tty");
    ComPort = 200;
    AcquisitionRunning = 1;
    InitRS232();
    EXPECT_EQ(-6, OpenStatus);
    // The text for the code, the cause on a line of its own, the blank line.
    EXPECT_EQ("No serial port found\nNo such device: /nonexistent/tty (COM200) is not there. Plug in "
              "the adapter, or choose a port that FIND COM PORTS lists.\n\n",
              StatusBox());
    EXPECT_EQ("TIMEOUT!", Text(DataPanel, DATAP_STATUS));
    EXPECT_EQ(0, AcquisitionRunning);
}

TEST_F(TransportTest, SerialPortOpensOnAPseudoTerminalAtAnyRateIndex)
{
    ScriptedPeer pty(ScriptedPeer::Transport::Pty);
    SetComPortDevice(7, pty.ptyPath().c_str());
    ComPort = 7;
    for (uint16_t index : {0, 4, 7, 8, 65535}) {
        BaudRateIndex = index;
        InitRS232();
        EXPECT_EQ(0, OpenStatus) << "index " << index;
    }
    EXPECT_EQ("", StatusBox());
}

TEST_F(TransportTest, TcpConnectRefusedIsReported)
{
    // A port that was just free: nothing listens there.
    QTcpServer probe;
    ASSERT_TRUE(probe.listen(QHostAddress::LocalHost, 0));
    TcpPort = probe.serverPort();
    probe.close();
    std::strcpy(IpAddress, "127.0.0.1");
    InitTCP_IP();
    EXPECT_EQ(-2, OpenStatus);
    EXPECT_EQ(0, TcpConnected);
    EXPECT_EQ("UnableToEstablishConnection\nConnection refused: nothing listens on port " +
                  std::to_string(TcpPort) +
                  " of 127.0.0.1. Check the port number and that the sensor is switched on.\n\n",
              StatusBox());
}

TEST_F(TransportTest, SecondConnectEndsTheFirstConversation)
{
    ScriptedPeer peer(ScriptedPeer::Transport::Tcp);
    std::strcpy(IpAddress, "127.0.0.1");
    TcpPort = peer.port();
    InitTCP_IP();
    ASSERT_EQ(1, TcpConnected);
    const unsigned first = TcpHandle;
    InitTCP_IP();
    ASSERT_EQ(1, TcpConnected);
    EXPECT_NE(first, TcpHandle);
    EXPECT_EQ(-12, ClientTCPWrite(first, "x", 1, 100));
    EXPECT_EQ("", StatusBox());
}

TEST_F(TransportTest, FindComPortsListsThePortsPresent)
{
    ScriptedPeer a(ScriptedPeer::Transport::Pty), b(ScriptedPeer::Transport::Pty);
    SetComPortDevice(3, a.ptyPath().c_str());
    SetComPortDevice(7, b.ptyPath().c_str());
    PopupScript none;
    CBF_ButtonFindComPorts(ConnectPage, CONP_BUTTON_FINDCOM, EVENT_COMMIT, nullptr, 0, 0);
    const std::string box = StatusBox();
    EXPECT_EQ(0u, box.find("Following COM PORTS are available:\n"));
    // Each number, and below it the device it stands for.
    EXPECT_NE(std::string::npos, box.find("COM3\n  " + a.ptyPath() + "\n"));
    EXPECT_NE(std::string::npos, box.find("COM7\n  " + b.ptyPath() + "\n"));
    EXPECT_LT(box.find("COM3\n"), box.find("COM7\n"));
}

TEST_F(TransportTest, FindComPortsRightClickOnlyExplains)
{
    PopupScript script;
    script.answer(PopupKind::Message, 0);
    CBF_ButtonFindComPorts(ConnectPage, CONP_BUTTON_FINDCOM, EVENT_RIGHT_CLICK, nullptr, 0, 0);
    ASSERT_EQ(1u, script.shown().size());
    EXPECT_EQ("INFO!", script.shown()[0].title);
    EXPECT_EQ("Shows a list of available COM PORTS.", script.shown()[0].message);
    EXPECT_EQ("", StatusBox());
}

TEST_F(TransportTest, HighPortNumbersAreLinksAnyoneCanMake)
{
    ScriptedPeer pty(ScriptedPeer::Transport::Pty);
    const std::string link = "/tmp/chromix5-com250";
    std::remove(link.c_str());
    ASSERT_EQ(0, symlink(pty.ptyPath().c_str(), link.c_str()));
    EXPECT_EQ(link, ComPortDevice(250));
    CBF_ButtonFindComPorts(ConnectPage, CONP_BUTTON_FINDCOM, EVENT_COMMIT, nullptr, 0, 0);
    EXPECT_NE(std::string::npos,
              StatusBox().find("COM250\n  " + link + " -> " + pty.ptyPath() + "\n"));
    ComPort = 250;
    InitRS232();
    EXPECT_EQ(0, OpenStatus);
    std::remove(link.c_str());
}

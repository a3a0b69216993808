// The simulated sensor on the panels' fixture, reachable over loopback TCP or over a
// pseudo-terminal behind a redirected COM port number, for the link's suites that talk to it
// through the program's own operations.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "link/link_state.h"
#include "link/transports.h"
#include "link/sensor_context.h"
#include "params/program_state.h"
#include "platform/controls.h"
#include "platform/panels.h"
#include "platform/rs232.h"
#include "platform/runtime.h"
#include "platform/tcp.h"
#include "platform/userint.h"
#include "sim/simulator.h"
#include "tests/support/panels_fixture.h"
#include "ui/panel_handles.h"
#include "ui/uir.h"

enum class Line { Tcp, Pty };

inline std::string LineName(const ::testing::TestParamInfo<Line>& info)
{
    return info.param == Line::Tcp ? "Tcp" : "Pty";
}

class SimLineTest : public PanelsTest, public ::testing::WithParamInterface<Line> {
protected:
    // The COM port number the pseudo-terminal answers to.
    static constexpr int kSimPort = 9;

    void SetUp() override
    {
        PanelsTest::SetUp();
        sensor.model().SetSerial(4242);
        if (GetParam() == Line::Tcp) {
            ASSERT_GT(sensor.ListenTcp(), 0) << sensor.error();
        } else {
            const std::string path = sensor.OpenPty();
            ASSERT_FALSE(path.empty()) << sensor.error();
            SetComPortDevice(kSimPort, path.c_str());
        }
    }

    void TearDown() override
    {
        sensor.SetLog({});
        CloseOpenComPort();
        CloseCom(kSimPort);
        SetComPortDevice(kSimPort, nullptr);
        if (TcpConnected)
            DisconnectFromTCPServer(TcpHandle);
        sensor.Stop();
        PanelsTest::TearDown();
    }

    // The connection page as the operator fills it in for the simulated sensor.
    void FillConnectionPage()
    {
        const bool tcp = GetParam() == Line::Tcp;
        SetCtrlVal(ConnectPage, CONP_PROTOCOL, tcp ? 1 : 0);
        SetCtrlVal(ConnectPage, CONP_COMPORT, kSimPort);
        SetCtrlVal(ConnectPage, CONP_BAUDRATE, 4);
        SetCtrlVal(ConnectPage, CONP_IPADDRESS, "127.0.0.1");
        SetCtrlVal(ConnectPage, CONP_PORTNUMBER, std::to_string(sensor.tcpPort()).c_str());
    }

    // Opens the transport with the link's own open and marks the sensor connected, as the
    // connection sequence leaves it.
    void OpenLink()
    {
        if (GetParam() == Line::Tcp) {
            Protocol = kProtocolTcp;
            std::strcpy(IpAddress, "127.0.0.1");
            TcpPort = sensor.tcpPort();
            InitTCP_IP();
        } else {
            Protocol = kProtocolRs232;
            ComPort = kSimPort;
            InitRS232();
        }
        ASSERT_GE(OpenStatus, 0) << StatusBox();
        SensorConnected = 1;
    }

    // Lets queued events (a closed socket, a late answer) be handled.
    static void Settle(double seconds)
    {
        const double end = Timer() + seconds;
        while (Timer() < end)
            WaitSystemEvents(end - Timer());
    }

    sim::Simulator sensor;
};

#define INSTANTIATE_ON_BOTH_LINES(suite) \
    INSTANTIATE_TEST_SUITE_P(Lines, suite, ::testing::Values(Line::Tcp, Line::Pty), LineName)

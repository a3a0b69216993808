// The link library on its own, as a command-line program uses it: the run-time without
// windows, the simulator over TCP on 127.0.0.1, notifications instead of views.
#include <gtest/gtest.h>

#include <QCoreApplication>

#include <cstdio>
#include <string>
#include <vector>

#include "link/link_library.h"
#include "platform/files.h"
#include "platform/popups.h"
#include "sim/simulator.h"

namespace {

std::vector<std::string> statusBox;
std::vector<std::string> statusDisplay;
int failures = 0;
int parameterReads = 0;

class LinkWithoutWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetStartValues();
        statusBox.clear();
        statusDisplay.clear();
        failures = parameterReads = 0;
        LinkNotifications n;
        n.statusBox = [](const char* text) { statusBox.emplace_back(text); };
        n.statusDisplay = [](const char* text) { statusDisplay.emplace_back(text); };
        n.linkFailed = [] { ++failures; };
        n.parametersRead = [] { ++parameterReads; };
        SetLinkNotifications(n);

        port = sensor.ListenTcp();
        ASSERT_GT(port, 0) << sensor.error();
        Protocol = kProtocolTcp;
        std::snprintf(IpAddress, sizeof IpAddress, "%s", "127.0.0.1");
        std::snprintf(PortNumberText, sizeof PortNumberText, "%d", port);
    }
    void TearDown() override
    {
        CloseLink();
        SetLinkNotifications({});
    }

    sim::Simulator sensor;
    int port = 0;
};

TEST_F(LinkWithoutWindow, RunsWithoutAWindowingApplication)
{
    ASSERT_NE(nullptr, QCoreApplication::instance());
    EXPECT_FALSE(QCoreApplication::instance()->inherits("QGuiApplication"));
}

TEST_F(LinkWithoutWindow, IdentifiesReadsAndWritesTheSensorOverTcp)
{
    sensor.model().SetSerial(4711);
    sensor.model().eeprom().Gain = 6;
    sensor.model().eepromRows()[3].Cell0 = 1234;

    ASSERT_EQ(1, OpenLink());
    ASSERT_EQ(1, TcpConnected);
    ASSERT_EQ(1, IdentifySensor());
    EXPECT_EQ(1, SensorEdition);
    EXPECT_EQ(4711u, SerialNumber);

    TransferTarget = kTargetSensor;  // with the EEPROM
    SensorConnected = 1;
    GetPara();
    ASSERT_EQ(1, SensorConnected);
    EXPECT_EQ(6, Para.Gain);
    EXPECT_EQ(1234, TechVec[3].Cell0);
    EXPECT_EQ(1, parameterReads);

    Para.Gain = 3;
    TechVec[3].Cell0 = 2345;
    SendPara();
    ASSERT_EQ(1, SensorConnected) << (statusBox.empty() ? "" : statusBox[0]);
    EXPECT_EQ(3, sensor.model().eeprom().Gain);
    EXPECT_EQ(2345, sensor.model().eepromRows()[3].Cell0);
    EXPECT_EQ(0, failures);
    EXPECT_TRUE(statusBox.empty());
}

TEST_F(LinkWithoutWindow, AFailedExchangeIsReportedOnceThroughTheNotifications)
{
    ASSERT_EQ(1, OpenLink());
    sensor.faults().Add({sim::FaultKind::BadHeaderCrc, 7, 0, 1, 0});
    EXPECT_EQ(-1, IdentifySensor());
    EXPECT_EQ(1, failures);
    EXPECT_EQ(std::vector<std::string>{"TIMEOUT!"}, statusDisplay);
    ASSERT_EQ(2u, statusBox.size());
    EXPECT_EQ("ATTENTION! \nRECEIVED HEADER FRAME IS INCORRECT!", statusBox[0]);
    EXPECT_EQ("\n\n", statusBox[1]);
    EXPECT_EQ(0, SensorConnected);
}

TEST_F(LinkWithoutWindow, PopUpsWithoutAScreenTakeTheAnswerThatChangesNothing)
{
    EXPECT_EQ(0, ConfirmPopup("ATTENTION!", "Overwrite?"));
    EXPECT_EQ(2, GenericMessagePopup("ATTENTION!", "Close or offline?", "CLOSE", "OFFLINE", nullptr,
                                     nullptr, 0, 1, 1, 2));
    char path[MAX_PATHNAME_LEN] = "unchanged";
    EXPECT_EQ(VAL_NO_FILE_SELECTED,
              FileSelectPopup("", "Parameter.ini", "*.ini", "Parameter", VAL_LOAD_BUTTON, 0, 0, 1, 1, path));
    EXPECT_STREQ("unchanged", path);
}

}  // namespace

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    InitLinkLibrary(argc, argv);
    return RUN_ALL_TESTS();
}

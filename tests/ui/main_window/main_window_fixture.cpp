#include "tests/ui/main_window/main_window_fixture.h"

#include <QFile>

#include <cstdio>

#include "link/link_state.h"
#include "link/transports.h"
#include "link/sensor_context.h"
#include "params/program_state.h"
#include "platform/panels.h"
#include "platform/rs232.h"
#include "platform/runtime.h"
#include "platform/tcp.h"
#include "ui/callback_table.h"
#include "ui/main_window.h"
#include "ui/panel_handles.h"
#include "ui/panel_settings.h"

namespace {

std::string settingsPath()
{
    char dir[1024];
    GetProjectDir(dir, sizeof dir);
    return std::string(dir) + "/PanelSettings.cfg";
}

}  // namespace

void MainWindowTest::SetUp()
{
    std::remove(settingsPath().c_str());
    RegisterProgramCallbacks();
    PanelsTest::SetUp();
    ASSERT_GT(sensor.ListenTcp(), 0);
    popups = std::make_unique<PopupScript>();
}

void MainWindowTest::TearDown()
{
    popups.reset();
    CloseOpenComPort();
    PanelsTest::TearDown();
    std::remove(settingsPath().c_str());
}

void MainWindowTest::WriteSettingsForTcp(int port)
{
    if (port < 0)
        port = sensor.tcpPort();
    FILE* f = std::fopen(settingsPath().c_str(), "wb");
    ASSERT_NE(nullptr, f);
    std::fprintf(f,
                 "[GENERAL INFO]\r\nFILE TYPE: = \"Panel Settings\"\r\n\r\n"
                 "[COMMUNICATION SETTINGS]\r\nCOMPROTOCOL = 1\r\nIP ADRESS = \"127.0.0.1\"\r\n"
                 "PORT NUMBER = \"%d\"\r\n\r\n",
                 port);
    std::fclose(f);
}

std::string MainWindowTest::SettingsFileText() const
{
    QFile f(QString::fromStdString(settingsPath()));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll().toStdString();
}

void MainWindowTest::StartConnected(int answer)
{
    WriteSettingsForTcp();
    popups->answer(PopupKind::Confirm, answer);
    InitAll();
    ASSERT_EQ(1, SensorConnected) << StatusBox();
}

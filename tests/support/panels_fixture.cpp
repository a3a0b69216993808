#include "tests/support/panels_fixture.h"

#include <QScreen>
#include <QWidget>

#include <cstdio>
#include <cstring>

#include "link/frame.h"
#include "link/link_state.h"
#include "link/transports.h"
#include "params/parameter_set.h"
#include "link/sensor_context.h"
#include "params/program_state.h"
#include "platform/controls.h"
#include "platform/panels.h"
#include "platform/runtime.h"
#include "platform/tcp.h"
#include "platform/userint.h"
#include "ui/panel_handles.h"
#include "ui/uir.h"

void ResetProgramState() { SetStartValues(); }

void PanelsTest::SetUp()
{
    ResetProgramState();
    MainPanel = LoadPanel(0, kUirFile, MAINP);
    ASSERT_GT(MainPanel, 0);
    DataPanel = LoadPanel(MainPanel, kUirFile, DATAP);
    ASSERT_GT(DataPanel, 0);
    ASSERT_EQ(0, GetPanelHandleFromTabPage(MainPanel, MAINP_TAB, 0, &ConnectPage));
    ASSERT_EQ(0, GetPanelHandleFromTabPage(MainPanel, MAINP_TAB, 1, &ParamPage));
}

void PanelsTest::OpenTcpLink(int port)
{
    Protocol = kProtocolTcp;
    std::snprintf(IpAddress, sizeof IpAddress, "%s", "127.0.0.1");
    TcpPort = port;
    InitTCP_IP();
    ASSERT_EQ(1, TcpConnected) << "no conversation with 127.0.0.1:" << port << ": " << StatusBox();
    SensorConnected = 1;
}

void PanelsTest::TearDown()
{
    if (TcpConnected)
        DisconnectFromTCPServer(TcpHandle);
    TcpConnected = 0;
    TcpHandle = 0;
    DiscardPanel(MainPanel);
    MainPanel = DataPanel = ConnectPage = ParamPage = 0;
    ProcessSystemEvents();
}

std::string PanelsTest::StatusBox() const { return Text(ConnectPage, CONP_STATUSBOX); }

std::string PanelsTest::Text(int panel, int control) const
{
    static char buffer[65536];
    if (GetCtrlVal(panel, control, buffer, sizeof buffer) < 0)
        return "<no text control>";
    return buffer;
}

int PanelsTest::Value(int panel, int control) const
{
    int v = -99999;
    GetCtrlVal(panel, control, &v);
    return v;
}

bool PanelsTest::Dimmed(int panel, int control) const
{
    int v = 0;
    GetCtrlAttribute(panel, control, ATTR_DIMMED, &v);
    return v != 0;
}

int PanelsTest::ActivePage() const
{
    int page = -1;
    GetActiveTabPage(MainPanel, MAINP_TAB, &page);
    return page;
}

QImage PanelsTest::OnScreen(QWidget* widget)
{
    const QPoint at = widget->mapTo(widget->window(), QPoint(0, 0));
    return widget->screen()
        ->grabWindow(widget->window()->winId(), at.x(), at.y(), widget->width(), widget->height())
        .toImage()
        .convertToFormat(QImage::Format_RGB32);
}

QImage PanelsTest::DrawnAfresh(QWidget* widget) { return widget->grab().toImage().convertToFormat(QImage::Format_RGB32); }

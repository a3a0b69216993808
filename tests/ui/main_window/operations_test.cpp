// The main window's operations on a connected sensor: SEND and GET to the sensor and to a file,
// as pending operations during acquisition, the memory selector, the tab control, closing.
#include <QAbstractButton>
#include <QSpinBox>
#include <QTest>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QWidget>

#include "link/commands.h"
#include "params/parameter_set.h"
#include "link/sensor_context.h"
#include "params/program_state.h"
#include "platform/controls.h"
#include "platform/panels.h"
#include "platform/runtime.h"
#include "platform/userint.h"
#include "platform/inspection.h"
#include "tests/ui/main_window/main_window_fixture.h"
#include "ui/connect_panel.h"
#include "ui/live_callbacks.h"
#include "ui/main_window.h"
#include "ui/panel_handles.h"
#include "ui/uir.h"

namespace {

int Click(CtrlCallbackPtr callback, int panel, int control, int event = EVENT_COMMIT)
{
    return callback(panel, control, event, nullptr, 0, 0);
}

}  // namespace

class OperationsTest : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        StartConnected(0);
        sensor.ClearRequests();
    }
    // Runs GO; `onLive` is called for every live request the sensor receives (from inside the
    // loop, as an operator's click would come), with its number from 1.
    void RunAcquisition(std::function<void(int)> onLive)
    {
        int live = 0;
        sensor.SetLog([&](const std::string& line) {
            if (line.rfind("order 8 ", 0) == 0)
                onLive(++live);
        });
        Click(CBF_ButtonGo, MainPanel, MAINP_BUTTON_GO);
        sensor.SetLog({});
    }
    int LiveRequests() const
    {
        const std::vector<uint8_t> orders = sensor.orders();
        return static_cast<int>(std::count(orders.begin(), orders.end(), 8));
    }
    // The orders after the first live request, with runs of live requests folded into one 8.
    std::vector<uint8_t> OrdersBetweenLiveRequests() const
    {
        std::vector<uint8_t> folded;
        for (uint8_t o : sensor.orders())
            if (!(o == 8 && !folded.empty() && folded.back() == 8))
                folded.push_back(o);
        return folded;
    }
};

TEST_F(OperationsTest, SendToTheSensorTakesAverageFromItsControlAndStoresInEeprom)
{
    SetCtrlVal(MainPanel, MAINP_AVERAGE, 77);
    bool dimmedDuringSend = false;
    sensor.SetLog([&](const std::string&) {
        dimmedDuringSend = Dim(MainPanel, MAINP_BUTTON_SEND) && Dim(ConnectPage, CONP_BUTTON_TRYCONNECT);
    });
    Click(CBF_ButtonSend, MainPanel, MAINP_BUTTON_SEND);
    sensor.SetLog({});
    EXPECT_TRUE(dimmedDuringSend);
    EXPECT_FALSE(Dim(MainPanel, MAINP_BUTTON_SEND));
    EXPECT_EQ((std::vector<uint8_t>{1, 1, 3}), sensor.orders());
    EXPECT_EQ(77, sensor.model().eeprom().Average);
}

// F9 runs SEND without taking the focus from the field: what the operator typed there is what
// the control shows, so it is what goes to the sensor and to the file.
TEST_F(OperationsTest, AverageTypedAndSentAtOnceIsTheValueSent)
{
    QTemporaryDir dir;
    const std::string path = dir.filePath("typed.ini").toStdString();
    SetCtrlVal(MainPanel, MAINP_AVERAGE, 5);
    DisplayPanel(MainPanel);
    auto* average = static_cast<QSpinBox*>(ControlWidget(MainPanel, MAINP_AVERAGE));
    for (int target : {kTargetSensor, kTargetFile}) {
        SCOPED_TRACE(target);
        const int typed = target == kTargetSensor ? 999 : 321;
        TransferTarget = static_cast<uint16_t>(target);
        average->setFocus();
        average->selectAll();
        QTest::keyClicks(average, QString::number(typed));
        ASSERT_TRUE(average->hasFocus());
        if (target == kTargetFile)
            popups->answer(PopupKind::FileSelect, 2, path);
        static_cast<QAbstractButton*>(ControlWidget(MainPanel, MAINP_BUTTON_SEND))->click();
        EXPECT_EQ(typed, Para.Average);
        EXPECT_EQ(typed, Value(MainPanel, MAINP_AVERAGE));
    }
    EXPECT_EQ(999, sensor.model().eeprom().Average);
    QFile file(QString::fromStdString(path));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.readAll().contains("AVERAGE = 321")) << path;
    EXPECT_EQ(0u, popups->pending());
}

TEST_F(OperationsTest, GetFromTheSensorLoadsEepromFirstAndDoesNotReadAverage)
{
    SetCtrlVal(MainPanel, MAINP_AVERAGE, 1234);
    sensor.model().ram().Average = 99;
    Click(CBF_ButtonGet, MainPanel, MAINP_BUTTON_GET);
    EXPECT_EQ((std::vector<uint8_t>{4, 2, 2}), sensor.orders());
    EXPECT_EQ(sensor.model().eeprom().Average, Para.Average);
    EXPECT_EQ(Para.Average, Value(MainPanel, MAINP_AVERAGE));
}

TEST_F(OperationsTest, MemorySelectorActsAsOneTwoWaySwitch)
{
    Click(CBF_SelectMem, MainPanel, MAINP_TOGGLE_FILE, EVENT_VAL_CHANGED);
    EXPECT_EQ(kTargetFile, TransferTarget);
    EXPECT_EQ(1, Value(MainPanel, MAINP_TOGGLE_FILE));
    EXPECT_EQ(0, Value(MainPanel, MAINP_TOGGLE_SENSOR));
    // Pressing the toggle that is on leaves it on (a real click turns it off first).
    static_cast<QAbstractButton*>(ControlWidget(MainPanel, MAINP_TOGGLE_FILE))->click();
    EXPECT_EQ(1, Value(MainPanel, MAINP_TOGGLE_FILE));
    EXPECT_EQ(kTargetFile, TransferTarget);
    static_cast<QAbstractButton*>(ControlWidget(MainPanel, MAINP_TOGGLE_SENSOR))->click();
    EXPECT_EQ(kTargetSensor, TransferTarget);
    EXPECT_EQ(0, Value(MainPanel, MAINP_TOGGLE_FILE));
    EXPECT_EQ(1, Value(MainPanel, MAINP_TOGGLE_SENSOR));
}

TEST_F(OperationsTest, SendAndGetDuringAcquisitionAreServedBetweenLiveRequests)
{
    SetCtrlVal(MainPanel, MAINP_AVERAGE, 55);
    bool acquiringState = false;
    RunAcquisition([&](int n) {
        if (n == 2) {
            acquiringState = !Dim(MainPanel, MAINP_BUTTON_SEND) && !Dim(MainPanel, MAINP_TOGGLE_FILE) &&
                             Dim(MainPanel, MAINP_BUTTON_GO) && Dim(ConnectPage, CONP_BAUDRATE) &&
                             !Dim(MainPanel, MAINP_BUTTON_STOP);
            // GET first, then SEND, in the same pass: the loop sends first.
            Click(CBF_ButtonGet, MainPanel, MAINP_BUTTON_GET);
            Click(CBF_ButtonSend, MainPanel, MAINP_BUTTON_SEND);
            SetCtrlVal(MainPanel, MAINP_AVERAGE, 66);  // too late: SEND read 55 at the click
        }
        if (n == 4)
            Click(CBF_ButtonStop, MainPanel, MAINP_BUTTON_STOP);
    });
    EXPECT_TRUE(acquiringState);
    EXPECT_EQ((std::vector<uint8_t>{8, 1, 1, 3, 4, 2, 2, 8}), OrdersBetweenLiveRequests());
    EXPECT_EQ(55, sensor.model().eeprom().Average);
    EXPECT_EQ(0, AcquisitionRunning);
    EXPECT_FALSE(Dim(MainPanel, MAINP_BUTTON_GO)) << "GO ends with everything enabled";
}

TEST_F(OperationsTest, SendToFileWhileAcquiringWritesTheFileAndDimsNothing)
{
    QTemporaryDir dir;
    const std::string path = dir.filePath("live.ini").toStdString();
    Click(CBF_SelectMem, MainPanel, MAINP_TOGGLE_FILE, EVENT_VAL_CHANGED);
    popups->answer(PopupKind::FileSelect, 2, path);
    RunAcquisition([&](int n) {
        if (n == 2)
            Click(CBF_ButtonSend, MainPanel, MAINP_BUTTON_SEND);
        if (n == 3)
            AcquisitionRunning = 0;
    });
    EXPECT_TRUE(QFile::exists(QString::fromStdString(path)));
    for (uint8_t o : sensor.orders())
        EXPECT_EQ(8, o) << "nothing but live requests went to the sensor";
}

TEST_F(OperationsTest, ConnectionPageStopsAcquisitionAndDimsAccept)
{
    RunAcquisition([&](int n) {
        if (n == 3)
            static_cast<QTabWidget*>(ControlWidget(MainPanel, MAINP_TAB))->setCurrentIndex(0);
        if (n == 10)
            AcquisitionRunning = 0;  // only if the tab change failed to stop it
    });
    EXPECT_EQ(3, LiveRequests());
    EXPECT_TRUE(Dim(ConnectPage, CONP_BUTTON_ACCEPT));
    // Even with nothing running, the page change dims ACCEPT.
    SetCtrlAttribute(ConnectPage, CONP_BUTTON_ACCEPT, ATTR_DIMMED, 0);
    static_cast<QTabWidget*>(ControlWidget(MainPanel, MAINP_TAB))->setCurrentIndex(1);
    static_cast<QTabWidget*>(ControlWidget(MainPanel, MAINP_TAB))->setCurrentIndex(0);
    EXPECT_TRUE(Dim(ConnectPage, CONP_BUTTON_ACCEPT));
}

TEST_F(OperationsTest, ClosingTheWindowStopsAcquisitionWritesSettingsAndQuits)
{
    RunAcquisition([&](int n) {
        if (n == 2)
            PanelWidget(MainPanel)->close();
        if (n == 10)
            AcquisitionRunning = 0;
    });
    EXPECT_EQ(2, LiveRequests());
    EXPECT_NE(std::string::npos, SettingsFileText().find("FILE TYPE: = \"Panel Settings\""));
    EXPECT_TRUE(PanelWidget(MainPanel)->isVisible()) << "the program, not the close event, ends the window";
    const double start = Timer();
    EXPECT_EQ(0, RunUserInterface());
    EXPECT_LT(Timer() - start, 1.0);
}

TEST_F(OperationsTest, RightDoubleClickRestoresTheDefaultSizeCentred)
{
    SetPanelSize(MainPanel, 300, 400);
    CBF_MAINP(MainPanel, EVENT_RIGHT_DOUBLE_CLICK, nullptr, 0, 0);
    int width = 0, height = 0;
    GetPanelAttribute(MainPanel, ATTR_WIDTH, &width);
    GetPanelAttribute(MainPanel, ATTR_HEIGHT, &height);
    EXPECT_EQ(790, width);
    EXPECT_EQ(548, height);
}

TEST_F(OperationsTest, AcceptStoresTheSettingsAndShowsTheParameterPage)
{
    SetActiveTabPage(MainPanel, MAINP_TAB, 0);
    Click(CBF_ButtonAccept, ConnectPage, CONP_BUTTON_ACCEPT);
    EXPECT_EQ(1, ActivePage());
    const std::string text = SettingsFileText();
    EXPECT_NE(std::string::npos, text.find("COMPROTOCOL = 1\r\n"));
    EXPECT_NE(std::string::npos, text.find("IP ADRESS = \"127.0.0.1\"\r\n"));
}

TEST_F(OperationsTest, DataPanelAndGraphsGrowWithTheWindow)
{
    SetPanelSize(MainPanel, 548, 790);
    QWidget* data = PanelWidget(DataPanel);
    QWidget* graph = ControlWidget(DataPanel, DATAP_GRAPH_YINT);
    QWidget* status = ControlWidget(DataPanel, DATAP_STATUS);
    const QRect small = graph->geometry();
    SetPanelSize(MainPanel, 760, 1200);
    EXPECT_EQ(1200 - 286, data->width());
    EXPECT_EQ(760 - 63, data->height());
    EXPECT_GT(graph->width(), small.width() * 17 / 10);
    EXPECT_GT(graph->height(), small.height() * 13 / 10);
    EXPECT_LE(graph->geometry().bottom(), data->height());
    EXPECT_EQ(24, status->height()) << "a single-line display keeps its height";
    SetPanelSize(MainPanel, 548, 790);
    EXPECT_EQ(small, graph->geometry());
}

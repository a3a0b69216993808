// The workbench window against the simulator, driven as the operator drives it: entries typed
// into the tables' editors, the buttons' callbacks, scripted pop-ups and file dialogs.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cstring>
#include <string>

#include "params/configuration_file.h"
#include "params/parameter_set.h"
#include "link/sensor_context.h"
#include "params/program_state.h"
#include "platform/controls.h"
#include "platform/tables.h"
#include "platform/table_edit.h"
#include "sim/plausibility.h"
#include "tests/ui/main_window/main_window_fixture.h"
#include "ui/main_window.h"
#include "ui/panel_handles.h"
#include "ui/uir.h"
#include "ui/unsent_edits.h"
#include "ui/workbench.h"

namespace {

constexpr int kGainRow = 16, kMaxVecNoRow = 7;
constexpr int kEdited = 0xFFE080;

QTableWidget* Table(const char* name)
{
    for (QWidget* top : QApplication::topLevelWidgets())
        if (auto* t = top->findChild<QTableWidget*>(name))
            return t;
    return nullptr;
}

// Types text into a cell's editor and presses Enter, as the operator does (row, column from 1).
void Enter(const char* tableName, int row, int column, const char* text)
{
    QTableWidget* t = Table(tableName);
    ASSERT_NE(nullptr, t);
    // The last entry's editor goes only once its deletion is served.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    t->setCurrentCell(row - 1, column - 1);
    t->editItem(t->item(row - 1, column - 1));
    QLineEdit* editor = nullptr;
    for (QLineEdit* e : t->viewport()->findChildren<QLineEdit*>())
        if (e->isVisible())
            editor = e;
    ASSERT_NE(nullptr, editor) << "the cell opened no editor";
    editor->setText(QString::fromUtf8(text));
    QTest::keyClick(editor, Qt::Key_Return);
    // The editor hands its entry over from the event loop.
    QCoreApplication::processEvents();
}

int CellValue(int control, int column, int row)
{
    int value = -1;
    GetTableCellVal(WorkbenchPanel(), control, MakePoint(column, row), &value);
    return value;
}

int CellColour(int control, int column, int row)
{
    int colour = 0;
    GetTableCellAttribute(WorkbenchPanel(), control, MakePoint(column, row), ATTR_TEXT_BGCOLOR, &colour);
    return colour;
}

int DiffRows()
{
    int rows = -1;
    GetNumTableRows(WorkbenchPanel(), WBP_DIFFS, &rows);
    return rows;
}

std::string DiffName(int row)
{
    char text[64] = "";
    GetTableCellValText(WorkbenchPanel(), WBP_DIFFS, MakePoint(1, row), text, sizeof text);
    return text;
}

void Press(CtrlCallbackPtr callback, int control)
{
    callback(WorkbenchPanel(), control, EVENT_COMMIT, nullptr, 0, 0);
}

}  // namespace

class Workbench : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        ASSERT_TRUE(dir_.isValid());
        StartConnected(0);
        OpenWorkbench();
        ASSERT_GT(WorkbenchPanel(), 0);
        RefreshWorkbench();
        SetCtrlVal(WorkbenchPanel(), WBP_PREVIEW, 0);
    }
    std::string Message() const { return Text(WorkbenchPanel(), WBP_MESSAGE); }
    std::string PathOf(const char* name) const { return dir_.path().toStdString() + "/" + name; }
    QTemporaryDir dir_;
};

TEST_F(Workbench, RefusesEntriesBeyondTheLimitsAtTheFieldAndMarksAcceptedOnes)
{
    const uint16_t gain = Para.Gain;
    for (const char* entry : {"70000", "abc", "-1", ""}) {
        Enter("WBP_PARAMS", kGainRow, 2, entry);
        EXPECT_EQ(gain, Para.Gain) << entry;
        EXPECT_EQ(gain, CellValue(WBP_PARAMS, 2, kGainRow)) << entry;
        EXPECT_NE(std::string::npos, Message().find("refused. Allowed: whole numbers 0 to 65535")) << Message();
    }
    // The colour count is limited by the connected edition.
    Enter("WBP_PARAMS", kMaxVecNoRow, 2, "32");
    EXPECT_NE(std::string::npos, Message().find("MAX VEC NO: \"32\" refused. Allowed: whole numbers 1 to 31"));
    EXPECT_NE(kEdited, CellColour(WBP_PARAMS, 2, kGainRow));

    Enter("WBP_PARAMS", kGainRow, 2, std::to_string(gain + 1).c_str());
    EXPECT_EQ(gain + 1, Para.Gain);
    EXPECT_EQ(gain + 1, Value(ParamPage, PARP_GAIN));  // the main window follows
    EXPECT_EQ(kEdited, CellColour(WBP_PARAMS, 2, kGainRow));
    EXPECT_NE(kEdited, CellColour(WBP_PARAMS, 2, kMaxVecNoRow));

    Enter("WBP_TEACH", 3, 1, "1234");
    EXPECT_EQ(1234, TechVec[2].Cell0);
    EXPECT_EQ(kEdited, CellColour(WBP_TEACH, 1, 3));
    Enter("WBP_TEACH", 3, 2, "65536");
    EXPECT_EQ(kEdited, CellColour(WBP_TEACH, 1, 3));
    EXPECT_NE(kEdited, CellColour(WBP_TEACH, 2, 3));

    // While another sensor operation runs (its dimmed SEND shows it), nothing starts here and
    // no entry is taken.
    SetCtrlAttribute(MainPanel, MAINP_BUTTON_SEND, ATTR_DIMMED, 1);
    sensor.ClearRequests();
    Enter("WBP_TEACH", 3, 1, "99");
    EXPECT_EQ(1234, TechVec[2].Cell0);
    Press(CBF_WbCompareSensor, WBP_COMPARE_SENSOR);
    EXPECT_TRUE(sensor.requests().empty());
    EXPECT_NE(std::string::npos, Message().find("under way"));
    SetCtrlAttribute(MainPanel, MAINP_BUTTON_SEND, ATTR_DIMMED, 0);

    // A read from the sensor replaces the working copy: nothing is marked any more.
    CBF_ButtonGet(MainPanel, MAINP_BUTTON_GET, EVENT_COMMIT, nullptr, 0, 0);
    EXPECT_EQ(gain, Para.Gain);
    EXPECT_NE(kEdited, CellColour(WBP_PARAMS, 2, kGainRow));
    EXPECT_EQ(0u, popups->pending());
}

TEST_F(Workbench, EditedGainIsSentReadBackAndComparesEqual)
{
    const uint16_t gain = Para.Gain == 4 ? 5 : 4;
    Enter("WBP_PARAMS", kGainRow, 2, std::to_string(gain).c_str());
    Press(CBF_WbSend, WBP_SEND);
    EXPECT_EQ(gain, sensor.model().ram().Gain);
    EXPECT_EQ(gain, sensor.model().eeprom().Gain);  // SEND stored it, as the SEND button does
    EXPECT_EQ(0, DiffRows());
    EXPECT_NE(kEdited, CellColour(WBP_PARAMS, 2, kGainRow));

    Para.Gain = 1;  // GET must bring the sent value back
    CBF_ButtonGet(MainPanel, MAINP_BUTTON_GET, EVENT_COMMIT, nullptr, 0, 0);
    EXPECT_EQ(gain, Para.Gain);
    EXPECT_EQ(gain, Value(ParamPage, PARP_GAIN));
    EXPECT_EQ(gain, CellValue(WBP_PARAMS, 2, kGainRow));

    Press(CBF_WbCompareSensor, WBP_COMPARE_SENSOR);
    EXPECT_EQ(0, DiffRows());
    EXPECT_EQ("Working copy (left) and sensor (right): no differences", Text(WorkbenchPanel(), WBP_DIFF_TITLE));
    EXPECT_EQ(0u, popups->pending());
}

// The sensor answered the SEND with its notice: that is no link failure. The working copy takes
// what the sensor now holds, and the reset value is listed and marked.
TEST_F(Workbench, AfterSendTheValuesTheSensorResetAreListedMarkedAndReadBack)
{
    const std::string status = Text(DataPanel, DATAP_STATUS);
    ASSERT_NE("TIMEOUT!", status);
    Enter("WBP_PARAMS", kGainRow, 2, "50");  // the simulated sensor takes 1 to 8
    Press(CBF_WbSend, WBP_SEND);
    EXPECT_NE(std::string::npos, StatusBox().find("INFO!\n1 PARAMETER IN RAM DID NOT PASS")) << StatusBox();
    ASSERT_EQ(1, DiffRows());
    EXPECT_EQ("GAIN", DiffName(1));
    EXPECT_EQ(50, CellValue(WBP_DIFFS, 2, 1));
    EXPECT_EQ(sensor.model().ram().Gain, CellValue(WBP_DIFFS, 3, 1));
    EXPECT_NE(std::string::npos, Message().find("reset"));

    EXPECT_EQ(status, Text(DataPanel, DATAP_STATUS));
    EXPECT_EQ(1, SensorConnected);
    EXPECT_FALSE(Dimmed(ConnectPage, CONP_BUTTON_ACCEPT));
    EXPECT_EQ(sensor.model().ram().Gain, Para.Gain);
    EXPECT_EQ(sensor.model().ram().Gain, CellValue(WBP_PARAMS, 2, kGainRow));
    EXPECT_EQ(0xFFB0B0, CellColour(WBP_PARAMS, 2, kGainRow));
    EXPECT_NE(std::string::npos,
              StatusBox().find("Reset by the sensor (sent, now):\nGAIN 50, " + std::to_string(Para.Gain) + "\n"))
        << StatusBox();
}

TEST_F(Workbench, SaysWhichSensorItEditsWhereSendGoesAndWhatItCompares)
{
    const auto widget = [](const char* name) -> QWidget* {
        for (QWidget* top : QApplication::topLevelWidgets()) {
            if (top->objectName() == name)
                return top;
            if (auto* w = top->findChild<QWidget*>(name))
                return w;
        }
        return nullptr;
    };
    const auto sendLabel = [&] { return static_cast<QAbstractButton*>(widget("WBP_SEND"))->text().toStdString(); };
    EXPECT_EQ("Parameter workbench - sensor " + std::to_string(sensor.model().serial()) + ", " +
                  sensor.model().firmware(),
              widget("WBP")->windowTitle().toStdString());
    EXPECT_EQ("SEND to sensor EEPROM", sendLabel());

    // A teach word has one name everywhere: the status line says what the differences list says.
    Enter("WBP_TEACH", 4, 1, "70000");
    EXPECT_NE(std::string::npos, Message().find("TEACH VECTOR 3 CELL 0: \"70000\" refused")) << Message();

    // An edit, compared, then a snapshot restored: the list of the old comparison goes.
    Enter("WBP_PARAMS", kGainRow, 2, Para.Gain == 4 ? "5" : "4");
    Press(CBF_WbCompareSensor, WBP_COMPARE_SENSOR);
    ASSERT_EQ(1, DiffRows());
    const std::string saved = PathOf("noext");
    popups->answer(PopupKind::FileSelect, 2, saved);
    Press(CBF_WbSaveFile, WBP_SAVE);
    EXPECT_EQ(0u, popups->shown().back().buttons[0].find("SN" + std::string(5 - std::to_string(sensor.model().serial()).size(), '0') +
                                                         std::to_string(sensor.model().serial()) + "_"))
        << popups->shown().back().buttons[0];
    EXPECT_TRUE(QFile::exists(QString::fromStdString(saved + ".ini"))) << "a name without extension gets .ini";
    Enter("WBP_PARAMS", kGainRow, 2, "3");
    popups->answer(PopupKind::FileSelect, 1, saved + ".ini");
    Press(CBF_WbRestoreSnapshot, WBP_RESTORE);
    EXPECT_EQ(0, DiffRows());

    // Unsent edits: closing asks first.
    Enter("WBP_PARAMS", kGainRow, 2, "2");
    popups->answer(PopupKind::Confirm, 0);
    CBF_WBP(WorkbenchPanel(), EVENT_CLOSE, nullptr, 0, 0);
    EXPECT_TRUE(widget("WBP")->isVisible());
    popups->answer(PopupKind::Confirm, 1);
    CBF_WBP(WorkbenchPanel(), EVENT_CLOSE, nullptr, 0, 0);
    EXPECT_FALSE(widget("WBP")->isVisible());
    OpenWorkbench();

    // SEND to a file whose dialog was cancelled says so.
    CBF_SelectMem(MainPanel, MAINP_TOGGLE_FILE, EVENT_VAL_CHANGED, nullptr, 0, 0);
    EXPECT_EQ("SEND to parameter file", sendLabel());
    popups->answer(PopupKind::FileSelect, 0, "").answer(PopupKind::Message, 0);
    Press(CBF_WbSend, WBP_SEND);
    EXPECT_EQ("SEND cancelled: no parameter file was chosen.", Message());
    EXPECT_EQ(0u, popups->pending());
}

TEST_F(Workbench, PreviewShowsTheChangesAndSendsNothingWhenDeclined)
{
    const uint16_t before = sensor.model().ram().Gain;
    SetCtrlVal(WorkbenchPanel(), WBP_PREVIEW, 1);
    Enter("WBP_PARAMS", kGainRow, 2, before == 4 ? "5" : "4");
    sensor.ClearRequests();
    popups->answer(PopupKind::Confirm, 0);
    Press(CBF_WbSend, WBP_SEND);
    ASSERT_EQ(1, DiffRows());
    EXPECT_EQ("GAIN", DiffName(1));
    EXPECT_EQ(before, sensor.model().ram().Gain);
    for (uint8_t order : sensor.orders())
        EXPECT_NE(1, order);  // no write went out
    EXPECT_EQ(0u, popups->pending());
}

TEST_F(Workbench, ComparesWithFilesRefusesAnotherEditionsAndAsksAboutAnotherSensors)
{
    const std::string saved = PathOf("saved.ini");
    popups->answer(PopupKind::FileSelect, 2, saved);
    Press(CBF_WbSaveFile, WBP_SAVE);
    Configuration read;
    SensorIdentity identity;
    ASSERT_EQ(1, LoadConfigurationFile(saved.c_str(), &read, &identity));
    EXPECT_EQ(sensor.model().firmware(), identity.firmware);

    popups->answer(PopupKind::FileSelect, 1, saved);
    Press(CBF_WbCompareFile, WBP_COMPARE_FILE);
    EXPECT_EQ(0, DiffRows());
    Para.Power = static_cast<uint16_t>(Para.Power + 1);
    TechVec[40].Hold = static_cast<uint16_t>(TechVec[40].Hold + 1);
    popups->answer(PopupKind::FileSelect, 1, saved);
    Press(CBF_WbCompareFile, WBP_COMPARE_FILE);
    ASSERT_EQ(2, DiffRows());
    EXPECT_EQ("POWER", DiffName(1));
    EXPECT_EQ("TEACH VECTOR 40 HOLD", DiffName(2));

    // The same values from a sensor of edition 2 are refused: its parameters are another set.
    identity.firmware = "CHROMIX5 KR V1.0 X";
    const std::string other = PathOf("other.ini");
    ASSERT_EQ(0, WriteConfigurationFile(other.c_str(), read, &identity));
    const Configuration before = WorkingCopy();
    popups->answer(PopupKind::FileSelect, 1, other).answer(PopupKind::Message, 0);
    Press(CBF_WbOpenFile, WBP_OPEN);
    ASSERT_EQ(0u, popups->pending());
    EXPECT_NE(std::string::npos, popups->shown().back().message.find("another edition"));
    EXPECT_TRUE(CompareConfigurations(WorkingCopy(), before, kSensorScope).empty());

    // From another sensor of this edition: asked before use; declining keeps the copy.
    identity.firmware = sensor.model().firmware();
    identity.serial = sensor.model().serial() + 1;
    const std::string twin = PathOf("twin.ini");
    ASSERT_EQ(0, WriteConfigurationFile(twin.c_str(), read, &identity));
    popups->answer(PopupKind::FileSelect, 1, twin).answer(PopupKind::Confirm, 0);
    Press(CBF_WbRestoreSnapshot, WBP_RESTORE);
    ASSERT_EQ(0u, popups->pending());
    EXPECT_NE(std::string::npos, popups->shown().back().message.find(
                                     "serial number " + std::to_string(identity.serial)));
    EXPECT_TRUE(CompareConfigurations(WorkingCopy(), before, kSensorScope).empty());
    WorkingCopyKept();  // as after a read: the changed POWER is what the sensor holds
    RefreshWorkbench();
    popups->answer(PopupKind::FileSelect, 1, twin).answer(PopupKind::Confirm, 1);
    Press(CBF_WbOpenFile, WBP_OPEN);
    EXPECT_EQ(read.para.Power, Para.Power);
    EXPECT_EQ(kEdited, CellColour(WBP_PARAMS, 2, 1));  // loaded, not yet sent
}

// The filter narrows the parameters by name; SET DEFAULT puts the program's default back. Edits
// not yet sent make either window ask before it closes; after a plain SEND or GET nothing asks.
TEST_F(Workbench, FiltersSetsDefaultsAndAsksBeforeClosingOnlyOverUnsentEdits)
{
    QTableWidget* params = Table("WBP_PARAMS");
    QLineEdit* filter = nullptr;
    for (QWidget* top : QApplication::topLevelWidgets())
        if (!filter)
            filter = top->findChild<QLineEdit*>("WBP_FILTER");
    ASSERT_NE(nullptr, filter);
    const auto shownRows = [&] {
        std::string rows;
        for (int row = 0; row < params->rowCount(); ++row)
            if (!params->isRowHidden(row))
                rows += std::to_string(row + 1) + " ";
        return rows;
    };
    QTest::keyClicks(filter, "Po");
    EXPECT_EQ("1 2 ", shownRows());  // POWER, POWER MODE
    // Neither is chosen and two are left: nothing is set.
    const ParameterSet before = Para;
    Press(CBF_WbDefault, WBP_DEFAULT);
    EXPECT_EQ("Select the parameter to set to its default first.", Message());
    EXPECT_EQ(0, std::memcmp(&before, &Para, sizeof Para));

    filter->clear();
    QTest::keyClicks(filter, "gAi");
    EXPECT_EQ(std::to_string(kGainRow) + " ", shownRows());
    Enter("WBP_PARAMS", kGainRow, 2, "3");
    Press(CBF_WbDefault, WBP_DEFAULT);
    EXPECT_EQ(6, Para.Gain);
    EXPECT_EQ(6, Value(ParamPage, PARP_GAIN));
    EXPECT_EQ("GAIN = 6 (its default) in the working copy (not yet sent or saved).", Message());
    QTest::keyClick(filter, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(filter, Qt::Key_Backspace);
    const std::string all = shownRows();
    EXPECT_EQ(kParameterCount, static_cast<int>(std::count(all.begin(), all.end(), ' ')));

    // An edit: the program's close asks, and declined, the program goes on (its settings are
    // stored only when it ends).
    Enter("WBP_PARAMS", kGainRow, 2, sensor.model().ram().Gain == 4 ? "5" : "4");
    const std::string settings = SettingsFileText();
    popups->answer(PopupKind::Confirm, 0);
    CBF_MAINP(MainPanel, EVENT_CLOSE, nullptr, 0, 0);
    EXPECT_NE(std::string::npos, popups->shown().back().message.find("lost when the program ends"));
    EXPECT_EQ(settings, SettingsFileText());

    // The main window's SEND: nothing is unsent, nothing is marked, the workbench closes
    // without a question.
    CBF_ButtonSend(MainPanel, MAINP_BUTTON_SEND, EVENT_COMMIT, nullptr, 0, 0);
    EXPECT_EQ(Para.Gain, sensor.model().eeprom().Gain);
    EXPECT_NE(kEdited, CellColour(WBP_PARAMS, 2, kGainRow));
    CBF_WBP(WorkbenchPanel(), EVENT_CLOSE, nullptr, 0, 0);
    EXPECT_FALSE(params->isVisible());

    // The main panel's AVERAGE field is part of the working copy: an entry there is unsent.
    SetCtrlVal(MainPanel, MAINP_AVERAGE, Para.Average + 1);
    popups->answer(PopupKind::Confirm, 0);
    CBF_MAINP(MainPanel, EVENT_CLOSE, nullptr, 0, 0);
    EXPECT_EQ(settings, SettingsFileText());

    // GET brings the sensor's values back: the program closes without a question.
    CBF_ButtonGet(MainPanel, MAINP_BUTTON_GET, EVENT_COMMIT, nullptr, 0, 0);
    CBF_MAINP(MainPanel, EVENT_CLOSE, nullptr, 0, 0);
    EXPECT_NE(settings, SettingsFileText());
    EXPECT_EQ(0u, popups->pending());
}

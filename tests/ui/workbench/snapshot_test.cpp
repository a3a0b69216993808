// Snapshots: kept on every complete read from the sensor with the sensor's identity, readable by
// the parameter file's own reader, bounded per sensor; and the out-of-range report on loading.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QTableWidget>
#include <QTest>

#include <string>

#include "link/commands.h"
#include "link/orders.h"
#include "params/configuration_file.h"
#include "params/parameter_file.h"
#include "params/parameter_set.h"
#include "link/sensor_context.h"
#include "params/program_state.h"
#include "params/snapshots.h"
#include "platform/userint.h"
#include "tests/ui/main_window/main_window_fixture.h"
#include "tests/params/parfile/parameter_file_fixture.h"
#include "tests/support/popup_script.h"
#include "ui/callback_table.h"
#include "ui/main_window.h"
#include "ui/panel_handles.h"
#include "ui/uir.h"
#include "ui/workbench.h"

namespace {

// Empties the snapshot folder (never the current folder, which an empty path would name).
void ClearSnapshots()
{
    const std::string folder = SnapshotFolder();
    if (!folder.empty())
        QDir(QString::fromStdString(folder)).removeRecursively();
}

void FillDistinct()
{
    for (int i = 0; i < kParameterCount; ++i)
        Para.*kParameterFields[i] = static_cast<uint16_t>(100 + i);
    for (int row = 0; row < kTeachRows; ++row)
        for (int w = 1; w <= kTeachWords; ++w)
            TeachWord(TechVec[row], w) = static_cast<uint16_t>(row * 10 + w);
}

}  // namespace

class SnapshotFile : public ParameterFileTest {
protected:
    void SetUp() override
    {
        ParameterFileTest::SetUp();
        ClearSnapshots();
    }
};

TEST_F(SnapshotFile, KeepsTheFilesOwnBytesAndTheFilesReaderTakesItAsAnyOther)
{
    FillDistinct();
    const Configuration kept = WorkingCopy();
    // The parameter file's own writer, for the bytes to compare with.
    const std::string plain = PathOf("plain.ini");
    {
        PopupScript popups;
        popups.answer(PopupKind::FileSelect, 2, plain);
        SendParaToFile();
    }
    std::string path;
    ASSERT_EQ(1, WriteSnapshot(SnapshotFolder(), kept, SensorIdentity{"CHROMIX5 V4.2 \"x\"", 4711}, "GET", &path));
    EXPECT_NE(std::string::npos, path.find("SN04711_"));
    const std::string bytes = Slurp(path);
    EXPECT_EQ(Slurp(plain) + "[SENSOR IDENTITY]\r\nFIRMWARE = \"CHROMIX5 V4.2 \\\"x\\\"\"\r\n"
                             "SERIAL NUMBER = 4711\r\n\r\n[SNAPSHOT]\r\nREASON = \"GET\"\r\n\r\n",
              bytes);

    // Loaded with the file's own reader: no question, no report; the eighth word stays as it was.
    LoadDefaultParaValues(1);
    PopupScript popups;
    popups.answer(PopupKind::FileSelect, 1, path);
    ReadParaFromFile();
    EXPECT_EQ(1u, popups.shown().size());
    Configuration expected = kept;
    for (int row = 0; row < kTeachRows; ++row)
        expected.rows[row].Reserved = 1;
    EXPECT_TRUE(CompareConfigurations(WorkingCopy(), expected, kSensorScope).empty());

    Configuration read;
    SensorIdentity identity;
    ASSERT_EQ(1, LoadConfigurationFile(path.c_str(), &read, &identity));
    EXPECT_EQ("CHROMIX5 V4.2 \"x\"", identity.firmware);
    EXPECT_EQ(4711, identity.serial);
    EXPECT_TRUE(CompareConfigurations(read, kept, kFileScope).empty());
}

// An unchanged sensor read again adds no snapshot; of a changing one the newest are kept, and
// the first, the sensor as found, for good.
TEST_F(SnapshotFile, KeepsTheFirstAndTheNewestOfEachSensorAndNoRepeats)
{
    const std::string folder = SnapshotFolder();
    std::string first, last, again;
    Configuration c = WorkingCopy();
    for (int i = 0; i < kSnapshotsPerSensor + 2; ++i) {
        c.para.Power = static_cast<uint16_t>(100 + i);
        ASSERT_EQ(1, WriteSnapshot(folder, c, SensorIdentity{"F", 7}, "GET", i == 0 ? &first : &last));
    }
    EXPECT_EQ(0, WriteSnapshot(folder, c, SensorIdentity{"F", 7}, "compare", &again));
    EXPECT_EQ(last, again);
    ASSERT_EQ(1, WriteSnapshot(folder, c, SensorIdentity{"F", 8}, "GET", nullptr));
    const auto seven = ListSnapshots(folder, 7);
    ASSERT_EQ(static_cast<size_t>(kSnapshotsPerSensor), seven.size());
    EXPECT_EQ(last, seven.back());
    EXPECT_EQ(first, seven.front());
    EXPECT_EQ(1u, ListSnapshots(folder, 8).size());
    EXPECT_NE(std::string::npos, SnapshotLabel(first, true).find("  as found, GET")) << SnapshotLabel(first, true);
    EXPECT_EQ(std::string::npos, SnapshotLabel(seven[1], false).find("as found"));
}

// Snapshots of one millisecond get a counter; the counted ones are the newer, in counter order,
// though "-2.ini" sorts before ".ini" by its letters.
TEST_F(SnapshotFile, SnapshotsOfOneMillisecondListInTheOrderTheyWereTaken)
{
    const std::string folder = PathOf("same-ms") + "/";
    QDir().mkpath(QString::fromStdString(folder));
    for (const char* name : {"SN00007_20261207-170752-166-10.ini", "SN00007_20261207-170752-166-2.ini",
                             "SN00007_20261207-170752-167.ini", "SN00007_20261207-170752-166.ini"})
        WriteFile(folder + name, "");
    const std::vector<std::string> expected = {
        folder + "SN00007_20261207-170752-166.ini", folder + "SN00007_20261207-170752-166-2.ini",
        folder + "SN00007_20261207-170752-166-10.ini", folder + "SN00007_20261207-170752-167.ini"};
    EXPECT_EQ(expected, ListSnapshots(folder, 7));
}

TEST_F(SnapshotFile, AFolderThatCannotTakeTheFileGivesAnError)
{
    // A folder that is a file cannot take the snapshot.
    const std::string blocker = PathOf("blocker");
    WriteFile(blocker, "x");
    EXPECT_LT(WriteSnapshot(blocker + "/", WorkingCopy(), SensorIdentity{"F", 1}, "GET", nullptr), 0);
}

class SnapshotOnRead : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        ClearSnapshots();
        sensor.model().SetSerial(321);
    }
    static void Click(CtrlCallbackPtr callback, int panel, int control)
    {
        callback(panel, control, EVENT_COMMIT, nullptr, 0, 0);
    }
};

TEST_F(SnapshotOnRead, ConnectAndGetEachKeepTheSensorsValuesWithItsIdentity)
{
    StartConnected(0);
    auto kept = ListSnapshots(SnapshotFolder(), 321);
    ASSERT_EQ(1u, kept.size());
    Configuration read;
    SensorIdentity identity;
    ASSERT_EQ(1, LoadConfigurationFile(kept[0].c_str(), &read, &identity));
    EXPECT_EQ(sensor.model().firmware(), identity.firmware);
    EXPECT_EQ(321, identity.serial);
    EXPECT_EQ(sensor.model().ram().Gain, read.para.Gain);

    sensor.model().ram().Gain = 3;
    sensor.model().eeprom().Gain = 3;
    Click(CBF_ButtonGet, MainPanel, MAINP_BUTTON_GET);
    kept = ListSnapshots(SnapshotFolder(), 321);
    ASSERT_EQ(2u, kept.size());
    ASSERT_EQ(1, LoadConfigurationFile(kept[1].c_str(), &read, nullptr));
    EXPECT_EQ(3, read.para.Gain);
    EXPECT_EQ("at connection", ReadSnapshotReason(kept[0].c_str()));
    EXPECT_EQ("GET", ReadSnapshotReason(kept[1].c_str()));
    // The same values read again are no news.
    Click(CBF_ButtonGet, MainPanel, MAINP_BUTTON_GET);
    EXPECT_EQ(2u, ListSnapshots(SnapshotFolder(), 321).size());
    EXPECT_EQ(0u, popups->pending());
}

TEST_F(SnapshotOnRead, AFailedSnapshotGoesToTheStatusBoxAndTheReadStands)
{
    // The snapshot folder cannot be created where a file stands in its way.
    const QString folder = QString::fromStdString(SnapshotFolder());
    ASSERT_FALSE(folder.isEmpty());
    QDir(folder).removeRecursively();
    QFile blocker(folder.chopped(1));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    struct Remove {
        QFile& f;
        ~Remove() { f.remove(); }
    } removeAfterwards{blocker};
    StartConnected(0);
    EXPECT_EQ(1, SensorConnected);
    EXPECT_NE(std::string::npos, StatusBox().find("could not be kept")) << StatusBox();
    EXPECT_EQ(std::string::npos, StatusBox().find("(error")) << "the reason in words";
}

// SEND keeps what the sensor held before and what it holds after, from what the window knows:
// no read goes out for them, and what the newest snapshot holds already is not kept again. The
// workbench lists the sensor's snapshots, newest first, and compares one that is opened.
TEST_F(SnapshotOnRead, SendKeepsBeforeAndAfterWithoutReadingAndTheWorkbenchListsThem)
{
    StartConnected(0);
    const uint16_t gain = sensor.model().ram().Gain;
    const uint16_t other = gain == 4 ? 5 : 4;
    // A write of the teach assistant's kind, not the SEND button's: it takes no snapshot.
    Para.Gain = other;
    SendPara();
    ASSERT_EQ(other, sensor.model().ram().Gain);
    ASSERT_EQ(1u, ListSnapshots(SnapshotFolder(), 321).size());

    Para.Gain = gain;
    sensor.ClearRequests();
    Click(CBF_ButtonSend, MainPanel, MAINP_BUTTON_SEND);
    for (uint8_t order : sensor.orders())
        EXPECT_NE(static_cast<int>(kOrderRead), order);
    auto kept = ListSnapshots(SnapshotFolder(), 321);
    ASSERT_EQ(3u, kept.size());
    EXPECT_EQ("before SEND", ReadSnapshotReason(kept[1].c_str()));
    EXPECT_EQ("after SEND", ReadSnapshotReason(kept[2].c_str()));
    Configuration read;
    ASSERT_EQ(1, LoadConfigurationFile(kept[1].c_str(), &read, nullptr));
    EXPECT_EQ(other, read.para.Gain);
    ASSERT_EQ(1, LoadConfigurationFile(kept[2].c_str(), &read, nullptr));
    EXPECT_EQ(gain, read.para.Gain);
    Click(CBF_ButtonSend, MainPanel, MAINP_BUTTON_SEND);
    EXPECT_EQ(3u, ListSnapshots(SnapshotFolder(), 321).size());

    OpenWorkbench();
    QTableWidget* list = nullptr;
    for (QWidget* top : QApplication::topLevelWidgets())
        if (!list)
            list = top->findChild<QTableWidget*>("WBP_SNAPSHOTS");
    ASSERT_NE(nullptr, list);
    ASSERT_EQ(3, list->rowCount());
    EXPECT_EQ(SnapshotTime(kept[2]), list->item(0, 0)->text().toStdString());
    EXPECT_EQ("after SEND", list->item(0, 1)->text().toStdString());
    EXPECT_EQ("before SEND", list->item(1, 1)->text().toStdString());
    EXPECT_EQ("as found, at connection", list->item(2, 1)->text().toStdString());
    // Enter on a row opens it as a double click does.
    list->setCurrentCell(1, 0);
    QTest::keyClick(list, Qt::Key_Return);
    const std::string title = Text(WorkbenchPanel(), WBP_DIFF_TITLE);
    EXPECT_EQ(0u, title.find("The snapshot " + SnapshotTime(kept[1]) + "  before SEND (left)")) << title;
    EXPECT_NE(std::string::npos, title.find(": 1 difference")) << title;
    EXPECT_EQ(0u, popups->pending());
}

// PanelSettings.cfg: written byte for byte, read back with its rules for missing and foreign
// content.
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QRect>
#include <QScreen>
#include <QWidget>
#include <QTemporaryDir>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "link/link_state.h"
#include "params/assistant_texts.h"

#include "params/parameter_file_path.h"
#include "link/sensor_context.h"
#include "params/program_state.h"
#include "platform/controls.h"
#include "platform/lists.h"
#include "platform/panels.h"
#include "platform/runtime.h"
#include "platform/user_dirs.h"
#include "platform/userint.h"
#include "platform/inspection.h"
#include "tests/ui/main_window/main_window_fixture.h"
#include "ui/connect_panel.h"
#include "ui/main_window.h"
#include "ui/panel_handles.h"
#include "ui/panel_settings.h"
#include "ui/settings_location.h"
#include "ui/uir.h"

namespace {

std::string ReadFile(const std::string& path)
{
    QFile f(QString::fromStdString(path));
    return f.open(QIODevice::ReadOnly) ? f.readAll().toStdString() : std::string();
}

std::string ProgramDir()
{
    char dir[1024];
    GetProjectDir(dir, sizeof dir);
    return dir;
}

std::string DocumentsDir()
{
    char dir[1024];
    GetUserDocumentsDir(dir, sizeof dir);
    return dir;
}

// The tests' program folder can be written: the parameter file starts beside the program.
std::string DefaultFolder() { return ProgramDir(); }

}  // namespace

class PanelSettingsTest : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        std::snprintf(SettingsPath, sizeof SettingsPath, "%s/PanelSettings.cfg", ProgramDir().c_str());
    }
    void WriteSettings(const std::string& text)
    {
        FILE* f = std::fopen(SettingsPath, "wb");
        ASSERT_NE(nullptr, f);
        std::fwrite(text.data(), 1, text.size(), f);
        std::fclose(f);
    }
    int History() const
    {
        int n = -1;
        GetNumListItems(ConnectPage, CONP_IPADDRESS, &n);
        return n;
    }
    std::string HistoryEntry(int i) const
    {
        char label[256] = {};
        GetLabelFromIndex(ConnectPage, CONP_IPADDRESS, i, label, sizeof label);
        return label;
    }
    int Geometry(int attribute) const
    {
        int v = -1;
        GetPanelAttribute(MainPanel, attribute, &v);
        return v;
    }
    static std::string SettingsWithGeometry(const std::string& left, const std::string& top,
                                            const std::string& width, const std::string& height)
    {
        return "[GENERAL INFO]\r\nFILE TYPE: = \"Panel Settings\"\r\n\r\n[PANEL POSITION]\r\n"
               "MAINPANEL FULLSCREEN = 0\r\nMAINPANEL LEFT = " + left + "\r\nMAINPANEL TOP = " + top +
               "\r\nMAINPANEL WIDTH = " + width + "\r\nMAINPANEL HEIGHT = " + height + "\r\n\r\n";
    }
};

TEST_F(PanelSettingsTest, DefaultsAreWrittenExactlyAsTheGoldenFile)
{
    GetConnectionSettingsFromFile();  // no file: the defaults
    SetPanelPos(MainPanel, 40, 10);
    SetPanelSize(MainPanel, 548, 790);
    std::snprintf(ParameterFilePath, sizeof ParameterFilePath, "%s", "/data/Parameter.ini");
    StorePanelSettings();
    EXPECT_EQ(ReadFile(DIROR_GOLDEN_DIR "/panel_settings_defaults.cfg"), ReadFile(SettingsPath));
}

TEST_F(PanelSettingsTest, WhatIsStoredComesBackAtTheNextStart)
{
    SetPanelPos(MainPanel, 70, 33);
    SetPanelSize(MainPanel, 500, 700);
    SetCtrlVal(MainPanel, MAINP_LANGUAGE, 5);
    std::snprintf(ParameterFilePath, sizeof ParameterFilePath, "%s", "/tmp/some where/p \"q\".ini");
    AddToIpHistory("10.0.0.2");
    AddToIpHistory("sensor.local");
    SetCtrlVal(ConnectPage, CONP_PROTOCOL, 1);
    SetCtrlVal(ConnectPage, CONP_PORTNUMBER, "2001");
    SetCtrlVal(ConnectPage, CONP_IPADDRESS, "sensor.local");
    StorePanelSettings();

    DeleteListItem(ConnectPage, CONP_IPADDRESS, 0, -1);
    SetPanelPos(MainPanel, 0, 0);
    SetCtrlVal(MainPanel, MAINP_LANGUAGE, 0);
    SetCtrlVal(ConnectPage, CONP_PROTOCOL, 0);
    LanguageIndex = 0;
    LoadPanelSettings();
    GetConnectionSettingsFromFile();
    EXPECT_EQ(33, Geometry(ATTR_LEFT));
    EXPECT_EQ(70, Geometry(ATTR_TOP));
    EXPECT_EQ(700, Geometry(ATTR_WIDTH));
    EXPECT_EQ(500, Geometry(ATTR_HEIGHT));
    EXPECT_EQ(5, LanguageIndex);
    EXPECT_EQ(5, Value(MainPanel, MAINP_LANGUAGE));
    EXPECT_STREQ("/tmp/some where/p \"q\".ini", ParameterFilePath);
    ASSERT_EQ(2, History());
    EXPECT_EQ("sensor.local", HistoryEntry(0));
    EXPECT_EQ("10.0.0.2", HistoryEntry(1));
    EXPECT_EQ(1, Value(ConnectPage, CONP_PROTOCOL));
    EXPECT_EQ("2001", Text(ConnectPage, CONP_PORTNUMBER));
    EXPECT_EQ("sensor.local", Text(ConnectPage, CONP_IPADDRESS));
}

TEST_F(PanelSettingsTest, MaximisedWindowIsStoredAsTwoAndRestoredMaximised)
{
    DisplayPanel(MainPanel);
    SetPanelAttribute(MainPanel, ATTR_WINDOW_ZOOM, VAL_MAXIMIZE);
    StorePanelSettings();
    EXPECT_NE(std::string::npos, ReadFile(SettingsPath).find("MAINPANEL FULLSCREEN = 2\r\n"));
    SetPanelAttribute(MainPanel, ATTR_WINDOW_ZOOM, VAL_NO_ZOOM);
    LoadPanelSettings();
    EXPECT_EQ(VAL_MAXIMIZE, Geometry(ATTR_WINDOW_ZOOM));
}

TEST_F(PanelSettingsTest, GeometryWithoutTheZoomKeyIsNotApplied)
{
    SetPanelPos(MainPanel, 50, 60);
    WriteSettings("[GENERAL INFO]\r\nFILE TYPE: = \"Panel Settings\"\r\n\r\n[PANEL POSITION]\r\n"
                  "MAINPANEL LEFT = 300\r\nMAINPANEL TOP = 200\r\n\r\n");
    LoadPanelSettings();
    EXPECT_EQ(60, Geometry(ATTR_LEFT));
    EXPECT_EQ(50, Geometry(ATTR_TOP));
}

TEST_F(PanelSettingsTest, ZoomKeyWithoutGeometryUsesTheDefaultGeometry)
{
    WriteSettings("[GENERAL INFO]\r\nFILE TYPE: = \"Panel Settings\"\r\n\r\n[PANEL POSITION]\r\n"
                  "MAINPANEL FULLSCREEN = 0\r\nMAINPANEL WIDTH = x\r\n\r\n");
    LoadPanelSettings();
    EXPECT_EQ(10, Geometry(ATTR_LEFT));
    EXPECT_EQ(40, Geometry(ATTR_TOP));
    EXPECT_EQ(790, Geometry(ATTR_WIDTH));
    EXPECT_EQ(548, Geometry(ATTR_HEIGHT));
}

TEST_F(PanelSettingsTest, HistoryTakesAtMostTenAndSkipsMissingEntriesWithoutGaps)
{
    std::string text = "[GENERAL INFO]\r\nFILE TYPE: = \"Panel Settings\"\r\n\r\n[IP ADDRESSES]\r\nLIST ITEMS = 12\r\n";
    for (int i = 1; i <= 12; ++i)
        text += "IP ADDR " + std::to_string(i) + " = \"10.0.0." + std::to_string(i) + "\"\r\n";
    WriteSettings(text + "\r\n");
    LoadPanelSettings();
    ASSERT_EQ(10, History());
    EXPECT_EQ("10.0.0.1", HistoryEntry(0));
    EXPECT_EQ("10.0.0.10", HistoryEntry(9));

    DeleteListItem(ConnectPage, CONP_IPADDRESS, 0, -1);
    WriteSettings("[GENERAL INFO]\r\nFILE TYPE: = \"Panel Settings\"\r\n\r\n[IP ADDRESSES]\r\nLIST ITEMS = 3\r\n"
                  "IP ADDR 1 = \"first\"\r\nIP ADDR 3 = \"third\"\r\n\r\n");
    LoadPanelSettings();
    ASSERT_EQ(2, History());
    EXPECT_EQ("first", HistoryEntry(0));
    EXPECT_EQ("third", HistoryEntry(1));
}

TEST_F(PanelSettingsTest, ForeignFileTypeIsIgnoredByBothReaders)
{
    WriteSettings("[GENERAL INFO]\r\nFILE TYPE: = \"Parameter File\"\r\n\r\n[GENERAL SETTINGS]\r\n"
                  "SELECTED LANGUAGE = 4\r\n\r\n[COMMUNICATION SETTINGS]\r\nCOMPROTOCOL = 1\r\nCOMPORT = 9\r\n"
                  "BAUDRATE = 7\r\nIP ADRESS = \"1.2.3.4\"\r\nPORT NUMBER = \"99\"\r\n\r\n");
    LoadPanelSettings();
    GetConnectionSettingsFromFile();
    EXPECT_EQ(0, LanguageIndex);
    EXPECT_EQ(0, Value(ConnectPage, CONP_PROTOCOL));
    EXPECT_EQ(1, Value(ConnectPage, CONP_COMPORT));
    EXPECT_EQ(4, Value(ConnectPage, CONP_BAUDRATE));
    EXPECT_EQ("", Text(ConnectPage, CONP_IPADDRESS));
    EXPECT_EQ("10001", Text(ConnectPage, CONP_PORTNUMBER));
    EXPECT_EQ(DefaultFolder() + "/Parameter.ini", ParameterFilePath);
}

// The parameter file's folder follows the settings file's rule: beside the program when that
// folder can be written, else the user's documents folder.
TEST_F(PanelSettingsTest, TheParameterFileStartsBesideAWritableProgramElseInTheDocuments)
{
    char dir[1024];
    const std::string writable = QDir::tempPath().toStdString();
    EXPECT_EQ(1, FormDefaultParameterFolder(writable.c_str(), dir, sizeof dir));
    EXPECT_EQ(writable, dir);
    // Root may write anywhere: a folder that does not exist stands for one that cannot be written.
    EXPECT_EQ(2, FormDefaultParameterFolder((writable + "/no-such-program-folder").c_str(), dir, sizeof dir));
    EXPECT_EQ(DocumentsDir(), dir);
}

TEST_F(PanelSettingsTest, MissingParameterFileKeyLeavesTheDefaultFolderAlone)
{
    WriteSettings("[GENERAL INFO]\r\nFILE TYPE: = \"Panel Settings\"\r\n\r\n");
    LoadPanelSettings();
    EXPECT_EQ(DefaultFolder(), ParameterFilePath);
    std::remove(SettingsPath);
    LoadPanelSettings();
    EXPECT_EQ(DefaultFolder() + "/Parameter.ini", ParameterFilePath);
}

// Root may write anywhere, so a folder that does not exist stands for one the operator cannot
// write; the program started as another user is shown by CI on the installed package.
TEST(SettingsLocation, BesideAWritableProgramElseInTheUsersConfigurationFolder)
{
    QTemporaryDir program, config;
    const QByteArray oldConfig = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
    char path[1024];
    const std::string programDir = program.path().toStdString();
    EXPECT_EQ(1, FormSettingsPath(programDir.c_str(), path, sizeof path));
    EXPECT_EQ(programDir + "/PanelSettings.cfg", path);

    const std::string locked = programDir + "/not-there";
    EXPECT_EQ(2, FormSettingsPath(locked.c_str(), path, sizeof path));
    const QString folder = config.filePath(QCoreApplication::applicationName());
    EXPECT_EQ((folder + "/PanelSettings.cfg").toStdString(), path);
    EXPECT_TRUE(QDir(folder).exists());
    qputenv("XDG_CONFIG_HOME", oldConfig);
}

TEST_F(PanelSettingsTest, MissingConnectionKeysFallBackToDefaults)
{
    SetCtrlVal(ConnectPage, CONP_IPADDRESS, "old");
    WriteSettings("[GENERAL INFO]\r\nFILE TYPE: = \"Panel Settings\"\r\n\r\n[COMMUNICATION SETTINGS]\r\n"
                  "COMPORT = 3\r\n\r\n");
    GetConnectionSettingsFromFile();
    EXPECT_EQ(0, Value(ConnectPage, CONP_PROTOCOL));
    EXPECT_EQ(3, Value(ConnectPage, CONP_COMPORT));
    EXPECT_EQ(4, Value(ConnectPage, CONP_BAUDRATE));
    EXPECT_EQ("", Text(ConnectPage, CONP_IPADDRESS));
    EXPECT_EQ("10001", Text(ConnectPage, CONP_PORTNUMBER));
}

TEST_F(PanelSettingsTest, GeometryOffTheScreensGivesTheOwnSizeCentredAndIsNotStoredBack)
{
    DisplayPanel(MainPanel);
    const int ownWidth = Geometry(ATTR_WIDTH);
    const int ownHeight = Geometry(ATTR_HEIGHT);
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    ASSERT_TRUE(screen.contains(QRect(10, 40, ownWidth, ownHeight)));
    const std::string max = "2147483647";
    const std::string min = "-2147483648";
    const std::vector<std::vector<std::string>> cases = {
        {"-900", "-700", "790", "548"}, {"10", max, "790", "548"}, {max, "40", "790", "548"},
        {"10", "40", max, "548"},       {"10", "40", "790", max},  {"10", "40", "-790", "-548"},
        {"10", "40", "790", "0"},       {min, min, max, max},      {"10", "40", "5000", "548"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c[0] + " " + c[1] + " " + c[2] + " " + c[3]);
        WriteSettings(SettingsWithGeometry(c[0], c[1], c[2], c[3]));
        LoadPanelSettings();
        const QRect now(Geometry(ATTR_LEFT), Geometry(ATTR_TOP), Geometry(ATTR_WIDTH), Geometry(ATTR_HEIGHT));
        EXPECT_EQ(QSize(ownWidth, ownHeight), now.size());
        EXPECT_TRUE(screen.contains(now));
        EXPECT_LE(std::abs(now.center().x() - screen.center().x()), 8);
        EXPECT_LE(std::abs(now.center().y() - screen.center().y()), 32);

        // Stored as it is now, so the next start finds the same place.
        StorePanelSettings();
        LoadPanelSettings();
        EXPECT_EQ(now, QRect(Geometry(ATTR_LEFT), Geometry(ATTR_TOP), Geometry(ATTR_WIDTH), Geometry(ATTR_HEIGHT)));
        const std::string text = SettingsFileText();
        EXPECT_NE(std::string::npos, text.find("MAINPANEL WIDTH = " + std::to_string(ownWidth) + "\r\n"));
        EXPECT_NE(std::string::npos, text.find("MAINPANEL LEFT = " + std::to_string(now.x()) + "\r\n"));
    }
    // A window that fits stays where the file puts it.
    WriteSettings(SettingsWithGeometry("0", "0", "800", "600"));
    LoadPanelSettings();
    EXPECT_EQ(QRect(0, 0, 800, 600),
              QRect(Geometry(ATTR_LEFT), Geometry(ATTR_TOP), Geometry(ATTR_WIDTH), Geometry(ATTR_HEIGHT)));
}

// Under a window manager the frame stands around the client area: the position stored is the
// client area's, so restoring must place the client area, or the window creeps by the title
// bar at every start.
TEST_F(PanelSettingsTest, AStoredPositionComesBackWhereItWasAtEveryStart)
{
    DisplayPanel(MainPanel);
    SetPanelPos(MainPanel, 70, 3);
    for (int start = 0; start < 3; ++start) {
        EXPECT_EQ(3, Geometry(ATTR_LEFT)) << "start " << start;
        EXPECT_EQ(70, Geometry(ATTR_TOP)) << "start " << start;
        StorePanelSettings();
        LoadPanelSettings();
    }
}

TEST_F(PanelSettingsTest, LanguageAndBaudRateOutOfRangeAreShownAndStoredAsWhatIsUsed)
{
    const std::pair<std::string, std::string> cases[] = {{"7", "8"}, {"-1", "-1"}, {"2147483647", "65540"}};
    for (const auto& [language, baudRate] : cases) {
        SCOPED_TRACE(language + " " + baudRate);
        SetCtrlVal(MainPanel, MAINP_LANGUAGE, 0);
        SetCtrlVal(ConnectPage, CONP_BAUDRATE, 0);
        WriteSettings(std::string("[GENERAL INFO]\r\nFILE TYPE: = \"Panel Settings\"\r\n\r\n"
                                  "[GENERAL SETTINGS]\r\nSELECTED LANGUAGE = ") + language +
                      "\r\n\r\n[COMMUNICATION SETTINGS]\r\nBAUDRATE = " + baudRate + "\r\n\r\n");
        LoadPanelSettings();
        GetConnectionSettingsFromFile();
        // The prompts speak English and the port opens at 115200 (index 4): so say the
        // selectors, and so says the file afterwards.
        EXPECT_STREQ(AssistantText(TxtSendDefaults, kLanguageEnglish), AssistantText(TxtSendDefaults, LanguageIndex));
        EXPECT_EQ(kLanguageEnglish, Value(MainPanel, MAINP_LANGUAGE));
        EXPECT_EQ(4, BaudRateIndex);
        EXPECT_EQ(4, Value(ConnectPage, CONP_BAUDRATE));
        StorePanelSettings();
        const std::string text = SettingsFileText();
        EXPECT_NE(std::string::npos, text.find("SELECTED LANGUAGE = 1\r\n")) << text;
        EXPECT_NE(std::string::npos, text.find("BAUDRATE = 4\r\n")) << text;
    }
}

TEST_F(PanelSettingsTest, AFifoInPlaceOfTheSettingsFileIsReadAsMissingAndNeverReplaced)
{
    ASSERT_EQ(0, ::mkfifo(SettingsPath, 0600));
    // Should start-up wait on the FIFO, a writer ends the wait after a few seconds and says so.
    std::atomic<bool> done{false};
    std::atomic<bool> rescued{false};
    std::thread rescue([&] {
        for (int i = 0; i < 100 && !done; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        while (!done) {
            const int fd = ::open(SettingsPath, O_WRONLY | O_NONBLOCK);
            if (fd >= 0) {
                rescued = true;
                ::close(fd);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    });
    LoadPanelSettings();
    GetConnectionSettingsFromFile();
    done = true;
    rescue.join();
    EXPECT_FALSE(rescued) << "start-up waited for a writer on the FIFO";
    EXPECT_EQ(DefaultFolder() + "/Parameter.ini", ParameterFilePath);
    EXPECT_EQ(1, Value(ConnectPage, CONP_COMPORT));
    EXPECT_EQ(4, Value(ConnectPage, CONP_BAUDRATE));

    // Closing does not replace what is not a file: it says so and leaves the FIFO as it is.
    popups->answer(PopupKind::Message, 0);
    StorePanelSettings();
    struct stat info {};
    ASSERT_EQ(0, ::stat(SettingsPath, &info));
    EXPECT_TRUE(S_ISFIFO(info.st_mode));
    ASSERT_EQ(1u, popups->shown().size());
    EXPECT_NE(std::string::npos, popups->shown()[0].message.find("not a file; it was left untouched"))
        << popups->shown()[0].message;
}

TEST_F(PanelSettingsTest, ASaveThatFailsOnCloseIsToldOnStandardErrorAndInAPopUp)
{
    ASSERT_EQ(0, ::mkdir(SettingsPath, 0700));  // a folder where the file belongs
    DisplayPanel(MainPanel);
    popups->answer(PopupKind::Message, 0);
    ::testing::internal::CaptureStderr();
    PanelWidget(MainPanel)->close();
    const std::string stderrText = ::testing::internal::GetCapturedStderr();
    ASSERT_EQ(1u, popups->shown().size());
    EXPECT_EQ("ATTENTION!", popups->shown()[0].title);
    EXPECT_EQ(std::string("The settings could not be saved:\n") + SettingsPath +
                  "\n\nThe path names a folder, a device, a FIFO or a socket, not a file; it was left "
                  "untouched. (error -5005)",
              popups->shown()[0].message);
    EXPECT_NE(std::string::npos, stderrText.find(SettingsPath)) << stderrText;
    EXPECT_EQ(0, RunUserInterface()) << "the close event ends the program all the same";
}

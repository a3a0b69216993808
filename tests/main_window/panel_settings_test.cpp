// PanelSettings.cfg: written byte for byte, read back with its rules for missing and foreign
// content.
#include <QFile>

#include <cstdio>
#include <cstring>

#include "params/parameter_file_path.h"
#include "params/program_state.h"
#include "platform/controls.h"
#include "platform/lists.h"
#include "platform/panels.h"
#include "platform/runtime.h"
#include "platform/userint.h"
#include "tests/main_window/main_window_fixture.h"
#include "ui/connect_panel.h"
#include "ui/panel_handles.h"
#include "ui/panel_settings.h"
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
    SetPanelSize(MainPanel, 600, 900);
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
    EXPECT_EQ(900, Geometry(ATTR_WIDTH));
    EXPECT_EQ(600, Geometry(ATTR_HEIGHT));
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
    EXPECT_EQ(ProgramDir() + "/Parameter.ini", ParameterFilePath);
}

TEST_F(PanelSettingsTest, MissingParameterFileKeyLeavesTheProgramDirectoryAlone)
{
    WriteSettings("[GENERAL INFO]\r\nFILE TYPE: = \"Panel Settings\"\r\n\r\n");
    LoadPanelSettings();
    EXPECT_EQ(ProgramDir(), ParameterFilePath);
    std::remove(SettingsPath);
    LoadPanelSettings();
    EXPECT_EQ(ProgramDir() + "/Parameter.ini", ParameterFilePath);
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

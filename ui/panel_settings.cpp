#include "ui/panel_settings.h"

#include <cstdio>
#include <cstring>

#include "ini/inifile.h"
#include "link/link_state.h"
#include "params/parameter_file_path.h"
#include "params/program_state.h"
#include "platform/controls.h"
#include "platform/lists.h"
#include "platform/panels.h"
#include "platform/runtime.h"
#include "platform/userint.h"
#include "platform/version.h"
#include "ui/panel_handles.h"
#include "ui/uir.h"

char SettingsPath[kPathSize] = {};

namespace {

constexpr char kGeneral[] = "GENERAL INFO";
constexpr char kPosition[] = "PANEL POSITION";
constexpr char kSettings[] = "GENERAL SETTINGS";
constexpr char kDirectories[] = "DIRECTORIES";
constexpr char kAddresses[] = "IP ADDRESSES";
constexpr char kCommunication[] = "COMMUNICATION SETTINGS";
constexpr int kMaxHistory = 10;

void historyKey(char* key, size_t size, int k) { std::snprintf(key, size, "%s%d", "IP ADDR ", k); }

}  // namespace

bool IsPanelSettingsFile(IniText doc)
{
    char type[1024] = {};
    Ini_GetStringIntoBuffer(doc, kGeneral, "FILE TYPE:", type, sizeof type);
    return std::strcmp(type, "Panel Settings") == 0;
}

void LoadPanelSettings()
{
    SetDefaultParameterFilePath();
    if (GetFileInfo(SettingsPath, nullptr) <= 0)
        return;

    IniText doc = Ini_New(0);
    if (!doc)
        return;
    // What could be read is used, even after a read error.
    Ini_ReadFromFile(doc, SettingsPath);
    if (!IsPanelSettingsFile(doc)) {
        Ini_Dispose(doc);
        return;
    }

    int32_t zoom = 0;
    if (Ini_GetInt(doc, kPosition, "MAINPANEL FULLSCREEN", &zoom) == 1) {
        if (zoom == VAL_MAXIMIZE) {
            SetPanelAttribute(MainPanel, ATTR_WINDOW_ZOOM, VAL_MAXIMIZE);
        } else {
            int32_t left = 10, top = 40, width = 790, height = 548;
            int32_t v = 0;
            if (Ini_GetInt(doc, kPosition, "MAINPANEL LEFT", &v) == 1) left = v;
            if (Ini_GetInt(doc, kPosition, "MAINPANEL TOP", &v) == 1) top = v;
            if (Ini_GetInt(doc, kPosition, "MAINPANEL WIDTH", &v) == 1) width = v;
            if (Ini_GetInt(doc, kPosition, "MAINPANEL HEIGHT", &v) == 1) height = v;
            SetPanelPos(MainPanel, top, left);
            SetPanelSize(MainPanel, height, width);
        }
    }

    int32_t language = 0;
    if (Ini_GetInt(doc, kSettings, "SELECTED LANGUAGE", &language) == 1)
        LanguageIndex = language;
    SetCtrlVal(MainPanel, MAINP_LANGUAGE, static_cast<int>(LanguageIndex));

    if (Ini_GetStringIntoBuffer(doc, kDirectories, "PARAMETER FILE", ParameterFilePath,
                                sizeof ParameterFilePath) != 1)
        GetProjectDir(ParameterFilePath, sizeof ParameterFilePath);

    int32_t n = 0;
    if (Ini_GetInt(doc, kAddresses, "LIST ITEMS", &n) == 1) {
        if (n > kMaxHistory)
            n = kMaxHistory;
        int appended = 0;
        for (int i = 1; i <= n; ++i) {
            char key[32];
            char address[1024];
            historyKey(key, sizeof key, i);
            if (Ini_GetStringIntoBuffer(doc, kAddresses, key, address, sizeof address) == 1)
                InsertListItem(ConnectPage, CONP_IPADDRESS, appended++, address);
        }
    }
    Ini_Dispose(doc);
}

void StorePanelSettings()
{
    IniText doc = Ini_New(0);
    if (!doc)
        return;
    Ini_PutString(doc, kGeneral, "FILE TYPE:", "Panel Settings");
    Ini_PutString(doc, kGeneral, "DIROR VERSION:", kProductVersionText);

    struct Geometry {
        int attribute;
        const char* key;
    };
    static constexpr Geometry kGeometry[] = {
        {ATTR_WINDOW_ZOOM, "MAINPANEL FULLSCREEN"}, {ATTR_LEFT, "MAINPANEL LEFT"},
        {ATTR_TOP, "MAINPANEL TOP"},                {ATTR_WIDTH, "MAINPANEL WIDTH"},
        {ATTR_HEIGHT, "MAINPANEL HEIGHT"},
    };
    for (const Geometry& g : kGeometry) {
        int value = 0;
        GetPanelAttribute(MainPanel, g.attribute, &value);
        Ini_PutInt(doc, kPosition, g.key, value);
    }

    int language = LanguageIndex;
    GetCtrlVal(MainPanel, MAINP_LANGUAGE, &language);
    LanguageIndex = language;
    Ini_PutInt(doc, kSettings, "SELECTED LANGUAGE", LanguageIndex);
    Ini_PutString(doc, kDirectories, "PARAMETER FILE", ParameterFilePath);

    int count = 0;
    GetNumListItems(ConnectPage, CONP_IPADDRESS, &count);
    if (count > kMaxHistory)
        count = kMaxHistory;
    Ini_PutInt(doc, kAddresses, "LIST ITEMS", count);
    for (int i = 0; i < count; ++i) {
        char key[32];
        char address[1024];
        historyKey(key, sizeof key, i + 1);
        GetLabelFromIndex(ConnectPage, CONP_IPADDRESS, i, address, sizeof address);
        Ini_PutString(doc, kAddresses, key, address);
    }

    GetCtrlVal(ConnectPage, CONP_PROTOCOL, &Protocol);
    GetCtrlVal(ConnectPage, CONP_COMPORT, &ComPort);
    GetCtrlVal(ConnectPage, CONP_BAUDRATE, &BaudRateIndex);
    GetCtrlVal(ConnectPage, CONP_IPADDRESS, IpAddress, sizeof IpAddress);
    GetCtrlVal(ConnectPage, CONP_PORTNUMBER, PortNumberText, sizeof PortNumberText);
    Ini_PutInt(doc, kCommunication, "COMPROTOCOL", Protocol);
    Ini_PutInt(doc, kCommunication, "COMPORT", ComPort);
    Ini_PutInt(doc, kCommunication, "BAUDRATE", BaudRateIndex);
    Ini_PutString(doc, kCommunication, "IP ADRESS", IpAddress);
    Ini_PutString(doc, kCommunication, "PORT NUMBER", PortNumberText);

    Ini_WriteToFile(doc, SettingsPath);
    Ini_Dispose(doc);
}

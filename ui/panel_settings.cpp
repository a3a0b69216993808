#include "ui/panel_settings.h"

#include <cstdio>
#include <cstring>

#include "ini/inifile.h"
#include "link/link_state.h"
#include "params/assistant_texts.h"
#include "params/parameter_file_path.h"
#include "link/sensor_context.h"
#include "params/program_state.h"
#include "platform/controls.h"
#include "platform/lists.h"
#include "platform/panels.h"
#include "platform/popups.h"
#include "platform/runtime.h"
#include "platform/userint.h"
#include "platform/version.h"
#include "ui/panel_handles.h"
#include "ui/panel_settings_layout.h"
#include "ui/uir.h"

char SettingsPath[kPathSize] = {};

namespace {

constexpr const auto& kGeneral = kSettingsGeneralSection;
constexpr const auto& kPosition = kSettingsPositionSection;
constexpr const auto& kSettings = kSettingsGeneralSettingsSection;
constexpr const auto& kDirectories = kSettingsDirectoriesSection;
constexpr const auto& kAddresses = kSettingsAddressesSection;
constexpr const auto& kCommunication = kSettingsCommunicationSection;
constexpr int kMaxHistory = kSettingsMaxHistory;

void historyKey(char* key, size_t size, int k)
{
    std::snprintf(key, size, "%s%d", kSettingsAddressKeyPrefix, k);
}

// A lost settings file is noticed only at the next start, so a failed save is told at once.
void ReportStoreFailure(int code)
{
    std::fprintf(stderr, "Settings could not be saved to %s: %s (error %d)\n", SettingsPath,
                 GetToolboxErrorString(code), code);
    char text[kPathSize + 256];
    std::snprintf(text, sizeof text, "The settings could not be saved:\n%s\n\n%s (error %d)",
                  SettingsPath, GetToolboxErrorString(code), code);
    MessagePopup("ATTENTION!", text);
}

}  // namespace

bool IsPanelSettingsFile(IniText doc)
{
    char type[1024] = {};
    Ini_GetStringIntoBuffer(doc, kGeneral, kSettingsFileTypeKey, type, sizeof type);
    return std::strcmp(type, kSettingsFileTypeValue) == 0;
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
    if (Ini_GetInt(doc, kPosition, kSettingsFullScreenKey, &zoom) == 1) {
        if (zoom == VAL_MAXIMIZE) {
            SetPanelAttribute(MainPanel, ATTR_WINDOW_ZOOM, VAL_MAXIMIZE);
        } else {
            int32_t left = 10, top = 40, width = 790, height = 548;
            int32_t v = 0;
            if (Ini_GetInt(doc, kPosition, kSettingsLeftKey, &v) == 1) left = v;
            if (Ini_GetInt(doc, kPosition, kSettingsTopKey, &v) == 1) top = v;
            if (Ini_GetInt(doc, kPosition, kSettingsWidthKey, &v) == 1) width = v;
            if (Ini_GetInt(doc, kPosition, kSettingsHeightKey, &v) == 1) height = v;
            // A window off every screen (another monitor set-up, a damaged file) would stay
            // invisible, and be stored so again at close: it gets its own size, centred.
            if (PanelRectFitsScreens(top, left, height, width)) {
                SetPanelPos(MainPanel, top, left);
                SetPanelSize(MainPanel, height, width);
            } else {
                SetPanelPos(MainPanel, VAL_AUTO_CENTER, VAL_AUTO_CENTER);
            }
        }
    }

    int32_t language = 0;
    if (Ini_GetInt(doc, kSettings, kSettingsLanguageKey, &language) == 1)
        // The prompts speak English for an index they do not know; the selector shows that and
        // the next store keeps it.
        LanguageIndex = language >= 0 && language < kLanguageCount ? language : kLanguageEnglish;
    SetCtrlVal(MainPanel, MAINP_LANGUAGE, static_cast<int>(LanguageIndex));

    if (Ini_GetStringIntoBuffer(doc, kDirectories, kSettingsParameterFileKey, ParameterFilePath,
                                sizeof ParameterFilePath) != 1)
        SetDefaultParameterFolder();

    int32_t n = 0;
    if (Ini_GetInt(doc, kAddresses, kSettingsListItemsKey, &n) == 1) {
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

int StorePanelSettings()
{
    IniText doc = Ini_New(0);
    if (!doc) {
        ReportStoreFailure(kIniOutOfMemory);
        return kIniOutOfMemory;
    }
    Ini_PutString(doc, kGeneral, kSettingsFileTypeKey, kSettingsFileTypeValue);
    Ini_PutString(doc, kGeneral, kSettingsVersionKey, kProductVersionText);

    struct Geometry {
        int attribute;
        const char* key;
    };
    static constexpr Geometry kGeometry[] = {
        {ATTR_WINDOW_ZOOM, kSettingsFullScreenKey}, {ATTR_LEFT, kSettingsLeftKey},
        {ATTR_TOP, kSettingsTopKey},                {ATTR_WIDTH, kSettingsWidthKey},
        {ATTR_HEIGHT, kSettingsHeightKey},
    };
    for (const Geometry& g : kGeometry) {
        int value = 0;
        GetPanelAttribute(MainPanel, g.attribute, &value);
        Ini_PutInt(doc, kPosition, g.key, value);
    }

    int language = LanguageIndex;
    GetCtrlVal(MainPanel, MAINP_LANGUAGE, &language);
    LanguageIndex = language;
    Ini_PutInt(doc, kSettings, kSettingsLanguageKey, LanguageIndex);
    Ini_PutString(doc, kDirectories, kSettingsParameterFileKey, ParameterFilePath);

    int count = 0;
    GetNumListItems(ConnectPage, CONP_IPADDRESS, &count);
    if (count > kMaxHistory)
        count = kMaxHistory;
    Ini_PutInt(doc, kAddresses, kSettingsListItemsKey, count);
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
    Ini_PutInt(doc, kCommunication, kSettingsProtocolKey, Protocol);
    Ini_PutInt(doc, kCommunication, kSettingsComPortKey, ComPort);
    Ini_PutInt(doc, kCommunication, kSettingsBaudRateKey, BaudRateIndex);
    Ini_PutString(doc, kCommunication, kSettingsIpAddressKey, IpAddress);
    Ini_PutString(doc, kCommunication, kSettingsPortNumberKey, PortNumberText);

    const int result = Ini_WriteToFile(doc, SettingsPath);
    Ini_Dispose(doc);
    if (result < 0)
        ReportStoreFailure(result);
    return result;
}

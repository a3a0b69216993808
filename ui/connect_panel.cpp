#include "ui/connect_panel.h"

#include <cstdio>
#include <cstring>

#include "ini/inifile.h"
#include "link/link_state.h"
#include "link/sensor_context.h"
#include "params/program_state.h"
#include "platform/controls.h"
#include "platform/lists.h"
#include "platform/panels.h"
#include "platform/rs232.h"
#include "platform/runtime.h"
#include "platform/userint.h"
#include "ui/connect_sequence.h"
#include "ui/dimming.h"
#include "ui/help_texts.h"
#include "ui/panel_handles.h"
#include "ui/panel_settings.h"
#include "ui/panel_settings_layout.h"
#include "ui/uir.h"

namespace {

constexpr int kMaxHistory = kSettingsMaxHistory;
constexpr const auto& kCommunication = kSettingsCommunicationSection;
constexpr int kBaudRateCount = 8;         // 9600 ... 921600
constexpr uint16_t kDefaultBaudRate = 4;  // 115200

void dimAccept() { SetCtrlAttribute(ConnectPage, CONP_BUTTON_ACCEPT, ATTR_DIMMED, 1); }

// The settings callbacks that only explain themselves or dim ACCEPT on a change. Typing in a
// field is a change already: ACCEPT must not store text the sensor was not reached with.
int settingCallback(int event, const char* help)
{
    if (event == EVENT_RIGHT_CLICK)
        ShowHelpText(help);
    else if (event == EVENT_COMMIT || event == EVENT_VAL_CHANGED)
        dimAccept();
    return 0;
}

}  // namespace

void GetConnectionSettingsFromFile()
{
    Protocol = kProtocolRs232;
    ComPort = 1;
    BaudRateIndex = kDefaultBaudRate;
    std::memset(IpAddress, 0, sizeof IpAddress);
    std::snprintf(PortNumberText, sizeof PortNumberText, "%s", "10001");

    if (GetFileInfo(SettingsPath, nullptr) > 0) {
        if (IniText doc = Ini_New(0)) {
            Ini_ReadFromFile(doc, SettingsPath);
            if (IsPanelSettingsFile(doc)) {
                int32_t v = 0;
                if (Ini_GetInt(doc, kCommunication, kSettingsProtocolKey, &v) == 1)
                    Protocol = static_cast<uint16_t>(v);
                if (Ini_GetInt(doc, kCommunication, kSettingsComPortKey, &v) == 1)
                    ComPort = static_cast<uint16_t>(v);
                // An index beyond the eight rates would leave the selector on its old rate while
                // the port opened at another: it takes the default rate, the one the transport
                // opens an unknown index at.
                if (Ini_GetInt(doc, kCommunication, kSettingsBaudRateKey, &v) == 1)
                    BaudRateIndex = v >= 0 && v < kBaudRateCount ? static_cast<uint16_t>(v) : kDefaultBaudRate;
                if (Ini_GetStringIntoBuffer(doc, kCommunication, kSettingsIpAddressKey, IpAddress, sizeof IpAddress) != 1)
                    std::memset(IpAddress, 0, sizeof IpAddress);
                if (Ini_GetStringIntoBuffer(doc, kCommunication, kSettingsPortNumberKey, PortNumberText,
                                            sizeof PortNumberText) != 1)
                    std::snprintf(PortNumberText, sizeof PortNumberText, "%s", "10001");
            }
            Ini_Dispose(doc);
        }
    }
    SetCtrlVal(ConnectPage, CONP_PROTOCOL, static_cast<int>(Protocol));
    SetCtrlVal(ConnectPage, CONP_COMPORT, static_cast<int>(ComPort));
    SetCtrlVal(ConnectPage, CONP_BAUDRATE, static_cast<int>(BaudRateIndex));
    SetCtrlVal(ConnectPage, CONP_IPADDRESS, IpAddress);
    SetCtrlVal(ConnectPage, CONP_PORTNUMBER, PortNumberText);
}

void InitConnectPanel()
{
    GetCtrlVal(ConnectPage, CONP_PROTOCOL, &Protocol);
    if (Protocol > kProtocolTcp)
        return;
    const int serial = Protocol == kProtocolRs232 ? 1 : 0;
    SetCtrlAttribute(ConnectPage, CONP_COMPORT, ATTR_VISIBLE, serial);
    SetCtrlAttribute(ConnectPage, CONP_BAUDRATE, ATTR_VISIBLE, serial);
    // The drop-down's arrow is part of the field and goes with it.
    SetCtrlAttribute(ConnectPage, CONP_IPADDRESS, ATTR_VISIBLE, !serial);
    SetCtrlAttribute(ConnectPage, CONP_PORTNUMBER, ATTR_VISIBLE, !serial);
}

void ConnectWithControlsDimmed()
{
    SetButtonsDimmed(0, 1);
    TryToConnect();
    if (SensorConnected == 1) {
        SetButtonsDimmed(0, 0);
        return;
    }
    SetCtrlAttribute(ConnectPage, CONP_BUTTON_TRYCONNECT, ATTR_DIMMED, 0);
    SetCtrlAttribute(ConnectPage, CONP_BAUDRATE, ATTR_DIMMED, 0);
    // A link error after the open leaves the transport open: DISCONNECT then leads to offline
    // work, which a sensor that answers the identification but fails later never offers.
    const bool open = Protocol == kProtocolTcp ? TcpConnected != 0 : GetInQLen(ComPort) >= 0;
    if (open)
        SetCtrlAttribute(ConnectPage, CONP_BUTTON_DISCONNECT, ATTR_DIMMED, 0);
}

void AddToIpHistory(const char* text)
{
    const int found = FindListItem(ConnectPage, CONP_IPADDRESS, text);
    if (found >= 0)
        DeleteListItem(ConnectPage, CONP_IPADDRESS, found, 1);
    InsertListItem(ConnectPage, CONP_IPADDRESS, 0, text);
    int count = 0;
    GetNumListItems(ConnectPage, CONP_IPADDRESS, &count);
    if (count > kMaxHistory)
        DeleteListItem(ConnectPage, CONP_IPADDRESS, kMaxHistory, -1);
}

int CBF_EditCommunicationProtocol(int, int, int event, void*, int, int)
{
    if (event == EVENT_RIGHT_CLICK) {
        ShowHelpText(kHelpEditCommunicationProtocol);
    } else if (event == EVENT_COMMIT) {
        InitConnectPanel();
        dimAccept();
    }
    return 0;
}

int CBF_EditSelectComPort(int, int, int event, void*, int, int)
{
    return settingCallback(event, kHelpEditSelectComPort);
}

int CBF_EditSelectBaudrate(int, int, int event, void*, int, int)
{
    return settingCallback(event, kHelpEditSelectBaudrate);
}

int CBF_StringPortNumber(int, int, int event, void*, int, int)
{
    return settingCallback(event, kHelpStringPortNumber);
}

int CBF_StringIpAdress(int, int, int event, void*, int, int)
{
    if (event == EVENT_RIGHT_CLICK) {
        ShowHelpText(kHelpStringIpAdress);
    } else if (event == EVENT_VAL_CHANGED) {
        // Typing (or a completion from the history) already changes the address: ACCEPT must
        // not store it before a connection to it succeeded.
        dimAccept();
    } else if (event == EVENT_COMMIT) {
        dimAccept();
        GetCtrlVal(ConnectPage, CONP_IPADDRESS, IpAddress, sizeof IpAddress);
        AddToIpHistory(IpAddress);
    }
    return 0;
}

int CBF_ButtonTryToConnect(int, int, int event, void*, int, int)
{
    if (event == EVENT_RIGHT_CLICK) {
        ShowHelpText(kHelpButtonTryToConnect);
    } else if (event == EVENT_COMMIT) {
        ConnectWithControlsDimmed();
    }
    return 0;
}

int CBF_ButtonDisconnect(int, int, int event, void*, int, int)
{
    if (event == EVENT_RIGHT_CLICK)
        ShowHelpText(kHelpButtonDisconnect);
    else if (event == EVENT_COMMIT)
        Disconnect();
    return 0;
}

int CBF_ButtonAccept(int, int, int event, void*, int, int)
{
    if (event == EVENT_RIGHT_CLICK) {
        ShowHelpText(kHelpButtonAccept);
    } else if (event == EVENT_COMMIT) {
        StorePanelSettings();
        SetActiveTabPage(MainPanel, MAINP_TAB, 1);
    }
    return 0;
}

int CBF_DispStatus(int, int, int event, void*, int, int)
{
    if (event == EVENT_RIGHT_DOUBLE_CLICK)
        ResetTextBox(ConnectPage, CONP_STATUSBOX, "");
    return 0;
}

#include "ui/connect_sequence.h"

#include "link/commands.h"
#include "link/connection.h"
#include "link/firmware.h"
#include "link/frame.h"
#include "link/link_state.h"
#include "link/transports.h"
#include "params/assistant_texts.h"
#include "params/parameter_set.h"
#include "link/sensor_context.h"
#include "params/program_state.h"
#include "params/restore_mark.h"
#include "platform/controls.h"
#include "platform/popups.h"
#include "platform/rs232.h"
#include "platform/runtime.h"
#include "platform/userint.h"
#include "ui/dimming.h"
#include "ui/panel_handles.h"
#include "ui/uir.h"
#include "ui/window_seams.h"

namespace {

constexpr char kCouldNotConnect[] =
    "Could not establish connection! \nClose window or work in offline mode!";

// CLOSE (button 1, also Enter and Escape) ends the program; OFFLINE works without a sensor.
void connectionFailureChoice(const char* message)
{
    const int button = GenericMessagePopup("ATTENTION!", message, "CLOSE", "OFFLINE", nullptr, nullptr,
                                           0, 1, 1, 1);
    if (button == 1)
        QuitUserInterface(0);
    else
        Disconnect();
}

}  // namespace

void TryToConnect()
{
    // Whatever the new protocol, the old link ends here: a TCP server that closed an old
    // conversation later would report its disconnect into a healthy serial link.
    CloseLink();
    SetCtrlVal(DataPanel, DATAP_STATUS, "TRY TO CONNECT!");
    SetCtrlVal(ConnectPage, CONP_STATUSBOX, "TRY TO CONNECT!\n");

    GetCtrlVal(ConnectPage, CONP_PROTOCOL, &Protocol);
    GetCtrlVal(ConnectPage, CONP_COMPORT, &ComPort);
    GetCtrlVal(ConnectPage, CONP_BAUDRATE, &BaudRateIndex);
    GetCtrlVal(ConnectPage, CONP_IPADDRESS, IpAddress, sizeof IpAddress);
    GetCtrlVal(ConnectPage, CONP_PORTNUMBER, PortNumberText, sizeof PortNumberText);
    ProcessSystemEvents();

    SetCtrlVal(DataPanel, DATAP_COMPORT, static_cast<int>(ComPort));
    SetCtrlVal(DataPanel, DATAP_IPADDRESS, IpAddress);
    TcpPort = TcpPortFromText(PortNumberText);

    if (Protocol == kProtocolRs232) {
        SetCtrlAttribute(DataPanel, DATAP_COMPORT, ATTR_VISIBLE, 1);
        SetCtrlAttribute(DataPanel, DATAP_IPADDRESS, ATTR_VISIBLE, 0);
        InitRS232();
    } else {
        SetCtrlAttribute(DataPanel, DATAP_COMPORT, ATTR_VISIBLE, 0);
        SetCtrlAttribute(DataPanel, DATAP_IPADDRESS, ATTR_VISIBLE, 1);
        InitTCP_IP();
    }
    if (OpenStatus < 0) {
        connectionFailureChoice(kCouldNotConnect);
        return;
    }
    CheckComLine();
}

void CheckComLine()
{
    const int identified = IdentifySensor();
    if (identified < 0) {
        connectionFailureChoice(kCouldNotConnect);
        return;
    }
    SetCtrlAttribute(DataPanel, DATAP_STATUS, ATTR_TOOLTIP_TEXT, FirmwareText.c_str());
    const FirmwareTokens tokens = SplitFirmwareText(FirmwareText);

    if (identified == 0) {
        const std::string shortVersion = tokens.t1 + "." + tokens.t2;
        FormatMsg("%s%s%s%i%s",
                  "Chromix5 Vantage Diror doesn't support the connected sensor! \nFirmware of connected "
                  "sensor is: ",
                  shortVersion.c_str(), "\nThe serial number is: ", static_cast<int>(SerialNumber),
                  "\n\nClose window or work in offline mode!");
        connectionFailureChoice(MsgBuf);
        return;
    }

    FormatMsg("%s%s%s%s", tokens.t1.c_str(), ".", tokens.t2.c_str(), tokens.t4.c_str());
    SetCtrlVal(DataPanel, DATAP_STATUS, MsgBuf);
    SetCtrlVal(ConnectPage, CONP_STATUSBOX, MsgBuf);
    FormatMsg("%s%i", "\nSERIAL NUMBER: ", static_cast<int>(SerialNumber));
    SetCtrlVal(ConnectPage, CONP_STATUSBOX, MsgBuf);
    SetCtrlVal(ConnectPage, CONP_STATUSBOX, "\n\n");
    // A restore of the command line that never finished left this sensor in an unknown state.
    const int serial = static_cast<int>(SerialNumber & 0xFFFF);
    if (RestoreMark mark; FindUnfinishedRestore(serial, &mark)) {
        SetCtrlVal(ConnectPage, CONP_STATUSBOX, UnfinishedRestoreText(serial, mark).c_str());
        SetCtrlVal(ConnectPage, CONP_STATUSBOX, "\n\n");
    }

    if (ConfirmPopupDefaultNo("ATTENTION!", AssistantText(TxtSendDefaults, LanguageIndex))) {
        LoadDefaultParaValues(1);
        SensorConnected = 1;
        SendPara();
        if (SensorConnected == 0)
            return;
    }
    SensorConnected = 1;
    NextSensorReadIs("at connection");
    GetPara();
    NextSensorReadIs(nullptr);
    if (SensorConnected != 1)
        return;
    SetCtrlAttribute(ConnectPage, CONP_BUTTON_ACCEPT, ATTR_DIMMED, 0);
}

void Disconnect()
{
    SetButtonsDimmed(0, 1);
    GetCtrlVal(ConnectPage, CONP_COMPORT, &ComPort);
    CloseLink();
    SetCtrlVal(DataPanel, DATAP_STATUS, "NO SENSOR CONNECTED!");
    SetCtrlVal(ConnectPage, CONP_STATUSBOX, "NO SENSOR CONNECTED!\n\n");
    SetCtrlVal(MainPanel, MAINP_TOGGLE_FILE, 1);
    SetCtrlVal(MainPanel, MAINP_TOGGLE_SENSOR, 0);
    TransferTarget = kTargetFile;
    SetCtrlAttribute(ConnectPage, CONP_BUTTON_TRYCONNECT, ATTR_DIMMED, 0);
    SetCtrlAttribute(MainPanel, MAINP_BUTTON_SEND, ATTR_DIMMED, 0);
    SetCtrlAttribute(MainPanel, MAINP_BUTTON_GET, ATTR_DIMMED, 0);
    SetCtrlAttribute(ConnectPage, CONP_BAUDRATE, ATTR_DIMMED, 0);
    SensorConnected = 0;
}

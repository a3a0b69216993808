#include "ui/help_texts.h"

#include "platform/popups.h"

// Trailing blanks and line breaks belong to the texts.

const char kHelpTabMain1[] =
    "Select TAB-window.";
const char kHelpButtonSend[] =
    "All the parameters of the PC-User-Interface are transferred to the sensor or to a selectable file. \n"
    "The target of the parameter transfer is determined by the select button (RAM, EEPROM, FILE). \n"
    "\n"
    "Shortcut Key: F9. ";
const char kHelpButtonGet[] =
    "Sensor or file parameters are transferred to the PC-User-Interface. \n"
    "The source of the parameter transfer is determined by the select button (RAM, EEPROM, FILE). \n"
    "\n"
    "Shortcut Key: F10. ";
const char kHelpButtonGo[] =
    "Starts data transfer from sensor to PC. \n"
    "\n"
    "Shortcut Key: F11. ";
const char kHelpButtonStop[] =
    "Stops data transfer from sensor to PC. \n"
    "\n"
    "Shortcut Key: F12. ";
const char kHelpEditAverage[] =
    "Select the number of scanning values (measured values) \n"
    "over which the raw signal is averaged (meanvalue!).";
const char kHelpButtonFREQ[] =
    "Get cycle time from sensor. \n"
    "Don't interrupt the sensor for 8 seconds \n"
    "then press the button.";
const char kHelpDispScanFreq[] =
    "Sensor scanfrequency. \n"
    "Don't interrupt the sensor for 8 seconds \n"
    "then press the button.";
const char kHelpEditSelectLanguage[] =
    "Select your language.";
const char kHelpButtonStart[] =
    "Start assistant to adjust the sensor.";
const char kHelpSelectMem[] =
    "Select source respectively the target for the parameter transfer.";
const char kHelpEditSelectComPort[] =
    "Select a serial COM-PORT.";
const char kHelpEditSelectBaudrate[] =
    "Select the Baudrate for data transfer. \n"
    "\n"
    "Attention! Sensor and user surface \n"
    "must work with the same Baudrate. ";
const char kHelpEditCommunicationProtocol[] =
    "Select RS232 or TCP/IP Interface. ";
const char kHelpStringIpAdress[] =
    "Select a Server by name or IP address.";
const char kHelpStringPortNumber[] =
    "Select a port number.";
const char kHelpButtonTryToConnect[] =
    "Try to connect sensor.";
const char kHelpButtonDisconnect[] =
    "Disconnect from sensor.!";
const char kHelpButtonAccept[] =
    "Accept settings for communication \n"
    "and switch to parapanel. ";
const char kHelpButtonFindComPorts[] =
    "Shows a list of available COM PORTS.";
const char kHelpDispX[] =
    "Displays the red content of the color currently arriving at the receiver.";
const char kHelpDispY[] =
    "Displays the green content of the color currently arriving at the receiver. ";
const char kHelpDispINT[] =
    "Displays the intensity of the color currently arriving at the receiver. ";
const char kHelpDispRGB[] =
    "Displays the current color intensity of RED,GREEN and BLUE. ";
const char kHelpDispCOL[] =
    "Displays the current detected color number in \n"
    "accordance with the row in the TEACH TABLE. \n"
    "\n"
    "Failure condition is 255.";
const char kHelpGraph3D[] =
    "The four graphs display a 3 sides view of the 3 dimensional color/intensity sphere \n"
    "plus the intensity of RED, GREEN, BLUE in an extra graph.";

const char kHelpButtonRecord[] =
    "RECORD (Ctrl+R) writes every live sample to a CSV file while GO runs: time, R, G, B, X, Y, "
    "INT, C-No and the pass number. Press it again to end the recording. The files go to the "
    "folder chosen with the button beside it (at first the documents folder).";
const char kHelpButtonRecordFolder[] = "Choose the folder for the recordings.";
const char kHelpRingRecordRate[] =
    "How many rows a second the recording keeps at most: every sample, or 1, 10, 100 or 1000 "
    "rows a second, each the newest sample of its interval. The choice is kept for the next start.";
const char kHelpButtonOpenRecording[] =
    "OPEN replays a recording (the tool's own, or one of chromix5ctl monitor --csv): the strip "
    "chart shows the whole file (mouse wheel: zoom, drag: pan), the time cursor above chooses "
    "the moment the displays and the side views show, and PLAY replays it at 1x, 10x or 100x. "
    "LIVE, or GO, returns to the live display.";
const char kHelpReplayPlay[] =
    "PLAY replays the recording from the time cursor at the speed beside it; pressed again, it "
    "pauses. A run's end goes straight on to the next run.";
const char kHelpReplaySpeed[] = "The replay speed: 1x is the pace of the recording, 10x and 100x faster.";
const char kHelpReplayTime[] =
    "The time cursor: the moment of the recording whose values the displays show and whose point "
    "the side views mark. Zoom into the strip chart with the mouse wheel, pan it by dragging.";
const char kHelpReplayClose[] = "LIVE closes the recording and returns to the live display.";

const HelpTextEntry kHelpTexts[] = {
    {"CBF_TabMain1", kHelpTabMain1},
    {"CBF_ButtonSend", kHelpButtonSend},
    {"CBF_ButtonGet", kHelpButtonGet},
    {"CBF_ButtonGo", kHelpButtonGo},
    {"CBF_ButtonStop", kHelpButtonStop},
    {"CBF_EditAverage", kHelpEditAverage},
    {"CBF_ButtonFREQ", kHelpButtonFREQ},
    {"CBF_DispScanFreq", kHelpDispScanFreq},
    {"CBF_EditSelectLanguage", kHelpEditSelectLanguage},
    {"CBF_ButtonStart", kHelpButtonStart},
    {"CBF_SelectMem", kHelpSelectMem},
    {"CBF_EditSelectComPort", kHelpEditSelectComPort},
    {"CBF_EditSelectBaudrate", kHelpEditSelectBaudrate},
    {"CBF_EditCommunicationProtocol", kHelpEditCommunicationProtocol},
    {"CBF_StringIpAdress", kHelpStringIpAdress},
    {"CBF_StringPortNumber", kHelpStringPortNumber},
    {"CBF_ButtonTryToConnect", kHelpButtonTryToConnect},
    {"CBF_ButtonDisconnect", kHelpButtonDisconnect},
    {"CBF_ButtonAccept", kHelpButtonAccept},
    {"CBF_ButtonFindComPorts", kHelpButtonFindComPorts},
    {"CBF_DispX", kHelpDispX},
    {"CBF_DispY", kHelpDispY},
    {"CBF_DispINT", kHelpDispINT},
    {"CBF_DispRGB", kHelpDispRGB},
    {"CBF_DispCOL", kHelpDispCOL},
    {"CBF_Graph3D", kHelpGraph3D},
    {"CBF_ButtonRecord", kHelpButtonRecord},
    {"CBF_ButtonRecordFolder", kHelpButtonRecordFolder},
    {"CBF_RingRecordRate", kHelpRingRecordRate},
    {"CBF_ButtonOpenRecording", kHelpButtonOpenRecording},
    {"CBF_ReplayPlay", kHelpReplayPlay},
    {"CBF_ReplaySpeed", kHelpReplaySpeed},
    {"CBF_ReplayTime", kHelpReplayTime},
    {"CBF_ReplayClose", kHelpReplayClose},
};
const size_t kHelpTextCount = sizeof kHelpTexts / sizeof kHelpTexts[0];

int ShowHelpText(const char* text)
{
    MessagePopup("INFO!", text ? text : "");
    return 0;
}

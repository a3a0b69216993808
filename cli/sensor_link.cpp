// Glue between the command line and the link: everything that touches the link's module-level
// state or the parameter-file operations is here, so that the rest of cli/ sees plain calls.
#include "cli/sensor_link.h"

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

#include "link/commands.h"
#include "link/connection.h"
#include "link/firmware.h"
#include "link/frame.h"
#include "link/link_state.h"
#include "link/transports.h"
#include "params/parameter_file.h"
#include "params/program_state.h"
#include "platform/files.h"
#include "platform/popups.h"
#include "platform/rs232.h"
#include "platform/runtime.h"
#include "platform/tcp.h"

namespace cli {

namespace {

// A serial device named by path is reached through this port number: 193 to 240 stand for no
// device, so the redirection hides nothing.
constexpr int kDevicePort = 240;

// What the headless pop-ups answer and what they were told.
struct Popups {
    std::string path;            // the file dialog's answer
    std::vector<PopupCall> seen;
} popups;

int AnswerPopup(const PopupCall& call, std::string& response)
{
    popups.seen.push_back(call);
    switch (call.kind) {
    case PopupKind::FileSelect: {
        response = popups.path;
        struct stat info {};
        return ::stat(popups.path.c_str(), &info) == 0 ? VAL_EXISTING_FILE_SELECTED
                                                       : VAL_NEW_FILE_SELECTED;
    }
    case PopupKind::Confirm: return 0;  // "proceed anyway?": no
    case PopupKind::Generic: return 1;
    case PopupKind::Message: return 0;
    }
    return 0;
}

// The link's texts are written for a status box: " \n" and "\n" become one blank.
std::string OneLine(const char* text)
{
    std::string line;
    for (const char* p = text; *p; ++p) {
        const char c = *p == '\n' || *p == '\r' ? ' ' : *p;
        if (c == ' ' && (line.empty() || line.back() == ' '))
            continue;
        line += c;
    }
    while (!line.empty() && line.back() == ' ')
        line.pop_back();
    return line;
}

std::string LinkMessage()
{
    MsgBuf[sizeof MsgBuf - 1] = '\0';
    return OneLine(MsgBuf);
}

// A plausibility notice starts with this; a link failure's message does not.
bool IsNotice(const char* text) { return std::strncmp(text, "INFO!\n", 6) == 0; }

}  // namespace

bool StartHeadless(int argc, char** argv, std::string* error)
{
    // No window is ever shown: the run-time needs no display.
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    if (!std::getenv("XDG_RUNTIME_DIR")) {
        static std::string dir = "/tmp/chromix5ctl-" + std::to_string(::getuid());
        ::mkdir(dir.c_str(), 0700);
        ::setenv("XDG_RUNTIME_DIR", dir.c_str(), 1);
    }
    if (!InitRunTime(argc, argv)) {
        *error = "cannot start the run-time";
        return false;
    }
    SetPopupHook(AnswerPopup);
    TransferTarget = 0;  // working memory, until a command asks for the EEPROM
    return true;
}

int OpenSensor(const SensorSpec& spec, std::string* error)
{
    MsgBuf[0] = '\0';
    if (spec.kind == SensorSpec::Kind::Tcp) {
        Protocol = kProtocolTcp;
        std::snprintf(IpAddress, sizeof IpAddress, "%s", spec.host.c_str());
        std::snprintf(PortNumberText, sizeof PortNumberText, "%d", spec.port);
        TcpPort = spec.port;
        InitTCP_IP();
    } else {
        Protocol = kProtocolRs232;
        BaudRateIndex = static_cast<uint16_t>(spec.baudIndex);
        if (spec.comPort > 0) {
            ComPort = static_cast<uint16_t>(spec.comPort);
        } else {
            SetComPortDevice(kDevicePort, spec.device.c_str());
            ComPort = kDevicePort;
        }
        InitRS232();
    }
    if (OpenStatus < 0) {
        *error = "cannot open " + spec.text + ": " + LinkMessage();
        return -1;
    }
    SensorConnected = 1;
    return 1;
}

void CloseSensor()
{
    CloseOpenComPort();
    if (TcpConnected) {
        DisconnectFromTCPServer(TcpHandle);
        TcpHandle = 0;
        TcpConnected = 0;
    }
    SensorConnected = 0;
}

int IdentifySensor(SensorIdentity* identity, std::string* error)
{
    FillTxBuf(kOrderIdentify, 0, 0);
    if (DataExchange(kHeaderSize) != 1) {
        *error = LinkMessage();
        return -1;
    }
    // As the connection sequence reads it.
    SerialNumber = RespInfo;
    FirmwareText = FirmwareTextFrom(RxBuf + kHeaderSize, kFirmwareTextSize);
    const FirmwareTokens tokens = SplitFirmwareText(FirmwareText);
    SensorEdition = SensorEditionOf(tokens);
    identity->firmware = FirmwareText;
    identity->serial = SerialNumber;
    identity->edition = SensorEdition;
    identity->shown = tokens.t1 + "." + tokens.t2 + tokens.t4;
    return 1;
}

int ReadSensorParameters(bool fromEeprom, std::string* notice, std::string* error)
{
    notice->clear();
    TransferTarget = fromEeprom ? kTargetSensor : 0;
    SensorConnected = 1;
    MsgBuf[0] = '\0';
    GetPara();
    TransferTarget = 0;
    if (SensorConnected != 1) {
        *error = LinkMessage();
        return -1;
    }
    // GetPara puts the EEPROM notice into MsgBuf and goes on; a clean read leaves MsgBuf alone.
    if (IsNotice(MsgBuf))
        *notice = LinkMessage();
    return 1;
}

int WriteSensorParameters(bool toEeprom, std::string* notice, std::string* error)
{
    notice->clear();
    TransferTarget = toEeprom ? kTargetSensor : 0;
    SensorConnected = 1;
    MsgBuf[0] = '\0';
    // SendPara reports the sensor's plausibility notice as a link error (the flag drops) and
    // goes on; a failed exchange stops it. MsgBuf tells the two apart.
    SendPara();
    TransferTarget = 0;
    if (SensorConnected == 1)
        return 1;
    if (IsNotice(MsgBuf)) {
        *notice = LinkMessage();
        SensorConnected = 1;
        return 1;
    }
    *error = LinkMessage();
    return -1;
}

int ReadLiveSample(record::LiveSample* sample, std::string* error)
{
    SensorConnected = 1;
    if (RequestLiveData() != 1) {
        *error = LinkMessage();
        return -1;
    }
    sample->unixMs = record::NowUnixMs();
    sample->r = LiveValue(kLiveR);
    sample->g = LiveValue(kLiveG);
    sample->b = LiveValue(kLiveB);
    sample->x = LiveValue(kLiveX);
    sample->y = LiveValue(kLiveY);
    sample->intensity = LiveValue(kLiveInt);
    sample->colorNo = LiveValue(kLiveColorNo);
    sample->pass = 0;
    return 1;
}

int SaveParameterFile(const std::string& path, std::string* error)
{
    if (path.size() >= static_cast<size_t>(MAX_PATHNAME_LEN)) {
        *error = "file name longer than " + std::to_string(MAX_PATHNAME_LEN - 1) + " bytes: " + path;
        return -1;
    }
    popups.path = path;
    popups.seen.clear();
    SendParaToFile();
    // The save speaks only when something went wrong.
    for (const PopupCall& call : popups.seen) {
        if (call.kind == PopupKind::Message) {
            *error = OneLine(call.message.c_str());
            return -1;
        }
    }
    return 1;
}

int LoadParameterFile(const std::string& path, std::string* report, std::string* error)
{
    report->clear();
    if (path.size() >= static_cast<size_t>(MAX_PATHNAME_LEN)) {
        *error = "file name longer than " + std::to_string(MAX_PATHNAME_LEN - 1) + " bytes: " + path;
        return -1;
    }
    // The dialog would not offer what is not a readable file; the window's load then says only
    // "No file was selected!", so the reason is told here.
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode) || ::access(path.c_str(), R_OK) != 0) {
        *error = "cannot read the parameter file " + path;
        return -1;
    }
    popups.path = path;
    popups.seen.clear();
    ReadParaFromFile();
    bool refused = false;
    std::string questions;
    for (const PopupCall& call : popups.seen) {
        if (call.kind == PopupKind::Confirm) {
            refused = true;
            questions += OneLine(call.message.c_str());
        } else if (call.kind == PopupKind::Message && call.title == "Attention!") {
            *report += call.message;
            if (!report->empty() && report->back() != '\n')
                *report += '\n';
        }
    }
    if (refused) {
        // The question ends in "Do you want to proceed anyway?", which the command line is not.
        const size_t ask = questions.find(" Do you want");
        *error = path + ": " + (ask == std::string::npos ? questions : questions.substr(0, ask)) +
                 " No parameter were read.";
        return -1;
    }
    return 1;
}

}  // namespace cli

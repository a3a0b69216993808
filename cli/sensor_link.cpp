// Glue between the command line and the link: everything that touches the link's module-level
// state or the parameter-file operations is here, so that the rest of cli/ sees plain calls.
#include "cli/sensor_link.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

#include "link/link_library.h"
#include "params/parameter_file.h"
#include "platform/files.h"
#include "platform/popups.h"
#include "platform/rs232.h"

namespace cli {

namespace {

// A serial device named by path is reached through this port number: 193 to 240 stand for no
// device, so the redirection hides nothing.
constexpr int kDevicePort = 240;

// What the link appended to the status box since the operation began: the window shows it, the
// command line looks in it for the sensor's notices.
std::string statusBox;

void AppendStatusBox(const char* text) { statusBox += text; }

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
    case PopupKind::DirSelect: return 0;  // no folder chosen
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
    if (InitLinkLibrary(argc, argv) != 1) {
        *error = "cannot start the run-time";
        return false;
    }
    LinkNotifications notifications;
    notifications.statusBox = AppendStatusBox;
    SetLinkNotifications(notifications);
    SetPopupHook(AnswerPopup);
    TransferTarget = 0;  // working memory, until a command asks for the EEPROM
    return true;
}

int OpenSensor(const SensorAddress& address, std::string* error)
{
    MsgBuf[0] = '\0';
    if (address.kind == SensorAddress::Kind::Tcp) {
        Protocol = kProtocolTcp;
        std::snprintf(IpAddress, sizeof IpAddress, "%s", address.host.c_str());
        std::snprintf(PortNumberText, sizeof PortNumberText, "%d", address.port);
    } else {
        Protocol = kProtocolRs232;
        BaudRateIndex = static_cast<uint16_t>(address.baudIndex);
        if (address.comPort > 0) {
            ComPort = static_cast<uint16_t>(address.comPort);
        } else {
            SetComPortDevice(kDevicePort, address.device.c_str());
            ComPort = kDevicePort;
        }
    }
    if (OpenLink() != 1) {
        *error = "cannot open " + address.text + ": " + LinkMessage();
        return -1;
    }
    SensorConnected = 1;
    return 1;
}

void CloseSensor()
{
    CloseLink();
    SensorConnected = 0;
}

int IdentifySensor(SensorIdentity* identity, std::string* error)
{
    if (::IdentifySensor() < 0) {
        *error = LinkMessage();
        return -1;
    }
    identity->firmware = FirmwareText;
    identity->serial = SerialNumber;
    identity->edition = SensorEdition;
    return 1;
}

int ReadSensorParameters(bool fromEeprom, std::string* notice, std::string* error)
{
    notice->clear();
    TransferTarget = fromEeprom ? kTargetSensor : 0;
    SensorConnected = 1;
    statusBox.clear();
    GetPara();
    TransferTarget = 0;
    if (SensorConnected != 1) {
        *error = LinkMessage();
        return -1;
    }
    // GetPara appends the EEPROM notice to the status box and goes on.
    const size_t at = statusBox.find("INFO!\n");
    if (at != std::string::npos)
        *notice = OneLine(statusBox.c_str() + at);
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

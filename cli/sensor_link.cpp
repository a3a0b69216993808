// Glue between the command line and the link: everything that touches the link's module-level
// state or the parameter-file operations is here, so that the rest of cli/ sees plain calls.
#include "cli/sensor_link.h"

#include <cstdio>
#include <string>
#include <vector>

#include "link/link_library.h"
#include "params/configuration_file.h"
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

// What the headless pop-ups were told. The command line names its files itself, so no file
// dialog is expected; one would be answered as cancelled.
struct Popups {
    std::vector<PopupCall> seen;
} popups;

int AnswerPopup(const PopupCall& call, std::string& response)
{
    popups.seen.push_back(call);
    response.clear();
    switch (call.kind) {
    case PopupKind::FileSelect: return 0;
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

// What the window's status box would show of the failure: the link's text and, for an open
// failure, the cause line after it. The first report counts; a second one (a time-out after the
// server closed the connection) would only hide what happened.
std::string LinkReport()
{
    if (!statusBox.empty())
        return OneLine(statusBox.c_str());
    MsgBuf[sizeof MsgBuf - 1] = '\0';
    return OneLine(MsgBuf);
}

void BeginOperation()
{
    MsgBuf[0] = '\0';
    statusBox.clear();
}

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
    BeginOperation();
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
        *error = "cannot open " + address.text + ": " + LinkReport();
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
    BeginOperation();
    if (::IdentifySensor() < 0) {
        *error = LinkReport();
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
    BeginOperation();
    const uint32_t resets = PlausibilityResets();
    GetPara();
    TransferTarget = 0;
    if (SensorConnected != 1) {
        *error = LinkReport();
        return -1;
    }
    // GetPara tells of an EEPROM load's resets in the status box and goes on.
    if (PlausibilityResets() != resets)
        *notice = OneLine(statusBox.c_str());
    return 1;
}

int WriteSensorParameters(bool toEeprom, std::string* notice, std::string* error)
{
    notice->clear();
    TransferTarget = toEeprom ? kTargetSensor : 0;
    SensorConnected = 1;
    BeginOperation();
    const uint32_t resets = PlausibilityResets();
    SendPara();
    TransferTarget = 0;
    if (SensorConnected != 1) {
        *error = LinkReport();
        return -1;
    }
    // The sensor's report that it replaced implausible values; the write went on.
    if (PlausibilityResets() != resets)
        *notice = OneLine(statusBox.c_str());
    return 1;
}

int ReadLiveSample(record::LiveSample* sample, std::string* error)
{
    SensorConnected = 1;
    BeginOperation();
    if (RequestLiveData() != 1) {
        *error = LinkReport();
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

int SaveParameterFile(const std::string& path, const SensorIdentity* identity, std::string* error)
{
    if (path.size() >= static_cast<size_t>(MAX_PATHNAME_LEN)) {
        *error = "file name longer than " + std::to_string(MAX_PATHNAME_LEN - 1) + " bytes: " + path;
        return -1;
    }
    // Without identity exactly what the window's save writes; with it, the same bytes followed
    // by the identity section.
    int status = 0;
    if (identity) {
        const ::SensorIdentity id{identity->firmware, static_cast<int32_t>(identity->serial & 0xFFFF)};
        status = WriteConfigurationFile(path.c_str(), WorkingCopy(), &id);
    } else {
        status = WriteParaToPath(path.c_str());
    }
    if (status < 0) {
        *error = "The parameter file could not be saved: " + path + ": " + GetToolboxErrorString(status) +
                 " (error " + std::to_string(status) + ")";
        return -1;
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
    popups.seen.clear();
    const int result = ReadParaFromPath(path.c_str());
    if (result < 0 && result != kParaFileRefused) {
        *error = "cannot read the parameter file " + path + ": " + GetToolboxErrorString(result) +
                 " (error " + std::to_string(result) + ")";
        return -1;
    }
    // The load's questions (a header that differs) are answered no; its messages are the
    // reports of values that fell back or were cut to 16 bits, or the refusal.
    std::string questions;
    for (const PopupCall& call : popups.seen) {
        if (call.kind == PopupKind::Confirm) {
            questions += OneLine(call.message.c_str());
        } else if (call.kind == PopupKind::Message && result == 1) {
            *report += call.message;
            if (!report->empty() && report->back() != '\n')
                *report += '\n';
        }
    }
    if (result == kParaFileRefused) {
        // The question ends in "Do you want to proceed anyway?", which the command line is not.
        const size_t ask = questions.find(" Do you want");
        *error = path + ": " + (ask == std::string::npos ? questions : questions.substr(0, ask)) +
                 " No parameter were read.";
        return -1;
    }
    return 1;
}

}  // namespace cli

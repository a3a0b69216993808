// Glue between the command line and the link: everything that touches the link's module-level
// state or the parameter-file operations is here, so that the rest of cli/ sees plain calls.
#include "cli/sensor_link.h"

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "cli/link_await.h"
#include "link/link_library.h"
#include "params/configuration_file.h"
#include "params/parameter_file.h"
#include "platform/files.h"
#include "platform/popups.h"
#include "platform/rs232.h"

namespace cli {

namespace {

// Serial devices named by path are reached through the port numbers 240 downwards: 193 to 240
// stand for no device, so the redirection hides nothing. Which session holds which number.
constexpr int kHighestDevicePort = 240;
SensorSession* devicePortOwner[kDevicePorts] = {};

// What the link appended to the session's status box since the operation began: the window
// shows it, the command line looks in it for the sensor's notices.
void AppendStatusBox(SensorContext& c, const char* text) { static_cast<SensorSession*>(c.user)->statusBox += text; }

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
std::string LinkReport(SensorSession& s)
{
    if (!s.statusBox.empty())
        return OneLine(s.statusBox.c_str());
    s.link.msgBuf[sizeof s.link.msgBuf - 1] = '\0';
    return OneLine(s.link.msgBuf);
}

void BeginOperation(SensorSession& s)
{
    s.link.msgBuf[0] = '\0';
    s.statusBox.clear();
}

// The parameter-file code works on the default sensor's working copy (the window's); the
// session's copy is lent to it around each synchronous call. Nothing processes events inside
// those calls, so no other sensor's task can see the default copy meanwhile.
class LentWorkingCopy {
public:
    explicit LentWorkingCopy(SensorContext& c) : c_(c)
    {
        SensorContext& d = DefaultSensor();
        d.para = c.para;
        d.techVec = c.techVec;
        d.sensorEdition = c.sensorEdition;
        d.firmwareText = c.firmwareText;
        d.serialNumber = c.serialNumber;
    }
    ~LentWorkingCopy()
    {
        c_.para = DefaultSensor().para;
        c_.techVec = DefaultSensor().techVec;
    }
    LentWorkingCopy(const LentWorkingCopy&) = delete;
    LentWorkingCopy& operator=(const LentWorkingCopy&) = delete;

private:
    SensorContext& c_;
};

int AcquireDevicePort(SensorSession& s)
{
    for (int i = 0; i < kDevicePorts; ++i) {
        if (!devicePortOwner[i]) {
            devicePortOwner[i] = &s;
            return kHighestDevicePort - i;
        }
    }
    return -1;
}

void ReleaseDevicePort(SensorSession& s)
{
    for (SensorSession*& owner : devicePortOwner)
        if (owner == &s)
            owner = nullptr;
}

}  // namespace

bool StartHeadless(int argc, char** argv, std::string* error)
{
    if (InitLinkLibrary(argc, argv) != 1) {
        *error = "cannot start the run-time";
        return false;
    }
    SetPopupHook(AnswerPopup);
    return true;
}

Task<int> OpenSensor(SensorSession& s, const SensorAddress& address, std::string* error)
{
    SensorContext& c = s.link;
    c.user = &s;
    c.notify.contextStatusBox = AppendStatusBox;
    c.transferTarget = 0;  // working memory, until a command asks for the EEPROM
    BeginOperation(s);
    if (address.kind == SensorAddress::Kind::Tcp) {
        c.protocol = kProtocolTcp;
        std::snprintf(c.ipAddress, sizeof c.ipAddress, "%s", address.host.c_str());
        std::snprintf(c.portNumberText, sizeof c.portNumberText, "%d", address.port);
    } else {
        c.protocol = kProtocolRs232;
        c.baudRateIndex = static_cast<uint16_t>(address.baudIndex);
        if (address.comPort > 0) {
            c.comPort = static_cast<uint16_t>(address.comPort);
        } else {
            const int port = AcquireDevicePort(s);
            if (port < 0) {
                *error = "cannot open " + address.text + ": more than " + std::to_string(kDevicePorts) +
                         " serial devices named by path at once";
                co_return -1;
            }
            SetComPortDevice(port, address.device.c_str());
            c.comPort = static_cast<uint16_t>(port);
        }
    }
    // A TCP sensor connects without holding up the others; a serial line opens at once.
    int opened = 0;
    if (c.protocol == kProtocolTcp)
        opened = co_await LinkCall{s, OpenLinkAsync};
    else
        opened = OpenLink(c);
    if (opened != 1) {
        *error = "cannot open " + address.text + ": " + LinkReport(s);
        co_return -1;
    }
    c.sensorConnected = 1;
    co_return 1;
}

void CloseSensor(SensorSession& s)
{
    CancelExchange(s.link);
    CloseLink(s.link);
    s.link.sensorConnected = 0;
    ReleaseDevicePort(s);
}

Task<int> IdentifySensor(SensorSession& s, SensorIdentity* identity, std::string* error)
{
    BeginOperation(s);
    const int identified = co_await LinkCall{s, IdentifyAsync};
    if (identified < 0) {
        *error = LinkReport(s);
        co_return -1;
    }
    identity->firmware = s.link.firmwareText;
    identity->serial = s.link.serialNumber;
    identity->edition = s.link.sensorEdition;
    co_return 1;
}

namespace {

// GetPara or SendPara on the sensor's context. The sensor's report that it reset implausible
// values (of an EEPROM load, or of the write) goes to the status box and becomes *notice; the
// transfer goes on.
Task<int> TransferParameters(SensorSession& s, bool eeprom, int (*async)(SensorContext&, ExchangeDone),
                             std::string* notice, std::string* error)
{
    SensorContext& c = s.link;
    notice->clear();
    c.transferTarget = eeprom ? kTargetSensor : 0;
    BeginOperation(s);
    const uint32_t resets = PlausibilityResets(c);
    const int done = co_await LinkCall{s, async};
    c.transferTarget = 0;
    if (done != 1) {
        *error = LinkReport(s);
        co_return -1;
    }
    if (PlausibilityResets(c) != resets)
        *notice = OneLine(s.statusBox.c_str());
    co_return 1;
}

}  // namespace

Task<int> ReadSensorParameters(SensorSession& s, bool fromEeprom, std::string* notice, std::string* error)
{
    return TransferParameters(s, fromEeprom, ReadParametersAsync, notice, error);
}

Task<int> WriteSensorParameters(SensorSession& s, bool toEeprom, std::string* notice, std::string* error)
{
    return TransferParameters(s, toEeprom, SendParametersAsync, notice, error);
}

Task<int> ReadLiveSample(SensorSession& s, record::LiveSample* sample, std::string* error)
{
    BeginOperation(s);
    const int read = co_await LinkCall{s, LiveSampleAsync};
    if (read != 1) {
        *error = LinkReport(s);
        co_return -1;
    }
    const SensorContext& c = s.link;
    sample->unixMs = record::NowUnixMs();
    sample->r = LiveValue(c, kLiveR);
    sample->g = LiveValue(c, kLiveG);
    sample->b = LiveValue(c, kLiveB);
    sample->x = LiveValue(c, kLiveX);
    sample->y = LiveValue(c, kLiveY);
    sample->intensity = LiveValue(c, kLiveInt);
    sample->colorNo = LiveValue(c, kLiveColorNo);
    sample->pass = 0;
    co_return 1;
}

Configuration WorkingCopyOf(const SensorSession& s) { return Configuration{s.link.para, s.link.techVec}; }

Task<int> SaveParameterFile(SensorSession& s, const std::string& path, const SensorIdentity* identity,
                            std::string* error)
{
    if (path.size() >= static_cast<size_t>(MAX_PATHNAME_LEN)) {
        *error = "file name longer than " + std::to_string(MAX_PATHNAME_LEN - 1) + " bytes: " + path;
        co_return -1;
    }
    // Without identity exactly what the window's save writes; with it, the same bytes followed
    // by the identity section. The file is durable and in place before this reports it saved.
    std::optional<::SensorIdentity> id;
    if (identity)
        id = ::SensorIdentity{identity->firmware, static_cast<int32_t>(identity->serial & 0xFFFF)};
    const Configuration configuration = WorkingCopyOf(s);
    const int status = co_await FileWrite{s, [&](IniWriteDone done, void* user) {
                                              return WriteConfigurationFileInBackground(
                                                  path.c_str(), configuration, id ? &*id : nullptr, done, user);
                                          }};
    if (status < 0) {
        *error = "The parameter file could not be saved: " + path + ": " + GetToolboxErrorString(status) +
                 " (error " + std::to_string(status) + ")";
        co_return -1;
    }
    co_return 1;
}

int LoadParameterFile(SensorSession& s, const std::string& path, std::string* report, std::string* error)
{
    report->clear();
    if (path.size() >= static_cast<size_t>(MAX_PATHNAME_LEN)) {
        *error = "file name longer than " + std::to_string(MAX_PATHNAME_LEN - 1) + " bytes: " + path;
        return -1;
    }
    popups.seen.clear();
    int result = 0;
    {
        const LentWorkingCopy lent(s.link);
        result = ReadParaFromPath(path.c_str());
    }
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

#include "cli/request_operations.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>

#include "cli/commands.h"
#include "cli/diagnostics.h"
#include "cli/json.h"
#include "link/firmware.h"
#include "params/configuration_file.h"
#include "platform/files.h"
#include "platform/user_files.h"

namespace cli {

namespace {

std::string UtcStamp()
{
    const std::time_t now = std::time(nullptr);
    std::tm utc{};
    gmtime_r(&now, &utc);
    char text[32];
    std::strftime(text, sizeof text, "%Y%m%dT%H%M%SZ", &utc);
    return text;
}

// A new file's path in the data folder's subfolder: SN<serial>-<UTC><suffix>.ini, and -2, -3, ...
// after the time for a second one within the same second. "" when there is no data folder.
std::string NewFilePath(const char* subfolder, unsigned serial, const char* suffix)
{
    char dir[MAX_PATHNAME_LEN];
    if (GetUserDataDir(subfolder, dir, sizeof dir) != 0)
        return {};
    const std::string stem = std::string(dir) + "SN" + std::to_string(serial) + "-" + UtcStamp();
    std::string path = stem + suffix + ".ini";
    for (int n = 2; FileExists(path.c_str()) && n < 1000; ++n)
        path = stem + "-" + std::to_string(n) + suffix + ".ini";
    return path;
}

// The request's file as a file of its own: what was asked to be written stays on record. Made
// exclusively, so that no name that appeared meanwhile is followed or replaced.
bool KeepRequestFile(const std::string& path, const std::string& text, std::string* error)
{
    std::FILE* f = std::fopen(path.c_str(), "wbx");
    if (!f) {
        *error = "cannot keep the request's file as " + path + ": " + std::strerror(errno);
        return false;
    }
    const bool written = std::fwrite(text.data(), 1, text.size(), f) == text.size();
    const bool closed = std::fclose(f) == 0;
    if (!written || !closed) {
        std::remove(path.c_str());
        *error = "cannot write " + path;
        return false;
    }
    return true;
}

// Over MQTT only a file that names this very sensor is written: the asker cannot be asked
// whether another sensor's configuration is meant (the command line's --force has no twin here).
std::string IdentityMismatch(const std::string& path, const SensorIdentity& id)
{
    Configuration configuration;
    ::SensorIdentity fileId;
    const int loaded = LoadConfigurationFile(path.c_str(), &configuration, &fileId);
    if (loaded < 0)
        return "the file is not a parameter file";
    if (fileId.firmware.empty() || fileId.serial < 0)
        return "the file has no [SENSOR IDENTITY] section with the firmware and serial number; over MQTT "
               "only a file taken from this sensor is written";
    if (SensorEditionOf(SplitFirmwareText(fileId.firmware)) != id.edition)
        return "the file was taken from a sensor of another edition (\"" + fileId.firmware + "\")";
    if (static_cast<unsigned>(fileId.serial) != (id.serial & 0xFFFF))
        return "the file was taken from serial number " + std::to_string(fileId.serial) + ", this sensor is " +
               std::to_string(id.serial & 0xFFFF);
    return {};
}

}  // namespace

Task<GatewayReply> RunGatewayRequest(const Options& options, const GatewayRequest& request,
                                     SensorSession& session, const SensorAddress& address,
                                     const SensorIdentity& id)
{
    const std::vector<std::pair<std::string, std::string>> identity = {
        {"sensor", JsonString(address.text)},
        {"serial", std::to_string(id.serial)},
        {"edition", std::to_string(id.edition)},
        {"firmware", JsonString(id.firmware)}};

    Options o;
    o.json = true;  // results as JSON fields, nothing gathered for standard output
    o.eeprom = request.eeprom;
    o.reference = request.op == RequestOp::Compare;
    switch (request.op) {
    case RequestOp::Identify: o.command = Subcommand::Identify; break;
    case RequestOp::Backup: o.command = Subcommand::Backup; break;
    case RequestOp::Compare: o.command = Subcommand::Compare; break;
    case RequestOp::Restore: o.command = Subcommand::Restore; break;
    case RequestOp::None: break;
    }
    // What needs no file goes first: a restore refused for want of --allow-write makes none.
    std::string refusal;
    if (request.op == RequestOp::None) {
        refusal = "no operation";
    } else if (request.op == RequestOp::Restore && !options.allowWrite) {
        refusal = "the gateway does not write to sensors: it was started without --allow-write; nothing sent";
    } else if (request.op == RequestOp::Backup || request.op == RequestOp::Restore) {
        const bool backup = request.op == RequestOp::Backup;
        o.file = NewFilePath(backup ? kBackupFolder : kRequestFileFolder, id.serial, backup ? "" : "-restore");
        if (o.file.empty())
            refusal = "the data folder is not available; nothing done";
    }
    if (refusal.empty() && request.op == RequestOp::Restore) {
        std::string error;
        if (!KeepRequestFile(o.file, request.file, &error)) {
            refusal = error + "; nothing sent";
        } else if (const std::string mismatch = IdentityMismatch(o.file, id); !mismatch.empty()) {
            std::remove(o.file.c_str());
            refusal = mismatch + "; nothing sent";
        }
    }
    GatewayReply reply;
    if (!refusal.empty()) {
        reply = RequestRefusal(refusal);
    } else {
        // Each awaited task is a statement of its own (a GCC 12 coroutine bug otherwise).
        SensorResult result = co_await RunOperation(o, 0, session, address, id);
        // compare answers with the differences; for the others anything but ok is a failure.
        reply.ok = result.code == kExitOk || (request.op == RequestOp::Compare && result.code == kExitDifferent);
        if (!reply.ok)
            reply.error = result.detail;
        reply.fields = {{"status", JsonString(StatusName(result.code))}, {"detail", JsonString(result.detail)}};
        reply.fields.insert(reply.fields.end(), result.fields.begin(), result.fields.end());
    }
    reply.fields.insert(reply.fields.begin(), identity.begin(), identity.end());
    co_return reply;
}

GatewayReply RequestRefusal(const std::string& why)
{
    GatewayReply reply;
    reply.error = why;
    return reply;
}

void SendReply(MqttPublisher& mqtt, const std::string& sensorTopic, const std::string& sensor,
               const GatewayRequest& request, const GatewayReply& reply)
{
    const std::string topic = request.replyTo.empty() ? sensorTopic + "/reply" : request.replyTo;
    mqtt.PublishEvent(topic, GatewayReplyJson(request, reply));
    SetDiagnosticPrefix(sensor);
    Diag("request " + (request.idGiven ? JsonString(request.id) : std::string("without id")) + " (" +
         (request.opName.empty() ? std::string("no op") : request.opName) + "): " + (reply.ok ? "done" : reply.error));
}

}  // namespace cli

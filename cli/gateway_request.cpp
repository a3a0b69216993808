#include "cli/gateway_request.h"

#include "cli/json.h"
#include "cli/json_reader.h"
#include "cli/mqtt_options.h"

namespace cli {

namespace {

struct OpName {
    const char* name;
    RequestOp op;
};
constexpr OpName kOps[] = {{"identify", RequestOp::Identify},
                           {"backup", RequestOp::Backup},
                           {"compare", RequestOp::Compare},
                           {"restore", RequestOp::Restore}};

}  // namespace

bool ParseGatewayRequest(std::string_view payload, GatewayRequest* request, std::string* error)
{
    *request = GatewayRequest{};
    if (payload.size() > kMaxRequestBytes) {
        *error = "the request is larger than " + std::to_string(kMaxRequestBytes) + " bytes";
        return false;
    }
    std::vector<JsonMember> members;
    std::string reason;
    if (!ReadJsonObject(payload, &members, &reason)) {
        *error = "the request is not a JSON object: " + reason;
        return false;
    }

    // Every member is read before the first complaint is given, so that the error reply still
    // names the request and goes where it asked.
    std::string problem;
    auto complain = [&problem](const std::string& what) {
        if (problem.empty())
            problem = what;
    };
    const char* const names[] = {"op", "id", "reply_to", "file", "eeprom"};
    constexpr int kNames = sizeof names / sizeof names[0];
    bool seen[kNames] = {};
    for (const JsonMember& m : members) {
        int which = -1;
        for (int k = 0; k < kNames; ++k)
            if (m.name == names[k])
                which = k;
        if (which < 0) {
            complain("unknown member " + JsonString(m.name));
            continue;
        }
        if (seen[which]) {
            complain("the member \"" + m.name + "\" is given twice");
            continue;
        }
        seen[which] = true;
        if (which == 4) {
            if (m.kind == JsonKind::Boolean)
                request->eeprom = m.text == "true";
            else
                complain("\"eeprom\" must be true or false, not " + std::string(JsonKindName(m.kind)));
            continue;
        }
        if (m.kind != JsonKind::String) {
            complain("\"" + m.name + "\" must be a string, not " + JsonKindName(m.kind));
            continue;
        }
        switch (which) {
        case 0:
            request->opName = m.text;
            for (const OpName& op : kOps)
                if (m.text == op.name)
                    request->op = op.op;
            if (request->op == RequestOp::None)
                complain("unknown op " + JsonString(m.text) + " (identify, backup, compare or restore)");
            break;
        case 1:
            request->id = m.text;
            request->idGiven = true;
            break;
        case 2:
            // MQTT's length field holds at most 65535 bytes of topic.
            if (m.text.size() <= 65535 && IsPublishTopic(m.text))
                request->replyTo = m.text;
            else
                complain("\"reply_to\" is not a topic a reply can be published to");
            break;
        case 3: request->file = m.text; break;
        }
    }
    if (!seen[0])
        complain("\"op\" is missing");
    if (!seen[1])
        complain("\"id\" is missing");
    if (request->op == RequestOp::Restore && request->file.empty())
        complain("restore needs \"file\": the parameter file's text");
    if (request->op != RequestOp::Restore && (seen[3] || seen[4]))
        complain(std::string(seen[3] ? "\"file\"" : "\"eeprom\"") + " goes only with restore");
    if (!problem.empty()) {
        *error = problem;
        return false;
    }
    return true;
}

std::string GatewayReplyJson(const GatewayRequest& request, const GatewayReply& reply)
{
    std::string json = "{\"id\":" + (request.idGiven ? JsonString(request.id) : std::string("null")) +
                       ",\"op\":" + (request.opName.empty() ? std::string("null") : JsonString(request.opName)) +
                       ",\"ok\":" + (reply.ok ? "true" : "false") +
                       ",\"error\":" + (reply.ok ? std::string("null") : JsonString(reply.error));
    for (const auto& field : reply.fields)
        json += "," + JsonString(field.first) + ":" + field.second;
    return json + "}";
}

}  // namespace cli

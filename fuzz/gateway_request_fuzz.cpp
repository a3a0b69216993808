// Requests that reach the gateway over MQTT: any payload is either a request or an error, and
// the reply to it is JSON the same reader reads back, with the request's id in it.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "cli/gateway_request.h"
#include "cli/json_reader.h"
#include "cli/mqtt_options.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view payload(reinterpret_cast<const char*>(data), size);
    cli::GatewayRequest request;
    std::string error;
    const bool ok = cli::ParseGatewayRequest(payload, &request, &error);
    if (!ok && error.empty())
        __builtin_trap();
    if (ok && (request.op == cli::RequestOp::None || !request.idGiven ||
               (request.op == cli::RequestOp::Restore && request.file.empty())))
        __builtin_trap();
    if (!request.replyTo.empty() && !cli::IsPublishTopic(request.replyTo))
        __builtin_trap();

    cli::GatewayReply reply;
    reply.ok = ok;
    reply.error = error;
    const std::string json = cli::GatewayReplyJson(request, reply);
    std::vector<cli::JsonMember> members;
    if (!cli::ReadJsonObject(json, &members, &error) || members.size() < 4 || members[0].name != "id")
        __builtin_trap();
    if (request.idGiven && (members[0].kind != cli::JsonKind::String || members[0].text != request.id))
        __builtin_trap();
    return 0;
}

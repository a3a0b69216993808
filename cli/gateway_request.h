// Requests to the gateway over MQTT: a JSON object on a sensor's request topic, answered with a
// JSON object on the reply topic.
//
//   {"op":"identify"|"backup"|"compare"|"restore", "id":"<correlation>",
//    "reply_to":"<topic>" (optional), "file":"<parameter file text>" (restore only),
//    "eeprom":true|false (restore only, false when not given: the working memory alone)}
//
// The reply echoes id and op and says whether the operation succeeded:
//
//   {"id":...,"op":...,"ok":true|false,"error":null|"...","status":...,"detail":...,
//    "sensor":...,"serial":...,"edition":...,"firmware":..., and the operation's own members}
//
// A payload that is not such an object is answered with ok false and an error; nothing else
// happens for it.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace cli {

enum class RequestOp { None, Identify, Backup, Compare, Restore };

// A payload larger than this is refused unread (a parameter file is some 10 KB).
inline constexpr size_t kMaxRequestBytes = 1024 * 1024;

struct GatewayRequest {
    RequestOp op = RequestOp::None;
    std::string opName;   // as the payload gave it, for the reply ("" when it gave none)
    std::string id;       // the correlation string, echoed in the reply
    bool idGiven = false;
    std::string replyTo;  // "" = the sensor's reply topic
    std::string file;     // restore: the parameter file's text
    bool eeprom = false;  // restore: into the EEPROM as well
};

// Reads a request. On failure *error says what is wrong, and *request keeps what could be read
// (id, op, a valid reply_to) so that the error reply still reaches the asker and names the
// request.
bool ParseGatewayRequest(std::string_view payload, GatewayRequest* request, std::string* error);

struct GatewayReply {
    bool ok = false;
    std::string error;  // why not ok ("" when ok)
    // Further members: name and an already encoded JSON value.
    std::vector<std::pair<std::string, std::string>> fields;
};

// The reply's JSON text: id (null when the request gave none), op (null likewise), ok, error
// (null when ok), then reply.fields in their order.
std::string GatewayReplyJson(const GatewayRequest& request, const GatewayReply& reply);

}  // namespace cli

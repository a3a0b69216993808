// Requests over MQTT as the gateway reads them: what is a request, what is refused and why, and
// the reply that goes back (read with Qt's JSON reader, independent of ours).
#include <gtest/gtest.h>

#include <QJsonDocument>
#include <QJsonObject>

#include <string>

#include "cli/gateway_request.h"
#include "cli/json_reader.h"

namespace {

using cli::GatewayRequest;
using cli::RequestOp;

QJsonObject ReplyOf(const GatewayRequest& request, bool ok, const std::string& error)
{
    cli::GatewayReply reply;
    reply.ok = ok;
    reply.error = error;
    reply.fields = {{"serial", "4711"}};
    QJsonParseError parseError;
    const QJsonDocument doc =
        QJsonDocument::fromJson(QByteArray::fromStdString(cli::GatewayReplyJson(request, reply)), &parseError);
    EXPECT_EQ(QJsonParseError::NoError, parseError.error);
    return doc.object();
}

}  // namespace

TEST(GatewayRequest, ReadsEachOperationWithEscapesResolved)
{
    GatewayRequest r;
    std::string error;
    ASSERT_TRUE(cli::ParseGatewayRequest(R"( {"op":"identify","id":"a1"} )", &r, &error)) << error;
    EXPECT_EQ(RequestOp::Identify, r.op);
    EXPECT_EQ("", r.replyTo);

    ASSERT_TRUE(cli::ParseGatewayRequest(R"({"id":"b","op":"backup","reply_to":"scada/replies/7"})", &r, &error));
    EXPECT_EQ(RequestOp::Backup, r.op);
    EXPECT_EQ("scada/replies/7", r.replyTo);

    // A parameter file travels as a JSON string: CR LF, quotes and non-ASCII text come through.
    ASSERT_TRUE(cli::ParseGatewayRequest(
        R"({"op":"restore","id":"r\u00e9\ud83d\ude00","eeprom":true,"file":"[GENERAL INFO]\r\nFILE TYPE: = \"Parameter File\"\r\n"})",
        &r, &error)) << error;
    EXPECT_EQ(RequestOp::Restore, r.op);
    EXPECT_TRUE(r.eeprom);
    EXPECT_EQ("r\xC3\xA9\xF0\x9F\x98\x80", r.id);
    EXPECT_EQ("[GENERAL INFO]\r\nFILE TYPE: = \"Parameter File\"\r\n", r.file);

    const QJsonObject reply = ReplyOf(r, true, "");
    EXPECT_EQ(QString::fromUtf8("r\xC3\xA9\xF0\x9F\x98\x80"), reply["id"].toString());
    EXPECT_EQ("restore", reply["op"].toString());
    EXPECT_TRUE(reply["ok"].toBool());
    EXPECT_TRUE(reply["error"].isNull());
    EXPECT_EQ(4711, reply["serial"].toInt());
}

TEST(GatewayRequest, MalformedPayloadsAreRefusedWithWhatTheReplyNeeds)
{
    struct Case {
        std::string payload;
        std::string error;  // a part of the message
        const char* id;     // what the error reply echoes (null: none)
        const char* replyTo;
    };
    const Case cases[] = {
        {"", "not a JSON object", nullptr, ""},
        {"identify", "not a JSON object", nullptr, ""},
        {R"(["op","identify"])", "not a JSON object", nullptr, ""},
        {R"({"op":"identify","id":"a"} x)", "text after the object", nullptr, ""},
        {R"({"op":"identify","id":"a)", "not closed", nullptr, ""},
        {"{\"op\":\"identify\",\"id\":\"\xC3\x28\"}", "not UTF-8", nullptr, ""},
        {R"({"op":"identify","id":"\ud800"})", "surrogate", nullptr, ""},
        {R"({"op":"identify","id":"a","n":01})", "',' or '}'", nullptr, ""},
        {std::string(100, '[') + std::string(100, ']'), "not a JSON object", nullptr, ""},
        {"{\"x\":" + std::string(100, '[') + std::string(100, ']') + "}", "nested deeper", nullptr, ""},
        {R"({"op":"format","id":"7","reply_to":"r/1"})", "unknown op \"format\"", "7", "r/1"},
        {R"({"op":"identify","id":7})", "\"id\" must be a string, not a number", nullptr, ""},
        {R"({"op":["restore"],"id":"8"})", "\"op\" must be a string, not an array", "8", ""},
        {R"({"op":"identify"})", "\"id\" is missing", nullptr, ""},
        {R"({"id":"9"})", "\"op\" is missing", "9", ""},
        {R"({"op":"identify","id":"a","id":"b"})", "given twice", "a", ""},
        {R"({"op":"identify","id":"c","force":true})", "unknown member \"force\"", "c", ""},
        {R"({"op":"identify","id":"d","reply_to":"plant/#"})", "reply_to", "d", ""},
        {R"({"op":"identify","id":"d","reply_to":"a\u0000b"})", "reply_to", "d", ""},
        {R"({"op":"restore","id":"e","reply_to":"r/2"})", "restore needs \"file\"", "e", "r/2"},
        {R"({"op":"backup","id":"f","file":"x"})", "only with restore", "f", ""},
        {R"({"op":"identify","id":"f","eeprom":true})", "\"eeprom\" goes only with restore", "f", ""},
        {R"({"op":"restore","id":"h","file":"x","eeprom":"yes"})", "true or false, not a string", "h", ""},
        {R"({"op":"restore","id":"g","file":")" + std::string(cli::kMaxRequestBytes, 'x') + "\"}",
         "larger than 1048576 bytes", nullptr, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.payload.substr(0, 80));
        GatewayRequest r;
        std::string error;
        EXPECT_FALSE(cli::ParseGatewayRequest(c.payload, &r, &error));
        EXPECT_NE(std::string::npos, error.find(c.error)) << error;
        EXPECT_EQ(c.replyTo, r.replyTo);
        const QJsonObject reply = ReplyOf(r, false, error);
        EXPECT_FALSE(reply["ok"].toBool());
        EXPECT_EQ(QString::fromStdString(error), reply["error"].toString());
        if (c.id)
            EXPECT_EQ(c.id, reply["id"].toString().toStdString());
        else
            EXPECT_TRUE(reply["id"].isNull());
    }
}

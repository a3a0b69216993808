// The Sparkplug B messages of two node sessions, as an independent receiver decodes them
// (tests/cli/sparkplug_decoder.h).
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonObject>

#include <string>
#include <vector>

#include "cli/sparkplug.h"
#include "tests/cli/sparkplug_decoder.h"

namespace {

record::LiveSample Sample(int64_t ms, int16_t x, uint64_t pass)
{
    record::LiveSample s;
    s.unixMs = ms;
    s.r = 410;
    s.g = 2100;
    s.b = 77;
    s.x = x;
    s.y = 1500;
    s.intensity = 3000;
    s.colorNo = 255;
    s.pass = pass;
    return s;
}

}  // namespace

TEST(Sparkplug, TwoSessionsOfANodeWithASensorDecodeInTheProtocolsOrder)
{
    cli::SparkplugNode node("plant", "line-7");
    const int64_t t0 = 1'765'000'000'123;
    std::vector<cli::SparkplugMessage> m;
    m.push_back(node.BeginSession(t0));                                           // 0 will
    m.push_back(node.NodeBirth(t0));                                               // 1
    m.push_back(node.DeviceBirth("SN1001", {1001, 2, "FW\xff V1.0"}, Sample(t0 + 1, -12, 1)));  // 2
    m.push_back(node.DeviceData("SN1001", Sample(t0 + 2, -32768, 2)));             // 3
    // Past the wrap of the sequence number: 256 messages after the birth.
    for (int i = 0; i < 253; ++i)
        node.DeviceData("SN1001", Sample(t0 + 3, 0, 3));
    m.push_back(node.DeviceData("SN1001", Sample(t0 + 4, 5, 4)));                  // 4: seq 0
    m.push_back(node.DeviceDeath("SN1001", t0 + 5));                               // 5: seq 1
    // The broker lost the node; the next session has its own bdSeq and starts over at seq 0.
    m.push_back(node.BeginSession(t0 + 6));                                        // 6 will
    m.push_back(node.NodeBirth(t0 + 7));                                           // 7
    m.push_back(node.NodeDeath(t0 + 8));                                           // 8 clean end

    EXPECT_EQ("spBv1.0/plant/NDEATH/line-7", m[0].topic);
    EXPECT_EQ("spBv1.0/plant/NBIRTH/line-7", m[1].topic);
    EXPECT_EQ("spBv1.0/plant/DBIRTH/line-7/SN1001", m[2].topic);
    EXPECT_EQ("spBv1.0/plant/DDATA/line-7/SN1001", m[3].topic);
    EXPECT_EQ("spBv1.0/plant/DDEATH/line-7/SN1001", m[5].topic);

    std::vector<std::string> payloads;
    for (const auto& message : m)
        payloads.push_back(message.payload);
    const QJsonArray d = DecodeSparkplug(payloads);
    ASSERT_EQ(9, d.size());
    // A value, not a reference into the temporary object.
    auto seq = [&](int i) { return d[i].toObject().value("seq"); };
    auto bdSeq = [&](int i) { return MetricNamed(d[i].toObject(), "bdSeq")["value"].toInteger(); };
    EXPECT_TRUE(seq(0).isNull());
    EXPECT_EQ(0, seq(1).toInt());
    EXPECT_EQ(1, seq(2).toInt());
    EXPECT_EQ(2, seq(3).toInt());
    EXPECT_EQ(0, seq(4).toInt());
    EXPECT_EQ(1, seq(5).toInt());
    EXPECT_EQ(0, seq(7).toInt());
    EXPECT_TRUE(seq(8).isNull());
    // The will and the birth of a session carry the same bdSeq; the next session the next one.
    EXPECT_EQ(0, bdSeq(0));
    EXPECT_EQ(0, bdSeq(1));
    EXPECT_EQ(1, bdSeq(6));
    EXPECT_EQ(1, bdSeq(7));
    EXPECT_EQ(1, bdSeq(8));
    EXPECT_EQ(8, MetricNamed(d[1].toObject(), "bdSeq")["datatype"].toInt());  // UInt64
    EXPECT_FALSE(MetricNamed(d[1].toObject(), "Node Control/Rebirth")["value"].toBool());

    const QJsonObject birth = d[2].toObject();
    EXPECT_EQ(1001, MetricNamed(birth, "Properties/Serial Number")["value"].toInt());
    EXPECT_EQ(2, MetricNamed(birth, "Properties/Edition")["value"].toInt());
    EXPECT_EQ("FW? V1.0", MetricNamed(birth, "Properties/Firmware")["value"].toString());
    EXPECT_EQ(-12, MetricNamed(birth, "X")["value"].toInt());
    EXPECT_EQ(2, MetricNamed(birth, "X")["datatype"].toInt());  // Int16
    EXPECT_EQ(t0 + 1, MetricNamed(birth, "X")["timestamp"].toInteger());

    const QJsonObject data = d[3].toObject();
    EXPECT_EQ(t0 + 2, data["timestamp"].toInteger());
    EXPECT_EQ(-32768, MetricNamed(data, "X")["value"].toInt());
    EXPECT_EQ(410, MetricNamed(data, "R")["value"].toInt());
    EXPECT_EQ(3000, MetricNamed(data, "INT")["value"].toInt());
    EXPECT_EQ(255, MetricNamed(data, "C-No")["value"].toInt());
    EXPECT_EQ(2, MetricNamed(data, "pass")["value"].toInteger());
    EXPECT_TRUE(d[5].toObject()["metrics"].toArray().isEmpty());
}

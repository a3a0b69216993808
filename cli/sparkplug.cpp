#include "cli/sparkplug.h"

#include <utility>

#include "sparkplug_b.pb.h"

namespace cli {

namespace {

using Payload = diror::sparkplug::Payload;
using Metric = diror::sparkplug::Payload::Metric;

// The sample's values as the DBIRTH declares them and every DDATA repeats them. The live
// values are the sensor's signed 16-bit words; Sparkplug B keeps signed integers of up
// to 32 bits in int_value as the two's complement of their 32-bit value.
void AddInt16(Payload& p, const char* name, int16_t value, int64_t ms)
{
    Metric* m = p.add_metrics();
    m->set_name(name);
    m->set_timestamp(static_cast<uint64_t>(ms));
    m->set_datatype(diror::sparkplug::Int16);
    m->set_int_value(static_cast<uint32_t>(static_cast<int32_t>(value)));
}

void AddSample(Payload& p, const record::LiveSample& s)
{
    AddInt16(p, "R", s.r, s.unixMs);
    AddInt16(p, "G", s.g, s.unixMs);
    AddInt16(p, "B", s.b, s.unixMs);
    AddInt16(p, "X", s.x, s.unixMs);
    AddInt16(p, "Y", s.y, s.unixMs);
    AddInt16(p, "INT", s.intensity, s.unixMs);
    AddInt16(p, "C-No", s.colorNo, s.unixMs);
    Metric* m = p.add_metrics();
    m->set_name("pass");
    m->set_timestamp(static_cast<uint64_t>(s.unixMs));
    m->set_datatype(diror::sparkplug::UInt64);
    m->set_long_value(s.pass);
}

Metric* AddBdSeq(Payload& p, uint64_t bdSeq, int64_t ms)
{
    Metric* m = p.add_metrics();
    m->set_name("bdSeq");
    m->set_timestamp(static_cast<uint64_t>(ms));
    m->set_datatype(diror::sparkplug::UInt64);
    m->set_long_value(bdSeq);
    return m;
}

// A String metric is UTF-8; the firmware text comes from the wire and may hold any byte.
std::string Printable(const std::string& text)
{
    std::string out = text;
    for (char& ch : out)
        if (static_cast<unsigned char>(ch) < 0x20 || static_cast<unsigned char>(ch) > 0x7e)
            ch = '?';
    return out;
}

std::string Serialised(const Payload& p)
{
    std::string bytes;
    p.SerializeToString(&bytes);
    return bytes;
}

}  // namespace

SparkplugNode::SparkplugNode(std::string group, std::string node)
    : group_(std::move(group)), node_(std::move(node))
{
}

std::string SparkplugNode::Topic(const char* type, const std::string& device) const
{
    std::string t = "spBv1.0/" + group_ + "/" + type + "/" + node_;
    if (!device.empty())
        t += "/" + device;
    return t;
}

uint64_t SparkplugNode::nextSeq()
{
    const uint64_t seq = seq_;
    seq_ = (seq_ + 1) % 256;
    return seq;
}

SparkplugMessage SparkplugNode::BeginSession(int64_t nowMs)
{
    if (sessionBegun_)
        bdSeq_ = (bdSeq_ + 1) % 256;
    sessionBegun_ = true;
    return NodeDeath(nowMs);
}

SparkplugMessage SparkplugNode::NodeDeath(int64_t nowMs) const
{
    Payload p;
    p.set_timestamp(static_cast<uint64_t>(nowMs));
    AddBdSeq(p, bdSeq_, nowMs);
    return {Topic("NDEATH", {}), Serialised(p)};
}

SparkplugMessage SparkplugNode::NodeBirth(int64_t nowMs)
{
    seq_ = 0;
    Payload p;
    p.set_timestamp(static_cast<uint64_t>(nowMs));
    p.set_seq(nextSeq());
    AddBdSeq(p, bdSeq_, nowMs);
    // A host may ask for a rebirth by writing this metric; it is declared as the
    // Sparkplug B requires even though this node answers no commands.
    Metric* rebirth = p.add_metrics();
    rebirth->set_name("Node Control/Rebirth");
    rebirth->set_timestamp(static_cast<uint64_t>(nowMs));
    rebirth->set_datatype(diror::sparkplug::Boolean);
    rebirth->set_boolean_value(false);
    return {Topic("NBIRTH", {}), Serialised(p)};
}

SparkplugMessage SparkplugNode::DeviceBirth(const std::string& device, const SparkplugDevice& identity,
                                            const record::LiveSample& first)
{
    Payload p;
    p.set_timestamp(static_cast<uint64_t>(first.unixMs));
    p.set_seq(nextSeq());
    Metric* serial = p.add_metrics();
    serial->set_name("Properties/Serial Number");
    serial->set_timestamp(static_cast<uint64_t>(first.unixMs));
    serial->set_datatype(diror::sparkplug::UInt32);
    serial->set_int_value(identity.serial);
    Metric* edition = p.add_metrics();
    edition->set_name("Properties/Edition");
    edition->set_timestamp(static_cast<uint64_t>(first.unixMs));
    edition->set_datatype(diror::sparkplug::Int32);
    edition->set_int_value(static_cast<uint32_t>(static_cast<int32_t>(identity.edition)));
    Metric* firmware = p.add_metrics();
    firmware->set_name("Properties/Firmware");
    firmware->set_timestamp(static_cast<uint64_t>(first.unixMs));
    firmware->set_datatype(diror::sparkplug::String);
    firmware->set_string_value(Printable(identity.firmware));
    AddSample(p, first);
    return {Topic("DBIRTH", device), Serialised(p)};
}

SparkplugMessage SparkplugNode::DeviceData(const std::string& device, const record::LiveSample& sample)
{
    Payload p;
    p.set_timestamp(static_cast<uint64_t>(sample.unixMs));
    p.set_seq(nextSeq());
    AddSample(p, sample);
    return {Topic("DDATA", device), Serialised(p)};
}

SparkplugMessage SparkplugNode::DeviceDeath(const std::string& device, int64_t nowMs)
{
    Payload p;
    p.set_timestamp(static_cast<uint64_t>(nowMs));
    p.set_seq(nextSeq());
    return {Topic("DDEATH", device), Serialised(p)};
}

}  // namespace cli

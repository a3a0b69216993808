// The Sparkplug B form of what the command line publishes: this process is one edge node, each
// sensor one device of it. A node session starts with the node's death certificate registered
// as the connection's last will (NDEATH, carrying the session's bdSeq), then its birth (NBIRTH,
// seq 0, the same bdSeq); each sensor is born (DBIRTH, every metric with its type and value),
// sends data (DDATA) and dies (DDEATH) inside that session. Every message but NDEATH carries the
// node's sequence number, which counts 0..255 over all of them and starts again at each NBIRTH.
//
// Topics: spBv1.0/<group>/<type>/<node>[/<device>]. Payloads are the protobuf messages of
// cli/sparkplug_b.proto. The NDEATH goes out with QoS 1 and not retained; all others with the
// QoS the user chose, never retained, as Sparkplug B asks.
#pragma once

#include <cstdint>
#include <string>

#include "record/live_csv.h"

namespace cli {

struct SparkplugMessage {
    std::string topic;
    std::string payload;  // serialised protobuf
};

// What a sensor's DBIRTH tells besides its first sample.
struct SparkplugDevice {
    unsigned serial = 0;
    int edition = 0;
    std::string firmware;
};

class SparkplugNode {
public:
    SparkplugNode(std::string group, std::string node);

    // Before each connection (the first and every reconnection): the death certificate to
    // register as that connection's last will. The session's bdSeq is one more than the last
    // session's (0 for the first), modulo 256.
    SparkplugMessage BeginSession(int64_t nowMs);
    // Once the broker accepted the connection.
    SparkplugMessage NodeBirth(int64_t nowMs);
    // At a clean end: the death certificate of the running session, sent by the node itself.
    SparkplugMessage NodeDeath(int64_t nowMs) const;

    SparkplugMessage DeviceBirth(const std::string& device, const SparkplugDevice& identity,
                                 const record::LiveSample& first);
    SparkplugMessage DeviceData(const std::string& device, const record::LiveSample& sample);
    SparkplugMessage DeviceDeath(const std::string& device, int64_t nowMs);

    uint64_t bdSeq() const { return bdSeq_; }
    // The topic of a message type ("DDATA") of a device ("" for the node itself).
    std::string Topic(const char* type, const std::string& device) const;

private:
    uint64_t nextSeq();

    std::string group_, node_;
    uint64_t bdSeq_ = 0;
    bool sessionBegun_ = false;
    uint64_t seq_ = 0;  // the next message's sequence number
};

}  // namespace cli

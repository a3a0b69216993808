// What a request over MQTT does on its sensor: the subcommands' own operations (cli/commands.h),
// run by the gateway on the sensor's session between two live samples, with their files in the
// data folder:
//
//   identify  the identity the gateway read at connection
//   backup    DATA/backups/SN<serial>-<UTC yyyyMMddThhmmssZ>.ini, with the identity section
//   compare   with the reference pinned for the serial number, as compare --reference
//   restore   only when the gateway was started with --allow-write, and only a file whose
//             identity section names this sensor's serial number and edition; the file is kept
//             as DATA/requests/SN<serial>-<UTC>-restore.ini and restored as restore does (a
//             snapshot first, the restore mark, the read-back)
#pragma once

#include <cstddef>
#include <string>

#include "cli/gateway_request.h"
#include "cli/mqtt_publisher.h"
#include "cli/options.h"
#include "cli/sensor_link.h"
#include "cli/sensor_session.h"
#include "cli/task.h"

namespace cli {

inline constexpr char kBackupFolder[] = "backups";
inline constexpr char kRequestFileFolder[] = "requests";
inline constexpr size_t kMaxQueuedRequests = 16;

// Runs a parsed request on the sensor (open, identified as id). The reply carries the sensor,
// its identity and the operation's result; a refusal changes nothing on the sensor.
Task<GatewayReply> RunGatewayRequest(const Options& options, const GatewayRequest& request,
                                     SensorSession& session, const SensorAddress& address,
                                     const SensorIdentity& id);

// A reply that says why the request was not run.
GatewayReply RequestRefusal(const std::string& why);

// Publishes the reply to the request's reply_to, else to SENSORTOPIC/reply, and tells it on
// standard error in one line for the sensor.
void SendReply(MqttPublisher& mqtt, const std::string& sensorTopic, const std::string& sensor,
               const GatewayRequest& request, const GatewayReply& reply);

}  // namespace cli

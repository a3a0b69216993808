// Publishes live samples and status messages to an MQTT broker (libmosquitto). It runs on the
// caller's thread: Service() does the network work between two samples, so no thread of its own
// is needed.
//
// Accounting: a sample counts as delivered at QoS 0 when libmosquitto took it, at QoS 1 and 2
// only when the broker acknowledged it (the publish callback with its message id). Samples not
// yet delivered wait in one bounded queue, whether still ours or handed over and awaiting the
// acknowledgement (libmosquitto sends those again after a reconnect); when it is full the oldest
// sample not yet handed over is dropped, counted and told through the log as it happens. So
// published = delivered + dropped + queued at any time.
//
// Status messages (PublishStatus, and the process's own "online"/"offline" when the settings name
// a status topic) are retained, go at QoS 1, are never dropped for samples, and are sent again
// after every reconnect, since a broker that restarted may have lost them.
//
// A session protocol on top of the connection (Sparkplug B) plugs in with SetSessionHooks: its
// last will is asked for before every connection attempt, its births are sent first after every
// connect, and its farewell at a clean end. Its data go with PublishLate, whose payload is made
// only when the message is handed over, so that sequence numbers inside payloads follow the
// order in which the broker gets them, also after a reconnect.
//
// Events (PublishEvent) go at QoS 1, not retained, and are never dropped for samples; they are
// not sent again after a reconnect once the broker has them.
//
// Subscriptions (Subscribe) are made at QoS 1 and made again after every reconnect; their
// messages are handed to the callback from Service(), never from inside libmosquitto.
//
// The connection is tried again with a growing pause (1 s up to 16 s).
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <unordered_map>
#include <vector>

#include "cli/mqtt_settings.h"

struct mosquitto;
struct mosquitto_message;

namespace cli {

// A message of a session protocol: not retained; the will goes at QoS 1, everything else at 0
// (births) or at the settings' QoS (data).
struct MqttMessage {
    std::string topic;
    std::string payload;
};

struct MqttSessionHooks {
    std::function<MqttMessage()> will;                    // before every connection attempt
    std::function<std::vector<MqttMessage>()> births;     // after every connect, before all else
    std::function<MqttMessage()> farewell;                // at a clean end, instead of the will
};

// The client id the settings give, or chromix5ctl-PID.
std::string MqttClientId(const MqttSettings& settings);

class MqttPublisher {
public:
    // log receives one line per event worth telling (connection lost, back, samples dropped).
    explicit MqttPublisher(std::function<void(const std::string&)> log, size_t queueLimit = 1000);
    MqttPublisher(std::function<void(const std::string&)> log, const MqttSettings& settings,
                  size_t queueLimit = 1000);
    ~MqttPublisher();
    MqttPublisher(const MqttPublisher&) = delete;
    MqttPublisher& operator=(const MqttPublisher&) = delete;

    // Connects and waits up to timeoutSeconds for the broker's acceptance. False with one line
    // naming the broker and the cause when it cannot be reached, the TLS handshake fails (an
    // untrusted certificate, a wrong host name) or it refuses the login.
    bool Connect(const std::string& host, int port, double timeoutSeconds, std::string* error);
    // Queues a sample with the settings' QoS and retain flag; it goes out in Service().
    void Publish(const std::string& topic, const std::string& payload);
    // Must be called before Connect.
    void SetSessionHooks(MqttSessionHooks hooks) { hooks_ = std::move(hooks); }
    // Queues a sample of the session protocol whose payload encode() makes at hand-over.
    void PublishLate(const std::string& topic, std::function<std::string()> encode);
    // Queues a message of the session protocol (a device's birth or death), never dropped, whose
    // payload encode() makes at hand-over.
    void PublishSessionLate(const std::string& topic, std::function<std::string()> encode);
    // Queues a retained status message; a newer one for the same topic replaces one still queued.
    // An empty payload clears what the broker retains for the topic.
    void PublishStatus(const std::string& topic, const std::string& payload);
    // Queues an event: QoS 1, not retained, never dropped.
    void PublishEvent(const std::string& topic, const std::string& payload);
    // Subscribes to filter (now when connected, and after every reconnect); each message that
    // matches goes to onMessage from inside Service().
    void Subscribe(const std::string& filter,
                   std::function<void(const std::string& topic, const std::string& payload)> onMessage);
    // Sends what the connection takes, reads the broker's answers, keeps the connection alive
    // and reconnects when it was lost. Never blocks.
    void Service();
    // At the end: says "offline" on the status topic, sends what is queued and waits for its
    // acknowledgement, for at most timeoutSeconds, then disconnects cleanly (so the broker does
    // not send the last will). True when every sample was delivered.
    bool Finish(double timeoutSeconds);

    bool connected() const { return connected_; }
    // Samples published and not yet delivered (nor dropped).
    size_t queued() const { return queuedSamples_ + inFlightSamples_; }
    // Samples not yet handed to libmosquitto.
    size_t waiting() const { return queuedSamples_; }
    size_t dropped() const { return dropped_; }
    uint64_t delivered() const { return delivered_; }
    uint64_t published() const { return published_; }

private:
    enum class Kind { Sample, Status, Session, Farewell, Event };
    struct Message {
        std::string topic;
        std::string payload;
        Kind kind = Kind::Sample;
        std::function<std::string()> encode;  // when set, makes the payload at hand-over
        bool sample() const { return kind == Kind::Sample; }
    };
    static void OnConnect(mosquitto*, void* self, int rc);
    static void OnDisconnect(mosquitto*, void* self, int rc);
    static void OnPublish(mosquitto*, void* self, int mid);
    static void OnLog(mosquitto*, void* self, int level, const char* text);
    static void OnMessage(mosquitto*, void* self, const mosquitto_message* message);
    void SubscribeAll();
    void DeliverReceived();
    bool Configure(std::string* error);
    bool SetWill(std::string* error);
    void EnqueueSample(Message message);
    void Lost(const std::string& why);
    void Connected();
    void HandOver();
    void DropOldestSample();
    void TellDrops(bool force);

    std::function<void(const std::string&)> log_;
    MqttSettings settings_;
    MqttSessionHooks hooks_;
    size_t limit_;
    mosquitto* client_ = nullptr;
    std::string broker_;
    bool connected_ = false;
    bool everConnected_ = false;
    int connackCode_ = -1;
    std::string tlsError_;         // libmosquitto's last error line while connecting
    double retryAt_ = 0;           // when the next attempt is due; 0 while connected or connecting
    double connectingSince_ = 0;
    double retryPause_ = 1.0;
    std::deque<Message> queue_;    // not yet handed to libmosquitto
    std::unordered_map<int, bool> inFlight_;     // message id -> is a sample; awaiting the broker
    std::map<std::string, std::string> status_;  // the latest status per topic, for reconnects
    size_t queuedSamples_ = 0;
    size_t inFlightSamples_ = 0;
    uint64_t published_ = 0;
    uint64_t delivered_ = 0;
    size_t dropped_ = 0;
    size_t droppedTold_ = 0;
    double dropToldAt_ = 0;
    bool lostTold_ = false;
    struct Subscription {
        std::string filter;
        std::function<void(const std::string&, const std::string&)> onMessage;
    };
    std::vector<Subscription> subscriptions_;
    std::vector<MqttMessage> received_;  // read by libmosquitto, not yet handed to the callbacks
};

}  // namespace cli

// Publishes live samples to an MQTT broker (libmosquitto, QoS 0). It runs on the caller's
// thread: Service() does the network work between two samples, so no thread of its own is
// needed. Messages wait in a bounded queue while the broker is away; the oldest are dropped
// when it is full, and the connection is tried again with a growing pause (1 s up to 16 s).
#pragma once

#include <cstddef>
#include <deque>
#include <functional>
#include <string>
#include <utility>

struct mosquitto;

namespace cli {

class MqttPublisher {
public:
    // log receives one line per event worth telling (connection lost, back, queue overflow).
    explicit MqttPublisher(std::function<void(const std::string&)> log, size_t queueLimit = 1000);
    ~MqttPublisher();
    MqttPublisher(const MqttPublisher&) = delete;
    MqttPublisher& operator=(const MqttPublisher&) = delete;

    // Connects and waits up to timeoutSeconds for the broker's acceptance. False with a reason
    // naming the broker when it cannot be reached or refuses.
    bool Connect(const std::string& host, int port, double timeoutSeconds, std::string* error);
    // Queues a message; it goes out in Service().
    void Publish(const std::string& topic, const std::string& payload);
    // Sends what the connection takes, reads the broker's answers, keeps the connection alive
    // and reconnects when it was lost. Never blocks.
    void Service();
    // At the end: sends what is queued, for at most timeoutSeconds, then disconnects. True when
    // nothing was left behind.
    bool Finish(double timeoutSeconds);

    bool connected() const { return connected_; }
    size_t queued() const { return queue_.size(); }
    size_t dropped() const { return dropped_; }

private:
    static void OnConnect(mosquitto*, void* self, int rc);
    static void OnDisconnect(mosquitto*, void* self, int rc);
    void Lost(const std::string& why);

    std::function<void(const std::string&)> log_;
    size_t limit_;
    mosquitto* client_ = nullptr;
    std::string broker_;
    bool connected_ = false;
    bool everConnected_ = false;
    int connackCode_ = -1;
    double retryAt_ = 0;           // when the next attempt is due; 0 while connected or connecting
    double connectingSince_ = 0;
    double retryPause_ = 1.0;
    std::deque<std::pair<std::string, std::string>> queue_;
    size_t dropped_ = 0;
    bool overflowTold_ = false;
    bool lostTold_ = false;
};

}  // namespace cli

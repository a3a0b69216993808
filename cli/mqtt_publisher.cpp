#include "cli/mqtt_publisher.h"

#include <mosquitto.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

#include <unistd.h>

namespace cli {

namespace {

constexpr int kKeepAliveSeconds = 30;
constexpr double kLongestPause = 16.0;
constexpr double kConnectLimit = 10.0;  // seconds an attempt may take before it counts as failed

double Now()
{
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

std::string ErrorText(int rc)
{
    // MOSQ_ERR_ERRNO: the system's reason (connection refused, no route) is in errno.
    if (rc == MOSQ_ERR_ERRNO)
        return std::strerror(errno);
    return mosquitto_strerror(rc);
}

struct LibraryInit {
    LibraryInit() { mosquitto_lib_init(); }
};

}  // namespace

MqttPublisher::MqttPublisher(std::function<void(const std::string&)> log, size_t queueLimit)
    : log_(std::move(log)), limit_(queueLimit > 0 ? queueLimit : 1)
{
    static LibraryInit init;
    const std::string id = "chromix5ctl-" + std::to_string(::getpid());
    client_ = mosquitto_new(id.c_str(), true, this);
    if (client_) {
        mosquitto_connect_callback_set(client_, OnConnect);
        mosquitto_disconnect_callback_set(client_, OnDisconnect);
    }
}

MqttPublisher::~MqttPublisher()
{
    if (client_)
        mosquitto_destroy(client_);
}

void MqttPublisher::OnConnect(mosquitto*, void* self, int rc)
{
    auto* p = static_cast<MqttPublisher*>(self);
    p->connackCode_ = rc;
    p->connected_ = rc == 0;
}

void MqttPublisher::OnDisconnect(mosquitto*, void* self, int)
{
    static_cast<MqttPublisher*>(self)->connected_ = false;
}

bool MqttPublisher::Connect(const std::string& host, int port, double timeoutSeconds, std::string* error)
{
    broker_ = host + ":" + std::to_string(port);
    if (!client_) {
        *error = "cannot create an MQTT client";
        return false;
    }
    connackCode_ = -1;
    int rc = mosquitto_connect(client_, host.c_str(), port, kKeepAliveSeconds);
    if (rc != MOSQ_ERR_SUCCESS) {
        *error = "cannot reach the MQTT broker at " + broker_ + ": " + ErrorText(rc);
        return false;
    }
    const double end = Now() + timeoutSeconds;
    while (connackCode_ < 0 && Now() < end) {
        rc = mosquitto_loop(client_, 100, 1);
        if (rc != MOSQ_ERR_SUCCESS && connackCode_ < 0) {
            *error = "the MQTT broker at " + broker_ + " closed the connection: " + ErrorText(rc);
            return false;
        }
    }
    if (connackCode_ < 0) {
        *error = "the MQTT broker at " + broker_ + " did not answer";
        return false;
    }
    if (connackCode_ != 0) {
        *error = "the MQTT broker at " + broker_ + " refused the connection: " +
                 mosquitto_connack_string(connackCode_);
        return false;
    }
    everConnected_ = true;
    return true;
}

void MqttPublisher::Publish(const std::string& topic, const std::string& payload)
{
    if (queue_.size() >= limit_) {
        queue_.pop_front();
        ++dropped_;
        if (!overflowTold_) {
            log_("MQTT queue full (" + std::to_string(limit_) + " samples): dropping the oldest");
            overflowTold_ = true;
        }
    }
    queue_.emplace_back(topic, payload);
}

void MqttPublisher::Lost(const std::string& why)
{
    if (!lostTold_)
        log_("lost the MQTT broker at " + broker_ + " (" + why + "); reconnecting");
    lostTold_ = true;
    connected_ = false;
    connackCode_ = -1;
    retryAt_ = Now() + retryPause_;
    retryPause_ = std::min(retryPause_ * 2, kLongestPause);
}

void MqttPublisher::Service()
{
    if (!client_ || !everConnected_)
        return;
    if (!connected_) {
        if (retryAt_ > 0) {
            // Pausing before the next attempt.
            if (Now() < retryAt_)
                return;
            retryAt_ = 0;
            connackCode_ = -1;
            connectingSince_ = Now();
            const int rc = mosquitto_reconnect_async(client_);
            if (rc != MOSQ_ERR_SUCCESS) {
                Lost(ErrorText(rc));
                return;
            }
        } else if (Now() - connectingSince_ > kConnectLimit) {
            Lost("no answer");
            return;
        }
    }
    // libmosquitto writes what it can at once and keeps the rest; only hand it the next message
    // when it has nothing waiting, so that our queue is the only one that grows.
    while (connected_ && !queue_.empty() && !mosquitto_want_write(client_)) {
        const auto& [topic, payload] = queue_.front();
        const int rc = mosquitto_publish(client_, nullptr, topic.c_str(), static_cast<int>(payload.size()),
                                         payload.data(), 0, false);
        if (rc != MOSQ_ERR_SUCCESS)
            break;
        queue_.pop_front();
    }
    const bool wasConnected = connected_;
    const int rc = mosquitto_loop(client_, 0, 1);
    if (rc != MOSQ_ERR_SUCCESS) {
        Lost(ErrorText(rc));
        return;
    }
    if (!wasConnected && connected_) {
        retryPause_ = 1.0;
        lostTold_ = false;
        overflowTold_ = false;
        log_("reconnected to the MQTT broker at " + broker_);
    } else if (!connected_ && connackCode_ > 0) {
        Lost(std::string("refused: ") + mosquitto_connack_string(connackCode_));
    }
}

bool MqttPublisher::Finish(double timeoutSeconds)
{
    if (!client_ || !everConnected_)
        return queue_.empty();
    // A broker that is away gets one more attempt now rather than after the current pause.
    if (!connected_ && retryAt_ > 0)
        retryAt_ = Now();
    const double end = Now() + timeoutSeconds;
    while (Now() < end && (!queue_.empty() || mosquitto_want_write(client_) || !connected_)) {
        Service();
        if (!connected_)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        else if (!queue_.empty() || mosquitto_want_write(client_))
            mosquitto_loop(client_, 10, 1);
    }
    const bool allSent = queue_.empty() && !mosquitto_want_write(client_);
    if (connected_) {
        mosquitto_disconnect(client_);
        mosquitto_loop(client_, 0, 1);
    }
    return allSent;
}

}  // namespace cli

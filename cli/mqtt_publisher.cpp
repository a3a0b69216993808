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

constexpr double kLongestPause = 16.0;
constexpr double kConnectLimit = 10.0;  // seconds an attempt may take before it counts as failed
constexpr double kDropTellPause = 5.0;  // while samples keep being dropped, a count this often
constexpr int kStatusQos = 1;
constexpr unsigned kMostInFlight = 65535;  // as many as MQTT's message ids tell apart

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

// Errors that the same message would meet again on any connection: it is given up, not retried.
bool Unsendable(int rc)
{
    return rc == MOSQ_ERR_INVAL || rc == MOSQ_ERR_PAYLOAD_SIZE || rc == MOSQ_ERR_MALFORMED_UTF8 ||
           rc == MOSQ_ERR_OVERSIZE_PACKET || rc == MOSQ_ERR_QOS_NOT_SUPPORTED;
}

// "OpenSSL Error[0]: error:0A000086:SSL routines::certificate verify failed" -> the reason.
std::string TlsReason(const std::string& line)
{
    const size_t colon = line.rfind(':');
    std::string reason = colon == std::string::npos ? line : line.substr(colon + 1);
    reason.erase(0, reason.find_first_not_of(' '));
    return reason.empty() ? line : reason;
}

bool Readable(const std::string& path, const char* what, std::string* error)
{
    if (::access(path.c_str(), R_OK) == 0)
        return true;
    *error = std::string("cannot read the ") + what + " " + path + ": " + std::strerror(errno);
    return false;
}

struct LibraryInit {
    LibraryInit() { mosquitto_lib_init(); }
};

}  // namespace

std::string MqttClientId(const MqttSettings& settings)
{
    return settings.clientId.empty() ? "chromix5ctl-" + std::to_string(::getpid()) : settings.clientId;
}

MqttPublisher::MqttPublisher(std::function<void(const std::string&)> log, size_t queueLimit)
    : MqttPublisher(std::move(log), MqttSettings{}, queueLimit)
{
}

MqttPublisher::MqttPublisher(std::function<void(const std::string&)> log, const MqttSettings& settings,
                             size_t queueLimit)
    : log_(std::move(log)), settings_(settings), limit_(queueLimit > 0 ? queueLimit : 1)
{
    static LibraryInit init;
    client_ = mosquitto_new(MqttClientId(settings_).c_str(), true, this);
    if (client_) {
        mosquitto_connect_callback_set(client_, OnConnect);
        mosquitto_disconnect_callback_set(client_, OnDisconnect);
        mosquitto_publish_callback_set(client_, OnPublish);
        mosquitto_log_callback_set(client_, OnLog);
        mosquitto_message_callback_set(client_, OnMessage);
        // The bounded queue is ours; libmosquitto's default of 20 messages awaiting their
        // acknowledgement would hold a fleet's samples to 20 per pass of the event loop.
        mosquitto_max_inflight_messages_set(client_, kMostInFlight);
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

// At QoS 1 and 2 the broker's acknowledgement; at QoS 0 only that the message was written, which
// Service() counted already when it handed the message over.
void MqttPublisher::OnPublish(mosquitto*, void* self, int mid)
{
    auto* p = static_cast<MqttPublisher*>(self);
    const auto it = p->inFlight_.find(mid);
    if (it == p->inFlight_.end())
        return;
    if (it->second) {
        --p->inFlightSamples_;
        ++p->delivered_;
    }
    p->inFlight_.erase(it);
}

// libmosquitto tells why a TLS handshake failed only through its log; kept for Connect's message.
void MqttPublisher::OnLog(mosquitto*, void* self, int level, const char* text)
{
    auto* p = static_cast<MqttPublisher*>(self);
    if (level == MOSQ_LOG_ERR && p->tlsError_.empty() && text && std::strncmp(text, "OpenSSL", 7) == 0)
        p->tlsError_ = text;
}

void MqttPublisher::OnMessage(mosquitto*, void* self, const mosquitto_message* message)
{
    auto* p = static_cast<MqttPublisher*>(self);
    if (!message || !message->topic)
        return;
    const char* payload = static_cast<const char*>(message->payload);
    p->received_.push_back(MqttMessage{message->topic,
                                       payload ? std::string(payload, static_cast<size_t>(message->payloadlen))
                                               : std::string()});
}

void MqttPublisher::Subscribe(const std::string& filter,
                              std::function<void(const std::string& topic, const std::string& payload)> onMessage)
{
    subscriptions_.push_back(Subscription{filter, std::move(onMessage)});
    if (connected_ && client_) {
        const int rc = mosquitto_subscribe(client_, nullptr, filter.c_str(), kStatusQos);
        if (rc != MOSQ_ERR_SUCCESS)
            log_("MQTT: cannot subscribe to " + filter + ": " + ErrorText(rc));
    }
}

void MqttPublisher::SubscribeAll()
{
    for (const Subscription& s : subscriptions_) {
        const int rc = mosquitto_subscribe(client_, nullptr, s.filter.c_str(), kStatusQos);
        if (rc != MOSQ_ERR_SUCCESS)
            log_("MQTT: cannot subscribe to " + s.filter + ": " + ErrorText(rc));
    }
}

// Each message to every subscription whose filter it matches. A callback may publish or
// subscribe: the messages are taken out of received_ first.
void MqttPublisher::DeliverReceived()
{
    std::vector<MqttMessage> messages;
    messages.swap(received_);
    for (const MqttMessage& m : messages) {
        for (size_t i = 0; i < subscriptions_.size(); ++i) {
            bool matches = false;
            mosquitto_topic_matches_sub(subscriptions_[i].filter.c_str(), m.topic.c_str(), &matches);
            if (matches) {
                const auto onMessage = subscriptions_[i].onMessage;
                onMessage(m.topic, m.payload);
            }
        }
    }
}

bool MqttPublisher::Configure(std::string* error)
{
    const MqttSettings& s = settings_;
    int rc = MOSQ_ERR_SUCCESS;
    if (!s.user.empty()) {
        rc = mosquitto_username_pw_set(client_, s.user.c_str(), s.hasPassword ? s.password.c_str() : nullptr);
        if (rc != MOSQ_ERR_SUCCESS) {
            *error = "cannot use the MQTT user name: " + ErrorText(rc);
            return false;
        }
    }
    if (s.tls) {
        if ((!s.caFile.empty() && !Readable(s.caFile, "CA file", error)) ||
            (!s.certFile.empty() && !Readable(s.certFile, "client certificate", error)) ||
            (!s.keyFile.empty() && !Readable(s.keyFile, "client key", error)))
            return false;
        // Without a CA file the system's certificate authorities decide.
        if (s.caFile.empty())
            mosquitto_int_option(client_, MOSQ_OPT_TLS_USE_OS_CERTS, 1);
        if (!s.caFile.empty() || !s.certFile.empty()) {
            rc = mosquitto_tls_set(client_, s.caFile.empty() ? nullptr : s.caFile.c_str(),
                                   s.caFile.empty() ? "/etc/ssl/certs" : nullptr,
                                   s.certFile.empty() ? nullptr : s.certFile.c_str(),
                                   s.keyFile.empty() ? nullptr : s.keyFile.c_str(), nullptr);
        }
        if (rc == MOSQ_ERR_SUCCESS && s.insecure) {
            rc = mosquitto_tls_opts_set(client_, 0, nullptr, nullptr);  // SSL_VERIFY_NONE
            if (rc == MOSQ_ERR_SUCCESS)
                rc = mosquitto_tls_insecure_set(client_, true);
        }
        if (rc != MOSQ_ERR_SUCCESS) {
            *error = "cannot set up TLS for the MQTT broker at " + broker_ + ": " + ErrorText(rc);
            return false;
        }
    }
    return SetWill(error);
}

// The broker keeps one will per connection: the session protocol's, which changes with every
// session, or else the process's "offline".
bool MqttPublisher::SetWill(std::string* error)
{
    int rc = MOSQ_ERR_SUCCESS;
    std::string topic;
    if (hooks_.will) {
        const MqttMessage will = hooks_.will();
        topic = will.topic;
        rc = mosquitto_will_set(client_, will.topic.c_str(), static_cast<int>(will.payload.size()),
                                will.payload.data(), 1, false);
    } else if (!settings_.statusTopic.empty()) {
        topic = settings_.statusTopic;
        rc = mosquitto_will_set(client_, topic.c_str(), 7, "offline", kStatusQos, true);
    }
    if (rc != MOSQ_ERR_SUCCESS) {
        *error = "cannot set the last will on " + topic + ": " + ErrorText(rc);
        return false;
    }
    return true;
}

bool MqttPublisher::Connect(const std::string& host, int port, double timeoutSeconds, std::string* error)
{
    broker_ = host + ":" + std::to_string(port);
    if (!client_) {
        *error = "cannot create an MQTT client";
        return false;
    }
    if (!Configure(error))
        return false;
    connackCode_ = -1;
    tlsError_.clear();
    const auto failed = [&](const std::string& what, int rc) {
        if (rc == MOSQ_ERR_TLS || !tlsError_.empty())
            *error = "TLS with the MQTT broker at " + broker_ + " failed: " +
                     (tlsError_.empty() ? ErrorText(rc) : TlsReason(tlsError_));
        else
            *error = what + ErrorText(rc);
        return false;
    };
    int rc = mosquitto_connect(client_, host.c_str(), port, settings_.keepAlive);
    if (rc != MOSQ_ERR_SUCCESS)
        return failed("cannot reach the MQTT broker at " + broker_ + ": ", rc);
    const double end = Now() + timeoutSeconds;
    while (connackCode_ < 0 && Now() < end) {
        rc = mosquitto_loop(client_, 100, 1);
        if (rc != MOSQ_ERR_SUCCESS && connackCode_ < 0)
            return failed("the MQTT broker at " + broker_ + " closed the connection: ", rc);
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
    Connected();
    return true;
}

// On every (re)connect: the process is online, and every status is said again, first.
void MqttPublisher::Connected()
{
    SubscribeAll();
    if (!settings_.statusTopic.empty())
        status_[settings_.statusTopic] = "online";
    for (const auto& status : status_) {
        std::erase_if(queue_, [&](const Message& m) { return m.kind == Kind::Status && m.topic == status.first; });
        queue_.push_front(Message{status.first, status.second, Kind::Status, {}});
    }
    // The session's births come before everything else, in their order.
    if (hooks_.births) {
        const std::vector<MqttMessage> births = hooks_.births();
        for (auto it = births.rbegin(); it != births.rend(); ++it)
            queue_.push_front(Message{it->topic, it->payload, Kind::Session, {}});
    }
}

void MqttPublisher::TellDrops(bool force)
{
    if (dropped_ == droppedTold_)
        return;
    const double now = Now();
    if (!force && droppedTold_ > 0 && now - dropToldAt_ < kDropTellPause)
        return;
    if (droppedTold_ == 0)
        log_("MQTT: " + std::to_string(limit_) + " samples wait for the broker: dropping the oldest");
    else
        log_("MQTT: " + std::to_string(dropped_) + " samples dropped so far");
    droppedTold_ = dropped_;
    dropToldAt_ = now;
}

void MqttPublisher::DropOldestSample()
{
    const auto oldest = std::find_if(queue_.begin(), queue_.end(), [](const Message& m) { return m.sample(); });
    if (oldest != queue_.end()) {
        queue_.erase(oldest);
        --queuedSamples_;
    }
    ++dropped_;
}

void MqttPublisher::Publish(const std::string& topic, const std::string& payload)
{
    EnqueueSample(Message{topic, payload, Kind::Sample, {}});
}

void MqttPublisher::PublishLate(const std::string& topic, std::function<std::string()> encode)
{
    EnqueueSample(Message{topic, {}, Kind::Sample, std::move(encode)});
}

void MqttPublisher::EnqueueSample(Message message)
{
    ++published_;
    if (queuedSamples_ + inFlightSamples_ >= limit_) {
        DropOldestSample();
        // Every sample waits for its acknowledgement: the new one is the one that goes.
        if (queuedSamples_ + inFlightSamples_ >= limit_) {
            TellDrops(false);
            return;
        }
        TellDrops(false);
    }
    queue_.push_back(std::move(message));
    ++queuedSamples_;
}

void MqttPublisher::PublishSessionLate(const std::string& topic, std::function<std::string()> encode)
{
    queue_.push_back(Message{topic, {}, Kind::Session, std::move(encode)});
}

void MqttPublisher::PublishStatus(const std::string& topic, const std::string& payload)
{
    status_[topic] = payload;
    std::erase_if(queue_, [&](const Message& m) { return m.kind == Kind::Status && m.topic == topic; });
    queue_.push_back(Message{topic, payload, Kind::Status, {}});
}

void MqttPublisher::PublishEvent(const std::string& topic, const std::string& payload)
{
    queue_.push_back(Message{topic, payload, Kind::Event, {}});
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

// libmosquitto writes what it can at once and keeps the rest; only hand it the next message
// when it has nothing waiting, so that our queue is the only one that grows.
void MqttPublisher::HandOver()
{
    while (connected_ && !queue_.empty() && !mosquitto_want_write(client_)) {
        Message& m = queue_.front();
        if (m.encode) {
            m.payload = m.encode();
            m.encode = nullptr;
        }
        const int qos = m.kind == Kind::Status || m.kind == Kind::Farewell || m.kind == Kind::Event ? kStatusQos
                        : m.kind == Kind::Session                       ? 0
                                                                        : settings_.qos;
        // A session protocol's messages are never retained: its births and deaths say what
        // holds now, and a host that comes later asks for a rebirth.
        const bool retain = m.kind == Kind::Status || (m.sample() && settings_.retain && !hooks_.will);
        int mid = 0;
        const int rc = mosquitto_publish(client_, &mid, m.topic.c_str(), static_cast<int>(m.payload.size()),
                                         m.payload.data(), qos, retain);
        if (rc != MOSQ_ERR_SUCCESS && !Unsendable(rc))
            break;
        if (rc != MOSQ_ERR_SUCCESS) {
            log_("MQTT: a message to " + m.topic + " cannot be sent (" + ErrorText(rc) + "): given up");
            if (m.sample())
                ++dropped_;
        } else if (qos > 0) {
            // The callback cannot have come yet: acknowledgements are read in mosquitto_loop().
            inFlight_[mid] = m.sample();
            if (m.sample())
                ++inFlightSamples_;
        } else if (m.sample()) {
            ++delivered_;
        }
        if (m.sample())
            --queuedSamples_;
        queue_.pop_front();
    }
}

void MqttPublisher::Service()
{
    if (!client_ || !everConnected_)
        return;
    TellDrops(false);
    if (!connected_) {
        if (retryAt_ > 0) {
            // Pausing before the next attempt.
            if (Now() < retryAt_)
                return;
            retryAt_ = 0;
            connackCode_ = -1;
            connectingSince_ = Now();
            std::string willError;
            if (!SetWill(&willError)) {
                Lost(willError);
                return;
            }
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
    HandOver();
    const bool wasConnected = connected_;
    const int rc = mosquitto_loop(client_, 0, 1);
    if (rc != MOSQ_ERR_SUCCESS) {
        Lost(ErrorText(rc));
        return;
    }
    if (!wasConnected && connected_) {
        retryPause_ = 1.0;
        lostTold_ = false;
        log_("reconnected to the MQTT broker at " + broker_);
        Connected();
        HandOver();
    } else if (!connected_ && connackCode_ > 0) {
        Lost(std::string("refused: ") + mosquitto_connack_string(connackCode_));
    }
    DeliverReceived();
}

bool MqttPublisher::Finish(double timeoutSeconds)
{
    if (!client_ || !everConnected_)
        return queued() == 0;
    if (!settings_.statusTopic.empty() && !hooks_.will)
        PublishStatus(settings_.statusTopic, "offline");
    if (hooks_.farewell) {
        const MqttMessage farewell = hooks_.farewell();
        queue_.push_back(Message{farewell.topic, farewell.payload, Kind::Farewell, {}});
    }
    // A broker that is away gets one more attempt now rather than after the current pause.
    if (!connected_ && retryAt_ > 0)
        retryAt_ = Now();
    const double end = Now() + timeoutSeconds;
    const auto pending = [&] { return !queue_.empty() || !inFlight_.empty() || mosquitto_want_write(client_); };
    while (Now() < end && (pending() || !connected_)) {
        Service();
        if (!connected_)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        else if (pending())
            mosquitto_loop(client_, 10, 1);
    }
    TellDrops(true);
    const bool allDelivered = queued() == 0 && !pending();
    if (connected_) {
        mosquitto_disconnect(client_);
        mosquitto_loop(client_, 0, 1);
    }
    return allDelivered;
}

}  // namespace cli

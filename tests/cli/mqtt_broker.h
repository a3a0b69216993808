// A real mosquitto for the command line's MQTT tests: started on 127.0.0.1 on free ports by the
// test, with its files in the test's folder, and a subscriber of our own on libmosquitto's
// network thread.
//
// The broker always has a plain listener that lets anyone in; after MakeSecrets() it also has a
// TLS listener with a server certificate for 127.0.0.1, signed by a certificate authority made
// with openssl for the test, which lets in only the user of its password file. Its persistence
// file is in the folder too, so that a broker stopped and started again keeps sessions and
// retained messages.
#pragma once

#include <QProcess>

#include <mosquitto.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

struct MqttMessage {
    std::string topic;
    std::string payload;
    bool retained = false;
};

class TestBroker {
public:
    explicit TestBroker(std::string folder);
    ~TestBroker();

    // False when mosquitto is not installed (a test then skips).
    static bool Installed();

    // The authority, the server certificate and key, another authority that signed nothing, and
    // a password file with one user. False (with the tool's complaint in *error) on a failure.
    bool MakeSecrets(const std::string& user, const std::string& password, std::string* error);
    // Starts mosquitto; true once every listener accepts connections.
    bool Start();
    // Ends it with a signal (SIGTERM: it saves its state; SIGKILL: it does not) and waits.
    void Stop(int signal);

    int port() const { return port_; }
    int tlsPort() const { return tlsPort_; }
    std::string Address() const { return "127.0.0.1:" + std::to_string(port_); }
    std::string TlsAddress() const { return "127.0.0.1:" + std::to_string(tlsPort_); }
    std::string CaFile() const { return folder_ + "/ca.crt"; }
    std::string OtherCaFile() const { return folder_ + "/other-ca.crt"; }
    std::string Log();

private:
    std::string folder_;
    int port_ = 0;
    int tlsPort_ = 0;
    bool secrets_ = false;
    QProcess process_;
    std::string log_;
};

// Collects every message under a topic filter of the broker's plain listener. With a client id
// the session outlives the connection (clean session off), so that a broker that was stopped and
// started again hands it what came while it was reconnecting.
class TestSubscriber {
public:
    TestSubscriber(int port, const std::string& filter, int qos = 0, const std::string& clientId = {});
    ~TestSubscriber();
    TestSubscriber(const TestSubscriber&) = delete;
    TestSubscriber& operator=(const TestSubscriber&) = delete;

    // Waits (at most 5 s) for the subscription to be granted.
    bool WaitSubscribed();
    // Waits at most `seconds` until done(messages) holds; returns the messages so far either way.
    std::vector<MqttMessage> WaitUntil(const std::function<bool(const std::vector<MqttMessage>&)>& done,
                                       double seconds = 5);
    std::vector<MqttMessage> Messages();
    // Publishes at QoS 1 over the same connection (a request to a gateway, say).
    bool Publish(const std::string& topic, const std::string& payload);

private:
    std::string filter_;
    int qos_ = 0;
    mosquitto* client_ = nullptr;
    bool connected_ = false;
    std::atomic<bool> subscribed_{false};
    std::mutex mutex_;
    std::vector<MqttMessage> messages_;
};

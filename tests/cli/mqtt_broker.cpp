#include "tests/cli/mqtt_broker.h"

#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>

#include <chrono>
#include <csignal>
#include <fstream>
#include <thread>

#include <pwd.h>
#include <unistd.h>

namespace {

// Debian puts the broker in /usr/sbin, which an ordinary user's PATH may lack.
QString Program(const char* name)
{
    QString path = QStandardPaths::findExecutable(name);
    if (path.isEmpty())
        path = QStandardPaths::findExecutable(name, {"/usr/sbin", "/usr/local/sbin", "/usr/bin"});
    return path;
}

int FreePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

bool Run(const QString& program, const QStringList& args, const QString& folder, std::string* error)
{
    QProcess p;
    p.setWorkingDirectory(folder);
    p.start(program, args);
    if (!p.waitForFinished(30000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        *error = program.toStdString() + " " + args.join(' ').toStdString() + ": " +
                 p.readAllStandardError().toStdString();
        return false;
    }
    return true;
}

}  // namespace

TestBroker::TestBroker(std::string folder) : folder_(std::move(folder))
{
    port_ = FreePort();
    tlsPort_ = FreePort();
}

TestBroker::~TestBroker() { Stop(SIGTERM); }

bool TestBroker::Installed() { return !Program("mosquitto").isEmpty(); }

bool TestBroker::MakeSecrets(const std::string& user, const std::string& password, std::string* error)
{
    const QString openssl = Program("openssl");
    const QString passwd = Program("mosquitto_passwd");
    if (openssl.isEmpty() || passwd.isEmpty()) {
        *error = "openssl or mosquitto_passwd is not installed (scripts/setup.sh installs them)";
        return false;
    }
    const QString dir = QString::fromStdString(folder_);
    const QStringList ec = {"-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes"};
    // The server's name is its address: the client checks the certificate against 127.0.0.1.
    std::ofstream(folder_ + "/server.ext") << "subjectAltName=IP:127.0.0.1,DNS:localhost\n";
    const bool made =
        Run(openssl, QStringList{"req", "-x509"} + ec + QStringList{"-keyout", "ca.key", "-out", "ca.crt", "-days", "2", "-subj", "/CN=Test plant CA"}, dir, error) &&
        Run(openssl, QStringList{"req", "-x509"} + ec + QStringList{"-keyout", "other-ca.key", "-out", "other-ca.crt", "-days", "2", "-subj", "/CN=Someone else"}, dir, error) &&
        Run(openssl, QStringList{"req"} + ec + QStringList{"-keyout", "server.key", "-out", "server.csr", "-subj", "/CN=127.0.0.1"}, dir, error) &&
        Run(openssl, {"x509", "-req", "-in", "server.csr", "-CA", "ca.crt", "-CAkey", "ca.key", "-CAcreateserial",
                      "-out", "server.crt", "-days", "2", "-extfile", "server.ext"}, dir, error);
    if (!made)
        return false;
    std::ofstream(folder_ + "/passwords");
    if (!Run(passwd, {"-b", "passwords", QString::fromStdString(user), QString::fromStdString(password)}, dir, error))
        return false;
    secrets_ = true;
    return true;
}

bool TestBroker::Start()
{
    // Started as root, mosquitto becomes the user "mosquitto", who cannot read the test's
    // folder; naming the user it runs as keeps it as it is.
    const passwd* me = ::getpwuid(::getuid());
    std::ofstream config(folder_ + "/mosquitto.conf");
    config << "per_listener_settings true\n"
           << "user " << (me ? me->pw_name : "root") << "\n"
           << "persistence true\npersistence_location " << folder_ << "/\n"
           << "listener " << port_ << " 127.0.0.1\nallow_anonymous true\n";
    if (secrets_)
        config << "listener " << tlsPort_ << " 127.0.0.1\nallow_anonymous false\n"
               << "password_file " << folder_ << "/passwords\n"
               << "cafile " << folder_ << "/ca.crt\ncertfile " << folder_ << "/server.crt\n"
               << "keyfile " << folder_ << "/server.key\n";
    config.close();
    process_.setProcessChannelMode(QProcess::MergedChannels);
    process_.start(Program("mosquitto"), {"-c", QString::fromStdString(folder_ + "/mosquitto.conf")});
    if (!process_.waitForStarted(5000))
        return false;
    for (int port : {port_, secrets_ ? tlsPort_ : port_}) {
        bool listening = false;
        for (int i = 0; i < 100 && !listening && process_.state() == QProcess::Running; ++i) {
            QTcpSocket socket;
            socket.connectToHost("127.0.0.1", static_cast<quint16>(port));
            listening = socket.waitForConnected(100);
            if (!listening)
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        if (!listening)
            return false;
    }
    return true;
}

void TestBroker::Stop(int signal)
{
    if (process_.state() == QProcess::NotRunning)
        return;
    ::kill(static_cast<pid_t>(process_.processId()), signal);
    if (!process_.waitForFinished(5000)) {
        process_.kill();
        process_.waitForFinished(3000);
    }
    log_ += process_.readAll().toStdString();
}

std::string TestBroker::Log()
{
    log_ += process_.readAll().toStdString();
    return log_;
}

TestSubscriber::TestSubscriber(int port, const std::string& filter, int qos, const std::string& clientId)
    : filter_(filter), qos_(qos)
{
    mosquitto_lib_init();
    client_ = mosquitto_new(clientId.empty() ? nullptr : clientId.c_str(), clientId.empty(), this);
    // Subscribing again on every connect: after the broker was restarted too.
    mosquitto_connect_callback_set(client_, [](mosquitto* m, void* self, int rc) {
        auto* s = static_cast<TestSubscriber*>(self);
        if (rc == 0)
            mosquitto_subscribe(m, nullptr, s->filter_.c_str(), s->qos_);
    });
    mosquitto_subscribe_callback_set(client_, [](mosquitto*, void* self, int, int, const int*) {
        static_cast<TestSubscriber*>(self)->subscribed_ = true;
    });
    mosquitto_message_callback_set(client_, [](mosquitto*, void* self, const mosquitto_message* m) {
        auto* s = static_cast<TestSubscriber*>(self);
        std::lock_guard<std::mutex> lock(s->mutex_);
        s->messages_.push_back({m->topic,
                                std::string(static_cast<const char*>(m->payload), static_cast<size_t>(m->payloadlen)),
                                m->retain});
    });
    mosquitto_reconnect_delay_set(client_, 1, 1, false);
    connected_ = mosquitto_connect(client_, "127.0.0.1", port, 30) == MOSQ_ERR_SUCCESS &&
                 mosquitto_loop_start(client_) == MOSQ_ERR_SUCCESS;
}

TestSubscriber::~TestSubscriber()
{
    mosquitto_disconnect(client_);
    mosquitto_loop_stop(client_, true);
    mosquitto_destroy(client_);
}

bool TestSubscriber::WaitSubscribed()
{
    for (int i = 0; i < 100 && !subscribed_; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    return connected_ && subscribed_;
}

std::vector<MqttMessage> TestSubscriber::WaitUntil(const std::function<bool(const std::vector<MqttMessage>&)>& done,
                                                   double seconds)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (std::chrono::steady_clock::now() < end) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (done(messages_))
                break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return Messages();
}

bool TestSubscriber::Publish(const std::string& topic, const std::string& payload)
{
    return mosquitto_publish(client_, nullptr, topic.c_str(), static_cast<int>(payload.size()), payload.data(), 1,
                             false) == MOSQ_ERR_SUCCESS;
}

std::vector<MqttMessage> TestSubscriber::Messages()
{
    std::lock_guard<std::mutex> lock(mutex_);
    return messages_;
}

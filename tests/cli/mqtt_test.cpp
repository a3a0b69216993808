// monitor --mqtt against a real broker: mosquitto started on 127.0.0.1 on a free port, a
// subscriber of our own, and the samples checked against the CSV of the same sensor.
#include <gtest/gtest.h>

#include <QJsonDocument>
#include <QJsonObject>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>

#include <mosquitto.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

#include "tests/cli/cli_fixture.h"

namespace {

struct Message {
    std::string topic;
    std::string payload;
};

// Collects every message under a topic filter on libmosquitto's own network thread.
class Subscriber {
public:
    Subscriber(int port, const std::string& filter) : filter_(filter)
    {
        mosquitto_lib_init();
        client_ = mosquitto_new(nullptr, true, this);
        mosquitto_connect_callback_set(client_, [](mosquitto* m, void* self, int rc) {
            if (rc == 0)
                mosquitto_subscribe(m, nullptr, static_cast<Subscriber*>(self)->filter_.c_str(), 0);
        });
        mosquitto_subscribe_callback_set(client_, [](mosquitto*, void* self, int, int, const int*) {
            static_cast<Subscriber*>(self)->subscribed_ = true;
        });
        mosquitto_message_callback_set(client_, [](mosquitto*, void* self, const mosquitto_message* m) {
            auto* s = static_cast<Subscriber*>(self);
            std::lock_guard<std::mutex> lock(s->mutex_);
            s->messages_.push_back({m->topic, std::string(static_cast<const char*>(m->payload),
                                                          static_cast<size_t>(m->payloadlen))});
        });
        connected_ = mosquitto_connect(client_, "127.0.0.1", port, 30) == MOSQ_ERR_SUCCESS &&
                     mosquitto_loop_start(client_) == MOSQ_ERR_SUCCESS;
    }
    ~Subscriber()
    {
        mosquitto_disconnect(client_);
        mosquitto_loop_stop(client_, true);
        mosquitto_destroy(client_);
    }
    bool WaitSubscribed()
    {
        for (int i = 0; i < 100 && !subscribed_; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        return connected_ && subscribed_;
    }
    // Waits (at most 5 s) until count messages have come, or one whose payload holds `text`.
    std::vector<Message> WaitFor(size_t count, const std::string& text = {})
    {
        for (int i = 0; i < 100; ++i) {
            {
                std::lock_guard<std::mutex> lock(mutex_);
                if (messages_.size() >= count)
                    break;
                if (!text.empty() && !messages_.empty() &&
                    messages_.back().payload.find(text) != std::string::npos)
                    break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        std::lock_guard<std::mutex> lock(mutex_);
        return messages_;
    }

private:
    std::string filter_;
    mosquitto* client_ = nullptr;
    bool connected_ = false;
    std::atomic<bool> subscribed_{false};
    std::mutex mutex_;
    std::vector<Message> messages_;
};

// Debian puts the broker in /usr/sbin, which an ordinary user's PATH may lack.
QString BrokerProgram()
{
    QString path = QStandardPaths::findExecutable("mosquitto");
    if (path.isEmpty())
        path = QStandardPaths::findExecutable("mosquitto", {"/usr/sbin", "/usr/local/sbin"});
    return path;
}

int FreePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

class MqttTest : public CliTest {
protected:
    void TearDown() override
    {
        if (broker_.state() != QProcess::NotRunning) {
            broker_.terminate();
            if (!broker_.waitForFinished(3000))
                broker_.kill();
        }
        CliTest::TearDown();
    }
    // mosquitto on 127.0.0.1 only, anonymous clients allowed, nothing kept on disk.
    int StartBroker()
    {
        const int port = FreePort();
        const std::string config = PathOf("mosquitto.conf");
        WriteFile(config, "listener " + std::to_string(port) + " 127.0.0.1\nallow_anonymous true\n"
                          "persistence false\n");
        return RestartBroker(port) ? port : 0;
    }
    // Starts mosquitto with the configuration StartBroker wrote; true once it listens.
    bool RestartBroker(int port)
    {
        const QString program = BrokerProgram();
        EXPECT_FALSE(program.isEmpty()) << "mosquitto is not installed (scripts/setup.sh installs it)";
        broker_.start(program, {"-c", QString::fromStdString(PathOf("mosquitto.conf"))});
        if (!broker_.waitForStarted(5000))
            return false;
        for (int i = 0; i < 100; ++i) {
            QTcpSocket socket;
            socket.connectToHost("127.0.0.1", static_cast<quint16>(port));
            if (socket.waitForConnected(100))
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return false;
    }
    QProcess broker_;
};

}  // namespace

TEST_F(MqttTest, MonitorPublishesEachSampleAsJsonUnderTheSerialNumber)
{
    const int port = StartBroker();
    ASSERT_GT(port, 0) << "mosquitto did not start: " << broker_.readAllStandardError().toStdString();
    const SimProgram& sensor = StartSim({"--serial", "4711", "--target", "green", "--noise", "0"});
    Subscriber subscriber(port, "plant/line1/#");
    ASSERT_TRUE(subscriber.WaitSubscribed());

    const std::string broker = "127.0.0.1:" + std::to_string(port);
    const CtlRun run = Ctl({"monitor", "--count", "5", "--rate", "50", "--mqtt", broker.c_str(), "--topic",
                            "plant/line1", "--csv", "live.csv", QString::fromStdString(sensor.Tcp())});
    EXPECT_EQ(0, run.exit) << run.err;
    EXPECT_EQ(sensor.Tcp() + "\tok\t5 samples\n", run.out);

    const std::vector<Message> messages = subscriber.WaitFor(5);
    ASSERT_EQ(5u, messages.size());
    // The CSV of the same run holds the same values.
    const std::string csv = Slurp(PathOf("live.csv"));
    const std::string firstRow = csv.substr(csv.find("pass\n") + 5, csv.find('\n', csv.find("pass\n") + 5) - csv.find("pass\n") - 5);
    const QStringList csvFields = QString::fromStdString(firstRow).split(',');
    ASSERT_EQ(9, csvFields.size()) << csv;
    for (size_t i = 0; i < messages.size(); ++i) {
        EXPECT_EQ("plant/line1/4711", messages[i].topic);
        const QJsonObject o = QJsonDocument::fromJson(QByteArray::fromStdString(messages[i].payload)).object();
        EXPECT_EQ(static_cast<int>(i) + 1, o["pass"].toInt()) << messages[i].payload;
        EXPECT_EQ(4711, o["serial"].toInt());
        EXPECT_EQ(sensor.Tcp(), o["sensor"].toString().toStdString());
        EXPECT_TRUE(o["time"].toString().endsWith('Z'));
        const char* names[] = {"R", "G", "B", "X", "Y", "INT", "C-No"};
        for (int k = 0; k < 7; ++k)
            EXPECT_EQ(csvFields[k + 1].toInt(), o[names[k]].toInt()) << names[k] << " " << messages[i].payload;
    }
}

TEST_F(MqttTest, AnUnreachableBrokerIsNamedBeforeAnySampleIsTaken)
{
    const SimProgram& sensor = StartSim({"--serial", "12"});
    const int port = FreePort();
    const std::string broker = "127.0.0.1:" + std::to_string(port);
    const CtlRun run = Ctl({"monitor", "--count", "3", "--mqtt", broker.c_str(), "--topic", "t",
                            QString::fromStdString(sensor.Tcp())});
    EXPECT_EQ(4, run.exit);
    EXPECT_EQ(sensor.Tcp() + "\toutput-error\tcannot reach the MQTT broker at " + broker + ": Connection refused\n",
              run.out);
}

TEST_F(MqttTest, SamplesTakenWhileTheBrokerIsAwayArriveAfterItIsBack)
{
    const int port = StartBroker();
    ASSERT_GT(port, 0);
    const SimProgram& sensor = StartSim({"--serial", "99", "--noise", "0"});
    QProcess monitor;
    monitor.setWorkingDirectory(dir_.path());
    const std::string broker = "127.0.0.1:" + std::to_string(port);
    monitor.start(CHROMIX5CTL_PATH, {"monitor", "--rate", "10", "--count", "40", "--csv", "live.csv", "--mqtt",
                                     broker.c_str(), "--topic", "p", QString::fromStdString(sensor.Tcp())});
    ASSERT_TRUE(monitor.waitForStarted(5000));
    std::this_thread::sleep_for(std::chrono::milliseconds(800));
    // The broker goes away for a while and comes back on the same port.
    broker_.terminate();
    broker_.waitForFinished(3000);
    std::this_thread::sleep_for(std::chrono::milliseconds(1200));
    ASSERT_TRUE(RestartBroker(port));
    Subscriber subscriber(port, "p/#");
    ASSERT_TRUE(subscriber.WaitSubscribed());
    ASSERT_TRUE(monitor.waitForFinished(30000));
    const std::string err = monitor.readAllStandardError().toStdString();
    EXPECT_EQ(0, monitor.exitCode()) << err;
    EXPECT_NE(std::string::npos, err.find("lost the MQTT broker at " + broker)) << err;
    EXPECT_NE(std::string::npos, err.find("reconnected to the MQTT broker at " + broker)) << err;
    // The last sample reaches the broker's new subscriber.
    const std::vector<Message> messages = subscriber.WaitFor(40, "\"pass\":40,");
    ASSERT_FALSE(messages.empty());
    const QJsonObject last =
        QJsonDocument::fromJson(QByteArray::fromStdString(messages.back().payload)).object();
    EXPECT_EQ(40, last["pass"].toInt()) << messages.back().payload;
}

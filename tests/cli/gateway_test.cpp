// chromix5ctl serve against a real mosquitto and simulated sensors: the gateway as a plant runs
// it, through sensor restarts and replacements, changes made behind its back, a second gateway,
// reloads, a kill -9 and a broker restart.
#include <gtest/gtest.h>

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <set>
#include <thread>

#include "tests/cli/broker_fixture.h"
#include "tests/cli/sparkplug_decoder.h"

namespace {

// The latest message on topic ("" when none came).
std::string Last(const std::vector<MqttMessage>& messages, const std::string& topic)
{
    for (auto it = messages.rbegin(); it != messages.rend(); ++it)
        if (it->topic == topic)
            return it->payload;
    return {};
}

std::string State(const std::vector<MqttMessage>& messages, const std::string& topic)
{
    return Json(Last(messages, topic + "/status"))["state"].toString().toStdString();
}

bool HasEvent(const std::vector<MqttMessage>& messages, const std::string& topic, const std::string& event)
{
    for (const MqttMessage& m : messages)
        if (m.topic == topic + "/event" && Json(m.payload)["event"].toString().toStdString() == event)
            return true;
    return false;
}

// The sequence numbers of the samples on topic.
std::set<int> Seqs(const std::vector<MqttMessage>& messages, const std::string& topic)
{
    std::set<int> seqs;
    for (const MqttMessage& m : messages)
        if (m.topic == topic)
            seqs.insert(Json(m.payload)["seq"].toInt());
    return seqs;
}

class GatewayTest : public BrokerTest {
protected:
    void TearDown() override
    {
        for (auto& gateway : gateways_) {
            gateway->kill();
            gateway->waitForFinished(3000);
        }
        gateways_.clear();
        BrokerTest::TearDown();
    }
    // chromix5ctl serve, with the same data folder as Ctl().
    QProcess& StartGateway(const QStringList& args, const std::string& broker = {})
    {
        auto gateway = std::make_unique<QProcess>();
        gateway->setWorkingDirectory(dir_.path());
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_DATA_HOME", QString::fromStdString(PathOf("data")));
        gateway->setProcessEnvironment(env);
        const std::string address = broker.empty() ? broker_->Address() : broker;
        gateway->start(CHROMIX5CTL_PATH, QStringList{"serve", "--mqtt", address.c_str()} + args);
        EXPECT_TRUE(gateway->waitForStarted(5000));
        gateways_.push_back(std::move(gateway));
        return *gateways_.back();
    }
    static void Signal(QProcess& process, int signal) { ::kill(static_cast<pid_t>(process.processId()), signal); }
    // Ends a gateway with SIGTERM; its exit code, its standard error in *err.
    static int Stop(QProcess& gateway, std::string* err)
    {
        Signal(gateway, SIGTERM);
        const bool ended = gateway.waitForFinished(20000);
        *err = gateway.readAllStandardError().toStdString();
        return ended && gateway.exitStatus() == QProcess::NormalExit ? gateway.exitCode() : -1;
    }
    // A simulated sensor on a port of its own choice, or on the given port (after a restart).
    SimProgram& Sensor(int serial, int port = 0)
    {
        return StartSim({"--tcp", QString::number(port), "--serial", QString::number(serial)});
    }
    void Kill(SimProgram& sensor)
    {
        sensor.process->kill();
        sensor.process->waitForFinished(3000);
    }

    std::vector<std::unique_ptr<QProcess>> gateways_;
};

}  // namespace

// A day in a plant in a minute: two sensors published, a reference that one of them drifts from
// when its parameters are changed behind the gateway's back, the other restarted and then
// replaced by another unit, and a clean stop.
TEST_F(GatewayTest, KeepsAFleetWatchedThroughDriftRestartsAndAReplacement)
{
    ASSERT_TRUE(broker_->Start()) << broker_->Log();
    SimProgram& left = Sensor(500);
    SimProgram* right = &Sensor(501);
    const int rightPort = right->port;
    // The left sensor is pinned to what it holds now.
    ASSERT_EQ(0, Ctl({"backup", "-o", "pinned.ini", left.Tcp().c_str()}).exit);
    ASSERT_EQ(0, Ctl({"pin", "pinned.ini", left.Tcp().c_str()}).exit);
    WriteFile(PathOf("fleet.list"), "# line 4\n" + left.Tcp() + " name=left\n" + right->Tcp() + " name=right rate=5\n");

    TestSubscriber subscriber(broker_->port(), "gw/#", 1);
    ASSERT_TRUE(subscriber.WaitSubscribed());
    QProcess& gateway = StartGateway({"--topic", "gw", "--rate", "20", "--mqtt-qos", "1", "--mqtt-client-id", "gwA",
                                      "--file", "fleet.list"});
    std::vector<MqttMessage> m = subscriber.WaitUntil([](const auto& m) {
        return State(m, "gw/500") == "online" && State(m, "gw/501") == "online" && Seqs(m, "gw/500").size() >= 5 &&
               !Last(m, "gw/501/config").empty() && !Last(m, "gw/owner/500/gwA").empty();
    }, 15);
    ASSERT_EQ("online", State(m, "gw/500")) << gateway.readAllStandardError().toStdString();
    EXPECT_EQ("online", Last(m, "gw/status/gwA"));
    const QJsonObject status = Json(Last(m, "gw/501/status"));
    EXPECT_EQ("right", status["name"].toString());
    EXPECT_EQ("gwA", status["gateway"].toString());
    EXPECT_EQ(right->Tcp(), status["address"].toString().toStdString());
    const QJsonObject config = Json(Last(m, "gw/500/config"));
    EXPECT_EQ(500, config["serial"].toInt());
    EXPECT_EQ(17, config["parameters"].toObject().size());
    EXPECT_EQ(32, config["teach"].toArray().size());
    EXPECT_EQ("gwA", Json(Last(m, "gw/owner/500/gwA"))["gateway"].toString());
    // Samples numbered without a gap, with the values by name.
    const std::set<int> seqs = Seqs(m, "gw/500");
    EXPECT_EQ(1, *seqs.begin());
    EXPECT_EQ(static_cast<size_t>(*seqs.rbegin()), seqs.size());
    // A dashboard that comes later finds the status and configuration retained.
    {
        TestSubscriber late(broker_->port(), "gw/500/+", 1);
        const std::vector<MqttMessage> retained = late.WaitUntil([](const auto& m) { return m.size() >= 2; });
        ASSERT_EQ(2u, retained.size());
        for (const MqttMessage& message : retained)
            EXPECT_TRUE(message.retained) << message.topic;
    }

    // Someone sends other parameters to the left sensor: drift within one configuration period.
    DistinctWorkingCopy(3);
    WindowSave(PathOf("other.ini"));
    ASSERT_EQ(0, Ctl({"restore", "other.ini", left.Tcp().c_str()}).exit);
    m = subscriber.WaitUntil([](const auto& m) { return State(m, "gw/500") == "drift"; }, 15);
    ASSERT_EQ("drift", State(m, "gw/500")) << gateway.readAllStandardError().toStdString();
    ASSERT_TRUE(HasEvent(m, "gw/500", "drift"));
    for (const MqttMessage& message : m) {
        if (message.topic == "gw/500/event") {
            EXPECT_FALSE(Json(message.payload)["differences"].toArray().isEmpty()) << message.payload;
        }
    }
    // The changed configuration is published.
    EXPECT_NE(config["parameters"], Json(Last(m, "gw/500/config"))["parameters"]);

    // The right sensor restarts: offline, then online again within the first pauses.
    Kill(*right);
    m = subscriber.WaitUntil([](const auto& m) { return State(m, "gw/501") == "offline"; }, 10);
    ASSERT_EQ("offline", State(m, "gw/501"));
    right = &Sensor(501, rightPort);
    m = subscriber.WaitUntil([](const auto& m) { return State(m, "gw/501") == "online"; }, 10);
    ASSERT_EQ("online", State(m, "gw/501")) << gateway.readAllStandardError().toStdString();
    EXPECT_TRUE(HasEvent(m, "gw/501", "link_lost"));
    EXPECT_TRUE(HasEvent(m, "gw/501", "link_back"));

    // And is replaced by another unit at the same address.
    Kill(*right);
    right = &Sensor(777, rightPort);
    m = subscriber.WaitUntil([](const auto& m) { return State(m, "gw/777") == "online"; }, 15);
    ASSERT_EQ("online", State(m, "gw/777")) << gateway.readAllStandardError().toStdString();
    ASSERT_TRUE(HasEvent(m, "gw/777", "replaced"));
    for (const MqttMessage& message : m) {
        if (message.topic == "gw/777/event" && Json(message.payload)["event"] == "replaced") {
            EXPECT_EQ(501, Json(message.payload)["old_serial"].toInt());
            EXPECT_EQ(777, Json(message.payload)["new_serial"].toInt());
        }
    }
    EXPECT_EQ("offline", State(m, "gw/501"));
    // The claim moves to the new unit.
    m = subscriber.WaitUntil([](const auto& m) { return !Last(m, "gw/owner/777/gwA").empty(); });
    EXPECT_FALSE(Last(m, "gw/owner/777/gwA").empty());
    EXPECT_TRUE(std::any_of(m.begin(), m.end(), [](const MqttMessage& message) {
        return message.topic == "gw/owner/501/gwA" && message.payload.empty();
    }));

    std::string err;
    EXPECT_EQ(0, Stop(gateway, &err)) << err;
    EXPECT_NE(std::string::npos, err.find("replaced: serial number 501 is now 777")) << err;
    EXPECT_NE(std::string::npos, err.find("drift from the reference")) << err;
    // The changed configuration was kept as a snapshot beside the first one.
    const size_t kept = err.find(left.Tcp() + ": configuration kept in");
    EXPECT_NE(std::string::npos, kept) << err;
    EXPECT_NE(std::string::npos, err.find(left.Tcp() + ": configuration kept in", kept + 1)) << err;
    m = subscriber.WaitUntil([](const auto& m) { return Last(m, "gw/status/gwA") == "offline"; });
    EXPECT_EQ("offline", Last(m, "gw/status/gwA"));
    EXPECT_EQ("offline", State(m, "gw/500"));
    EXPECT_EQ("offline", State(m, "gw/777"));
    // Its claims are cleared.
    TestSubscriber late(broker_->port(), "gw/owner/#");
    ASSERT_TRUE(late.WaitSubscribed());
    EXPECT_TRUE(late.WaitUntil([](const auto& m) { return !m.empty(); }, 1).empty());
}

// Two gateways that claim one sensor both say so; a reload keeps what did not change, refuses a
// broken list and starts what was added; a gateway killed with -9 is offline by its last will.
TEST_F(GatewayTest, TwoGatewaysReportASharedSensorReloadsAndAKilledOneLeavesItsWill)
{
    ASSERT_TRUE(broker_->Start()) << broker_->Log();
    const SimProgram& shared = Sensor(600);
    const SimProgram& added = Sensor(601);
    WriteFile(PathOf("a.list"), shared.Tcp() + "\n");
    WriteFile(PathOf("b.list"), shared.Tcp() + " topic=other/600\n");
    TestSubscriber subscriber(broker_->port(), "#", 1);
    ASSERT_TRUE(subscriber.WaitSubscribed());
    QProcess& a = StartGateway({"--topic", "gw", "--mqtt-client-id", "gwA", "--file", "a.list"});
    QProcess& b = StartGateway({"--topic", "gw", "--mqtt-client-id", "gwB", "--data", PathOf("b-data").c_str(),
                                "--file", "b.list"});
    const auto claimed = [](const std::vector<MqttMessage>& m, const std::string& topic, const char* other) {
        for (const MqttMessage& message : m)
            if (message.topic == topic + "/event" && Json(message.payload)["event"] == "claimed" &&
                Json(message.payload)["other_gateway"] == other)
                return true;
        return false;
    };
    std::vector<MqttMessage> m = subscriber.WaitUntil([&](const auto& m) {
        return claimed(m, "gw/600", "gwB") && claimed(m, "other/600", "gwA");
    }, 15);
    EXPECT_TRUE(claimed(m, "gw/600", "gwB")) << a.readAllStandardError().toStdString();
    EXPECT_TRUE(claimed(m, "other/600", "gwA")) << b.readAllStandardError().toStdString();

    // A broken list is named and changes nothing; B goes on publishing.
    WriteFile(PathOf("b.list"), shared.Tcp() + " topic=other/600\n" + added.Tcp() + " colour=red\n");
    Signal(b, SIGHUP);
    const size_t before = Seqs(subscriber.Messages(), "other/600").size();
    m = subscriber.WaitUntil([&](const auto& m) { return Seqs(m, "other/600").size() >= before + 5; });
    EXPECT_GE(Seqs(m, "other/600").size(), before + 5);
    // A good one starts the added sensor and leaves the other one as it was.
    WriteFile(PathOf("b.list"), shared.Tcp() + " topic=other/600\n" + added.Tcp() + " name=added\n");
    Signal(b, SIGHUP);
    m = subscriber.WaitUntil([](const auto& m) { return State(m, "gw/601") == "online"; }, 10);
    EXPECT_EQ("online", State(m, "gw/601"));
    EXPECT_EQ("gwB", Json(Last(m, "gw/601/status"))["gateway"].toString());

    ::kill(static_cast<pid_t>(a.processId()), SIGKILL);
    m = subscriber.WaitUntil([](const auto& m) { return Last(m, "gw/status/gwA") == "offline"; });
    EXPECT_EQ("offline", Last(m, "gw/status/gwA"));

    std::string err;
    EXPECT_EQ(0, Stop(b, &err)) << err;
    EXPECT_NE(std::string::npos, err.find("b.list:2: 'colour=red' after the sensor is not name=NAME")) << err;
    EXPECT_NE(std::string::npos, err.find("not reloaded")) << err;
    // The shared sensor's link was never opened again.
    EXPECT_EQ(err.find("online: serial number 600"), err.rfind("online: serial number 600")) << err;
    EXPECT_NE(std::string::npos, err.find("claimed by gateway gwA as well")) << err;
}

// Over TLS with a password, at QoS 1, with the broker restarted in the middle: every sample the
// last health message does not count as lost arrives. A wrong password ends the start at once.
TEST_F(GatewayTest, ABrokerRestartedAtQos1LosesNothingTheHealthDoesNotCount)
{
    std::string error;
    ASSERT_TRUE(broker_->MakeSecrets("line4", "s3cret pass", &error)) << error;
    ASSERT_TRUE(broker_->Start()) << broker_->Log();
    WriteFile(PathOf("right.pw"), "s3cret pass\n");
    WriteFile(PathOf("wrong.pw"), "guess\n");
    const SimProgram& sensor = Sensor(31);
    const QStringList login = {"--mqtt-user", "line4", "--mqtt-cafile", broker_->CaFile().c_str(), "--topic", "q",
                               "--mqtt-client-id", "gwq", sensor.Tcp().c_str()};

    const CtlRun refused = Ctl(QStringList{"serve", "--mqtt", broker_->TlsAddress().c_str(), "--mqtt-password-file",
                                           "wrong.pw"} + login, 20);
    EXPECT_EQ(4, refused.exit) << refused.err;
    EXPECT_NE(std::string::npos, refused.err.find("refused the connection")) << refused.err;

    auto subscriber = std::make_unique<TestSubscriber>(broker_->port(), "q/#", 1, "gateway-watcher");
    ASSERT_TRUE(subscriber->WaitSubscribed());
    QProcess& gateway = StartGateway(QStringList{"--rate", "50", "--mqtt-qos", "1", "--mqtt-password-file",
                                                 "right.pw"} + login, broker_->TlsAddress());
    subscriber->WaitUntil([](const auto& m) { return Seqs(m, "q/31").size() >= 50; }, 15);
    broker_->Stop(SIGTERM);
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    ASSERT_TRUE(broker_->Start()) << broker_->Log();
    const size_t before = Seqs(subscriber->Messages(), "q/31").size();
    subscriber->WaitUntil([&](const auto& m) { return Seqs(m, "q/31").size() >= before + 200; }, 20);

    std::string err;
    const int exit = Stop(gateway, &err);
    EXPECT_NE(std::string::npos, err.find("lost the MQTT broker")) << err;
    const std::vector<MqttMessage> m = subscriber->WaitUntil([](const auto& m) {
        return Last(m, "q/status/gwq") == "offline";
    });
    const QJsonObject health = Json(Last(m, "q/health/gwq"));
    ASSERT_FALSE(health.isEmpty()) << err;
    const std::set<int> seqs = Seqs(m, "q/31");
    ASSERT_FALSE(seqs.empty());
    const int missing = *seqs.rbegin() - static_cast<int>(seqs.size());
    EXPECT_LE(missing, health["dropped"].toInt() + health["queued"].toInt()) << err;
    EXPECT_EQ(health["dropped"].toInt() > 0 ? 4 : 0, exit) << err;
}

// In the Sparkplug B form the samples are the node's device data, born and buried with the link.
TEST_F(GatewayTest, TheSparkplugFormCarriesTheSamples)
{
    ASSERT_TRUE(broker_->Start()) << broker_->Log();
    const SimProgram& sensor = Sensor(900);
    TestSubscriber subscriber(broker_->port(), "#", 1);
    ASSERT_TRUE(subscriber.WaitSubscribed());
    QProcess& gateway = StartGateway({"--mqtt-sparkplug", "plant/gw1", "--topic", "gw", sensor.Tcp().c_str()});
    std::vector<MqttMessage> m =
        subscriber.WaitUntil([](const auto& m) { return !Last(m, "spBv1.0/plant/DDATA/gw1/SN900").empty(); }, 10);
    EXPECT_FALSE(Last(m, "spBv1.0/plant/NBIRTH/gw1").empty());
    EXPECT_FALSE(Last(m, "spBv1.0/plant/DBIRTH/gw1/SN900").empty());
    EXPECT_EQ("online", State(m, "gw/900"));
    std::string err;
    EXPECT_EQ(0, Stop(gateway, &err)) << err;
    m = subscriber.WaitUntil([](const auto& m) { return !Last(m, "spBv1.0/plant/NDEATH/gw1").empty(); });
    EXPECT_FALSE(Last(m, "spBv1.0/plant/DDEATH/gw1/SN900").empty());

    // Read as a host application reads them: one numbered session from birth to death, the
    // samples numbered as they were taken.
    std::vector<std::string> topics, payloads;
    for (const MqttMessage& message : m)
        if (message.topic.rfind("spBv1.0/", 0) == 0) {
            topics.push_back(message.topic);
            payloads.push_back(message.payload);
        }
    ASSERT_GE(topics.size(), 4u);
    EXPECT_EQ("spBv1.0/plant/NBIRTH/gw1", topics.front());
    EXPECT_EQ("spBv1.0/plant/NDEATH/gw1", topics.back());
    const QJsonArray d = DecodeSparkplug(payloads);
    ASSERT_EQ(static_cast<int>(payloads.size()), d.size());
    int64_t pass = 0;
    for (int i = 0; i + 1 < d.size(); ++i) {
        EXPECT_EQ(i % 256, d[i].toObject()["seq"].toInt()) << topics[static_cast<size_t>(i)];
        if (topics[static_cast<size_t>(i)] == "spBv1.0/plant/DDATA/gw1/SN900") {
            EXPECT_EQ(++pass, MetricNamed(d[i].toObject(), "pass")["value"].toInteger());
        }
    }
    EXPECT_GT(pass, 0);
    EXPECT_EQ(MetricNamed(d[0].toObject(), "bdSeq")["value"].toInteger(),
              MetricNamed(d[d.size() - 1].toObject(), "bdSeq")["value"].toInteger());
}

// A sensor that answers garbage is told once and tried again after growing pauses, never hammered.
TEST_F(GatewayTest, ASensorThatAnswersGarbageIsRetriedWithGrowingPauses)
{
    ASSERT_TRUE(broker_->Start()) << broker_->Log();
    SimProgram& sensor = StartSim({"--serial", "66", "--fault", "any:header-crc", "--log"});
    QProcess& gateway = StartGateway({"--topic", "gw", sensor.Tcp().c_str()});
    // The requests the simulator logs within the next `ms` milliseconds.
    int seen = 0;
    const auto requestsAfter = [&](int ms) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        while (std::chrono::steady_clock::now() < end) {
            sensor.process->waitForReadyRead(50);
            seen += static_cast<int>(sensor.process->readAllStandardOutput().count("order "));
        }
        return seen;
    };
    const int first = requestsAfter(700);
    const int later = requestsAfter(6000);
    std::string err;
    EXPECT_EQ(0, Stop(gateway, &err)) << err;
    // Tries at 0, 1, 3 and 7 s: at most three in the first 6.7 s.
    EXPECT_GT(first, 0);
    EXPECT_LE(later, 3 * first) << err;
    size_t told = 0;
    for (size_t at = err.find("no identification"); at != std::string::npos; at = err.find("no identification", at + 1))
        ++told;
    EXPECT_EQ(1u, told) << err;
}

// Requests over MQTT as a plant's host would send them: identify and backup answered (the backup
// in the gateway's data folder), a malformed payload answered with an error, and a restore
// refused without --allow-write and for another sensor's file, done with it after a snapshot.
// The sensor is checked from outside after each write request.
TEST_F(GatewayTest, RequestsAreAnsweredAndOnlyTheSensorsOwnFileIsWrittenWithAllowWrite)
{
    ASSERT_TRUE(broker_->Start()) << broker_->Log();
    SimProgram& sensor = Sensor(600);
    const QString address = QString::fromStdString(sensor.Tcp());
    const std::string data = PathOf("gateway-data");
    TestSubscriber asker(broker_->port(), "rq/#", 1);
    ASSERT_TRUE(asker.WaitSubscribed());
    auto start = [&](const QStringList& more) -> QProcess& {
        QProcess& gateway = StartGateway(QStringList{"--topic", "rq", "--rate", "20", "--mqtt-client-id", "gwR",
                                                     "--data", data.c_str(), address} + more);
        asker.WaitUntil([](const auto& m) { return State(m, "rq/600") == "online"; }, 15);
        return gateway;
    };
    // Sends a request and waits for the next message on the reply topic.
    auto ask = [&](const std::string& payload, const std::string& replyTopic = "rq/600/reply") {
        const auto replies = [&](const std::vector<MqttMessage>& m) {
            return std::count_if(m.begin(), m.end(), [&](const MqttMessage& x) { return x.topic == replyTopic; });
        };
        const auto before = replies(asker.Messages());
        EXPECT_TRUE(asker.Publish("rq/600/request", payload));
        return Json(Last(asker.WaitUntil([&](const auto& m) { return replies(m) > before; }, 15), replyTopic));
    };
    auto restore = [](const std::string& id, const std::string& text) {
        return QJsonDocument(QJsonObject{{"op", "restore"}, {"id", id.c_str()}, {"file", text.c_str()}})
            .toJson(QJsonDocument::Compact)
            .toStdString();
    };

    QProcess* gateway = &start({});
    ASSERT_EQ("online", State(asker.Messages(), "rq/600")) << gateway->readAllStandardError().toStdString();
    QJsonObject reply = ask(R"({"op":"identify","id":"i1"})");
    EXPECT_EQ("i1", reply["id"].toString());
    EXPECT_TRUE(reply["ok"].toBool()) << reply["error"].toString().toStdString();
    EXPECT_EQ(600, reply["serial"].toInt());

    reply = ask(R"({"op":"backup","id":"b1","reply_to":"rq/host/7"})", "rq/host/7");
    ASSERT_TRUE(reply["ok"].toBool()) << reply["error"].toString().toStdString();
    const std::string backup = reply["file"].toString().toStdString();
    EXPECT_EQ(0u, backup.rfind(data + "/backups/SN600-", 0)) << backup;
    const std::string held = Slurp(backup);
    const size_t identity = held.find("[SENSOR IDENTITY]");
    ASSERT_NE(std::string::npos, identity) << held;

    // Pinned into the gateway's data folder, the backup is what compare measures against.
    WriteFile(PathOf("held.ini"), held);
    ASSERT_EQ(0, Ctl({"pin", "--data", data.c_str(), "held.ini", address}).exit);
    reply = ask(R"({"op":"compare","id":"c1"})");
    EXPECT_TRUE(reply["ok"].toBool()) << reply["error"].toString().toStdString();
    EXPECT_TRUE(reply["differences"].toArray().isEmpty());

    reply = ask(R"({"op":"backup","id":"b2")");
    EXPECT_FALSE(reply["ok"].toBool());
    EXPECT_TRUE(reply["id"].isNull());
    EXPECT_NE(-1, reply["error"].toString().indexOf("not a JSON object"));

    // Other values, with this sensor's identity: refused while the gateway may not write.
    DistinctWorkingCopy(5);
    WindowSave(PathOf("other.ini"));
    const std::string mine = Slurp(PathOf("other.ini")) + held.substr(identity);
    reply = ask(restore("r1", mine));
    EXPECT_FALSE(reply["ok"].toBool());
    EXPECT_NE(-1, reply["error"].toString().indexOf("--allow-write"));
    EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(data + "/requests")));
    EXPECT_EQ(0, Ctl({"compare", "held.ini", address}).exit) << "a refused restore changed the sensor";
    std::string err;
    EXPECT_EQ(0, Stop(*gateway, &err)) << err;

    gateway = &start({"--allow-write"});
    std::string theirs = mine;
    theirs.replace(theirs.find("SERIAL NUMBER = 600"), 19, "SERIAL NUMBER = 601");
    reply = ask(restore("r2", theirs));
    EXPECT_FALSE(reply["ok"].toBool());
    EXPECT_NE(-1, reply["error"].toString().indexOf("serial number 601")) << reply["error"].toString().toStdString();
    EXPECT_EQ(0, Ctl({"compare", "held.ini", address}).exit) << "a refused restore changed the sensor";

    reply = ask(restore("r3", mine));
    ASSERT_TRUE(reply["ok"].toBool()) << reply["error"].toString().toStdString();
    const std::string snapshot = reply["snapshot"].toString().toStdString();
    EXPECT_EQ(0u, snapshot.rfind(data + "/snapshots/", 0)) << snapshot;
    WriteFile(PathOf("mine.ini"), mine);
    EXPECT_EQ(0, Ctl({"compare", "mine.ini", address}).exit);
    reply = ask(R"({"op":"compare","id":"c2"})");
    EXPECT_TRUE(reply["ok"].toBool());
    EXPECT_EQ("different", reply["status"].toString());
    EXPECT_FALSE(reply["differences"].toArray().isEmpty());
    // The way back holds the configuration as it was before.
    EXPECT_EQ(0, Ctl({"restore", snapshot.c_str(), address}).exit);
    EXPECT_EQ(0, Ctl({"compare", "held.ini", address}).exit);
    EXPECT_EQ(0, Stop(*gateway, &err)) << err;
    EXPECT_NE(std::string::npos, err.find("request \"r3\" (restore): done")) << err;
}

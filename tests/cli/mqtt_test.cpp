// monitor --mqtt against a real broker: mosquitto started on 127.0.0.1 on free ports, with a
// certificate authority and a password file made for the test, and a subscriber of our own.
#include <gtest/gtest.h>

#include <QJsonDocument>
#include <QJsonObject>

#include <chrono>
#include <csignal>
#include <map>
#include <set>
#include <thread>

#include "cli/mqtt_publisher.h"
#include "tests/cli/broker_fixture.h"
#include "tests/cli/sparkplug_decoder.h"

namespace {

// The passes of the samples among messages, each once.
std::set<int> Passes(const std::vector<MqttMessage>& messages, const std::string& topic)
{
    std::set<int> passes;
    for (const MqttMessage& m : messages)
        if (m.topic == topic)
            passes.insert(Json(m.payload)["pass"].toInt());
    return passes;
}

bool Has(const std::vector<MqttMessage>& messages, const std::string& topic, const std::string& text)
{
    for (const MqttMessage& m : messages)
        if (m.topic == topic && m.payload.find(text) != std::string::npos)
            return true;
    return false;
}

class MqttTest : public BrokerTest {
protected:
    // With TLS and a password file on a second listener.
    void StartSecureBroker()
    {
        std::string error;
        ASSERT_TRUE(broker_->MakeSecrets("line4", "s3cret pass", &error)) << error;
        WriteFile(PathOf("right.pw"), "s3cret pass\n");
        ASSERT_TRUE(broker_->Start()) << broker_->Log();
    }
    std::unique_ptr<QProcess> StartMonitor(const QStringList& args)
    {
        auto monitor = std::make_unique<QProcess>();
        monitor->setWorkingDirectory(dir_.path());
        monitor->start(CHROMIX5CTL_PATH, QStringList{"monitor"} + args);
        EXPECT_TRUE(monitor->waitForStarted(5000));
        return monitor;
    }
};

}  // namespace

TEST_F(MqttTest, MonitorPublishesEachSampleAsJsonUnderTheSerialNumber)
{
    ASSERT_TRUE(broker_->Start()) << broker_->Log();
    const SimProgram& sensor = StartSim({"--serial", "4711", "--target", "green", "--noise", "0"});
    TestSubscriber subscriber(broker_->port(), "plant/line1/#");
    ASSERT_TRUE(subscriber.WaitSubscribed());

    const CtlRun run = Ctl({"monitor", "--count", "5", "--rate", "50", "--mqtt", broker_->Address().c_str(),
                            "--topic", "plant/line1", "--csv", "live.csv", QString::fromStdString(sensor.Tcp())});
    EXPECT_EQ(0, run.exit) << run.err;
    EXPECT_EQ(sensor.Tcp() + "\tok\t5 samples\n", run.out);

    const std::vector<MqttMessage> all = subscriber.WaitUntil(
        [](const auto& m) { return Passes(m, "plant/line1/4711").size() == 5 && Has(m, "plant/line1/4711/status", "offline"); });
    std::vector<MqttMessage> messages;
    for (const MqttMessage& m : all)
        if (m.topic == "plant/line1/4711")
            messages.push_back(m);
    ASSERT_EQ(5u, messages.size());
    // The CSV of the same run holds the same values.
    const std::string csv = Slurp(PathOf("live.csv"));
    const std::string firstRow = csv.substr(csv.find("pass\n") + 5, csv.find('\n', csv.find("pass\n") + 5) - csv.find("pass\n") - 5);
    const QStringList csvFields = QString::fromStdString(firstRow).split(',');
    ASSERT_EQ(9, csvFields.size()) << csv;
    for (size_t i = 0; i < messages.size(); ++i) {
        const QJsonObject o = Json(messages[i].payload);
        EXPECT_EQ(static_cast<int>(i) + 1, o["pass"].toInt()) << messages[i].payload;
        EXPECT_EQ(static_cast<int>(i) + 1, o["seq"].toInt());
        EXPECT_EQ(4711, o["serial"].toInt());
        EXPECT_EQ(sensor.Tcp(), o["sensor"].toString().toStdString());
        EXPECT_FALSE(messages[i].retained);
        // The time twice: as text and as milliseconds since 1970, the same instant.
        const QDateTime time = QDateTime::fromString(o["time"].toString(), Qt::ISODateWithMs);
        EXPECT_TRUE(o["time"].toString().endsWith('Z'));
        EXPECT_EQ(time.toMSecsSinceEpoch(), o["timestamp"].toInteger()) << messages[i].payload;
        const char* names[] = {"R", "G", "B", "X", "Y", "INT", "C-No"};
        const char* spelled[] = {"red", "green", "blue", "x", "y", "intensity", "colour_number"};
        for (int k = 0; k < 7; ++k) {
            EXPECT_EQ(csvFields[k + 1].toInt(), o[names[k]].toInt()) << names[k] << " " << messages[i].payload;
            EXPECT_EQ(o[names[k]].toInt(), o["values"].toObject()[spelled[k]].toInt()) << spelled[k];
        }
    }
    // First the program says it is online, then the sensor, before its first sample; at the end
    // both say offline.
    ASSERT_GE(all.size(), 9u);
    EXPECT_EQ(0u, all[0].topic.rfind("plant/line1/status/chromix5ctl-", 0)) << all[0].topic;
    EXPECT_EQ("online", all[0].payload);
    EXPECT_EQ("plant/line1/4711/status", all[1].topic);
    EXPECT_EQ("online", Json(all[1].payload)["status"].toString().toStdString()) << all[1].payload;
    EXPECT_EQ(4711, Json(all[1].payload)["serial"].toInt());
    EXPECT_TRUE(all[1].payload.find("\"firmware\":\"CHROMIX5") != std::string::npos) << all[1].payload;
    const std::vector<MqttMessage> end = subscriber.WaitUntil([&](const auto& m) { return m.size() >= 9; });
    EXPECT_EQ("offline", Json(end[7].payload)["status"].toString().toStdString()) << end[7].payload;
    EXPECT_EQ(all[0].topic, end[8].topic);
    EXPECT_EQ("offline", end[8].payload);
}

TEST_F(MqttTest, AnUnreachableBrokerIsNamedBeforeAnySampleIsTaken)
{
    const SimProgram& sensor = StartSim({"--serial", "12"});
    const std::string broker = broker_->Address();  // nothing listens there
    const CtlRun run = Ctl({"monitor", "--count", "3", "--mqtt", broker.c_str(), "--topic", "t",
                            QString::fromStdString(sensor.Tcp())});
    EXPECT_EQ(4, run.exit);
    EXPECT_EQ(sensor.Tcp() + "\toutput-error\tcannot reach the MQTT broker at " + broker + ": Connection refused\n",
              run.out);
}

TEST_F(MqttTest, SamplesTakenWhileTheBrokerIsAwayArriveAfterItIsBack)
{
    ASSERT_TRUE(broker_->Start());
    const SimProgram& sensor = StartSim({"--serial", "99", "--noise", "0"});
    const std::string broker = broker_->Address();
    auto monitor = StartMonitor({"--rate", "10", "--count", "40", "--csv", "live.csv", "--mqtt", broker.c_str(),
                                 "--topic", "p", QString::fromStdString(sensor.Tcp())});
    std::this_thread::sleep_for(std::chrono::milliseconds(800));
    // The broker goes away for a while and comes back on the same port.
    broker_->Stop(SIGTERM);
    std::this_thread::sleep_for(std::chrono::milliseconds(1200));
    ASSERT_TRUE(broker_->Start());
    TestSubscriber subscriber(broker_->port(), "p/#");
    ASSERT_TRUE(subscriber.WaitSubscribed());
    ASSERT_TRUE(monitor->waitForFinished(30000));
    const std::string err = monitor->readAllStandardError().toStdString();
    EXPECT_EQ(0, monitor->exitCode()) << err;
    EXPECT_NE(std::string::npos, err.find("lost the MQTT broker at " + broker)) << err;
    EXPECT_NE(std::string::npos, err.find("reconnected to the MQTT broker at " + broker)) << err;
    // The last sample reaches the broker's new subscriber.
    const std::vector<MqttMessage> messages =
        subscriber.WaitUntil([](const auto& m) { return Passes(m, "p/99").count(40) > 0; });
    EXPECT_EQ(1u, Passes(messages, "p/99").count(40));
}

// The login a plant's broker asks for: TLS checked against the plant's authority, a user and a
// password that never stands on the command line.
TEST_F(MqttTest, TlsWithAPasswordDeliversAndAWrongPasswordOrAnUntrustedBrokerEndsTheStart)
{
    StartSecureBroker();
    const SimProgram& sensor = StartSim({"--serial", "4242"});
    TestSubscriber subscriber(broker_->port(), "secure/#");
    ASSERT_TRUE(subscriber.WaitSubscribed());
    const std::string broker = broker_->TlsAddress();
    const QStringList common = {"monitor", "--count", "3", "--mqtt", broker.c_str(), "--topic", "secure",
                                "--mqtt-user", "line4", "--mqtt-qos", "2", "--json"};

    const CtlRun good = Ctl(common + QStringList{"--mqtt-cafile", broker_->CaFile().c_str(), "--mqtt-password-env",
                                                 "LINE4_PW", QString::fromStdString(sensor.Tcp())},
                            60, {"LINE4_PW=s3cret pass"});
    EXPECT_EQ(0, good.exit) << good.err;
    const QJsonObject result = Json(good.out);
    EXPECT_EQ(3, result["delivered"].toInt()) << good.out;
    EXPECT_EQ(0, result["dropped"].toInt());
    EXPECT_EQ(3u, Passes(subscriber.WaitUntil([](const auto& m) { return Passes(m, "secure/4242").size() == 3; }),
                         "secure/4242").size());

    struct Case {
        const char* what;
        QStringList args;
        std::string line;
    } cases[] = {
        {"wrong password",
         {"--mqtt-cafile", broker_->CaFile().c_str(), "--mqtt-password-file", "wrong.pw"},
         "output-error: the MQTT broker at " + broker + " refused the connection: Connection Refused: not authorised."},
        {"untrusted certificate",
         {"--mqtt-cafile", broker_->OtherCaFile().c_str(), "--mqtt-password-file", "right.pw"},
         "output-error: TLS with the MQTT broker at " + broker + " failed: certificate verify failed"},
    };
    WriteFile(PathOf("wrong.pw"), "not it\n");
    for (const Case& c : cases) {
        const CtlRun bad = Ctl(common + c.args + QStringList{QString::fromStdString(sensor.Tcp())});
        EXPECT_EQ(4, bad.exit) << c.what;
        EXPECT_EQ(c.line + "\n", bad.err) << c.what;
        EXPECT_EQ(0, Json(bad.out)["samples"].toInt()) << c.what << ": " << bad.out;
    }
    // The certificate check goes only when it is turned off by name.
    const CtlRun insecure = Ctl(common + QStringList{"--mqtt-cafile", broker_->OtherCaFile().c_str(), "--mqtt-insecure",
                                                     "--mqtt-password-file", "right.pw", QString::fromStdString(sensor.Tcp())});
    EXPECT_EQ(0, insecure.exit) << insecure.err;
}

// What a plant's dashboard relies on: the retained status of the program and of its sensors, and
// the last will when the program vanishes without a word.
TEST_F(MqttTest, AKilledMonitorIsReportedOfflineByItsLastWill)
{
    ASSERT_TRUE(broker_->Start());
    const SimProgram& sensor = StartSim({"--serial", "77"});
    auto monitor = StartMonitor({"--rate", "20", "--mqtt", broker_->Address().c_str(), "--topic", "plant",
                                 "--mqtt-client-id", "line7", "--mqtt-keepalive", "60",
                                 QString::fromStdString(sensor.Tcp())});
    TestSubscriber subscriber(broker_->port(), "plant/#");
    ASSERT_TRUE(subscriber.WaitSubscribed());
    const std::vector<MqttMessage> before = subscriber.WaitUntil(
        [](const auto& m) { return Has(m, "plant/status/line7", "online") && Passes(m, "plant/77").size() >= 3; });
    ASSERT_TRUE(Has(before, "plant/status/line7", "online")) << monitor->readAllStandardError().toStdString();
    ASSERT_TRUE(Has(before, "plant/77/status", "\"online\""));

    ::kill(static_cast<pid_t>(monitor->processId()), SIGKILL);
    monitor->waitForFinished(5000);
    const std::vector<MqttMessage> after =
        subscriber.WaitUntil([](const auto& m) { return m.back().topic == "plant/status/line7"; });
    EXPECT_EQ("plant/status/line7", after.back().topic);
    EXPECT_EQ("offline", after.back().payload);

    // A dashboard that looks later finds the same, retained.
    TestSubscriber late(broker_->port(), "plant/status/#");
    const std::vector<MqttMessage> retained = late.WaitUntil([](const auto& m) { return !m.empty(); });
    ASSERT_EQ(1u, retained.size());
    EXPECT_TRUE(retained[0].retained);
    EXPECT_EQ("offline", retained[0].payload);
}

// At QoS 1 a sample counts when the broker acknowledged it: a broker stopped and started again
// in the middle of a run loses nothing that the run does not report.
TEST_F(MqttTest, ABrokerRestartedMidRunAtQos1LosesNothingTheRunDoesNotCount)
{
    ASSERT_TRUE(broker_->Start());
    const SimProgram& sensor = StartSim({"--serial", "31"});
    // A session that outlives the restart, so that what the broker takes while this subscriber
    // reconnects still reaches it.
    auto subscriber = std::make_unique<TestSubscriber>(broker_->port(), "q/31", 1, "restart-watcher");
    ASSERT_TRUE(subscriber->WaitSubscribed());
    auto monitor = StartMonitor({"--rate", "200", "--count", "800", "--mqtt", broker_->Address().c_str(), "--topic",
                                 "q", "--mqtt-qos", "1", "--json", QString::fromStdString(sensor.Tcp())});
    subscriber->WaitUntil([](const auto& m) { return Passes(m, "q/31").size() >= 50; });
    broker_->Stop(SIGTERM);
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    ASSERT_TRUE(broker_->Start()) << broker_->Log();
    ASSERT_TRUE(monitor->waitForFinished(60000));
    const std::string err = monitor->readAllStandardError().toStdString();
    const QJsonObject result = Json(monitor->readAllStandardOutput().toStdString());
    EXPECT_NE(std::string::npos, err.find("lost the MQTT broker")) << err;
    EXPECT_EQ(800, result["samples"].toInt());

    const int delivered = result["delivered"].toInt();
    const int dropped = result["dropped"].toInt();
    const std::set<int> received =
        Passes(subscriber->WaitUntil([&](const auto& m) { return static_cast<int>(Passes(m, "q/31").size()) >= delivered; }),
               "q/31");
    // Every sample the run counts as delivered arrived.
    EXPECT_GE(static_cast<int>(received.size()), delivered) << err;
    // And here every sample was delivered: the 3 s until the reconnect at 200 Hz fit the queue
    // of 1000, so the run ends well.
    EXPECT_EQ(0, dropped);
    EXPECT_EQ(800, delivered) << err;
    EXPECT_EQ(0, monitor->exitCode()) << err;
    EXPECT_EQ(800u, received.size());
}

// The publisher's own accounting, with a queue small enough to overflow: drops are told as they
// happen, and published = delivered + dropped + queued throughout.
TEST_F(MqttTest, APublisherWithoutItsBrokerTellsDropsAsTheyHappen)
{
    ASSERT_TRUE(broker_->Start());
    std::vector<std::string> log;
    cli::MqttSettings settings;
    settings.qos = 1;
    cli::MqttPublisher publisher([&](const std::string& line) { log.push_back(line); }, settings, 5);
    std::string error;
    ASSERT_TRUE(publisher.Connect("127.0.0.1", broker_->port(), 5, &error)) << error;
    for (int i = 0; i < 3; ++i)
        publisher.Publish("acct/1", "before");
    for (int i = 0; i < 100 && publisher.delivered() < 3; ++i) {
        publisher.Service();
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_EQ(3u, publisher.delivered());

    broker_->Stop(SIGKILL);
    for (int i = 0; i < 20; ++i) {
        publisher.Publish("acct/1", "while away " + std::to_string(i));
        publisher.Service();
        EXPECT_EQ(publisher.published(), publisher.delivered() + publisher.dropped() + publisher.queued());
    }
    EXPECT_EQ(5u, publisher.queued());
    EXPECT_EQ(15u, publisher.dropped());
    // Told before the end, not only by it.
    bool told = false;
    for (const std::string& line : log)
        told = told || line.find("dropping the oldest") != std::string::npos;
    EXPECT_TRUE(told) << ::testing::PrintToString(log);
    EXPECT_FALSE(publisher.Finish(0.5));
    EXPECT_EQ(23u, publisher.published());
    EXPECT_EQ(publisher.published(), publisher.delivered() + publisher.dropped() + publisher.queued());
}

// The Sparkplug B form of a two-sensor monitor, as a host application decodes it: the node is
// born first, each sensor before its data, every message numbered in the order it arrived, and
// the node's farewell carries the bdSeq of its birth.
TEST_F(MqttTest, SparkplugMonitorOfTwoSensorsIsBornNumberedAndBuriedInOrder)
{
    ASSERT_TRUE(broker_->Start()) << broker_->Log();
    const SimProgram& a = StartSim({"--serial", "501", "--noise", "0"});
    const SimProgram& b = StartSim({"--serial", "502", "--noise", "0"});
    TestSubscriber subscriber(broker_->port(), "spBv1.0/#", 1);
    ASSERT_TRUE(subscriber.WaitSubscribed());

    const CtlRun run = Ctl({"monitor", "--count", "4", "--rate", "50", "--mqtt", broker_->Address().c_str(),
                            "--mqtt-qos", "1", "--mqtt-sparkplug", "plant/line-7", "--json",
                            QString::fromStdString(a.Tcp()), QString::fromStdString(b.Tcp())});
    EXPECT_EQ(0, run.exit) << run.err;
    EXPECT_NE(std::string::npos, run.out.find("\"topic\":\"spBv1.0/plant/DDATA/line-7/SN501\"")) << run.out;
    const std::vector<MqttMessage> m = subscriber.WaitUntil(
        [](const auto& all) { return !all.empty() && all.back().topic == "spBv1.0/plant/NDEATH/line-7"; });
    ASSERT_FALSE(m.empty());
    // NBIRTH, two DBIRTHs, eight DDATA, two DDEATHs, NDEATH.
    ASSERT_EQ(14u, m.size()) << run.err;
    EXPECT_EQ("spBv1.0/plant/NBIRTH/line-7", m.front().topic);
    EXPECT_EQ("spBv1.0/plant/NDEATH/line-7", m.back().topic);
    std::vector<std::string> payloads;
    for (const MqttMessage& message : m) {
        EXPECT_FALSE(message.retained) << message.topic;
        payloads.push_back(message.payload);
    }
    const QJsonArray d = DecodeSparkplug(payloads);
    ASSERT_EQ(14, d.size());
    std::map<std::string, int> data;
    std::set<std::string> born, buried;
    for (int i = 0; i + 1 < d.size(); ++i) {
        const std::string& topic = m[static_cast<size_t>(i)].topic;
        EXPECT_EQ(i, d[i].toObject()["seq"].toInt()) << topic;
        const std::string device = topic.substr(topic.rfind('/') + 1);
        if (topic.find("/DBIRTH/") != std::string::npos) {
            born.insert(device);
            EXPECT_EQ(device == "SN501" ? 501 : 502,
                      MetricNamed(d[i].toObject(), "Properties/Serial Number")["value"].toInt());
        } else if (topic.find("/DDATA/") != std::string::npos) {
            EXPECT_TRUE(born.count(device)) << topic << " before its birth";
            EXPECT_EQ(++data[device], MetricNamed(d[i].toObject(), "pass")["value"].toInt());
        } else if (topic.find("/DDEATH/") != std::string::npos) {
            EXPECT_EQ(4, data[device]) << topic;
            buried.insert(device);
        }
    }
    EXPECT_EQ((std::set<std::string>{"SN501", "SN502"}), buried);
    EXPECT_TRUE(d[13].toObject()["seq"].isNull());
    EXPECT_EQ(MetricNamed(d[0].toObject(), "bdSeq")["value"].toInteger(),
              MetricNamed(d[13].toObject(), "bdSeq")["value"].toInteger());
}

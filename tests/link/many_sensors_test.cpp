// Several sensors in one process, each with its own context, against simulated sensors on
// loopback TCP: exchanges that do not block run on one while the others wait in blocking ones,
// and every answer, every failure and every report stays with its own sensor.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "link/commands.h"
#include "link/connection.h"
#include "link/exchange_async.h"
#include "link/frame.h"
#include "link/operations_async.h"
#include "platform/runtime.h"
#include "sim/simulator.h"
#include "tests/link/fleet_support.h"
#include "tests/link/full_backlog_listener.h"

namespace {

constexpr char kTimeoutText[] =
    "TIMEOUT! \nNO DATA RECEIVED! \nCOMMUNICATION ERROR! \nCHECK POWER SUPPLY AND COM SETTINGS. "
    "\nTRY TO CONNECT AGAIN!";

struct Sensor {
    explicit Sensor(uint16_t serial)
    {
        sim.model().SetSerial(serial);
        port = sim.ListenTcp();
        context = std::make_unique<SensorContext>();
        SensorContext& c = *context;
        c.protocol = kProtocolTcp;
        std::strcpy(c.ipAddress, "127.0.0.1");
        std::snprintf(c.portNumberText, sizeof c.portNumberText, "%d", port);
        c.user = this;
    }
    ~Sensor()
    {
        CancelExchange(*context);
        CloseLink(*context);
    }
    sim::Simulator sim;
    int port = 0;
    std::unique_ptr<SensorContext> context;
    // The live loop that does not block: how its exchanges ended.
    int samples = 0;
    int failures = 0;
    bool crossed = false;
    bool running = false;
    int result = 2;  // of the last operation that does not block; 2 while it is under way
};

void operationDone(SensorContext& c, int result) { static_cast<Sensor*>(c.user)->result = result; }

// Starts op on every sensor at once and waits until all have ended.
void runAll(std::vector<std::unique_ptr<Sensor>>& fleet, int (*op)(SensorContext&, ExchangeDone))
{
    for (auto& s : fleet) {
        s->result = 2;
        ASSERT_EQ(1, op(*s->context, operationDone));
    }
    const double until = Timer() + 10.0;
    auto allDone = [&] {
        for (auto& s : fleet)
            if (s->result == 2)
                return false;
        return true;
    };
    while (!allDone() && Timer() < until)
        WaitSystemEvents(until - Timer());
    ASSERT_TRUE(allDone());
}

// The live loop as a chain of exchanges that do not block: each ending starts the next.
void nextLiveRequest(SensorContext& c);

void liveDone(SensorContext& c, int result)
{
    Sensor& s = *static_cast<Sensor*>(c.user);
    if (result == 1) {
        ++s.samples;
        // The answer is this sensor's live data, never another request's or sensor's answer.
        if (c.respOrder != kOrderLiveData || c.respLength != kLiveDataSize)
            s.crossed = true;
    } else {
        ++s.failures;
    }
    // A sensor whose connection is gone has been reported; the loop ends there.
    if (s.running && c.tcpConnected)
        nextLiveRequest(c);
}

void nextLiveRequest(SensorContext& c)
{
    FillTxBuf(c, kOrderLiveData, 0, 0);
    ASSERT_EQ(1, StartExchange(c, kHeaderSize, liveDone));
}

}  // namespace

TEST(ManySensors, LiveLoopOnOneWhileTheOtherSendsAndReadsItsParametersUnderFaults)
{
    Sensor a(1001), b(1002);
    ASSERT_GT(a.port, 0);
    ASSERT_GT(b.port, 0);
    const uint32_t defaultReports = LinkErrorReports();
    for (Sensor* s : {&a, &b}) {
        ASSERT_EQ(1, OpenLink(*s->context)) << s->context->msgBuf;
        ASSERT_EQ(1, IdentifySensor(*s->context));
    }
    EXPECT_EQ(1001u, a.context->serialNumber);
    EXPECT_EQ(1002u, b.context->serialNumber);

    // a: one answer comes after its exchange gave up, and must be dropped by the next one;
    // b: one block read is followed by 3000 bytes that belong to nothing.
    a.sim.faults().Add({sim::FaultKind::Late, kOrderLiveData, 20, 1, 3300});
    b.sim.faults().Add({sim::FaultKind::Excess, kOrderRead, 1, 1, 3000});

    a.running = true;
    nextLiveRequest(*a.context);
    // b's blocking transfers wait processing events, and a's exchanges go on inside them.
    SensorContext& cb = *b.context;
    for (uint16_t round = 0; round < 6; ++round) {
        const ParameterSet sent = DistinctParameters(static_cast<uint16_t>(100 * round));
        cb.para = sent;
        cb.transferTarget = 0;
        cb.sensorConnected = 1;
        SendPara(cb);
        ASSERT_EQ(1, cb.sensorConnected) << cb.msgBuf;
        EXPECT_EQ(0, std::memcmp(&sent, &b.sim.model().ram(), sizeof sent));
        cb.para = ParameterSet{};
        GetPara(cb);
        ASSERT_EQ(1, cb.sensorConnected) << cb.msgBuf;
        EXPECT_EQ(0, std::memcmp(&sent, &cb.para, sizeof sent));
    }
    // Past a's late answer: its exchange timed out once, and the loop went on.
    const double until = Timer() + 5.0;
    while (a.failures == 0 && Timer() < until)
        WaitSystemEvents(until - Timer());
    const int before = a.samples;
    Settle(0.3);
    a.running = false;
    Settle(0.1);

    EXPECT_FALSE(a.crossed);
    EXPECT_EQ(1, a.failures);
    EXPECT_GT(a.samples, before);
    EXPECT_EQ(1u, a.context->linkErrorReports);
    EXPECT_STREQ(kTimeoutText, a.context->msgBuf);
    EXPECT_EQ(0u, cb.linkErrorReports);
    EXPECT_EQ(0u, cb.plausibilityResets);
    EXPECT_EQ(defaultReports, LinkErrorReports());
}

TEST(ManySensors, ASensorThatGoesAwayIsReportedAloneAndTheOthersFinish)
{
    constexpr int kSensors = 40;
    std::vector<std::unique_ptr<Sensor>> fleet;
    for (int i = 0; i < kSensors; ++i) {
        fleet.push_back(std::make_unique<Sensor>(static_cast<uint16_t>(2000 + i)));
        ASSERT_EQ(1, OpenLink(*fleet.back()->context));
    }
    // All of them at once; one sensor closes its connection instead of answering.
    fleet[7]->sim.faults().Add({sim::FaultKind::Close, kOrderLiveData, 3, 1, 0});
    for (auto& s : fleet) {
        s->running = true;
        nextLiveRequest(*s->context);
    }
    const double until = Timer() + 5.0;
    auto enough = [&] {
        for (auto& s : fleet)
            if (s.get() != fleet[7].get() && s->samples < 20)
                return false;
        return fleet[7]->failures > 0;
    };
    while (!enough() && Timer() < until)
        WaitSystemEvents(0.05);
    for (auto& s : fleet)
        s->running = false;
    Settle(0.1);

    for (int i = 0; i < kSensors; ++i) {
        SCOPED_TRACE(i);
        const Sensor& s = *fleet[static_cast<size_t>(i)];
        EXPECT_FALSE(s.crossed);
        if (i == 7) {
            EXPECT_EQ(1, s.failures);
            EXPECT_EQ(1u, s.context->linkErrorReports);
            EXPECT_STREQ("SERVER HAS CLOSED CONNECTION!", s.context->msgBuf);
            EXPECT_EQ(0, s.context->tcpConnected);
        } else {
            EXPECT_EQ(0, s.failures);
            EXPECT_GE(s.samples, 20);
            EXPECT_EQ(0u, s.context->linkErrorReports);
        }
    }
}

TEST(ManySensors, TwoHundredSensorsAreReadWrittenAndReadBackAtOnceAndOneLostIsReportedAlone)
{
    constexpr int kSensors = 200;
    constexpr size_t kLost = 13;
    constexpr size_t kReset = 21;  // sends a value the sensor resets: a notice, no link failure
    std::vector<std::unique_ptr<Sensor>> fleet;
    for (int i = 0; i < kSensors; ++i) {
        fleet.push_back(std::make_unique<Sensor>(static_cast<uint16_t>(3000 + i)));
        fleet.back()->context->transferTarget = 0;
    }
    runAll(fleet, OpenLinkAsync);
    runAll(fleet, IdentifyAsync);
    for (int i = 0; i < kSensors; ++i)
        EXPECT_EQ(static_cast<unsigned>(3000 + i), fleet[static_cast<size_t>(i)]->context->serialNumber);

    // Each sensor gets a configuration of its own, and must hold exactly that afterwards.
    for (int i = 0; i < kSensors; ++i) {
        SensorContext& c = *fleet[static_cast<size_t>(i)]->context;
        c.para = DistinctParameters(static_cast<uint16_t>(i));
        for (int row = 0; row < kSensorTeachRows; ++row)
            c.techVec[static_cast<size_t>(row)] =
                TeachVector{static_cast<uint16_t>(i), static_cast<uint16_t>(row), 7, 9, 1, 0, 10, 1};
    }
    fleet[kReset]->context->para.Power = 5000;
    runAll(fleet, SendParametersAsync);
    EXPECT_EQ(1, fleet[kReset]->result);
    EXPECT_EQ(1u, fleet[kReset]->context->plausibilityResets);
    fleet[kReset]->context->para.Power = fleet[kReset]->sim.model().ram().Power;
    // One sensor goes away in the middle of the read back, after its parameter block.
    fleet[kLost]->sim.faults().Add({sim::FaultKind::Close, kOrderRead, 1, 1, 0});
    std::vector<ParameterSet> sent;
    for (auto& s : fleet) {
        sent.push_back(s->context->para);
        s->context->para = ParameterSet{};
    }
    runAll(fleet, ReadParametersAsync);

    for (size_t i = 0; i < fleet.size(); ++i) {
        SCOPED_TRACE(i);
        const Sensor& s = *fleet[i];
        if (i == kLost) {
            EXPECT_EQ(-1, s.result);
            EXPECT_EQ(1u, s.context->linkErrorReports);
            EXPECT_STREQ("SERVER HAS CLOSED CONNECTION!", s.context->msgBuf);
            continue;
        }
        EXPECT_EQ(1, s.result);
        EXPECT_EQ(0u, s.context->linkErrorReports);
        EXPECT_EQ(i == kReset ? 1u : 0u, s.context->plausibilityResets);
        EXPECT_EQ(0, std::memcmp(&sent[i], &s.context->para, sizeof sent[i]));
        EXPECT_EQ(0, std::memcmp(&sent[i], &fleet[i]->sim.model().ram(), sizeof sent[i]));
        EXPECT_EQ(static_cast<uint16_t>(i), s.context->techVec[5].Cell0);
        EXPECT_EQ(5, s.context->techVec[5].Cell1);
    }
}

TEST(ManySensors, AnAddressThatDoesNotAnswerHoldsUpNoOtherSensorsConnection)
{
    FullBacklogListener silent;
    if (!silent.full())
        GTEST_SKIP() << "this system answers connections beyond a full backlog on loopback";
    Sensor answering(4001), unanswered(4002), givenUp(4003), refused(4004);
    for (Sensor* s : {&unanswered, &givenUp})
        std::snprintf(s->context->portNumberText, sizeof s->context->portNumberText, "%d", silent.port());
    // Nothing listens on the port of a simulator that has stopped.
    refused.sim.Stop();
    SensorContext blocking = *refused.context;

    const double start = Timer();
    for (Sensor* s : {&unanswered, &givenUp, &answering, &refused}) {
        s->result = 2;
        ASSERT_EQ(1, OpenLinkAsync(*s->context, operationDone));
    }
    while ((answering.result == 2 || refused.result == 2) && Timer() < start + 1.0)
        WaitSystemEvents(0.05);
    ASSERT_EQ(1, answering.result);
    ASSERT_EQ(1, IdentifyAsync(*answering.context, operationDone));
    answering.result = 2;
    while (answering.result == 2 && Timer() < start + 1.0)
        WaitSystemEvents(0.05);
    EXPECT_EQ(1, answering.result);
    EXPECT_EQ(4001u, answering.context->serialNumber);
    EXPECT_LT(Timer() - start, 1.0);

    // A refusal is reported as the blocking open reports it.
    EXPECT_EQ(-1, refused.result);
    EXPECT_EQ(-1, OpenLink(blocking));
    EXPECT_STREQ(blocking.msgBuf, refused.context->msgBuf);
    EXPECT_EQ(1u, refused.context->linkErrorReports);
    EXPECT_EQ(-2, refused.context->openStatus);

    // Given up while under way: its end is never told. The other times out alone.
    CloseLink(*givenUp.context);
    EXPECT_EQ(2, unanswered.result);
    while (unanswered.result == 2 && Timer() < start + 10.0)
        WaitSystemEvents(0.1);
    EXPECT_EQ(-1, unanswered.result);
    EXPECT_GE(Timer() - start, 4.9);
    EXPECT_EQ(-11, unanswered.context->openStatus);
    EXPECT_EQ(0, unanswered.context->tcpConnected);
    EXPECT_EQ(1u, unanswered.context->linkErrorReports);
    Settle(0.2);
    EXPECT_EQ(2, givenUp.result);
    EXPECT_EQ(0u, givenUp.context->linkErrorReports);
}

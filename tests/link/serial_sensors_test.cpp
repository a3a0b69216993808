// Several sensors on serial lines (pseudo-terminals played by simulators in this process), each
// with its own context, all served by exchanges that do not block: a silent, late or vanished
// sensor holds up none of the others, and every failure is reported once, on its own sensor.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "link/connection.h"
#include "link/exchange_async.h"
#include "link/frame.h"
#include "link/operations_async.h"
#include "platform/rs232.h"
#include "platform/runtime.h"
#include "sim/simulator.h"
#include "tests/link/fleet_support.h"

namespace {

constexpr char kTimeoutText[] =
    "TIMEOUT! \nNO DATA RECEIVED! \nCOMMUNICATION ERROR! \nCHECK POWER SUPPLY AND COM SETTINGS. "
    "\nTRY TO CONNECT AGAIN!";

struct SerialSensor {
    SerialSensor(int comPort, uint16_t serial) : port(comPort)
    {
        sim.model().SetSerial(serial);
        const std::string tty = sim.OpenPty();
        EXPECT_FALSE(tty.empty()) << sim.error();
        SetComPortDevice(port, tty.c_str());
        c.protocol = kProtocolRs232;
        c.comPort = static_cast<uint16_t>(port);
        c.baudRateIndex = 4;
        c.transferTarget = 0;
        c.user = this;
    }
    ~SerialSensor()
    {
        CancelExchange(c);
        CloseLink(c);
        SetComPortDevice(port, nullptr);
    }

    int port;
    sim::Simulator sim;
    SensorContext c;
    // The live loop: how its exchanges ended.
    bool running = false;
    bool endAtFailure = false;
    int samples = 0;
    int failures = 0;
    bool crossed = false;
    double failedAt = 0;
    // Another sensor's samples when the last request went out, and during the last failed one.
    const SerialSensor* other = nullptr;
    int othersAtRequest = 0;
    int othersDuringFailure = 0;
    int result = 2;  // of the last operation; 2 while it is under way
};

void nextLiveRequest(SensorContext& c);

void liveDone(SensorContext& c, int result)
{
    SerialSensor& s = *static_cast<SerialSensor*>(c.user);
    if (result == 1) {
        ++s.samples;
        if (c.respOrder != kOrderLiveData || c.respLength != kLiveDataSize)
            s.crossed = true;
    } else {
        ++s.failures;
        s.failedAt = Timer();
        s.othersDuringFailure = s.other ? s.other->samples - s.othersAtRequest : 0;
        if (s.endAtFailure)
            s.running = false;
    }
    if (s.running)
        nextLiveRequest(c);
}

void nextLiveRequest(SensorContext& c)
{
    SerialSensor& s = *static_cast<SerialSensor*>(c.user);
    s.othersAtRequest = s.other ? s.other->samples : 0;
    FillTxBuf(c, kOrderLiveData, 0, 0);
    ASSERT_EQ(1, StartExchange(c, kHeaderSize, liveDone));
}

void operationDone(SensorContext& c, int result) { static_cast<SerialSensor*>(c.user)->result = result; }

// Runs op on s to its end, the event loop serving every other sensor meanwhile.
int run(SerialSensor& s, int (*op)(SensorContext&, ExchangeDone))
{
    s.result = 2;
    if (op(s.c, operationDone) != 1)
        return -2;
    const double until = Timer() + 10.0;
    while (s.result == 2 && Timer() < until)
        WaitSystemEvents(until - Timer());
    return s.result;
}

}  // namespace

TEST(SerialSensors, ASilentLateOrVanishedSensorHoldsUpNoOtherAndEachFailureIsReportedOnceOnItsOwn)
{
    SerialSensor steady(31, 5001), transfers(32, 5002), silent(33, 5003);
    for (SerialSensor* s : {&steady, &transfers, &silent}) {
        ASSERT_EQ(1, OpenLink(s->c)) << s->c.msgBuf;
        ASSERT_EQ(1, run(*s, IdentifyAsync)) << s->c.msgBuf;
    }
    EXPECT_EQ(5001u, steady.c.serialNumber);
    EXPECT_EQ(5002u, transfers.c.serialNumber);
    EXPECT_EQ(5003u, silent.c.serialNumber);

    // silent: one live request goes unanswered, then its simulator goes away altogether.
    // transfers: a block read answered after its exchange gave up, and one followed by 3000
    // bytes that belong to nothing.
    silent.sim.faults().Add({sim::FaultKind::NoAnswer, kOrderLiveData, 5, 1, 0});
    transfers.sim.faults().Add({sim::FaultKind::Late, kOrderRead, 1, 1, 3300});
    transfers.sim.faults().Add({sim::FaultKind::Excess, kOrderRead, 4, 1, 3000});
    silent.other = &steady;
    for (SerialSensor* s : {&steady, &silent}) {
        s->running = true;
        nextLiveRequest(s->c);
    }

    // Parameter rounds on the third sensor meanwhile; the second round's read times out.
    int timedOut = 0;
    for (uint16_t round = 0; round < 5; ++round) {
        SCOPED_TRACE(round);
        const ParameterSet sent = DistinctParameters(static_cast<uint16_t>(100 * round));
        transfers.c.para = sent;
        ASSERT_EQ(1, run(transfers, SendParametersAsync)) << transfers.c.msgBuf;
        EXPECT_EQ(0, std::memcmp(&sent, &transfers.sim.model().ram(), sizeof sent));
        transfers.c.para = ParameterSet{};
        const int read = run(transfers, ReadParametersAsync);
        if (read != 1) {
            ++timedOut;
            EXPECT_STREQ(kTimeoutText, transfers.c.msgBuf);
            // The late answer arrives while nothing awaits it; the next request drops it.
            Settle(0.5);
            continue;
        }
        EXPECT_EQ(0, std::memcmp(&sent, &transfers.c.para, sizeof sent));
    }
    EXPECT_EQ(1, timedOut);

    // The silent sensor's time-out: the steady one went on meanwhile.
    const double until = Timer() + 5.0;
    while (silent.failures == 0 && Timer() < until)
        WaitSystemEvents(until - Timer());
    ASSERT_EQ(1, silent.failures);
    EXPECT_STREQ(kTimeoutText, silent.c.msgBuf);
    EXPECT_GE(silent.othersDuringFailure, 20);
    Settle(0.1);
    EXPECT_GT(silent.samples, 5);

    // Its line goes away: the exchange under way ends at once, reported once, and the loop stops.
    silent.endAtFailure = true;
    const double gone = Timer();
    silent.sim.Stop();
    while (silent.running && Timer() < gone + 5.0)
        WaitSystemEvents(0.05);
    EXPECT_EQ(2, silent.failures);
    EXPECT_LT(silent.failedAt - gone, kResponseTimeout);
    EXPECT_STREQ(kTimeoutText, silent.c.msgBuf);

    const int before = steady.samples;
    Settle(0.2);
    EXPECT_GT(steady.samples, before);
    steady.running = false;
    Settle(0.1);

    EXPECT_FALSE(steady.crossed);
    EXPECT_FALSE(silent.crossed);
    EXPECT_EQ(0, steady.failures);
    EXPECT_EQ(0u, steady.c.linkErrorReports);
    EXPECT_EQ(1u, transfers.c.linkErrorReports);
    EXPECT_EQ(0u, transfers.c.plausibilityResets);
    EXPECT_EQ(2u, silent.c.linkErrorReports);
}

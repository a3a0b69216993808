// Answers that come too late or carry more than a frame: whatever the conversation still holds
// from an earlier request must never be taken as the answer to the next one.
#include <gtest/gtest.h>

#include <string>

#include "link/commands.h"
#include "link/frame.h"
#include "tests/link/sim_line.h"

namespace {

constexpr char kTimeoutText[] =
    "TIMEOUT! \nNO DATA RECEIVED! \nCOMMUNICATION ERROR! \nCHECK POWER SUPPLY AND COM SETTINGS. "
    "\nTRY TO CONNECT AGAIN!\n\n";

int Count(const std::string& text, const std::string& part)
{
    int n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++n;
    return n;
}

class StaleAnswerTest : public SimLineTest {
protected:
    void SetUp() override
    {
        SimLineTest::SetUp();
        if (HasFatalFailure())
            return;
        OpenLink();
        sensor.model().SetFirmware("CHROMIX5 V4.2.7 B12");
    }

    static int Exchange(int order, int info)
    {
        FillTxBuf(order, info, 0);
        return DataExchange(kHeaderSize);
    }
};

}  // namespace

// The first request's answer comes just after the link gave up on it; the next request goes
// out at once and its own answer comes a little later still, so the stale frame arrives first.
TEST_P(StaleAnswerTest, LateAnswerIsNeverTakenForTheNextRequest)
{
    struct Pair {
        int lateOrder, lateInfo;
        int nextOrder, nextInfo;
        uint16_t nextLength;
    };
    const Pair pairs[] = {
        {kOrderRead, kBlockTeachTable, kOrderIdentify, 0, 0},  // length: the firmware text's
        {kOrderIdentify, 0, kOrderLiveData, 0, kLiveDataSize},
        {kOrderRead, kBlockTeachTable, kOrderRead, kBlockParameters, 34},  // same order
    };
    int failures = 0;
    for (const Pair& p : pairs) {
        SCOPED_TRACE(testing::Message() << p.lateOrder << " then " << p.nextOrder);
        sensor.faults().Clear();
        sensor.faults().Add({sim::FaultKind::Late, p.lateOrder, 0, 1, 3600});
        // With the same order, the second fault (skipping the first request) delays the next.
        const int skip = p.lateOrder == p.nextOrder ? 1 : 0;
        sensor.faults().Add({sim::FaultKind::Late, p.nextOrder, skip, 1, 900});
        SensorConnected = 1;
        EXPECT_EQ(-1, Exchange(p.lateOrder, p.lateInfo));
        ++failures;
        SensorConnected = 1;
        ASSERT_EQ(1, Exchange(p.nextOrder, p.nextInfo)) << StatusBox();
        EXPECT_EQ(p.nextOrder, RespOrder);
        if (p.nextOrder != kOrderIdentify) {
            EXPECT_EQ(p.nextLength, RespLength);
        }
        EXPECT_EQ(1, SensorConnected);
    }
    // Each late answer failed its own exchange once, and nothing else was reported.
    EXPECT_EQ(failures, Count(StatusBox(), kTimeoutText));
    EXPECT_EQ(static_cast<size_t>(failures) * std::string(kTimeoutText).size(), StatusBox().size());

    // Nothing is left over for the exchange after.
    Settle(0.1);
    ASSERT_EQ(1, Exchange(kOrderLiveData, 0)) << StatusBox();
    EXPECT_EQ(kOrderLiveData, RespOrder);
}

// A sensor that sends far more than any frame: the excess is dropped with the answer it
// followed, and the next exchanges are not disturbed by it.
TEST_P(StaleAnswerTest, BytesBeyondTheAnswerDoNotSpillIntoTheNextExchanges)
{
    sensor.faults().Add({sim::FaultKind::Excess, kOrderLiveData, 0, 2, 3000});
    for (int pass = 0; pass < 4; ++pass) {
        SCOPED_TRACE(pass);
        ASSERT_EQ(1, RequestLiveData()) << StatusBox();
        EXPECT_EQ(kLiveDataSize, RespLength);
        // Behind the answer the buffer reads zeros, not the excess.
        for (int i = kHeaderSize + kLiveDataSize; i < kFrameBufferSize; ++i)
            ASSERT_EQ(0, RxBuf[i]) << "byte " << i;
    }
    EXPECT_EQ("", StatusBox());
    EXPECT_EQ(1, SensorConnected);
}

INSTANTIATE_ON_BOTH_LINES(StaleAnswerTest);

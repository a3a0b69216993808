// The serial port's input as its readers see it, against a real pseudo-terminal whose other
// side this test writes: a poll moves what the device holds into the port in one read, and
// nothing taken that way may be lost, kept from a callback, or survive a flush.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <string>

#include "platform/rs232.h"
#include "platform/runtime.h"

namespace {

constexpr int kPort = 9;

class SerialInputTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        master_ = posix_openpt(O_RDWR | O_NOCTTY);
        ASSERT_GE(master_, 0);
        ASSERT_EQ(0, grantpt(master_));
        ASSERT_EQ(0, unlockpt(master_));
        SetComPortDevice(kPort, ptsname(master_));
        ASSERT_EQ(0, OpenComConfig(kPort, "", 115200, 0, 8, 1, 64, 64));
        SetComTime(kPort, 0.2);
    }
    void TearDown() override
    {
        CloseCom(kPort);
        SetComPortDevice(kPort, nullptr);
        ::close(master_);
    }
    // The sensor's side: bytes sent down the line, then given the terminal's moment to pass.
    void Send(const std::string& bytes)
    {
        ASSERT_EQ(static_cast<ssize_t>(bytes.size()), ::write(master_, bytes.data(), bytes.size()));
        for (int i = 0; i < 100 && Polled() < static_cast<int>(bytes.size()); ++i)
            WaitSystemEvents(0.002);
    }
    // What a poll loop sees after taking nothing.
    int Polled() { return GetInQLen(kPort); }
    std::string Read(int n)
    {
        std::string s(static_cast<size_t>(n), '\0');
        s.resize(static_cast<size_t>(std::max(0, ComRd(kPort, s.data(), s.size()))));
        return s;
    }
    int master_ = -1;
};

// A reader that takes an answer in parts finds the rest counted, and a poll loop that waits
// for more than was read ahead still sees the device's later bytes: no count gets stuck.
TEST_F(SerialInputTest, PartsTakenInTurnAndLaterBytesAreAllSeenInOrder)
{
    Send("headerDATA");
    ASSERT_EQ(10, Polled());
    EXPECT_EQ("header", Read(6));
    EXPECT_EQ(4, GetInQLen(kPort));
    ASSERT_EQ(4, ::write(master_, "MORE", 4));
    const double until = Timer() + 2.0;
    while (GetInQLen(kPort) < 8 && Timer() < until)
        WaitForComInput(kPort, 8, until - Timer());
    EXPECT_EQ(8, GetInQLen(kPort));
    // A read longer than what was read ahead takes the rest from the device.
    ASSERT_EQ(2, ::write(master_, "!!", 2));
    EXPECT_EQ("DATAMORE!!", Read(10));
    EXPECT_EQ(0, GetInQLen(kPort));
}

// Input beyond the queue stays in the device and is counted as the queue's size, as before.
TEST_F(SerialInputTest, TheQueueBoundsWhatIsReadAheadAndNothingIsLost)
{
    std::string many;
    for (int i = 0; i < 100; ++i)
        many += static_cast<char>('A' + i % 26);
    ASSERT_EQ(100, ::write(master_, many.data(), many.size()));
    const double until = Timer() + 2.0;
    while (GetInQLen(kPort) < 64 && Timer() < until)
        WaitSystemEvents(0.002);
    EXPECT_EQ(64, GetInQLen(kPort));
    EXPECT_EQ(many, Read(100));
}

// Bytes read ahead are no longer in the device, whose readiness the callback's notifier
// watches: installing a callback then must still tell it, and the callback reads them.
TEST_F(SerialInputTest, ACallbackHearsOfBytesAlreadyReadAhead)
{
    Send("late");
    static std::string heard;
    heard.clear();
    InstallComCallback(
        kPort, 4,
        [](int port, void*) {
            char buffer[16];
            const int n = ComRdAvailable(port, buffer, sizeof buffer);
            heard.append(buffer, static_cast<size_t>(std::max(0, n)));
        },
        nullptr);
    const double until = Timer() + 2.0;
    while (heard.size() < 4 && Timer() < until)
        WaitSystemEvents(0.01);
    InstallComCallback(kPort, 0, nullptr, nullptr);
    EXPECT_EQ("late", heard);
}

// A flush drops what was read ahead as well as what the device holds: a late answer's excess
// must not become the start of the next one.
TEST_F(SerialInputTest, FlushDropsWhatWasReadAhead)
{
    Send("stale answer");
    EXPECT_EQ("stale", Read(5));
    FlushInQ(kPort);
    EXPECT_EQ(0, GetInQLen(kPort));
    Send("fresh");
    EXPECT_EQ("fresh", Read(5));
}

}  // namespace

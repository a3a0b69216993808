// The TCP client's own promises, on loopback: when a conversation's callback hears of bytes and
// of the server's end, and when attempts to connect end.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "platform/runtime.h"
#include "platform/tcp.h"
#include "tests/link/full_backlog_listener.h"

namespace {

// A server socket on 127.0.0.1 that the test drives by hand.
class HandServer {
public:
    HandServer()
    {
        listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof addr;
        if (::bind(listener_, reinterpret_cast<sockaddr*>(&addr), len) == 0 && ::listen(listener_, 16) == 0 &&
            ::getsockname(listener_, reinterpret_cast<sockaddr*>(&addr), &len) == 0)
            port_ = ntohs(addr.sin_port);
    }
    ~HandServer()
    {
        if (peer_ >= 0)
            ::close(peer_);
        ::close(listener_);
    }
    unsigned port() const { return port_; }
    void accept() { peer_ = ::accept(listener_, nullptr, nullptr); }
    void send(const std::string& bytes)
    {
        ASSERT_EQ(ssize_t(bytes.size()), ::send(peer_, bytes.data(), bytes.size(), 0));
    }
    void hangUp()
    {
        ::close(peer_);
        peer_ = -1;
    }

private:
    int listener_ = -1;
    int peer_ = -1;
    unsigned port_ = 0;
};

struct Heard {
    std::vector<std::string> events;  // "bytes:<what was read>", "bytes:" (nothing read), "end"
    int timesToLeaveTheBytes = 0;
};

int Listen(unsigned handle, int event, int, void* data)
{
    auto& heard = *static_cast<Heard*>(data);
    if (event == TCP_DISCONNECT) {
        heard.events.push_back("end");
        return 0;
    }
    std::string read;
    char piece[4];  // small, so that a read that stops early would show
    if (heard.timesToLeaveTheBytes > 0)
        --heard.timesToLeaveTheBytes;
    else
        for (int n; (n = ClientTCPRead(handle, piece, sizeof piece, 0)) > 0;)
            read.append(piece, static_cast<size_t>(n));
    heard.events.push_back("bytes:" + read);
    return 0;
}

void Settle(double seconds)
{
    const double until = Timer() + seconds;
    while (Timer() < until)
        WaitSystemEvents(until - Timer());
}

}  // namespace

// Alone, a conversation is watched on its own; beside many others, in one set with them.
TEST(TcpClient, BytesAreToldUntilTakenAndTheServersEndAfterTheLastOfThem)
{
    for (const int others : {0, 12}) {
        SCOPED_TRACE(others);
        HandServer idle;
        std::vector<unsigned> idleHandles(static_cast<size_t>(others));
        for (unsigned& handle : idleHandles)
            ASSERT_EQ(0, ConnectToTCPServerEx(&handle, idle.port(), "127.0.0.1", Listen, nullptr, 1000, 0));
        HandServer server;
        Heard heard;
        unsigned h = 0;
        ASSERT_EQ(0, ConnectToTCPServerEx(&h, server.port(), "127.0.0.1", Listen, &heard, 1000, 0));
        server.accept();

        // Bytes the callback leaves where they are are told again until it takes them, and
        // nothing is told once it has.
        heard.timesToLeaveTheBytes = 2;
        server.send("abcdefgh");
        Settle(0.1);
        EXPECT_EQ((std::vector<std::string>{"bytes:", "bytes:", "bytes:abcdefgh"}), heard.events);

        // The last bytes come before the end; then the conversation is gone.
        heard.events.clear();
        server.send("xy");
        server.hangUp();
        Settle(0.1);
        EXPECT_EQ((std::vector<std::string>{"bytes:xy", "end"}), heard.events);
        char byte = 0;
        EXPECT_EQ(-12, ClientTCPRead(h, &byte, 1, 0));
        EXPECT_EQ(-12, ClientTCPWrite(h, &byte, 1, 100));
        EXPECT_EQ(-12, DisconnectFromTCPServer(h));
        for (unsigned handle : idleHandles)
            EXPECT_EQ(0, DisconnectFromTCPServer(handle));
    }
}

namespace {

struct Attempt {
    unsigned handle = 0;
    int result = 1;  // 1 while under way
    TcpConnectCause cause = TcpConnectCause::None;
    double endedAt = 0;
};

void AttemptEnded(int result, unsigned, const TcpConnectFailure& failure, void* data)
{
    auto& a = *static_cast<Attempt*>(data);
    a.result = result;
    a.cause = failure.cause;
    a.endedAt = Timer();
}

}  // namespace

TEST(TcpClient, AttemptsEndAtTheirOwnTimeLimitsWhateverTheOrderTheyBeganIn)
{
    FullBacklogListener silent;
    if (!silent.full())
        GTEST_SKIP() << "this system answers connections beyond a full backlog on loopback";
    HandServer answering;
    Attempt slow, fast, givenUp, answered;
    const double start = Timer();
    const auto begin = [](Attempt& a, unsigned port, int timeoutMs) {
        ASSERT_EQ(0,
                  ConnectToTCPServerAsync(&a.handle, port, "127.0.0.1", nullptr, &a, timeoutMs,
                                          AttemptEnded));
        EXPECT_EQ(1, a.result) << "an attempt never ends inside the call";
    };
    begin(slow, silent.port(), 900);
    begin(givenUp, silent.port(), 500);
    begin(fast, silent.port(), 200);
    begin(answered, answering.port(), 5000);
    while (fast.result == 1 && Timer() < start + 2)
        WaitSystemEvents(0.05);
    EXPECT_EQ(0, answered.result);
    EXPECT_EQ(-11, fast.result);
    EXPECT_EQ(TcpConnectCause::TimedOut, fast.cause);
    EXPECT_NEAR(0.2, fast.endedAt - start, 0.1);
    EXPECT_EQ(1, slow.result);

    // One given up is never told of; the others end in their time.
    EXPECT_EQ(0, DisconnectFromTCPServer(givenUp.handle));
    while (slow.result == 1 && Timer() < start + 3)
        WaitSystemEvents(0.05);
    EXPECT_EQ(-11, slow.result);
    EXPECT_NEAR(0.9, slow.endedAt - start, 0.1);
    EXPECT_EQ(1, givenUp.result);
    EXPECT_EQ(0, DisconnectFromTCPServer(answered.handle));
}

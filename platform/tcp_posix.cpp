// The TCP client on the system's sockets. A fleet keeps a thousand conversations open in one
// thread: a QTcpSocket for each would bring its own buffer, queued signals, a timer for its
// attempt and objects to delete later, on every exchange. Here a conversation is its socket, and
// its bytes go from the system straight to the callback's buffer.
//
// A few conversations are watched by a socket notifier each, which the dispatcher polls
// directly. Beyond a few, the dispatcher would poll every one of them on every pass of the loop:
// then all of them are watched through one epoll set behind a single notifier, where a pass
// costs what is ready, not what is open. The set stays in use until the last conversation ends.
#include "platform/tcp.h"

#include <QCoreApplication>
#include <QPointer>
#include <QSocketNotifier>
#include <QTimer>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <map>
#include <unordered_map>

#include <sys/socket.h>
#include <unistd.h>

#ifdef __linux__
#include <sys/epoll.h>
#endif

#include "platform/tcp_address.h"
#include "platform/tcp_socket.h"

namespace {

constexpr int kDefaultTimeoutMs = 5000;
// Conversations watched one by one at most; more go into the epoll set.
constexpr size_t kMostWatchedAlone = 8;

using Deadlines = std::multimap<int64_t, unsigned>;

struct Conversation {
    int fd = -1;
    tcpFuncPtr callback = nullptr;
    void* data = nullptr;
    // Watches for the connection while connecting, then for bytes and the server's end: its own
    // notifier, or the epoll set.
    QSocketNotifier* notifier = nullptr;
    bool inSet = false;
    bool connecting = false;               // ConnectToTCPServerAsync's attempt, not yet ended
    tcpConnectDone connectDone = nullptr;  // told when it ends
    int refusedAtOnce = 0;                 // the errno of a connect that failed in the call
    Deadlines::iterator deadline;          // the attempt's end, while connecting
};

std::unordered_map<unsigned, Conversation> conversations;
Deadlines deadlines;
unsigned nextHandle = 1;

int64_t nowNs()
{
    timespec t{};
    ::clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<int64_t>(t.tv_sec) * 1'000'000'000 + t.tv_nsec;
}

Conversation* find(unsigned handle)
{
    auto it = conversations.find(handle);
    return it == conversations.end() ? nullptr : &it->second;
}

void connectEnded(unsigned h);
void readable(unsigned h, bool bytesWait = false);

// A notifier may be inside its own signal when its conversation ends or moves into the set: it
// is switched off now and deleted later.
void dropNotifier(Conversation& c)
{
    if (!c.notifier)
        return;
    c.notifier->setEnabled(false);
    c.notifier->disconnect();
    c.notifier->deleteLater();
    c.notifier = nullptr;
}

#ifdef __linux__

void serveSet();

// The epoll set of many conversations, each tagged with its handle, and the notifier on it.
class WatchSet {
public:
    bool InUse() const { return inUse_; }
    // Takes every conversation into the set; false when the system has no set to give.
    bool Begin()
    {
        if (epoll_ < 0 && (epoll_ = ::epoll_create1(EPOLL_CLOEXEC)) < 0)
            return false;
        if (!notifier_) {
            notifier_ = new QSocketNotifier(epoll_, QSocketNotifier::Read, QCoreApplication::instance());
            QObject::connect(notifier_, &QSocketNotifier::activated, [] { serveSet(); });
        }
        inUse_ = true;
        return true;
    }
    void End() { inUse_ = false; }
    // Level-triggered, like a notifier: what a callback leaves is told again on the next pass.
    bool Watch(int fd, unsigned handle, bool connecting, bool added)
    {
        epoll_event e{};
        e.events = connecting ? EPOLLOUT : EPOLLIN | EPOLLRDHUP;
        e.data.u64 = handle;
        return ::epoll_ctl(epoll_, added ? EPOLL_CTL_MOD : EPOLL_CTL_ADD, fd, &e) == 0;
    }
    int Wait(epoll_event* events, int count) { return ::epoll_wait(epoll_, events, count, 0); }

private:
    int epoll_ = -1;
    bool inUse_ = false;
    QPointer<QSocketNotifier> notifier_;
};

WatchSet& watchSet()
{
    static WatchSet set;
    return set;
}

void serveSet()
{
    // More than this wait for the next pass: a burst of answers cannot hold up the rest of the
    // program for long.
    epoll_event events[256];
    const int n = watchSet().Wait(events, static_cast<int>(std::size(events)));
    for (int i = 0; i < n; ++i) {
        const auto h = static_cast<unsigned>(events[i].data.u64);
        const Conversation* c = find(h);
        if (!c)
            continue;  // ended by a callback earlier in this pass
        // Bytes without the end or an error are told without a look of its own: the
        // callback's read is the first.
        const uint32_t ready = events[i].events;
        if (c->connecting)
            connectEnded(h);
        else
            readable(h, (ready & EPOLLIN) && !(ready & (EPOLLRDHUP | EPOLLHUP | EPOLLERR)));
    }
}

#endif

// Watches c for the end of its connection while it connects, else for bytes and its end.
void watch(unsigned h, Conversation& c)
{
#ifdef __linux__
    if (!watchSet().InUse() && conversations.size() > kMostWatchedAlone && watchSet().Begin()) {
        for (auto& [other, conversation] : conversations)
            if (other != h && !conversation.inSet && (conversation.notifier || !conversation.connecting)) {
                dropNotifier(conversation);
                conversation.inSet = watchSet().Watch(conversation.fd, other, conversation.connecting, false);
            }
    }
    if (watchSet().InUse()) {
        dropNotifier(c);
        if (watchSet().Watch(c.fd, h, c.connecting, c.inSet)) {
            c.inSet = true;
            return;
        }
        c.inSet = false;  // the set refused it: it is watched on its own
    }
#endif
    dropNotifier(c);
    if (c.connecting) {
        c.notifier = new QSocketNotifier(c.fd, QSocketNotifier::Write);
        QObject::connect(c.notifier, &QSocketNotifier::activated, [h] { connectEnded(h); });
    } else {
        c.notifier = new QSocketNotifier(c.fd, QSocketNotifier::Read);
        QObject::connect(c.notifier, &QSocketNotifier::activated, [h] { readable(h); });
    }
}

// Forgets a conversation and closes its socket, which also takes it out of the set.
void forget(unsigned handle)
{
    auto it = conversations.find(handle);
    if (it == conversations.end())
        return;
    if (it->second.connecting)
        deadlines.erase(it->second.deadline);
    dropNotifier(it->second);
    ::close(it->second.fd);
    conversations.erase(it);
#ifdef __linux__
    if (conversations.empty())
        watchSet().End();
#endif
}

unsigned newHandle()
{
    const unsigned h = nextHandle++;
    if (nextHandle == 0)
        nextHandle = 1;
    return h;
}

void serveDeadlines();

// One precise timer for every attempt's end, set to the earliest unless it fires by then anyway:
// an attempt that ends leaves it as it is, and firing early only sets it again.
class AttemptTimer {
public:
    void Arm()
    {
        if (deadlines.empty())
            return;
        const int64_t next = deadlines.begin()->first;
        if (!timer_) {
            timer_ = new QTimer(QCoreApplication::instance());
            timer_->setSingleShot(true);
            timer_->setTimerType(Qt::PreciseTimer);  // a coarse timer may end an attempt 5 % early
            QObject::connect(timer_, &QTimer::timeout, [] { serveDeadlines(); });
        }
        if (timer_->isActive() && armedFor_ <= next)
            return;
        armedFor_ = next;
        const int64_t ms = (std::max<int64_t>(next - nowNs(), 0) + 999'999) / 1'000'000;
        timer_->start(static_cast<int>(std::min<int64_t>(ms, 24LL * 3600 * 1000)));
    }

private:
    QPointer<QTimer> timer_;
    int64_t armedFor_ = 0;
};

AttemptTimer& attemptTimer()
{
    static AttemptTimer t;
    return t;
}

// The end of an attempt of ConnectToTCPServerAsync, once: the conversation begins, or the
// attempt is forgotten and its failure told.
void endAttempt(unsigned h, int error, bool timedOut)
{
    Conversation* c = find(h);
    if (!c || !c->connecting)
        return;
    c->connecting = false;
    deadlines.erase(c->deadline);
    const tcpConnectDone done = c->connectDone;
    void* data = c->data;
    if (!timedOut && error == 0) {
        watch(h, *c);
        done(0, h, TcpConnectFailure{}, data);
        return;
    }
    forget(h);
    if (timedOut)
        done(-11, 0, TcpConnectFailure{TcpConnectCause::TimedOut, "Socket operation timed out"}, data);
    else
        done(-2, 0, TcpConnectFailure{TcpCauseOfErrno(error), TcpTextOfErrno(error).toStdString()}, data);
}

// Readable: bytes have come, or the server has ended the conversation (after its last bytes,
// which are told first). Told on every pass while bytes wait: the callback takes them. Unless
// bytesWait says that bytes are there, a look at the first byte tells which.
void readable(unsigned h, bool bytesWait)
{
    Conversation* c = find(h);
    if (!c)
        return;
    ssize_t n = 1;
    if (!bytesWait) {
        char first = 0;
        n = ::recv(c->fd, &first, 1, MSG_PEEK | MSG_DONTWAIT);
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR))
            return;
    }
    const tcpFuncPtr callback = c->callback;
    void* data = c->data;
    if (n > 0) {
        if (callback)
            callback(h, TCP_DATAREADY, 0, data);
        return;
    }
    if (callback)
        callback(h, TCP_DISCONNECT, 0, data);
    // The callback may already have ended the conversation itself.
    forget(h);
}

// Writable, or failed: a connection under way has ended.
void connectEnded(unsigned h)
{
    if (Conversation* c = find(h); c && c->connecting)
        endAttempt(h, TcpConnectOutcome(c->fd), false);
}

// The attempts whose time has come: immediate refusals, then those out of time.
void serveDeadlines()
{
    const int64_t now = nowNs();
    while (!deadlines.empty() && deadlines.begin()->first <= now) {
        const unsigned h = deadlines.begin()->second;
        Conversation* c = find(h);
        if (!c) {
            deadlines.erase(deadlines.begin());
            continue;
        }
        endAttempt(h, c->refusedAtOnce, c->refusedAtOnce == 0);
    }
    attemptTimer().Arm();
}

}  // namespace

int ConnectToTCPServerEx(unsigned* handle, unsigned port, const char* server, tcpFuncPtr callback,
                         void* callbackData, int timeoutMs, unsigned localPort, TcpConnectFailure* failure)
{
    if (!handle)
        return TcpFailed(failure, -9, TcpConnectCause::Other);
    QHostAddress address;
    if (const int code = ResolveTcpServer(port, server, failure, &address); code < 0)
        return code;
    const int fd = TcpOpenSocket(address, localPort);
    if (fd < 0)
        return TcpFailed(failure, -2, TcpConnectCause::Other, TcpTextOfErrno(errno));
    int error = TcpStartConnect(fd, address, port);
    if (error == 0) {
        if (!TcpWaitFor(fd, POLLOUT, timeoutMs > 0 ? timeoutMs : kDefaultTimeoutMs)) {
            ::close(fd);
            return TcpFailed(failure, -11, TcpConnectCause::TimedOut, "Socket operation timed out");
        }
        error = TcpConnectOutcome(fd);
    }
    if (error != 0) {
        ::close(fd);
        return TcpFailed(failure, -2, TcpCauseOfErrno(error), TcpTextOfErrno(error));
    }
    const unsigned h = newHandle();
    Conversation& c = conversations[h];
    c.fd = fd;
    c.callback = callback;
    c.data = callbackData;
    watch(h, c);
    *handle = h;
    if (failure)
        *failure = TcpConnectFailure{};
    return 0;
}

int ConnectToTCPServerAsync(unsigned* handle, unsigned port, const char* server, tcpFuncPtr callback,
                            void* callbackData, int timeoutMs, tcpConnectDone connected,
                            TcpConnectFailure* failure)
{
    if (!handle || !connected)
        return TcpFailed(failure, -9, TcpConnectCause::Other);
    QHostAddress address;
    if (const int code = ResolveTcpServer(port, server, failure, &address); code < 0)
        return code;
    const int fd = TcpOpenSocket(address, 0);
    if (fd < 0)
        return TcpFailed(failure, -2, TcpConnectCause::Other, TcpTextOfErrno(errno));
    const unsigned h = newHandle();
    Conversation& c = conversations[h];
    c.fd = fd;
    c.callback = callback;
    c.data = callbackData;
    c.connecting = true;
    c.connectDone = connected;
    // A refusal in the call itself is told from the loop, like any other end: its deadline is
    // now.
    c.refusedAtOnce = TcpStartConnect(fd, address, port);
    const int64_t limitNs = static_cast<int64_t>(timeoutMs > 0 ? timeoutMs : kDefaultTimeoutMs) * 1'000'000;
    c.deadline = deadlines.emplace(c.refusedAtOnce != 0 ? nowNs() : nowNs() + limitNs, h);
    if (c.refusedAtOnce == 0)
        watch(h, c);
    attemptTimer().Arm();
    *handle = h;
    if (failure)
        *failure = TcpConnectFailure{};
    return 0;
}

int DisconnectFromTCPServer(unsigned handle)
{
    if (!find(handle))
        return -12;
    forget(handle);
    return 0;
}

int ClientTCPWrite(unsigned handle, const void* data, size_t size, int timeoutMs)
{
    Conversation* c = find(handle);
    if (!c)
        return -12;
    if (c->connecting)
        return -14;
    const auto* bytes = static_cast<const char*>(data);
    size_t sent = 0;
    while (sent < size) {
        const ssize_t n = ::send(c->fd, bytes + sent, size - sent, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n > 0) {
            sent += static_cast<size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            if (TcpWaitFor(c->fd, POLLOUT, timeoutMs))
                continue;
            return -11;
        }
        return n < 0 && (errno == EPIPE || errno == ECONNRESET || errno == ENOTCONN) ? -14 : -13;
    }
    return static_cast<int>(size);
}

int ClientTCPRead(unsigned handle, void* buffer, size_t size, int timeoutMs)
{
    Conversation* c = find(handle);
    if (!c)
        return -12;
    if (size == 0)
        return 0;
    if (c->connecting)
        return -14;
    for (bool waited = false;;) {
        const ssize_t n = ::recv(c->fd, buffer, size, MSG_DONTWAIT);
        if (n > 0)
            return static_cast<int>(n);
        if (n == 0)
            return -14;  // the server has ended the conversation
        if (errno == EINTR)
            continue;
        if (errno != EAGAIN && errno != EWOULDBLOCK)
            return errno == ECONNRESET || errno == ENOTCONN ? -14 : -13;
        if (waited || timeoutMs <= 0 || !TcpWaitFor(c->fd, POLLIN, timeoutMs))
            return -11;
        waited = true;
    }
}

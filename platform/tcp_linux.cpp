// The TCP client on Linux, on the system's sockets. A fleet keeps a thousand conversations open
// in one thread: each QTcpSocket would bring a notifier that the dispatcher polls on every pass,
// its own buffer, queued signals and a timer for its attempt. Here one epoll set holds every
// conversation and a timerfd for the attempts' time limits, and the dispatcher watches only
// that set: a pass costs what is ready, not what is open.
#include "platform/tcp.h"

#include <QCoreApplication>
#include <QPointer>
#include <QSocketNotifier>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <map>
#include <unordered_map>

#include <net/if.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/epoll.h>
#include <sys/socket.h>
#include <sys/timerfd.h>
#include <unistd.h>

#include "platform/tcp_address.h"

namespace {

constexpr int kDefaultTimeoutMs = 5000;
// Events taken from the set in one pass: more wait for the next pass, so that a burst of
// answers cannot hold up the rest of the program for long.
constexpr int kEventsPerPass = 256;
// The timerfd's tag in the set; conversations are tagged with their handle, which is never 0.
constexpr uint64_t kTimerTag = 0;

using Deadlines = std::multimap<int64_t, unsigned>;

struct Conversation {
    int fd = -1;
    tcpFuncPtr callback = nullptr;
    void* data = nullptr;
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

TcpConnectCause causeOfErrno(int error)
{
    switch (error) {
    case ECONNREFUSED: return TcpConnectCause::Refused;
    case ENETUNREACH:
    case EHOSTUNREACH: return TcpConnectCause::NetworkUnreachable;
    case ETIMEDOUT: return TcpConnectCause::TimedOut;
    default: return TcpConnectCause::Other;
    }
}

QString textOfErrno(int error) { return QString::fromLocal8Bit(std::strerror(error)); }

void onReady();

// The epoll set, its timerfd and the one notifier the dispatcher watches. Made at the first
// conversation; the notifier goes with the application and is made again for a new one.
class Poller {
public:
    bool Ready()
    {
        if (epoll_ < 0) {
            epoll_ = ::epoll_create1(EPOLL_CLOEXEC);
            timer_ = ::timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
            epoll_event e{};
            e.events = EPOLLIN;
            e.data.u64 = kTimerTag;
            if (epoll_ < 0 || timer_ < 0 || ::epoll_ctl(epoll_, EPOLL_CTL_ADD, timer_, &e) != 0) {
                Close();
                return false;
            }
        }
        if (!notifier_) {
            notifier_ = new QSocketNotifier(epoll_, QSocketNotifier::Read, QCoreApplication::instance());
            QObject::connect(notifier_, &QSocketNotifier::activated, [] { onReady(); });
        }
        return true;
    }
    bool Watch(int fd, unsigned handle)
    {
        epoll_event e{};
        // Edge-triggered: the callback hears of new bytes once, as it would from a socket's
        // signal, and bytes it leaves are not announced again on every pass.
        e.events = EPOLLIN | EPOLLOUT | EPOLLRDHUP | EPOLLET;
        e.data.u64 = handle;
        return ::epoll_ctl(epoll_, EPOLL_CTL_ADD, fd, &e) == 0;
    }
    // Sets the timerfd to the earliest attempt's end unless it fires by then anyway. An
    // attempt that ends leaves the timer as it is: firing early only sets it again, which costs
    // less than a system call for every connection made.
    void Arm()
    {
        if (deadlines.empty())
            return;
        const int64_t next = deadlines.begin()->first;
        if (armedFor_ != 0 && armedFor_ <= next)
            return;
        armedFor_ = next;
        itimerspec when{};
        const int64_t ns = std::max<int64_t>(next - nowNs(), 1);
        when.it_value.tv_sec = static_cast<time_t>(ns / 1'000'000'000);
        when.it_value.tv_nsec = static_cast<long>(ns % 1'000'000'000);
        ::timerfd_settime(timer_, 0, &when, nullptr);
    }
    // The timerfd has fired: taken, so that it wakes nobody again until it is set anew.
    void TimerFired()
    {
        uint64_t expirations = 0;
        (void)!::read(timer_, &expirations, sizeof expirations);
        armedFor_ = 0;
    }
    int Wait(epoll_event* events, int count) { return ::epoll_wait(epoll_, events, count, 0); }

private:
    void Close()
    {
        if (timer_ >= 0)
            ::close(timer_);
        if (epoll_ >= 0)
            ::close(epoll_);
        timer_ = epoll_ = -1;
    }
    int epoll_ = -1;
    int timer_ = -1;
    int64_t armedFor_ = 0;
    QPointer<QSocketNotifier> notifier_;
};

Poller& poller()
{
    static Poller p;
    return p;
}

Conversation* find(unsigned handle)
{
    auto it = conversations.find(handle);
    return it == conversations.end() ? nullptr : &it->second;
}

// Forgets a conversation and closes its socket, which takes it out of the set.
void forget(unsigned handle)
{
    auto it = conversations.find(handle);
    if (it == conversations.end())
        return;
    if (it->second.connecting)
        deadlines.erase(it->second.deadline);
    ::close(it->second.fd);
    conversations.erase(it);
}

unsigned newHandle()
{
    const unsigned h = nextHandle++;
    if (nextHandle == 0)
        nextHandle = 1;
    return h;
}

// A socket for address, not yet connected, with Nagle off (a strict request/response dialogue
// of small frames wants each one on the wire at once) and bound to localPort when one is given.
// -1 with errno on failure.
int openSocket(const QHostAddress& address, unsigned localPort)
{
    const bool v6 = address.protocol() == QAbstractSocket::IPv6Protocol;
    const int fd = ::socket(v6 ? AF_INET6 : AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    const int on = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    if (localPort != 0) {
        ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
        sockaddr_storage local{};
        socklen_t size = 0;
        if (v6) {
            auto* a = reinterpret_cast<sockaddr_in6*>(&local);
            a->sin6_family = AF_INET6;
            a->sin6_addr = in6addr_any;
            a->sin6_port = htons(static_cast<uint16_t>(localPort));
            size = sizeof *a;
        } else {
            auto* a = reinterpret_cast<sockaddr_in*>(&local);
            a->sin_family = AF_INET;
            a->sin_addr.s_addr = htonl(INADDR_ANY);
            a->sin_port = htons(static_cast<uint16_t>(localPort));
            size = sizeof *a;
        }
        if (::bind(fd, reinterpret_cast<sockaddr*>(&local), size) != 0) {
            const int error = errno;
            ::close(fd);
            errno = error;
            return -1;
        }
    }
    return fd;
}

// Starts connecting fd to address:port; 0 when under way or done, else the errno.
int startConnect(int fd, const QHostAddress& address, unsigned port)
{
    sockaddr_storage to{};
    socklen_t size = 0;
    if (address.protocol() == QAbstractSocket::IPv6Protocol) {
        auto* a = reinterpret_cast<sockaddr_in6*>(&to);
        a->sin6_family = AF_INET6;
        const Q_IPV6ADDR bytes = address.toIPv6Address();
        std::memcpy(&a->sin6_addr, bytes.c, sizeof bytes.c);
        a->sin6_port = htons(static_cast<uint16_t>(port));
        if (const QString scope = address.scopeId(); !scope.isEmpty()) {
            bool numeric = false;
            const unsigned id = scope.toUInt(&numeric);
            a->sin6_scope_id = numeric ? id : ::if_nametoindex(scope.toLocal8Bit().constData());
        }
        size = sizeof *a;
    } else {
        auto* a = reinterpret_cast<sockaddr_in*>(&to);
        a->sin_family = AF_INET;
        a->sin_addr.s_addr = htonl(address.toIPv4Address());
        a->sin_port = htons(static_cast<uint16_t>(port));
        size = sizeof *a;
    }
    if (::connect(fd, reinterpret_cast<sockaddr*>(&to), size) == 0 || errno == EINPROGRESS)
        return 0;
    return errno;
}

// The outcome of a connect under way once the socket is writable or failed: 0 or the errno.
int connectOutcome(int fd)
{
    int error = 0;
    socklen_t size = sizeof error;
    if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size) != 0)
        return errno;
    return error;
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
        done(0, h, TcpConnectFailure{}, data);
        return;
    }
    forget(h);
    if (timedOut)
        done(-11, 0, TcpConnectFailure{TcpConnectCause::TimedOut, "Socket operation timed out"}, data);
    else
        done(-2, 0, TcpConnectFailure{causeOfErrno(error), textOfErrno(error).toStdString()}, data);
}

// What one conversation's readiness means: an attempt's end, new bytes, the server's end.
void serve(unsigned h, uint32_t events)
{
    Conversation* c = find(h);
    if (!c)
        return;  // ended by a callback earlier in this pass
    if (c->connecting) {
        if (events & (EPOLLOUT | EPOLLERR | EPOLLHUP))
            endAttempt(h, connectOutcome(c->fd), false);
        // Bytes that came with the connection are announced below; the callback of the end
        // may already have closed it again.
        c = find(h);
        if (!c || c->connecting)
            return;
    }
    if ((events & EPOLLIN) && c->callback) {
        c->callback(h, TCP_DATAREADY, 0, c->data);
        c = find(h);
        if (!c)
            return;
    }
    if (events & (EPOLLRDHUP | EPOLLHUP | EPOLLERR)) {
        const tcpFuncPtr callback = c->callback;
        void* data = c->data;
        if (callback)
            callback(h, TCP_DISCONNECT, 0, data);
        // The callback may already have ended the conversation itself.
        forget(h);
    }
}

// The attempts whose time has come: immediate refusals, then those out of time.
void serveDeadlines()
{
    poller().TimerFired();
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
}

void onReady()
{
    epoll_event events[kEventsPerPass];
    const int n = poller().Wait(events, kEventsPerPass);
    bool timer = false;
    for (int i = 0; i < n; ++i) {
        if (events[i].data.u64 == kTimerTag)
            timer = true;
        else
            serve(static_cast<unsigned>(events[i].data.u64), events[i].events);
    }
    if (timer)
        serveDeadlines();
    poller().Arm();
}

// Waits up to timeoutMs (below 0: without end) for fd to become ready for what is asked; false
// on time-out.
bool waitFor(int fd, short what, int timeoutMs)
{
    pollfd p{fd, what, 0};
    for (;;) {
        const int r = ::poll(&p, 1, timeoutMs);
        if (r < 0 && errno == EINTR)
            continue;
        return r > 0;
    }
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
    if (!poller().Ready())
        return TcpFailed(failure, -2, TcpConnectCause::Other, textOfErrno(errno));
    const int fd = openSocket(address, localPort);
    if (fd < 0)
        return TcpFailed(failure, -2, TcpConnectCause::Other, textOfErrno(errno));
    int error = startConnect(fd, address, port);
    if (error == 0) {
        if (!waitFor(fd, POLLOUT, timeoutMs > 0 ? timeoutMs : kDefaultTimeoutMs)) {
            ::close(fd);
            return TcpFailed(failure, -11, TcpConnectCause::TimedOut, "Socket operation timed out");
        }
        error = connectOutcome(fd);
    }
    if (error != 0) {
        ::close(fd);
        return TcpFailed(failure, -2, causeOfErrno(error), textOfErrno(error));
    }
    const unsigned h = newHandle();
    if (!poller().Watch(fd, h)) {
        error = errno;
        ::close(fd);
        return TcpFailed(failure, -2, TcpConnectCause::Other, textOfErrno(error));
    }
    Conversation& c = conversations[h];
    c.fd = fd;
    c.callback = callback;
    c.data = callbackData;
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
    if (!poller().Ready())
        return TcpFailed(failure, -2, TcpConnectCause::Other, textOfErrno(errno));
    const int fd = openSocket(address, 0);
    if (fd < 0)
        return TcpFailed(failure, -2, TcpConnectCause::Other, textOfErrno(errno));
    const unsigned h = newHandle();
    if (!poller().Watch(fd, h)) {
        const int error = errno;
        ::close(fd);
        return TcpFailed(failure, -2, TcpConnectCause::Other, textOfErrno(error));
    }
    Conversation& c = conversations[h];
    c.fd = fd;
    c.callback = callback;
    c.data = callbackData;
    c.connecting = true;
    c.connectDone = connected;
    // A refusal in the call itself is told from the loop, like any other end: its deadline is
    // now.
    c.refusedAtOnce = startConnect(fd, address, port);
    const int64_t limitNs = static_cast<int64_t>(timeoutMs > 0 ? timeoutMs : kDefaultTimeoutMs) * 1'000'000;
    c.deadline = deadlines.emplace(c.refusedAtOnce != 0 ? nowNs() : nowNs() + limitNs, h);
    poller().Arm();
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
            if (waitFor(c->fd, POLLOUT, timeoutMs))
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
        if (waited || timeoutMs <= 0 || !waitFor(c->fd, POLLIN, timeoutMs))
            return -11;
        waited = true;
    }
}

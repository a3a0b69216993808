#include "platform/tcp_socket.h"

#include <cerrno>
#include <cstring>

#include <net/if.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

TcpConnectCause TcpCauseOfErrno(int error)
{
    switch (error) {
    case ECONNREFUSED: return TcpConnectCause::Refused;
    case ENETUNREACH:
    case EHOSTUNREACH: return TcpConnectCause::NetworkUnreachable;
    case ETIMEDOUT: return TcpConnectCause::TimedOut;
    default: return TcpConnectCause::Other;
    }
}

QString TcpTextOfErrno(int error) { return QString::fromLocal8Bit(std::strerror(error)); }

// A socket for address, not yet connected, with Nagle off (a strict request/response dialogue
// of small frames wants each one on the wire at once) and bound to localPort when one is given.
// -1 with errno on failure.
int TcpOpenSocket(const QHostAddress& address, unsigned localPort)
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
int TcpStartConnect(int fd, const QHostAddress& address, unsigned port)
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
int TcpConnectOutcome(int fd)
{
    int error = 0;
    socklen_t size = sizeof error;
    if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size) != 0)
        return errno;
    return error;
}

// Waits up to timeoutMs (below 0: without end) for fd to become ready for what is asked; false
// on time-out.
bool TcpWaitFor(int fd, short what, int timeoutMs)
{
    pollfd p{fd, what, 0};
    for (;;) {
        const int r = ::poll(&p, 1, timeoutMs);
        if (r < 0 && errno == EINTR)
            continue;
        return r > 0;
    }
}

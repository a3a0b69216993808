#include "sim/tcp_server.h"

#include <QTimer>

#include <cerrno>
#include <cstring>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/epoll.h>
#include <sys/socket.h>
#include <unistd.h>

#include "sim/fd_watch.h"

namespace sim {

namespace {

// As many pending connections as a fleet's client may open at once to one sensor, and more.
constexpr int kBacklog = 64;
constexpr int kAcceptPauseMs = 100;

}  // namespace

TcpChannel::TcpChannel(int fd, QObject* parent) : Channel(parent), fd_(fd)
{
    const int on = 1;
    ::setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    // A request's answer follows at once and carries its acknowledgement: without this, a new
    // conversation acknowledges its first request on its own, a packet more for a fleet's
    // client and this process to handle on the processors they share.
    const int off = 0;
    ::setsockopt(fd_, IPPROTO_TCP, TCP_QUICKACK, &off, sizeof off);
    if (!FdWatch::Instance().Watch(fd_, [this](uint32_t events) { ready(events); }))
        end();
}

TcpChannel::~TcpChannel()
{
    if (fd_ >= 0) {
        FdWatch::Instance().Unwatch(fd_);
        ::close(fd_);
    }
}

void TcpChannel::ready(uint32_t events)
{
    if (events & EPOLLOUT)
        writePending();
    if (fd_ >= 0 && (events & (EPOLLIN | EPOLLRDHUP | EPOLLHUP | EPOLLERR)))
        readAll();
}

void TcpChannel::readAll()
{
    char buffer[4096];
    while (fd_ >= 0) {
        const ssize_t n = ::recv(fd_, buffer, sizeof buffer, 0);
        if (n > 0) {
            // Bytes after a hang-up are not answered, as with a closing socket.
            if (!hangUp_)
                Receive(QByteArray(buffer, static_cast<qsizetype>(n)));
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            return;
        end();  // the client closed, or the connection broke
        return;
    }
}

void TcpChannel::Send(const QByteArray& bytes)
{
    if (fd_ < 0 || hangUp_)
        return;
    pending_.append(bytes);
    writePending();
}

void TcpChannel::writePending()
{
    while (fd_ >= 0 && !pending_.isEmpty()) {
        const ssize_t n = ::send(fd_, pending_.constData(), static_cast<size_t>(pending_.size()), MSG_NOSIGNAL);
        if (n > 0) {
            pending_.remove(0, static_cast<qsizetype>(n));
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            FdWatch::Instance().SetWritable(fd_, true);
            return;
        }
        end();
        return;
    }
    if (fd_ < 0)
        return;
    FdWatch::Instance().SetWritable(fd_, false);
    if (hangUp_)
        end();
}

void TcpChannel::HangUp()
{
    if (fd_ < 0)
        return;
    hangUp_ = true;
    if (pending_.isEmpty())
        end();
}

void TcpChannel::end()
{
    if (fd_ >= 0) {
        FdWatch::Instance().Unwatch(fd_);
        ::close(fd_);
        fd_ = -1;
    }
    pending_.clear();
    // Never deleted inside its own handler: the watch may still be dispatching.
    deleteLater();
}

TcpServer::TcpServer(Channel::FrameHandler handler, QObject* parent)
    : QObject(parent), handler_(std::move(handler))
{
}

TcpServer::~TcpServer() { Close(); }

int TcpServer::Listen(uint16_t port, std::string* error)
{
    Close();
    auto failed = [&](const char* what) {
        if (error)
            *error = std::string(what) + ": " + std::strerror(errno);
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = -1;
        return -1;
    };
    fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd_ < 0)
        return failed("socket");
    // A port just released by an earlier run is taken again at once.
    const int on = 1;
    ::setsockopt(fd_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
        return failed("bind");
    if (::listen(fd_, kBacklog) != 0)
        return failed("listen");
    socklen_t length = sizeof address;
    if (::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        return failed("getsockname");
    if (!watchListener())
        return failed("epoll");
    port_ = ntohs(address.sin_port);
    return port_;
}

void TcpServer::accept()
{
    while (fd_ >= 0) {
        const int client = ::accept4(fd_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (client < 0) {
            if (errno == EINTR || errno == ECONNABORTED)
                continue;
            if (errno != EAGAIN && errno != EWOULDBLOCK) {
                // Out of descriptors or memory: the waiting connection keeps the socket ready,
                // so the listener rests a moment rather than spin the loop.
                FdWatch::Instance().Unwatch(fd_);
                QTimer::singleShot(kAcceptPauseMs, this, [this] {
                    if (fd_ >= 0)
                        watchListener();
                });
            }
            return;
        }
        auto* channel = new TcpChannel(client, this);
        channel->SetFrameHandler(handler_);
    }
}

bool TcpServer::watchListener()
{
    return FdWatch::Instance().Watch(fd_, [this](uint32_t) { accept(); });
}

void TcpServer::Close()
{
    if (fd_ >= 0) {
        FdWatch::Instance().Unwatch(fd_);
        ::close(fd_);
        fd_ = -1;
    }
    port_ = 0;
    for (TcpChannel* channel : findChildren<TcpChannel*>(Qt::FindDirectChildrenOnly))
        channel->deleteLater();
}

int TcpServer::connections() const
{
    return static_cast<int>(findChildren<TcpChannel*>(Qt::FindDirectChildrenOnly).size());
}

}  // namespace sim

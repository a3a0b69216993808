#include "platform/tcp.h"
#include "platform/tcp_address.h"

#include <QTcpSocket>
#include <QTimer>

#include <map>

#ifndef _WIN32
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/types.h>
#endif

namespace {

struct Conversation {
    QTcpSocket* socket = nullptr;
    tcpFuncPtr callback = nullptr;
    void* data = nullptr;
    bool connecting = false;               // ConnectToTCPServerAsync's attempt, not yet ended
    tcpConnectDone connectDone = nullptr;  // told when it ends
    QTimer* limit = nullptr;               // ends it at its time-out
};

std::map<unsigned, Conversation> conversations;
unsigned nextHandle = 1;

TcpConnectCause causeOf(const QTcpSocket& socket)
{
    switch (socket.error()) {
    case QAbstractSocket::ConnectionRefusedError: return TcpConnectCause::Refused;
    case QAbstractSocket::HostNotFoundError: return TcpConnectCause::HostNotFound;
    case QAbstractSocket::SocketTimeoutError: return TcpConnectCause::TimedOut;
    case QAbstractSocket::NetworkError:
        // Qt reports an unreachable network or host and the system's connect time-out alike.
        return socket.errorString().contains("timed out", Qt::CaseInsensitive)
            ? TcpConnectCause::TimedOut
            : TcpConnectCause::NetworkUnreachable;
    default: return TcpConnectCause::Other;
    }
}

QTcpSocket* socketOf(unsigned handle)
{
    auto it = conversations.find(handle);
    return it == conversations.end() ? nullptr : it->second.socket;
}

// Forgets a conversation. The socket may be inside one of its own signals, so it is closed
// now and deleted later.
void forget(unsigned handle)
{
    auto it = conversations.find(handle);
    if (it == conversations.end())
        return;
    QTcpSocket* s = it->second.socket;
    conversations.erase(it);
    s->disconnect();
    s->abort();
    s->deleteLater();
}

// Checks the arguments, finds the address to connect to and makes the socket. 0 or the code of
// the failure (with *failure).
int prepareConnection(unsigned port, const char* server, unsigned localPort, TcpConnectFailure* failure,
                      QTcpSocket** made, QHostAddress* address)
{
    if (const int code = ResolveTcpServer(port, server, failure, address); code < 0)
        return code;
    auto* socket = new QTcpSocket;
    if (localPort && !socket->bind(QHostAddress::AnyIPv4, static_cast<quint16>(localPort))) {
        const QString text = socket->errorString();
        delete socket;
        return TcpFailed(failure, -2, TcpConnectCause::Other, text);
    }
    // Nagle would hold back every request until the previous reply's ACK: a strict
    // request/response dialogue of small frames wants each one on the wire at once.
    socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    *made = socket;
    return 0;
}

unsigned newHandle()
{
    const unsigned h = nextHandle++;
    if (nextHandle == 0)
        nextHandle = 1;
    return h;
}

// A connected socket becomes conversation h: its bytes and its end go to the callback.
void converse(unsigned h, QTcpSocket* socket)
{
    socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    QObject::connect(socket, &QTcpSocket::readyRead, [h] {
        auto it = conversations.find(h);
        if (it != conversations.end() && it->second.callback)
            it->second.callback(h, TCP_DATAREADY, 0, it->second.data);
    });
    QObject::connect(socket, &QTcpSocket::disconnected, [h] {
        auto it = conversations.find(h);
        if (it == conversations.end())
            return;
        Conversation c = it->second;
        if (c.callback)
            c.callback(h, TCP_DISCONNECT, 0, c.data);
        // The callback may already have ended the conversation itself.
        forget(h);
    });
}

// The end of an attempt of ConnectToTCPServerAsync, once: the conversation begins, or the
// attempt is forgotten and its failure told.
void endAttempt(unsigned h, bool connected, int code, TcpConnectCause cause, const QString& text)
{
    auto it = conversations.find(h);
    if (it == conversations.end() || !it->second.connecting)
        return;
    Conversation& c = it->second;
    c.connecting = false;
    // The timer may be the caller: it goes once its signal has returned.
    c.limit->stop();
    c.limit->deleteLater();
    c.limit = nullptr;
    const tcpConnectDone done = c.connectDone;
    void* data = c.data;
    if (connected) {
        converse(h, c.socket);
        done(0, h, TcpConnectFailure{}, data);
        return;
    }
    forget(h);
    done(code, 0, TcpConnectFailure{cause, text.toStdString()}, data);
}

}  // namespace

int ConnectToTCPServerEx(unsigned* handle, unsigned port, const char* server, tcpFuncPtr callback,
                         void* callbackData, int timeoutMs, unsigned localPort, TcpConnectFailure* failure)
{
    if (!handle)
        return TcpFailed(failure, -9, TcpConnectCause::Other);
    QTcpSocket* socket = nullptr;
    QHostAddress address;
    if (const int code = prepareConnection(port, server, localPort, failure, &socket, &address); code < 0)
        return code;
    socket->connectToHost(address, static_cast<quint16>(port));
    if (!socket->waitForConnected(timeoutMs > 0 ? timeoutMs : 5000)) {
        const int code = socket->error() == QAbstractSocket::SocketTimeoutError ? -11 : -2;
        const TcpConnectCause cause = causeOf(*socket);
        const QString text = socket->errorString();
        delete socket;
        return TcpFailed(failure, code, cause, text);
    }
    const unsigned h = newHandle();
    conversations[h] = Conversation{socket, callback, callbackData};
    converse(h, socket);
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
    QTcpSocket* socket = nullptr;
    QHostAddress address;
    if (const int code = prepareConnection(port, server, 0, failure, &socket, &address); code < 0)
        return code;
    const unsigned h = newHandle();
    auto* limit = new QTimer(socket);
    conversations[h] = Conversation{socket, callback, callbackData, true, connected, limit};
    // Queued, so that the end never comes inside this call, even when the system refuses at
    // once; the queued calls die with the socket when the attempt is given up.
    QObject::connect(
        socket, &QTcpSocket::connected, socket, [h] { endAttempt(h, true, 0, TcpConnectCause::None, {}); },
        Qt::QueuedConnection);
    QObject::connect(
        socket, &QTcpSocket::errorOccurred, socket,
        [h, socket] {
            const int code = socket->error() == QAbstractSocket::SocketTimeoutError ? -11 : -2;
            endAttempt(h, false, code, causeOf(*socket), socket->errorString());
        },
        Qt::QueuedConnection);
    limit->setSingleShot(true);
    limit->setTimerType(Qt::PreciseTimer);  // a coarse timer may end the attempt 5 % early
    QObject::connect(limit, &QTimer::timeout, socket, [h] {
        endAttempt(h, false, -11, TcpConnectCause::TimedOut, QStringLiteral("Socket operation timed out"));
    });
    limit->start(timeoutMs > 0 ? timeoutMs : 5000);
    socket->connectToHost(address, static_cast<quint16>(port));
    *handle = h;
    if (failure)
        *failure = TcpConnectFailure{};
    return 0;
}

int DisconnectFromTCPServer(unsigned handle)
{
    if (!socketOf(handle))
        return -12;
    forget(handle);
    return 0;
}

int ClientTCPWrite(unsigned handle, const void* data, size_t size, int timeoutMs)
{
    QTcpSocket* s = socketOf(handle);
    if (!s)
        return -12;
    if (s->state() != QAbstractSocket::ConnectedState)
        return -14;
#ifndef _WIN32
    // With nothing queued before it, the frame goes to the socket directly: QTcpSocket would
    // switch its write notifier on and off around it, which wakes the event loop twice. What
    // the socket does not take at once is queued behind it as usual.
    size_t direct = 0;
    if (s->bytesToWrite() == 0 && size > 0) {
        const ssize_t sent =
            ::send(static_cast<int>(s->socketDescriptor()), data, size, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (sent > 0)
            direct = static_cast<size_t>(sent);
        if (direct == size)
            return static_cast<int>(size);
    }
    qint64 n = s->write(static_cast<const char*>(data) + direct, static_cast<qint64>(size - direct));
    if (n < 0)
        return direct > 0 ? -11 : -13;
    n += static_cast<qint64>(direct);
#else
    qint64 n = s->write(static_cast<const char*>(data), static_cast<qint64>(size));
    if (n < 0)
        return -13;
#endif
    // Put the frame on the wire now; the reply is awaited by the caller's wait loop.
    s->flush();
    if (s->bytesToWrite() > 0 && !s->waitForBytesWritten(timeoutMs))
        return s->state() == QAbstractSocket::ConnectedState ? -11 : -14;
    return static_cast<int>(n);
}

int ClientTCPRead(unsigned handle, void* buffer, size_t size, int timeoutMs)
{
    QTcpSocket* s = socketOf(handle);
    if (!s)
        return -12;
    if (size == 0)
        return 0;
#ifndef _WIN32
    // A read that may not wait, with nothing in the socket: said without Qt's wait machinery
    // (the exchange asks this before every request).
    int queued = 0;
    if (timeoutMs <= 0 && s->bytesAvailable() == 0 &&
        ::ioctl(static_cast<int>(s->socketDescriptor()), FIONREAD, &queued) == 0 && queued == 0)
        return s->state() == QAbstractSocket::ConnectedState ? -11 : -14;
#endif
    if (s->bytesAvailable() == 0 && !s->waitForReadyRead(timeoutMs))
        return s->state() == QAbstractSocket::ConnectedState ? -11 : -14;
    qint64 n = s->read(static_cast<char*>(buffer), static_cast<qint64>(size));
    return n < 0 ? -13 : static_cast<int>(n);
}

#include "platform/tcp.h"

#include <QHostAddress>
#include <QTcpSocket>

#include <map>

namespace {

struct Conversation {
    QTcpSocket* socket = nullptr;
    tcpFuncPtr callback = nullptr;
    void* data = nullptr;
};

std::map<unsigned, Conversation> conversations;
unsigned nextHandle = 1;

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

}  // namespace

int ConnectToTCPServerEx(unsigned* handle, unsigned port, const char* server, tcpFuncPtr callback,
                         void* callbackData, int timeoutMs, unsigned localPort)
{
    if (!handle || !server || port == 0 || port > 65535)
        return -9;
    auto* socket = new QTcpSocket;
    if (localPort && !socket->bind(QHostAddress::AnyIPv4, static_cast<quint16>(localPort))) {
        delete socket;
        return -2;
    }
    // Nagle would hold back every request until the previous reply's ACK: a strict
    // request/response dialogue of small frames wants each one on the wire at once.
    socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    socket->connectToHost(QString::fromUtf8(server), static_cast<quint16>(port));
    if (!socket->waitForConnected(timeoutMs > 0 ? timeoutMs : 5000)) {
        const bool timedOut = socket->error() == QAbstractSocket::SocketTimeoutError;
        delete socket;
        return timedOut ? -11 : -2;
    }
    socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);

    const unsigned h = nextHandle++;
    if (nextHandle == 0)
        nextHandle = 1;
    conversations[h] = Conversation{socket, callback, callbackData};

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
    *handle = h;
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
    qint64 n = s->write(static_cast<const char*>(data), static_cast<qint64>(size));
    if (n < 0)
        return -13;
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
    if (s->bytesAvailable() == 0 && !s->waitForReadyRead(timeoutMs))
        return s->state() == QAbstractSocket::ConnectedState ? -11 : -14;
    qint64 n = s->read(static_cast<char*>(buffer), static_cast<qint64>(size));
    return n < 0 ? -13 : static_cast<int>(n);
}

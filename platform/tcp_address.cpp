#include "platform/tcp_address.h"

#include <QHostInfo>

namespace {

// A text of digits and dots (or of hex digits and colons) is meant as an IP address, not as a
// name: when it is none, looking it up would only ask the name server about a typing error.
bool looksLikeAddressButIsNone(const QString& server)
{
    if (server.isEmpty())
        return false;
    bool dotted = true;
    bool colons = server.contains(':');
    for (QChar c : server) {
        dotted = dotted && (c.isDigit() || c == '.');
        colons =
            colons && (c.isDigit() || c == '.' || c == ':' || (c.toLower() >= 'a' && c.toLower() <= 'f'));
    }
    return (dotted || colons) && QHostAddress(server).isNull();
}

// Names under the reserved top-level domain "invalid" never resolve (RFC 6761): they are
// answered at once, without asking the name server.
bool isReservedInvalidName(QString server)
{
    if (server.endsWith('.'))
        server.chop(1);
    return server.compare("invalid", Qt::CaseInsensitive) == 0 ||
        server.endsWith(".invalid", Qt::CaseInsensitive);
}

}  // namespace

int TcpFailed(TcpConnectFailure* failure, int code, TcpConnectCause cause, const QString& systemText)
{
    if (failure)
        *failure = TcpConnectFailure{cause, systemText.toStdString()};
    return code;
}

int ResolveTcpServer(unsigned port, const char* server, TcpConnectFailure* failure, QHostAddress* address)
{
    if (!server)
        return TcpFailed(failure, -9, TcpConnectCause::Other);
    if (port == 0 || port > 65535)
        return TcpFailed(failure, -9, TcpConnectCause::InvalidPort);
    const QString host = QString::fromUtf8(server).trimmed();
    if (looksLikeAddressButIsNone(host))
        return TcpFailed(failure, -2, TcpConnectCause::InvalidAddress);
    if (isReservedInvalidName(host))
        return TcpFailed(failure, -2, TcpConnectCause::HostNotFound);
    // A name is looked up here, in this thread. Left to a socket, the lookup would run in Qt's
    // own thread pool and could still be finishing when the program ends after the failure has
    // been reported: the pool thread then works on freed memory. Waiting for the answer here
    // blocks no more than waiting for the connection does.
    if (address->setAddress(host))
        return 0;
    const QHostInfo info = QHostInfo::fromName(host);
    const QList<QHostAddress> found = info.addresses();
    if (info.error() != QHostInfo::NoError || found.isEmpty())
        return TcpFailed(failure, -2, TcpConnectCause::HostNotFound, info.errorString());
    *address = found.first();
    for (const QHostAddress& a : found)
        if (a.protocol() == QAbstractSocket::IPv4Protocol) {
            *address = a;
            break;
        }
    return 0;
}

#include "sim/tcp_server.h"

#include <QHostAddress>

namespace sim {

TcpChannel::TcpChannel(QTcpSocket* socket, QObject* parent) : Channel(parent), socket_(socket)
{
    socket->setParent(this);
    socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    QObject::connect(socket, &QTcpSocket::readyRead, this, [this] {
        if (socket_)
            Receive(socket_->readAll());
    });
    // The channel goes when its conversation does; never deleted inside the socket's own signal.
    QObject::connect(socket, &QTcpSocket::disconnected, this, [this] { deleteLater(); });
}

TcpChannel::~TcpChannel()
{
    if (socket_) {
        socket_->disconnect(this);
        socket_->abort();
    }
}

void TcpChannel::Send(const QByteArray& bytes)
{
    if (socket_ && socket_->state() == QAbstractSocket::ConnectedState)
        socket_->write(bytes);
}

void TcpChannel::HangUp()
{
    if (socket_)
        socket_->disconnectFromHost();
}

TcpServer::TcpServer(Channel::FrameHandler handler, QObject* parent)
    : QObject(parent), handler_(std::move(handler))
{
    QObject::connect(&server_, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket* socket = server_.nextPendingConnection()) {
            auto* channel = new TcpChannel(socket, this);
            channel->SetFrameHandler(handler_);
        }
    });
}

int TcpServer::Listen(uint16_t port, std::string* error)
{
    server_.close();
    if (!server_.listen(QHostAddress::LocalHost, port)) {
        if (error)
            *error = server_.errorString().toStdString();
        return -1;
    }
    return server_.serverPort();
}

void TcpServer::Close()
{
    server_.close();
    for (TcpChannel* channel : findChildren<TcpChannel*>(Qt::FindDirectChildrenOnly))
        channel->deleteLater();
}

int TcpServer::connections() const
{
    return static_cast<int>(findChildren<TcpChannel*>(Qt::FindDirectChildrenOnly).size());
}

}  // namespace sim

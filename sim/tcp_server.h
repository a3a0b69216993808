// The simulated sensor as a TCP server, as a sensor behind a serial-to-network converter is:
// the tool connects as client. It listens on 127.0.0.1 only. Each accepted connection is a
// channel of its own with its own partly received frame; several may be open at once (a
// client that reconnects before the old conversation is gone).
#pragma once

#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>

#include <cstdint>
#include <string>

#include "sim/channel.h"

namespace sim {

class TcpChannel : public Channel {
public:
    TcpChannel(QTcpSocket* socket, QObject* parent);
    ~TcpChannel() override;
    void Send(const QByteArray& bytes) override;
    // Closes the conversation; the client sees the server end it.
    void HangUp() override;

private:
    QPointer<QTcpSocket> socket_;
};

class TcpServer : public QObject {
public:
    explicit TcpServer(Channel::FrameHandler handler, QObject* parent = nullptr);

    // Listens on 127.0.0.1:port (0 = a free port). Returns the port, or -1 with *error set.
    int Listen(uint16_t port, std::string* error);
    void Close();
    uint16_t port() const { return server_.serverPort(); }
    // Connections open now.
    int connections() const;

private:
    QTcpServer server_;
    Channel::FrameHandler handler_;
};

}  // namespace sim

// The simulated sensor as a TCP server, as a sensor behind a serial-to-network converter is:
// the tool connects as client. It listens on 127.0.0.1 only. Each accepted connection is a
// channel of its own with its own partly received frame; several may be open at once (a
// client that reconnects before the old conversation is gone).
//
// Plain non-blocking sockets watched through FdWatch, so that a fleet of sensors in one
// process costs each pass of the event loop only the sockets that are ready.
#pragma once

#include <QByteArray>

#include <cstdint>
#include <string>

#include "sim/channel.h"

namespace sim {

class TcpChannel : public Channel {
public:
    // Takes over the connected socket fd.
    TcpChannel(int fd, QObject* parent);
    ~TcpChannel() override;
    // Writes at once what the socket takes; the rest waits until it is writable again.
    void Send(const QByteArray& bytes) override;
    // Closes the conversation once what was sent is out; the client sees the server end it.
    void HangUp() override;

private:
    void ready(uint32_t events);
    void readAll();
    void writePending();
    // The conversation is over: the socket closes and the channel goes.
    void end();

    int fd_ = -1;
    QByteArray pending_;  // sent but not yet taken by the socket
    bool hangUp_ = false;
};

class TcpServer : public QObject {
public:
    explicit TcpServer(Channel::FrameHandler handler, QObject* parent = nullptr);
    ~TcpServer() override;

    // Listens on 127.0.0.1:port (0 = a free port). Returns the port, or -1 with *error set.
    int Listen(uint16_t port, std::string* error);
    void Close();
    uint16_t port() const { return port_; }
    // Connections open now.
    int connections() const;

private:
    void accept();
    bool watchListener();

    int fd_ = -1;
    uint16_t port_ = 0;
    Channel::FrameHandler handler_;
};

}  // namespace sim

#include "sim/simulator.h"

#include <QPointer>
#include <QTimer>

#include "sim/pty_port.h"
#include "sim/tcp_server.h"

namespace sim {

Simulator::Simulator(QObject* parent) : QObject(parent), responder_(model_) {}

Simulator::~Simulator() { Stop(); }

int Simulator::ListenTcp(uint16_t port)
{
    if (!tcp_)
        tcp_ = new TcpServer([this](Channel& c, const ParsedFrame& f) { answer(c, f); }, this);
    return tcp_->Listen(port, &error_);
}

std::string Simulator::OpenPty(const std::string& linkPath)
{
    if (!pty_) {
        pty_ = new PtyPort(this);
        pty_->SetBaud(baud_);
        pty_->SetFrameHandler([this](Channel& c, const ParsedFrame& f) { answer(c, f); });
    }
    return pty_->Open(linkPath, &error_);
}

void Simulator::SetBaud(int baud)
{
    baud_ = baud;
    if (pty_)
        pty_->SetBaud(baud);
}

void Simulator::Stop()
{
    if (tcp_)
        tcp_->Close();
    if (pty_)
        pty_->Close();
}

uint16_t Simulator::tcpPort() const { return tcp_ ? tcp_->port() : 0; }

std::string Simulator::ptyPath() const { return pty_ ? pty_->path() : std::string(); }

int Simulator::tcpConnections() const { return tcp_ ? tcp_->connections() : 0; }

void Simulator::answer(Channel& channel, const ParsedFrame& frame)
{
    const Reply reply = responder_.Respond(frame);
    // Timed pieces use the channel as context: a conversation that ends meanwhile takes its
    // pending answers with it.
    QPointer<Channel> target(&channel);
    auto deliver = [target, reply] {
        if (!target)
            return;
        if (reply.hangUp) {
            target->HangUp();
            return;
        }
        for (size_t i = 0; i < reply.pieces.size(); ++i) {
            const QByteArray piece(reinterpret_cast<const char*>(reply.pieces[i].data()),
                                   static_cast<qsizetype>(reply.pieces[i].size()));
            if (i == 0 || reply.gapMs == 0)
                target->Send(piece);
            else
                QTimer::singleShot(static_cast<int>(i) * reply.gapMs, Qt::PreciseTimer, target.data(),
                                   [target, piece] {
                                       if (target)
                                           target->Send(piece);
                                   });
        }
    };
    if (reply.delayMs > 0)
        QTimer::singleShot(reply.delayMs, Qt::PreciseTimer, &channel, deliver);
    else
        deliver();
}

}  // namespace sim

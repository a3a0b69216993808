#include "tests/support/scripted_peer.h"

#include <QTimer>

#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include "link/frame_codec.h"

ScriptedPeer::ScriptedPeer(Transport transport) : transport_(transport)
{
    if (transport == Transport::Tcp) {
        server_.listen(QHostAddress::LocalHost, 0);
        QObject::connect(&server_, &QTcpServer::newConnection, this, [this] {
            client_ = server_.nextPendingConnection();
            QObject::connect(client_, &QTcpSocket::readyRead, this,
                             [this] { onBytes(client_->readAll()); });
        });
        return;
    }
    int slave = -1;
    char name[256] = {};
    if (openpty(&master_, &slave, name, nullptr, nullptr) != 0)
        return;
    // A fresh pseudo-terminal echoes and edits lines: make both sides raw.
    termios t{};
    tcgetattr(slave, &t);
    cfmakeraw(&t);
    tcsetattr(slave, TCSANOW, &t);
    tcgetattr(master_, &t);
    cfmakeraw(&t);
    tcsetattr(master_, TCSANOW, &t);
    ::close(slave);
    slavePath_ = name;
    fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
    notifier_ = new QSocketNotifier(master_, QSocketNotifier::Read, this);
    QObject::connect(notifier_, &QSocketNotifier::activated, this, [this] {
        char buf[4096];
        ssize_t n = ::read(master_, buf, sizeof buf);
        if (n > 0)
            onBytes(QByteArray(buf, static_cast<int>(n)));
    });
}

ScriptedPeer::~ScriptedPeer()
{
    if (client_)
        client_->abort();
    if (master_ >= 0)
        ::close(master_);
}

quint16 ScriptedPeer::port() const { return server_.serverPort(); }

std::string ScriptedPeer::ptyPath() const { return slavePath_; }

void ScriptedPeer::reply(QList<QByteArray> pieces, int gapMs) { script_.emplace_back(std::move(pieces), gapMs); }

QByteArray ScriptedPeer::Frame(uint8_t order, uint16_t info, const QByteArray& data)
{
    QByteArray frame(kHeaderSize + data.size(), '\0');
    EncodeFrame(reinterpret_cast<uint8_t*>(frame.data()), frame.size(), order, info,
                reinterpret_cast<const uint8_t*>(data.constData()), static_cast<uint16_t>(data.size()));
    return frame;
}

void ScriptedPeer::hangUp()
{
    if (client_)
        client_->disconnectFromHost();
}

void ScriptedPeer::onBytes(const QByteArray& bytes)
{
    pending_ += bytes;
    while (pending_.size() >= kHeaderSize) {
        const int length = GetLe16(reinterpret_cast<const uint8_t*>(pending_.constData()) + 4);
        if (pending_.size() < kHeaderSize + length)
            return;
        requests.push_back(pending_.left(kHeaderSize + length));
        pending_.remove(0, kHeaderSize + length);
        if (script_.empty())
            continue;
        auto [pieces, gap] = script_.front();
        script_.pop_front();
        for (int i = 0; i < pieces.size(); ++i) {
            if (gap == 0)
                send(pieces[i]);
            else
                QTimer::singleShot(gap * i, this, [this, piece = pieces[i]] { send(piece); });
        }
    }
}

void ScriptedPeer::send(const QByteArray& bytes)
{
    if (transport_ == Transport::Tcp) {
        if (client_)
            client_->write(bytes);
    } else if (master_ >= 0) {
        ssize_t n = ::write(master_, bytes.constData(), bytes.size());
        (void)n;
    }
}

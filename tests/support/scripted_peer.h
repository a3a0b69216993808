// A peer that plays the sensor with scripted replies, over TCP on loopback or over a
// pseudo-terminal, for the tests of the exchange itself: each complete request it receives is
// recorded and answered with the next scripted reply, optionally in pieces. Runs in the test's
// own event loop, so it answers while the link's waits process events.
#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QSocketNotifier>
#include <QTcpServer>
#include <QTcpSocket>

#include <deque>
#include <string>

class ScriptedPeer : public QObject {
public:
    enum class Transport { Tcp, Pty };
    explicit ScriptedPeer(Transport transport);
    ~ScriptedPeer() override;

    quint16 port() const;           // TCP: the listening port on 127.0.0.1
    std::string ptyPath() const;    // Pty: the path of the terminal's slave side

    // The next request is answered with these pieces, sent gapMs apart (0: all at once).
    // An empty list leaves the request unanswered.
    void reply(QList<QByteArray> pieces, int gapMs = 0);
    // A whole response frame: header for order/info and the data.
    static QByteArray Frame(uint8_t order, uint16_t info, const QByteArray& data = {});

    bool connected() const { return !client_.isNull(); }
    // Closes the TCP conversation from the peer's side.
    void hangUp();

    QList<QByteArray> requests;

private:
    void onBytes(const QByteArray& bytes);
    void send(const QByteArray& bytes);

    Transport transport_;
    QTcpServer server_;
    QPointer<QTcpSocket> client_;
    int master_ = -1;
    std::string slavePath_;
    QSocketNotifier* notifier_ = nullptr;
    QByteArray pending_;
    std::deque<std::pair<QList<QByteArray>, int>> script_;
};

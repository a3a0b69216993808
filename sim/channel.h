// One line into the simulated sensor (a TCP connection or the pseudo-terminal): it cuts what
// arrives into request frames and hands each to the simulator, which answers through Send.
#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>

#include <functional>

#include "sim/frame_parser.h"

namespace sim {

class Channel : public QObject {
public:
    using FrameHandler = std::function<void(Channel&, const ParsedFrame&)>;
    explicit Channel(QObject* parent = nullptr) : QObject(parent) {}

    void SetFrameHandler(FrameHandler handler) { handler_ = std::move(handler); }
    // Puts bytes on the line towards the client.
    virtual void Send(const QByteArray& bytes) = 0;
    // Ends the connection from the sensor's side, as far as the line allows.
    virtual void HangUp() = 0;

protected:
    // Called by the transport with every byte that arrives. A frame left unfinished for longer
    // than a client waits for an answer is abandoned, so a lost byte cannot shift every later
    // request.
    void Receive(const QByteArray& bytes);

private:
    static constexpr qint64 kAbandonMs = 500;
    FrameParser parser_;
    QElapsedTimer lastBytes_;
    FrameHandler handler_;
};

}  // namespace sim

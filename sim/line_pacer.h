// Holds bytes back as long as a serial line at the given baud rate would need to carry them
// (10 bits a byte: start, 8 data, stop), then hands them on. A pseudo-terminal moves bytes at
// memory speed whatever baud rate the client set, so without this the serial timing would be
// unreal. Baud 0 passes everything through at once.
#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <functional>

namespace sim {

class LinePacer : public QObject {
public:
    using Sink = std::function<void(const QByteArray&)>;
    explicit LinePacer(Sink sink, QObject* parent = nullptr);

    void SetBaud(int baud);
    int baud() const { return baud_; }
    // Queues bytes behind those still on the line.
    void Push(const QByteArray& bytes);
    // Drops what has not been delivered yet.
    void Clear();

private:
    void pump();
    int64_t nsPerByte() const;

    Sink sink_;
    int baud_ = 0;
    QByteArray queue_;
    QElapsedTimer clock_;
    int64_t lineStartNs_ = 0;  // when the first queued byte started on the line
    int64_t idleFromNs_ = 0;   // when the line finished its last byte
    QTimer timer_;
};

}  // namespace sim

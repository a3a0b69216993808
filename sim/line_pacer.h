// Holds bytes back as long as a serial line at the given baud rate would need to carry them
// (10 bits a byte: start, 8 data, stop), then hands them on. A pseudo-terminal moves bytes at
// memory speed whatever baud rate the client set, so without this the serial timing would be
// unreal. Baud 0 passes everything through at once.
//
// Bytes go on in chunks of at most a millisecond of line time, and the last byte of a burst is
// handed on when it would have arrived, to within tens of microseconds: at 921600 baud a
// whole exchange takes 0.6 ms, so waking on the event loop's millisecond timers alone would
// add more than the line itself.
#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QSocketNotifier>
#include <QTimer>

#include <functional>

namespace sim {

class LinePacer : public QObject {
public:
    using Sink = std::function<void(const QByteArray&)>;
    explicit LinePacer(Sink sink, QObject* parent = nullptr);
    ~LinePacer() override;

    void SetBaud(int baud);
    int baud() const { return baud_; }
    // Queues bytes behind those still on the line.
    void Push(const QByteArray& bytes);
    // Drops what has not been delivered yet.
    void Clear();

private:
    void pump();
    // Hands on the bytes whose time has come; returns the nanoseconds until the next are due,
    // 0 when nothing is queued.
    int64_t deliverDue();
    int64_t nsPerByte() const;
    // Calls pump() after ns nanoseconds: a timerfd where there is one, else a QTimer.
    void wakeIn(int64_t ns);
    void stopWake();
    bool waking() const;

    Sink sink_;
    int baud_ = 0;
    QByteArray queue_;
    QElapsedTimer clock_;
    int64_t lineStartNs_ = 0;  // when the first queued byte started on the line
    int64_t idleFromNs_ = 0;   // when the line finished its last byte
    QTimer timer_;
    int wakeFd_ = -1;
    QSocketNotifier* wakeNotifier_ = nullptr;
    bool wakeArmed_ = false;
};

}  // namespace sim

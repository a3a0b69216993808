#include "sim/line_pacer.h"

#include <algorithm>

namespace sim {

LinePacer::LinePacer(Sink sink, QObject* parent) : QObject(parent), sink_(std::move(sink))
{
    clock_.start();
    timer_.setSingleShot(true);
    // A coarse timer may fire 5 % late; at 9600 baud that is a byte's worth.
    timer_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer_, &QTimer::timeout, this, [this] { pump(); });
}

void LinePacer::SetBaud(int baud) { baud_ = std::max(baud, 0); }

int64_t LinePacer::nsPerByte() const { return baud_ > 0 ? 10'000'000'000LL / baud_ : 0; }

void LinePacer::Push(const QByteArray& bytes)
{
    if (bytes.isEmpty())
        return;
    if (baud_ == 0) {
        sink_(bytes);
        return;
    }
    if (queue_.isEmpty())
        lineStartNs_ = std::max<int64_t>(clock_.nsecsElapsed(), idleFromNs_);
    queue_ += bytes;
    if (!timer_.isActive())
        pump();
}

void LinePacer::Clear()
{
    queue_.clear();
    timer_.stop();
}

void LinePacer::pump()
{
    if (queue_.isEmpty())
        return;
    const int64_t perByte = nsPerByte();
    if (perByte == 0) {  // the rate was switched off meanwhile
        const QByteArray all = queue_;
        queue_.clear();
        sink_(all);
        return;
    }
    const int64_t now = clock_.nsecsElapsed();
    const int64_t done = std::min<int64_t>(queue_.size(), std::max<int64_t>(0, (now - lineStartNs_) / perByte));
    if (done > 0) {
        const QByteArray chunk = queue_.left(static_cast<int>(done));
        queue_.remove(0, static_cast<int>(done));
        lineStartNs_ += done * perByte;
        idleFromNs_ = lineStartNs_;
        // The sink may push more (an answer to what it just got); the queue is consistent here.
        sink_(chunk);
    }
    if (queue_.isEmpty())
        return;
    // Wake when the next byte is through, at least a millisecond on (the timer's resolution).
    const int64_t nextNs = lineStartNs_ + perByte - clock_.nsecsElapsed();
    timer_.start(static_cast<int>(std::max<int64_t>(1, (nextNs + 999'999) / 1'000'000)));
}

}  // namespace sim

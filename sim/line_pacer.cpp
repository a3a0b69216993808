#include "sim/line_pacer.h"

#include <algorithm>

#ifdef __linux__
#include <sys/prctl.h>
#include <sys/timerfd.h>
#include <unistd.h>
#endif

namespace sim {

namespace {
// The part of a wait spent watching the clock rather than sleeping.
constexpr int64_t kSpinNs = 150'000;
}  // namespace

LinePacer::LinePacer(Sink sink, QObject* parent) : QObject(parent), sink_(std::move(sink))
{
    clock_.start();
    timer_.setSingleShot(true);
    // A coarse timer may fire 5 % late; at 9600 baud that is a byte's worth.
    timer_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer_, &QTimer::timeout, this, [this] { pump(); });
#ifdef __linux__
    // Linux lets a thread's timers fire up to 50 us late by default, to batch wake-ups; two
    // such delays per exchange are a sixth of an exchange's line time at 921600 baud.
    ::prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
    wakeFd_ = ::timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
    if (wakeFd_ >= 0) {
        wakeNotifier_ = new QSocketNotifier(wakeFd_, QSocketNotifier::Read, this);
        QObject::connect(wakeNotifier_, &QSocketNotifier::activated, this, [this] {
            uint64_t expirations = 0;
            const ssize_t n = ::read(wakeFd_, &expirations, sizeof expirations);
            (void)n;
            wakeArmed_ = false;
            pump();
        });
    }
#endif
}

LinePacer::~LinePacer()
{
#ifdef __linux__
    delete wakeNotifier_;
    if (wakeFd_ >= 0)
        ::close(wakeFd_);
#endif
}

void LinePacer::wakeIn(int64_t ns)
{
    // A wake-up from a timer comes tens of microseconds late on a busy machine, a sizeable part
    // of an exchange at the fastest rates. The timer therefore only brings us close, and pump()
    // waits out the last stretch.
    ns -= kSpinNs;
#ifdef __linux__
    if (wakeFd_ >= 0) {
        itimerspec when{};
        when.it_value.tv_sec = static_cast<time_t>(ns / 1'000'000'000);
        when.it_value.tv_nsec = static_cast<long>(ns % 1'000'000'000);
        wakeArmed_ = ::timerfd_settime(wakeFd_, 0, &when, nullptr) == 0;
        if (wakeArmed_)
            return;
    }
#endif
    timer_.start(static_cast<int>((ns + 999'999) / 1'000'000));
}

void LinePacer::stopWake()
{
#ifdef __linux__
    if (wakeFd_ >= 0 && wakeArmed_) {
        itimerspec never{};
        ::timerfd_settime(wakeFd_, 0, &never, nullptr);
        wakeArmed_ = false;
    }
#endif
    timer_.stop();
}

bool LinePacer::waking() const { return wakeArmed_ || timer_.isActive(); }

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
    if (!waking())
        pump();
}

void LinePacer::Clear()
{
    queue_.clear();
    stopWake();
}

void LinePacer::pump()
{
    // Short stretches are waited out here, with the clock in hand, and the bytes handed on
    // directly: a round through the event loop would cost as much as a byte at 921600 baud.
    while (const int64_t ns = deliverDue()) {
        if (ns > kSpinNs) {
            wakeIn(ns);
            return;
        }
        const int64_t until = clock_.nsecsElapsed() + ns;
        while (clock_.nsecsElapsed() < until) {
        }
    }
}

int64_t LinePacer::deliverDue()
{
    if (queue_.isEmpty())
        return 0;
    const int64_t perByte = nsPerByte();
    if (perByte == 0) {  // the rate was switched off meanwhile
        const QByteArray all = queue_;
        queue_.clear();
        sink_(all);
        return 0;
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
        return 0;
    // Wake when the burst is through, or after a millisecond of line time if that is sooner,
    // so that long answers still arrive piece by piece as on a real line.
    const int64_t afterNs = clock_.nsecsElapsed();
    const int64_t burstEndNs = lineStartNs_ + static_cast<int64_t>(queue_.size()) * perByte;
    const int64_t nextByteNs = lineStartNs_ + perByte;
    const int64_t wakeNs = std::max(nextByteNs, std::min(burstEndNs, afterNs + 1'000'000));
    return std::max<int64_t>(1, wakeNs - afterNs);
}

}  // namespace sim

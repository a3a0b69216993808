#include "platform/runtime.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QPointer>
#include <QSocketNotifier>
#include <QThread>
#include <QTimer>

#include <cstring>
#include <map>
#include <mutex>
#include <utility>
#include <vector>

#ifdef __linux__
#include <sys/timerfd.h>
#include <unistd.h>
#endif

namespace {

QCoreApplication* app = nullptr;
bool quitRequested = false;
int quitCode = 0;

// Wakes the dispatcher at a wait's deadline. One precise timer serves every wait, so a wait
// allocates nothing; the 3.0 s exchange limits need Qt::PreciseTimer to stay within a
// millisecond.
QTimer* deadlineTimer()
{
    static QTimer* timer = [] {
        auto* t = new QTimer(app);
        t->setSingleShot(true);
        t->setTimerType(Qt::PreciseTimer);
        QObject::connect(t, &QTimer::timeout, [] {});
        return t;
    }();
    return timer;
}

#ifdef __linux__
// Qt's timers count in milliseconds, but a serial wait at 921600 baud is over in a tenth of one:
// waits shorter than a few milliseconds wake through a timerfd instead, which the dispatcher
// watches like any descriptor and which fires to the microsecond.
class PreciseWake {
public:
    PreciseWake()
    {
        fd_ = ::timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
        if (fd_ < 0)
            return;
        notifier_ = new QSocketNotifier(fd_, QSocketNotifier::Read, app);
        QObject::connect(notifier_, &QSocketNotifier::activated, [this] {
            uint64_t expirations = 0;
            const ssize_t n = ::read(fd_, &expirations, sizeof expirations);
            (void)n;
            armed_ = false;
        });
    }
    // False when there is no timerfd; the caller then uses the millisecond timer.
    bool Arm(double seconds)
    {
        if (fd_ < 0)
            return false;
        itimerspec when{};
        const long long ns = seconds <= 0 ? 1 : static_cast<long long>(seconds * 1e9);
        when.it_value.tv_sec = static_cast<time_t>(ns / 1'000'000'000);
        when.it_value.tv_nsec = static_cast<long>(ns % 1'000'000'000);
        armed_ = ::timerfd_settime(fd_, 0, &when, nullptr) == 0;
        return armed_;
    }
    void Disarm()
    {
        // Setting a timer costs a system call (and in a virtual machine an exit), so one that
        // fired and was read is left alone.
        if (!armed_)
            return;
        armed_ = false;
        itimerspec never{};
        // Setting the timer also clears an expiry not yet read, so it cannot wake the next wait.
        ::timerfd_settime(fd_, 0, &never, nullptr);
    }

private:
    int fd_ = -1;
    bool armed_ = false;
    QSocketNotifier* notifier_ = nullptr;
};

PreciseWake& preciseWake()
{
    static PreciseWake wake;
    return wake;
}

constexpr double kPreciseWakeBelow = 0.005;
#endif

}  // namespace

int InitRunTimeWithoutWindow(int argc, char** argv)
{
    if (app)
        return 1;
    if (QCoreApplication::instance()) {
        app = QCoreApplication::instance();
        return 1;
    }
    // QCoreApplication keeps references to argc and argv for its whole life.
    static int storedArgc = argc;
    app = new QCoreApplication(storedArgc, argv);
    return 1;
}

int RunUserInterface()
{
    // Our own loop instead of QApplication::exec(): exec() forgets an exit() that came before
    // it, and exit() would also end every nested modal loop that is open at that moment.
    while (!quitRequested)
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    quitRequested = false;
    return quitCode;
}

int QuitUserInterface(int code)
{
    quitRequested = true;
    quitCode = code;
    if (auto* dispatcher = QAbstractEventDispatcher::instance())
        dispatcher->wakeUp();
    return 0;
}

int ProcessSystemEvents()
{
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    return 0;
}

namespace {
bool busyPolling = false;
}

void SetBusyPollingForBenchmark(bool on) { busyPolling = on; }

void WaitSystemEvents(double seconds)
{
    if (!app)
        return;
    if (busyPolling) {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        return;
    }
#ifdef __linux__
    if (seconds < kPreciseWakeBelow && preciseWake().Arm(seconds)) {
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
        preciseWake().Disarm();
        return;
    }
#endif
    int ms = seconds <= 0 ? 0 : static_cast<int>(seconds * 1000.0 + 0.999);
    QTimer* timer = deadlineTimer();
    timer->start(ms);
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    timer->stop();
}

void PostDelayedCall(double seconds, void (*fn)())
{
    if (!app || !fn)
        return;
    const int ms = seconds <= 0 ? 0 : static_cast<int>(seconds * 1000.0 + 0.5);
    // Callers mostly post a function again only after its call (the live loop's refresh, many
    // times a second): a timer kept for it is started again, rather than a one-shot timer
    // made, registered and deleted later every time. A post while that timer runs gets a
    // one-shot timer of its own, so that every post still makes one call.
    static std::map<void (*)(), QPointer<QTimer>>& kept = *new std::map<void (*)(), QPointer<QTimer>>;
    QPointer<QTimer>& timer = kept[fn];
    if (!timer) {
        timer = new QTimer(app);
        timer->setSingleShot(true);
        timer->setTimerType(Qt::CoarseTimer);
        QObject::connect(timer, &QTimer::timeout, app, fn);
    }
    if (timer->isActive())
        QTimer::singleShot(ms, Qt::CoarseTimer, app, fn);
    else
        timer->start(ms);
}

namespace {

// Calls posted from other threads, in the order they came. Only the first of a burst posts an
// event: a fleet's thousand file ends wake the loop a few times, not a thousand.
struct PostedCalls {
    std::mutex mutex;
    std::vector<std::pair<void (*)(void*), void*>> calls;
};

// Never destroyed: a writer's thread that ends its file while the program exits may still
// post.
PostedCalls& postedCalls()
{
    static PostedCalls& posted = *new PostedCalls;
    return posted;
}

void runPostedCalls()
{
    std::vector<std::pair<void (*)(void*), void*>> due;
    {
        std::lock_guard lock(postedCalls().mutex);
        due.swap(postedCalls().calls);
    }
    for (const auto& [fn, data] : due)
        fn(data);
}

}  // namespace

void PostCallFromAnyThread(void (*fn)(void* data), void* data)
{
    // A queued call is an event posted to app's thread, which wakes its dispatcher; posting is
    // safe from any thread. app is set once, before any other thread could call this.
    if (!app || !fn)
        return;
    bool first = false;
    {
        std::lock_guard lock(postedCalls().mutex);
        first = postedCalls().calls.empty();
        postedCalls().calls.emplace_back(fn, data);
    }
    if (first)
        QMetaObject::invokeMethod(
            app, [] { runPostedCalls(); }, Qt::QueuedConnection);
}

void SetAlarm(double seconds, void (*fn)())
{
    static void (*alarmFn)() = nullptr;
    static QTimer* alarm = nullptr;
    if (!app)
        return;
    if (!alarm) {
        alarm = new QTimer(app);
        alarm->setSingleShot(true);
        alarm->setTimerType(Qt::PreciseTimer);
        QObject::connect(alarm, &QTimer::timeout, [] {
            if (void (*f)() = alarmFn) {
                alarmFn = nullptr;
                f();
            }
        });
    }
    alarmFn = fn;
    if (!fn) {
        alarm->stop();
        return;
    }
    alarm->start(seconds <= 0 ? 0 : static_cast<int>(seconds * 1000.0 + 0.999));
}

void YieldProcessor() { QThread::yieldCurrentThread(); }

double Timer()
{
    static QElapsedTimer clock = [] {
        QElapsedTimer c;
        c.start();
        return c;
    }();
    return static_cast<double>(clock.nsecsElapsed()) * 1e-9;
}

namespace {
double sleepScale = 1.0;
}

void SetSleepScale(double factor) { sleepScale = factor > 0 ? factor : 0.0; }

void Sleep(unsigned ms)
{
    const double scaled = static_cast<double>(ms) * sleepScale;
    if (scaled >= 1.0)
        QThread::msleep(static_cast<unsigned long>(scaled));
}

int GetProjectDir(char* dir, size_t cap)
{
    if (cap == 0)
        return -1;
    QByteArray path = QDir::toNativeSeparators(QCoreApplication::applicationDirPath()).toUtf8();
    size_t n = std::min(static_cast<size_t>(path.size()), cap - 1);
    std::memcpy(dir, path.constData(), n);
    dir[n] = '\0';
    return 0;
}

int GetFileInfo(const char* path, long* size)
{
    QFileInfo info(QString::fromUtf8(path));
    if (!info.exists() || info.isDir())
        return 0;
    if (size)
        *size = static_cast<long>(info.size());
    return 1;
}

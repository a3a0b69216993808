#include "platform/runtime.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QThread>
#include <QTimer>

#include <cstring>

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
    int ms = seconds <= 0 ? 0 : static_cast<int>(seconds * 1000.0 + 0.999);
    QTimer* timer = deadlineTimer();
    timer->start(ms);
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    timer->stop();
}

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

#include "platform/termination.h"

#include <QApplication>
#include <QSocketNotifier>
#include <QTimer>
#include <QWidget>

#include "platform/widgets.h"

#ifdef Q_OS_UNIX

#include <csignal>

#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};

// A signal handler may only do async-signal-safe things: it writes a byte into a pipe that the
// event loop watches, and gives the signals back their default, so that a second one ends the
// program however stuck it is.
int signalPipe[2] = {-1, -1};

void OnSignal(int)
{
    const char byte = 1;
    ssize_t n = ::write(signalPipe[1], &byte, 1);
    (void)n;
    for (int s : kSignals)
        std::signal(s, SIG_DFL);
}

// Closes the innermost modal pop-up as its window's close button would (each pop-up takes that
// as its Escape answer); its exec() returns once the event loop runs again.
void DismissPopups()
{
    if (QWidget* popup = QApplication::activeModalWidget())
        popup->close();
}

}  // namespace

int CloseOnTerminationSignal(int panel)
{
    if (!qApp || signalPipe[0] >= 0)
        return -1;
    if (::pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return -1;
    auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, qApp);
    QObject::connect(notifier, &QSocketNotifier::activated, qApp, [notifier, panel] {
        notifier->setEnabled(false);
        // The close callback runs now, inside whatever is waiting; it stores the settings and
        // asks the event loop to end. Pop-ups are dismissed from the loop, one per pass, for as
        // long as the program still runs, also those that the ending operation opens itself.
        if (QWidget* window = PanelWidget(panel))
            window->close();
        auto* dismisser = new QTimer(qApp);
        QObject::connect(dismisser, &QTimer::timeout, qApp, DismissPopups);
        dismisser->start(50);
        DismissPopups();
    });
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    for (int s : kSignals)
        sigaction(s, &action, nullptr);
    return 0;
}

#else

int CloseOnTerminationSignal(int) { return -1; }

#endif

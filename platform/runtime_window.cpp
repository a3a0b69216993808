// Starting the run-time with windows: the QApplication, and the pop-ups as dialogs.
#include <QApplication>
#include <QFileInfo>

#include "platform/popups.h"
#include "platform/runtime.h"

int InitRunTime(int argc, char** argv)
{
    if (QCoreApplication::instance()) {
        if (!qobject_cast<QApplication*>(QCoreApplication::instance()))
            return 0;
    } else {
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
        // Without a display Qt would abort the process; the caller reports the failure instead.
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY") &&
            qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
            return 0;
#endif
        // QApplication keeps references to argc and argv for its whole life.
        static int storedArgc = argc;
        auto* app = new QApplication(storedArgc, argv);
        app->setQuitOnLastWindowClosed(false);
        // Named after the real program file, whatever link started it: the name picks the
        // user's configuration folder (platform/user_dirs.h).
        QCoreApplication::setApplicationName(
            QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName());
    }
    platform_internal::InstallDialogPopups();
    return InitRunTimeWithoutWindow(argc, argv);
}

// Every suite runs the real Qt widgets on the offscreen platform, inside one application.
#include <gtest/gtest.h>

#include <QDir>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <cstdlib>

#include "platform/runtime.h"
#include "ui/window_seams.h"

// LeakSanitizer reads this before main: leaks inside system libraries (tests/lsan.supp) are not
// ours to report. Unused in builds without the sanitizer.
extern "C" const char* __lsan_default_options() { return "suppressions=" DIROR_LSAN_SUPPRESSIONS; }

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    if (!std::getenv("XDG_RUNTIME_DIR")) {
        const QString dir = QDir::temp().filePath(QString("diror-runtime-%1").arg(getuid()));
        QDir().mkpath(dir);
        QFile::setPermissions(dir, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        setenv("XDG_RUNTIME_DIR", dir.toLocal8Bit().constData(), 1);
    }
    // Every read from a sensor is kept in the user's data folder: a run of the tests keeps its
    // own, removed at the end, and never adds to the real one.
    QTemporaryDir userData;
    if (userData.isValid())
        setenv("XDG_DATA_HOME", userData.path().toLocal8Bit().constData(), 1);
    if (!InitRunTime(argc, argv))
        return 2;
    InitWindowSeams();
    return RUN_ALL_TESTS();
}

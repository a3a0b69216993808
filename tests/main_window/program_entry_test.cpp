// The program itself, started as a process: it ends with -1 and shows no window when its
// user-interface file is missing or broken, or when there is no display to show it on.
#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

namespace {

// Copies the program into a fresh folder with `uiContent` as its user-interface file (none when
// null) and runs it. Returns its exit code as a signed byte, or 1000 when it did not end.
int RunProgram(const char* uiContent, bool withDisplay = true)
{
    QTemporaryDir dir;
    const QString program = dir.filePath("chromix5_vantage");
    if (!QFile::copy(DIROR_PROGRAM, program))
        return 2000;
    if (uiContent) {
        QFile ui(dir.filePath("Chromix5VantageV10.ui"));
        ui.open(QIODevice::WriteOnly);
        ui.write(uiContent);
    }
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("DISPLAY");
    env.remove("WAYLAND_DISPLAY");
    if (withDisplay)
        env.insert("QT_QPA_PLATFORM", "offscreen");
    else
        env.remove("QT_QPA_PLATFORM");
    process.setProcessEnvironment(env);
    process.start(program, {});
    if (!process.waitForFinished(20000)) {
        process.kill();
        process.waitForFinished();
        return 1000;
    }
    return static_cast<signed char>(process.exitCode());
}

}  // namespace

TEST(ProgramEntry, MissingUserInterfaceFileEndsWithMinusOne) { EXPECT_EQ(-1, RunProgram(nullptr)); }

TEST(ProgramEntry, BrokenUserInterfaceFileEndsWithMinusOne)
{
    EXPECT_EQ(-1, RunProgram("<ui version=\"4.0\"><widget class=\"QWidget\" name=\"x\">"));
    EXPECT_EQ(-1, RunProgram("\x01\x02 not a user-interface file at all"));
}

TEST(ProgramEntry, WithoutADisplayEndsWithMinusOne)
{
    QFile ui(QString(DIROR_PROGRAM).section('/', 0, -2) + "/Chromix5VantageV10.ui");
    ASSERT_TRUE(ui.open(QIODevice::ReadOnly));
    EXPECT_EQ(-1, RunProgram(ui.readAll().constData(), false));
}

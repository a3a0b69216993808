// The program itself, started as a process: it ends with -1 and shows no window when its
// user-interface file is missing or broken, or when there is no display to show it on, and
// says so in one line; --help and --version answer in one line without a window.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTcpServer>
#include <QTemporaryDir>

#include <algorithm>
#include <csignal>
#include <string>

namespace {

// What the program wrote, for the cases that check it.
struct Output {
    std::string out;
    std::string err;
};

// Copies the program into a fresh folder with `uiContent` as its user-interface file (none when
// null) and runs it. Returns its exit code as a signed byte, or 1000 when it did not end.
int RunProgram(const char* uiContent, bool withDisplay = true, const QStringList& args = {},
               Output* output = nullptr)
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
    process.start(program, args);
    if (!process.waitForFinished(20000)) {
        process.kill();
        process.waitForFinished();
        return 1000;
    }
    if (output) {
        output->out = process.readAllStandardOutput().toStdString();
        // Only the program's own lines: the run-time's warnings on a virtual screen aside.
        for (const QByteArray& line : process.readAllStandardError().split('\n'))
            if (line.startsWith("chromix5_vantage"))
                output->err += line.toStdString() + "\n";
    }
    return static_cast<signed char>(process.exitCode());
}

}  // namespace

TEST(ProgramEntry, MissingUserInterfaceFileEndsWithMinusOne)
{
    Output output;
    EXPECT_EQ(-1, RunProgram(nullptr, true, {}, &output));
    EXPECT_NE(std::string::npos, output.err.find("cannot load the user-interface file")) << output.err;
    EXPECT_NE(std::string::npos, output.err.find("Chromix5VantageV10.ui")) << output.err;
    EXPECT_EQ(1, std::count(output.err.begin(), output.err.end(), '\n')) << output.err;
}

TEST(ProgramEntry, BrokenUserInterfaceFileEndsWithMinusOne)
{
    EXPECT_EQ(-1, RunProgram("<ui version=\"4.0\"><widget class=\"QWidget\" name=\"x\">"));
    EXPECT_EQ(-1, RunProgram("\x01\x02 not a user-interface file at all"));
}

TEST(ProgramEntry, WithoutADisplayEndsWithMinusOne)
{
    QFile ui(QString(DIROR_PROGRAM).section('/', 0, -2) + "/Chromix5VantageV10.ui");
    ASSERT_TRUE(ui.open(QIODevice::ReadOnly));
    Output output;
    EXPECT_EQ(-1, RunProgram(ui.readAll().constData(), false, {}, &output));
    EXPECT_EQ("chromix5_vantage " DIROR_VERSION
              ": no display to show the window on (neither DISPLAY nor WAYLAND_DISPLAY is set); "
              "start it in a desktop session.\n",
              output.err);
}

TEST(ProgramEntry, HelpAndVersionAnswerInOneLineWithoutADisplay)
{
    Output output;
    EXPECT_EQ(0, RunProgram(nullptr, false, {"--version"}, &output));
    EXPECT_EQ("chromix5_vantage " DIROR_VERSION " (CHROMIX5 VANTAGE Diror V1.0)\n", output.out);
    for (const char* option : {"--help", "-h"}) {
        EXPECT_EQ(0, RunProgram(nullptr, false, {option}, &output));
        EXPECT_EQ(0u, output.out.rfind("Usage: chromix5_vantage [--help | --version]", 0)) << output.out;
        EXPECT_EQ(1, std::count(output.out.begin(), output.out.end(), '\n'));
    }
}

// Installed, the program is started through a link in the PATH and ended by the session: it must
// find its files beside its real location and keep its settings there as on a close. It tries
// the address of its settings file; the test's listener tells when it got that far, and then the
// program has a pop-up open to be dismissed by the signal too.
TEST(ProgramEntry, StartedThroughALinkItUsesItsRealFolderAndATermSignalKeepsTheSettings)
{
    QTcpServer listener;
    ASSERT_TRUE(listener.listen(QHostAddress::LocalHost));
    QTemporaryDir real, path;
    const QString programDir = QString(DIROR_PROGRAM).section('/', 0, -2);
    for (const char* name : {"chromix5_vantage", "Chromix5VantageV10.ui", "logoKX.bmp"})
        ASSERT_TRUE(QFile::copy(programDir + "/" + name, real.filePath(name))) << name;
    ASSERT_TRUE(QFile::link(real.filePath("chromix5_vantage"), path.filePath("chromix5_vantage")));
    QFile settings(real.filePath("PanelSettings.cfg"));
    ASSERT_TRUE(settings.open(QIODevice::WriteOnly));
    settings.write(QString("[GENERAL INFO]\r\nFILE TYPE: = \"Panel Settings\"\r\n\r\n"
                           "[GENERAL SETTINGS]\r\nSELECTED LANGUAGE = 3\r\n\r\n"
                           "[COMMUNICATION SETTINGS]\r\nCOMPROTOCOL = 1\r\nIP ADRESS = \"127.0.0.1\"\r\n"
                           "PORT NUMBER = \"%1\"\r\n\r\n")
                       .arg(listener.serverPort())
                       .toUtf8());
    settings.close();

    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    // Under the sanitizers: the system libraries' own leaks at exit are not this test's subject.
    env.insert("ASAN_OPTIONS", "detect_leaks=0");
    process.setProcessEnvironment(env);
    process.start(path.filePath("chromix5_vantage"), {});
    ASSERT_TRUE(process.waitForStarted(20000));
    const bool connected = listener.waitForNewConnection(60000);
    ::kill(static_cast<pid_t>(process.processId()), SIGTERM);
    const bool ended = process.waitForFinished(60000);
    if (!ended) {
        process.kill();
        process.waitForFinished();
    }
    ASSERT_TRUE(connected);
    ASSERT_TRUE(ended);
    EXPECT_EQ(QProcess::NormalExit, process.exitStatus());
    EXPECT_EQ(0, process.exitCode());

    ASSERT_TRUE(settings.open(QIODevice::ReadOnly));
    const QByteArray kept = settings.readAll();
    EXPECT_TRUE(kept.contains("MAINPANEL FULLSCREEN = ")) << kept.constData();
    EXPECT_TRUE(kept.contains("SELECTED LANGUAGE = 3\r\n"));
    EXPECT_TRUE(kept.contains(QString("PORT NUMBER = \"%1\"").arg(listener.serverPort()).toUtf8()));
    EXPECT_EQ(QStringList{"chromix5_vantage"},
              QDir(path.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System));
}

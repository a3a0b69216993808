// chromix5_sim as the README starts it: a separate process that prints where it listens,
// answers the link on loopback and on its pseudo-terminal, and ends cleanly on SIGTERM.
#include <gtest/gtest.h>

#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <string>

#include "link/frame.h"
#include "link/link_state.h"
#include "link/transports.h"
#include "platform/rs232.h"
#include "platform/runtime.h"
#include "platform/tcp.h"
#include "tests/support/panels_fixture.h"

namespace {

class SimProgramTest : public PanelsTest {
protected:
    void TearDown() override
    {
        if (TcpHandle)
            DisconnectFromTCPServer(TcpHandle);
        TcpHandle = 0;
        CloseCom(11);
        SetComPortDevice(11, nullptr);
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished(3000);
        }
        PanelsTest::TearDown();
    }
    // Reads stdout until a line matches; returns its first capture.
    QString WaitForLine(const QString& pattern)
    {
        const QRegularExpression re(pattern);
        for (int i = 0; i < 50; ++i) {
            while (process.canReadLine()) {
                const QString line = QString::fromUtf8(process.readLine()).trimmed();
                const auto match = re.match(line);
                if (match.hasMatch())
                    return match.captured(1);
            }
            process.waitForReadyRead(100);
        }
        return {};
    }
    QProcess process;
};

}  // namespace

TEST_F(SimProgramTest, AnswersOnLoopbackAndThePtyLinkAndEndsCleanlyOnSigterm)
{
    QTemporaryDir dir;
    const QString link = dir.filePath("sensor");
    process.start(CHROMIX5_SIM_PATH, {"--tcp", "0", "--pty-link", link, "--edition", "2", "--serial",
                                      "4711", "--target", "bright", "--log"});
    ASSERT_TRUE(process.waitForStarted(5000));
    const int port = WaitForLine("^tcp 127\\.0\\.0\\.1:(\\d+)$").toInt();
    ASSERT_GT(port, 0);
    ASSERT_FALSE(WaitForLine("^pty (\\S+) linked from").isEmpty());

    Protocol = kProtocolTcp;
    ASSERT_EQ(0, ConnectToTCPServerEx(&TcpHandle, static_cast<unsigned>(port), "127.0.0.1", ClientTCPCB,
                                      nullptr, 5000, 0));
    FillTxBuf(7, 0, 0);
    ASSERT_EQ(1, DataExchange(8));
    EXPECT_EQ(4711, RespInfo);
    EXPECT_EQ(0, std::string(reinterpret_cast<char*>(RxBuf + 8)).rfind("CHROMIX5 KR V1.", 0));
    EXPECT_EQ("order 7 info 0 len 0 -> order 7 info 4711 len 72", WaitForLine("^(order 7 .*)$").toStdString());

    Protocol = kProtocolRs232;
    ComPort = 11;
    SetComPortDevice(11, link.toLocal8Bit().constData());
    ASSERT_EQ(0, OpenComConfig(11, "", 115200, 0, 8, 1, 1024, 1024));
    FillTxBuf(8, 0, 0);
    ASSERT_EQ(1, DataExchange(8));
    EXPECT_EQ(40, RespLength);

    process.terminate();
    ASSERT_TRUE(process.waitForFinished(5000));
    EXPECT_EQ(QProcess::NormalExit, process.exitStatus());
    EXPECT_EQ(0, process.exitCode());
    EXPECT_FALSE(QFileInfo::exists(link)) << "the link is removed on exit";
}

TEST_F(SimProgramTest, BadOptionEndsWithAMessage)
{
    process.start(CHROMIX5_SIM_PATH, {"--edition", "9"});
    ASSERT_TRUE(process.waitForFinished(5000));
    EXPECT_EQ(2, process.exitCode());
    EXPECT_EQ("chromix5_sim: --edition: expected 1, 2, 3 or unsupported, got '9'\n",
              process.readAllStandardError().toStdString());
}

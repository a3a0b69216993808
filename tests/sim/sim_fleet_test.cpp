// chromix5_sim --count: one process playing a fleet of independent sensors, talked to at once
// over real sockets and pseudo-terminals.
#include <gtest/gtest.h>

#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <cstring>
#include <map>
#include <string>
#include <vector>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

#include "link/frame_codec.h"
#include "sim/fleet.h"

namespace {

// One raw conversation: blocking, with a receive time-out so that a missing answer fails the
// test instead of hanging it.
class RawLine {
public:
    ~RawLine()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    bool ConnectTcp(int port)
    {
        fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_port = htons(static_cast<uint16_t>(port));
        to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        timeval wait{5, 0};
        ::setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
        return fd_ >= 0 && ::connect(fd_, reinterpret_cast<sockaddr*>(&to), sizeof to) == 0;
    }
    bool OpenSerial(const std::string& path)
    {
        fd_ = ::open(path.c_str(), O_RDWR | O_NOCTTY);
        termios t{};
        if (fd_ < 0 || tcgetattr(fd_, &t) != 0)
            return false;
        cfmakeraw(&t);
        t.c_cc[VMIN] = 0;
        t.c_cc[VTIME] = 50;  // tenths of a second
        return tcsetattr(fd_, TCSANOW, &t) == 0;
    }
    bool Send(uint8_t order, uint16_t info, const std::vector<uint8_t>& payload = {})
    {
        uint8_t frame[kFrameBufferSize];
        const size_t n = EncodeFrame(frame, sizeof frame, order, info, payload.data(),
                                     static_cast<uint16_t>(payload.size()));
        return ::write(fd_, frame, n) == static_cast<ssize_t>(n);
    }
    // One answer; false when it does not come or its header is damaged.
    bool Receive(FrameHeader* header, std::vector<uint8_t>* data)
    {
        uint8_t head[kHeaderSize];
        if (!readAll(head, sizeof head) || !DecodeHeader(head, header))
            return false;
        data->resize(header->length);
        return readAll(data->data(), data->size());
    }

private:
    bool readAll(uint8_t* to, size_t count)
    {
        while (count > 0) {
            const ssize_t n = ::read(fd_, to, count);
            if (n <= 0)
                return false;
            to += n;
            count -= static_cast<size_t>(n);
        }
        return true;
    }
    int fd_ = -1;
};

class SimFleetTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        if (process.state() != QProcess::NotRunning) {
            process.terminate();
            if (!process.waitForFinished(5000))
                process.kill();
        }
    }
    // Starts the program and collects its "sensor i: ..." lines until there are count of them.
    std::vector<QString> StartFleet(const QStringList& args, int count)
    {
        process.start(CHROMIX5_SIM_PATH, args);
        std::vector<QString> lines;
        const QRegularExpression sensorLine("^sensor (\\d+): (.*)$");
        for (int i = 0; i < 300 && static_cast<int>(lines.size()) < count; ++i) {
            if (!process.canReadLine())
                process.waitForReadyRead(100);
            while (process.canReadLine()) {
                const QString line = QString::fromUtf8(process.readLine()).trimmed();
                const auto match = sensorLine.match(line);
                if (match.hasMatch() && match.captured(1).toInt() == static_cast<int>(lines.size()))
                    lines.push_back(match.captured(2));
            }
            if (process.state() == QProcess::NotRunning)
                break;
        }
        EXPECT_EQ(count, static_cast<int>(lines.size())) << process.readAllStandardError().toStdString();
        return lines;
    }
    QProcess process;
};

}  // namespace

// A thousand sensors, every one connected and asked at once: each answers with its own serial
// number, a fault reaches only the sensors it names, and a parameter written to one stays there.
TEST_F(SimFleetTest, AThousandSensorsAnswerAtOnceEachWithItsOwnSerialStateAndFaults)
{
    constexpr int kCount = 1000;
    ASSERT_GE(sim::RaiseOpenFileLimit(), kCount + 64);
    const std::vector<QString> lines =
        StartFleet({"--tcp", "0", "--count", QString::number(kCount), "--serial", "5000", "--noise", "0",
                    "--fault", "8:status2@1,998-999"},
                   kCount);
    ASSERT_EQ(kCount, static_cast<int>(lines.size()));

    std::vector<RawLine> sensors(kCount);
    const QRegularExpression described("^serial number (\\d+), tcp 127\\.0\\.0\\.1:(\\d+)$");
    for (int i = 0; i < kCount; ++i) {
        const auto match = described.match(lines[i]);
        ASSERT_TRUE(match.hasMatch()) << lines[i].toStdString();
        ASSERT_EQ(5000 + i, match.captured(1).toInt());
        ASSERT_TRUE(sensors[i].ConnectTcp(match.captured(2).toInt())) << "sensor " << i;
    }

    // Every request goes out before any answer is read: the one event loop serves them all.
    FrameHeader header;
    std::vector<uint8_t> data;
    for (RawLine& sensor : sensors)
        ASSERT_TRUE(sensor.Send(7, 0));
    for (int i = 0; i < kCount; ++i) {
        ASSERT_TRUE(sensors[i].Receive(&header, &data)) << "sensor " << i;
        ASSERT_EQ(7, header.order);
        ASSERT_EQ(5000 + i, header.info);
    }
    for (RawLine& sensor : sensors)
        ASSERT_TRUE(sensor.Send(8, 0));
    for (int i = 0; i < kCount; ++i) {
        ASSERT_TRUE(sensors[i].Receive(&header, &data)) << "sensor " << i;
        const bool faulty = i == 1 || i >= 998;
        EXPECT_EQ(faulty ? 0 : 8, header.order) << "sensor " << i;
        EXPECT_EQ(faulty ? 0u : 40u, data.size()) << "sensor " << i;
    }

    // POWER 777 into sensor 0's RAM (POWER MODE 0, so that it is not regulated away).
    ASSERT_TRUE(sensors[0].Send(2, 0));
    ASSERT_TRUE(sensors[0].Receive(&header, &data));
    ASSERT_EQ(34u, data.size());
    const std::vector<uint8_t> defaults = data;
    data[0] = 777 & 0xFF;
    data[1] = 777 >> 8;
    data[2] = data[3] = 0;
    ASSERT_TRUE(sensors[0].Send(1, 0, data));
    ASSERT_TRUE(sensors[0].Receive(&header, &data));
    ASSERT_EQ(0, header.info) << "no value reset";
    for (int i : {0, 1, 999}) {
        ASSERT_TRUE(sensors[i].Send(2, 0));
        ASSERT_TRUE(sensors[i].Receive(&header, &data));
        EXPECT_EQ(i == 0 ? 777 : GetLe16(defaults.data()), GetLe16(data.data())) << "sensor " << i;
    }
}

// On pseudo-terminals the links are numbered from the path's trailing number, as the COM port
// links /tmp/chromix5-com241 to 255 are; each link reaches its own sensor, and the links go
// when the program ends.
TEST_F(SimFleetTest, PseudoTerminalLinksAreNumberedAndRemovedOnExit)
{
    QTemporaryDir dir;
    const std::string base = dir.filePath("com241").toStdString();
    const std::vector<QString> lines =
        StartFleet({"--pty-link", QString::fromStdString(base), "--count", "3", "--serial", "40"}, 3);
    ASSERT_EQ(3u, lines.size());
    for (int i = 0; i < 3; ++i) {
        const std::string link = dir.filePath(QString("com%1").arg(241 + i)).toStdString();
        EXPECT_TRUE(lines[i].endsWith(QString::fromStdString(" linked from " + link))) << lines[i].toStdString();
        RawLine line;
        ASSERT_TRUE(line.OpenSerial(link)) << link;
        FrameHeader header;
        std::vector<uint8_t> data;
        ASSERT_TRUE(line.Send(7, 0));
        ASSERT_TRUE(line.Receive(&header, &data)) << link;
        EXPECT_EQ(40 + i, header.info);
    }
    process.terminate();
    ASSERT_TRUE(process.waitForFinished(5000));
    EXPECT_EQ(0, process.exitCode());
    for (int i = 0; i < 3; ++i)
        EXPECT_FALSE(QFileInfo::exists(dir.filePath(QString("com%1").arg(241 + i))));
}

TEST(SimFleetOptions, FleetsThatCannotBeNumberedAreRefused)
{
    const std::vector<std::pair<std::vector<const char*>, std::string>> cases = {
        {{"--count", "0"}, "--count: expected 1..10000, got '0'"},
        {{"--tcp", "65000", "--count", "600"}, "--count 600 from port 65000 goes past port 65535"},
        {{"--serial", "65500", "--count", "40"}, "--count 40 from serial number 65500 goes past 65535"},
        {{"--fault", "8:late@3", "--count", "3"}, "fault '8:late@3': expected sensor indexes or ranges from 0 to 2, got '3'"},
        {{"--count", "5", "--fault", "8:late@4-2"}, "fault '8:late@4-2': expected sensor indexes or ranges from 0 to 4, got '4-2'"},
        {{"--fault", "8:late@"}, "fault '8:late@': no sensor after '@'"},
    };
    for (const auto& [args, message] : cases) {
        std::vector<const char*> argv = {"chromix5_sim"};
        argv.insert(argv.end(), args.begin(), args.end());
        sim::Options o;
        std::string error;
        EXPECT_FALSE(sim::ParseOptions(static_cast<int>(argv.size()), argv.data(), &o, &error));
        EXPECT_EQ(message, error);
    }
    EXPECT_EQ("/tmp/s7", sim::NumberedPath("/tmp/s", 7, 9));
    EXPECT_EQ("/tmp/com250", sim::NumberedPath("/tmp/com241", 9, 15));
    EXPECT_EQ("/tmp/com241", sim::NumberedPath("/tmp/com241", 0, 1));
}

// Whatever a peer sends, through a real loopback socket, into the exchange: the TCP callback
// stores it, DataExchange waits for it, GetHeaderFrame checks it (and skips answers to other
// requests), GetDataFrame checks the data.
//
// The input is a series of answers, one per request: a 16-bit little-endian length, then that
// many bytes (fewer when the input ends). The peer sends each answer when a request arrives and
// closes the conversation when the link has sent nothing more for a moment, so a wait that an
// answer leaves unsatisfied ends at once instead of at its time limit.
#include <QByteArray>
#include <QCoreApplication>
#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <vector>

#include "link/crc8.h"
#include "link/frame.h"
#include "link/link_state.h"
#include "link/transports.h"
#include "link/sensor_context.h"
#include "params/program_state.h"
#include "platform/runtime.h"
#include "platform/tcp.h"

namespace {

// The requests of the program's orders, asked in turn: identification, live data, both block
// reads, the scan counts, the EEPROM load and store.
struct Request {
    int order;
    int info;
};
constexpr Request kRequests[] = {{7, 0}, {8, 0}, {2, 0}, {2, 2}, {105, 0}, {4, 0}, {3, 0}};
constexpr int kMaxAnswers = 8;
constexpr int kQuietMs = 20;

std::vector<QByteArray> answersFrom(const uint8_t* data, size_t size)
{
    std::vector<QByteArray> answers;
    size_t at = 0;
    while (at + 2 <= size && answers.size() < kMaxAnswers) {
        size_t n = data[at] | (data[at + 1] << 8);
        at += 2;
        if (n > size - at)
            n = size - at;
        answers.emplace_back(reinterpret_cast<const char*>(data + at), static_cast<qsizetype>(n));
        at += n;
    }
    return answers;
}

QTcpServer& server()
{
    static QTcpServer* s = [] {
        auto* listening = new QTcpServer;
        if (!listening->listen(QHostAddress::LocalHost, 0))
            std::abort();
        return listening;
    }();
    return *s;
}

void check(bool condition)
{
    if (!condition)
        __builtin_trap();
}

// What the caller may rely on after an exchange.
void checkResult(int result, const Request& request)
{
    check(RxCount >= 0 && RxCount <= kFrameBufferSize);
    if (result != 1)
        return;
    check(RespLength <= kMaxPayload);
    check(RespOrder == 0 || RespOrder == request.order);
    // An answer without data ends after its header: there is no data frame whose CRC to check.
    if (RespLength > 0)
        check(Crc8(RxBuf + kHeaderSize, RespLength) == RespDataCrc);
    for (int i = kHeaderSize + RespLength; i < kFrameBufferSize; ++i)
        check(RxBuf[i] == 0);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    static QCoreApplication app(*argc, *argv);
    server();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (!QCoreApplication::instance()) {
        static int argc = 1;
        static char name[] = "link_exchange_fuzz";
        static char* argvStore[] = {name, nullptr};
        char** argv = argvStore;
        LLVMFuzzerInitialize(&argc, &argv);
    }
    const std::vector<QByteArray> answers = answersFrom(data, size);

    Protocol = kProtocolTcp;
    std::strcpy(IpAddress, "127.0.0.1");
    TcpPort = server().serverPort();
    InitTCP_IP();
    if (OpenStatus < 0 || !server().waitForNewConnection(1000))
        __builtin_trap();
    QTcpSocket* peer = server().nextPendingConnection();

    // Every 8 bytes that arrive are one request (none of them carries a payload).
    size_t answered = 0;
    qint64 received = 0;
    QTimer quiet;
    quiet.setSingleShot(true);
    quiet.setInterval(kQuietMs);
    QObject::connect(&quiet, &QTimer::timeout, peer, [peer] { peer->disconnectFromHost(); });
    QObject::connect(peer, &QTcpSocket::readyRead, peer, [&] {
        received += peer->readAll().size();
        while (received >= kHeaderSize) {
            received -= kHeaderSize;
            if (answered < answers.size())
                peer->write(answers[answered]);
            ++answered;
        }
        peer->flush();
        quiet.start();
    });

    for (size_t i = 0; i < answers.size() && TcpConnected; ++i) {
        const Request& request = kRequests[i % std::size(kRequests)];
        SensorConnected = 1;
        FillTxBuf(request.order, request.info, 0);
        const int result = DataExchange(kHeaderSize);
        checkResult(result, request);
        if (result != 1)
            break;
    }

    quiet.stop();
    if (TcpConnected)
        DisconnectFromTCPServer(TcpHandle);
    TcpConnected = 0;
    TcpHandle = 0;
    peer->disconnect();
    peer->abort();
    delete peer;
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return 0;
}

#include "link/transports.h"

#include <cstring>

#include "link/frame.h"
#include "link/link_notify.h"
#include "link/open_causes.h"
#include "platform/rs232.h"
#include "platform/runtime.h"
#include "platform/tcp.h"

namespace {

constexpr int kConnectTimeoutMs = 5000;
constexpr long kBaudRates[] = {9600, 19200, 38400, 57600, 115200, 230400, 460800, 921600};

void serialDiscard(SensorContext& c)
{
    FlushInQ(c.comPort);
    FlushOutQ(c.comPort);
}

void serialWrite(SensorContext& c, const uint8_t* data, unsigned count)
{
    ComWrt(c.comPort, reinterpret_cast<const char*>(data), count);
}

void serialPoll(SensorContext& c)
{
    const int n = GetInQLen(c.comPort);
    c.rxCount = n < 0 ? 0 : n;
}

void serialWaitForData(SensorContext& c, int32_t target, int32_t expected, double seconds)
{
    WaitForComInput(c.comPort, target, seconds, expected);
}

bool serialTake(SensorContext& c, uint8_t* dest, int count)
{
    c.comErrorMask = GetComStat(c.comPort);
    if (c.comErrorMask < 0)
        c.comErrorMask = 0;
    return ComRd(c.comPort, reinterpret_cast<char*>(dest), count) >= count;
}

void serialDiscardInput(SensorContext& c) { FlushInQ(c.comPort); }

bool never(SensorContext&) { return false; }

// The device counts the bytes (platform/rs232.h): the callback comes when the whole header, or
// the whole data, is in, not for every piece of it.
void serialWatch(SensorContext& c, int32_t need)
{
    InstallComCallback(c.comPort, need < 1 ? 1 : need, SerialInputCB, &c);
}

void serialUnwatch(SensorContext& c) { InstallComCallback(c.comPort, 0, nullptr, nullptr); }

void serialTakeArrived(SensorContext& c) { SerialInputCB(c.comPort, &c); }

// Whatever the conversation holds before a request goes out is an answer nobody waits for any
// more (a late one, or the excess of an oversized one); left there, the callback would feed it
// to the next answer. Bounded, so that a peer that never stops sending cannot keep the request
// from going out. Whether the conversation was up is noted: a server that closes it during the
// exchange has been reported by the TCP callback already, and waiting out the time limit would
// only report the same failure a second time.
void tcpDiscard(SensorContext& c)
{
    c.tcpUpAtRequest = c.tcpConnected != 0;
    uint8_t scratch[512];
    for (int pass = 0; pass < 256; ++pass)
        if (ClientTCPRead(c.tcpHandle, scratch, sizeof scratch, 0) <= 0)
            break;
    c.rxCount = 0;
}

void tcpWrite(SensorContext& c, const uint8_t* data, unsigned count)
{
    ClientTCPWrite(c.tcpHandle, data, count, 2000);
}

void nothing(SensorContext&) {}

void nothingToWatch(SensorContext&, int32_t) {}

void tcpWaitForData(SensorContext&, int32_t, int32_t, double seconds) { WaitSystemEvents(seconds); }

bool nothingToTake(SensorContext&, uint8_t*, int) { return false; }

bool tcpClosedDuringExchange(SensorContext& c) { return c.tcpUpAtRequest && c.tcpConnected == 0; }

}  // namespace

const LinkTransport SerialTransport{serialDiscard, serialWrite,        serialPoll, serialWaitForData,
                                    serialTake,    serialDiscardInput, never,      serialWatch,
                                    serialUnwatch, serialTakeArrived};
const LinkTransport TcpTransport{tcpDiscard,    tcpWrite, nothing,                 tcpWaitForData,
                                 nothingToTake, nothing,  tcpClosedDuringExchange, nothingToWatch,
                                 nothing,       nothing};

const LinkTransport& TransportOf(const SensorContext& c)
{
    return c.protocol == kProtocolRs232 ? SerialTransport : TcpTransport;
}

const char* Rs232ErrorText(int code)
{
    switch (code) {
    case -1: return "Unknown system error";
    case -2: return "Invalid port number";
    case -3: return "Port is not open";
    case -4: return "Unknown I/0 error";
    case -6: return "No serial port found";
    case -7: return "Cannot open port";
    case -14: return "Invalid Baudrate";
    case -99: return "Timeout";
    default: return "RS-232 error!";
    }
}

const char* TcpErrorText(int code)
{
    static constexpr const char* kTexts[] = {
        "UnableToRegisterService",   "UnableToEstablishConnection", "ExistingServer",
        "FailedToConnect",           "ServerNotRegistered",         "TooManyConversations",
        "ReadFailed",                "WriteFailed",                 "InvalidParameter",
        "OutOfMemory",               "TimeOutError",                "NoConnectionEstablished",
        "GeneralIOErr",              "ConnectionClosed",            "UnableToLoadWinsockDLL",
        "IncorrectWinsockDLLVersion", "NetworkSubsystemNotReady",   "ConnectionsStillOpen",
        "DisconnectPending",         "InfoNotAvailable",
    };
    if (code <= -1 && code >= -20)
        return kTexts[-code - 1];
    return "Connection to server failed";
}

void CloseOpenComPort(SensorContext& c)
{
    if (c.openComPort != 0)
        CloseCom(c.openComPort);
    c.openComPort = 0;
}

void CloseOpenComPort() { CloseOpenComPort(DefaultSensor()); }

void InitRS232(SensorContext& c)
{
    c.acquisitionRunning = 0;
    CloseOpenComPort(c);
    CloseCom(c.comPort);
    const long baud = c.baudRateIndex < 8 ? kBaudRates[c.baudRateIndex] : 115200;
    ComOpenFailure failure;
    c.openStatus = OpenComConfig(c.comPort, "", baud, 0, 8, 1, 1024, 1024, &failure);
    if (c.openStatus >= 0) {
        c.openComPort = c.comPort;
        SetComTime(c.comPort, 2.0);
        FlushInQ(c.comPort);
        FlushOutQ(c.comPort);
        SetCTSMode(c.comPort, 0);
        return;
    }
    FormatMsg(c, "%s", Rs232ErrorText(c.openStatus));
    SetTimeoutWithCause(c, SerialOpenCauseLine(failure).c_str());
}

void InitRS232() { InitRS232(DefaultSensor()); }

namespace {

void reportTcpOpenFailure(SensorContext& c, const TcpConnectFailure& failure)
{
    FormatMsg(c, "%s", TcpErrorText(c.openStatus));
    SetTimeoutWithCause(
        c, TcpOpenCauseLine(failure, c.ipAddress, c.portNumberText, c.tcpPort, kConnectTimeoutMs).c_str());
    c.tcpHandle = 0;
    c.tcpConnected = 0;
}

void endTcpAttempt(SensorContext& c)
{
    if (c.tcpHandle != 0 && !c.tcpConnected)  // an attempt under way: its end is never told
        c.operationDone = nullptr;
    if (c.tcpHandle != 0)
        DisconnectFromTCPServer(c.tcpHandle);
    c.tcpHandle = 0;
    c.tcpConnected = 0;
}

void tcpAttemptEnded(int result, unsigned handle, const TcpConnectFailure& failure, void* data)
{
    SensorContext& c = *static_cast<SensorContext*>(data);
    const ExchangeDone done = c.operationDone;
    c.operationDone = nullptr;
    c.openStatus = result;
    if (result >= 0) {
        c.tcpHandle = handle;
        c.tcpConnected = 1;
    } else {
        reportTcpOpenFailure(c, failure);
    }
    if (done)
        done(c, result >= 0 ? 1 : -1);
}

}  // namespace

void InitTCP_IP(SensorContext& c)
{
    endTcpAttempt(c);
    NotifyBusy(c, 1);
    unsigned handle = 0;
    TcpConnectFailure failure;
    c.openStatus = ConnectToTCPServerEx(&handle, static_cast<unsigned>(c.tcpPort), c.ipAddress, ClientTCPCB,
                                        &c, kConnectTimeoutMs, 0, &failure);
    NotifyBusy(c, 0);
    if (c.openStatus >= 0) {
        c.tcpHandle = handle;
        c.tcpConnected = 1;
        return;
    }
    reportTcpOpenFailure(c, failure);
}

int InitTCP_IPAsync(SensorContext& c, ExchangeDone done)
{
    endTcpAttempt(c);
    unsigned handle = 0;
    TcpConnectFailure failure;
    c.openStatus = ConnectToTCPServerAsync(&handle, static_cast<unsigned>(c.tcpPort), c.ipAddress, ClientTCPCB,
                                           &c, kConnectTimeoutMs, tcpAttemptEnded, &failure);
    if (c.openStatus < 0) {
        reportTcpOpenFailure(c, failure);
        return -1;
    }
    // Not yet connected: the handle is the attempt's, which closing the link gives up.
    c.tcpHandle = handle;
    c.operationDone = done;
    return 1;
}

void InitTCP_IP() { InitTCP_IP(DefaultSensor()); }

#include "link/transports.h"

#include <cstring>

#include "link/frame.h"
#include "link/link_notify.h"
#include "link/link_state.h"
#include "link/open_causes.h"
#include "params/program_state.h"
#include "platform/rs232.h"
#include "platform/runtime.h"
#include "platform/tcp.h"

namespace {

constexpr int kConnectTimeoutMs = 5000;
constexpr long kBaudRates[] = {9600, 19200, 38400, 57600, 115200, 230400, 460800, 921600};

// The port OpenComConfig last opened, 0 for none. The COM port selector may show another
// number by the time the port is closed.
int openComPort = 0;

// Whether the TCP conversation was up when the current request went out. A server that closes
// it during the exchange has been reported by the TCP callback already; waiting out the time
// limit would only report the same failure a second time.
bool tcpUpAtRequest = false;

void serialDiscard()
{
    FlushInQ(ComPort);
    FlushOutQ(ComPort);
}

void serialWrite(const uint8_t* data, unsigned count)
{
    ComWrt(ComPort, reinterpret_cast<const char*>(data), count);
}

void serialPoll()
{
    const int n = GetInQLen(ComPort);
    RxCount = n < 0 ? 0 : n;
}

void serialWaitForData(int32_t target, int32_t expected, double seconds)
{
    WaitForComInput(ComPort, target, seconds, expected);
}

bool serialTake(uint8_t* dest, int count)
{
    ComErrorMask = GetComStat(ComPort);
    if (ComErrorMask < 0)
        ComErrorMask = 0;
    return ComRd(ComPort, reinterpret_cast<char*>(dest), count) >= count;
}

void serialDiscardInput() { FlushInQ(ComPort); }

void serialDropAnswer(int32_t) { std::memset(RxBuf, 0, sizeof RxBuf); }

bool never() { return false; }

// Whatever the conversation holds before a request goes out is an answer nobody waits for any
// more (a late one, or the excess of an oversized one); left there, the callback would put it
// at the start of the next answer. Reading also lets the socket deliver what the system holds,
// part of which the callback may take into RxBuf. Bounded, so that a peer that never stops
// sending cannot keep the request from going out.
void tcpDiscard()
{
    tcpUpAtRequest = TcpConnected != 0;
    uint8_t scratch[512];
    for (int pass = 0; pass < 256; ++pass) {
        RxCount = 0;
        const int n = ClientTCPRead(TcpHandle, scratch, sizeof scratch, 0);
        if (n <= 0 && RxCount == 0)
            break;
    }
    std::memset(RxBuf, 0, sizeof RxBuf);
    RxCount = 0;
}

// RxCount counts every byte since the request, so what follows the dropped answer is there.
void tcpDropAnswer(int32_t frameSize)
{
    const int32_t rest = RxCount > frameSize ? RxCount - frameSize : 0;
    std::memmove(RxBuf, RxBuf + frameSize, static_cast<size_t>(rest));
    std::memset(RxBuf + rest, 0, sizeof RxBuf - static_cast<size_t>(rest));
    RxCount = rest;
}

void tcpWrite(const uint8_t* data, unsigned count) { ClientTCPWrite(TcpHandle, data, count, 2000); }

void nothing() {}

void tcpWaitForData(int32_t, int32_t, double seconds) { WaitSystemEvents(seconds); }

bool alreadyInRxBuf(uint8_t*, int) { return true; }

bool tcpClosedDuringExchange() { return tcpUpAtRequest && TcpConnected == 0; }

}  // namespace

const LinkTransport SerialTransport{serialDiscard, serialWrite,        serialPoll,       serialWaitForData, false,
                                    serialTake,    serialDiscardInput, serialDropAnswer, never,             0};
const LinkTransport TcpTransport{tcpDiscard,     tcpWrite, nothing,       tcpWaitForData,          true,
                                 alreadyInRxBuf, nothing,  tcpDropAnswer, tcpClosedDuringExchange, kHeaderSize};

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

void CloseOpenComPort()
{
    if (openComPort != 0)
        CloseCom(openComPort);
    openComPort = 0;
}

void InitRS232()
{
    AcquisitionRunning = 0;
    CloseOpenComPort();
    CloseCom(ComPort);
    const long baud = BaudRateIndex < 8 ? kBaudRates[BaudRateIndex] : 115200;
    OpenStatus = OpenComConfig(ComPort, "", baud, 0, 8, 1, 1024, 1024);
    if (OpenStatus >= 0) {
        openComPort = ComPort;
        SetComTime(ComPort, 2.0);
        FlushInQ(ComPort);
        FlushOutQ(ComPort);
        SetCTSMode(ComPort, 0);
        return;
    }
    FormatMsg("%s", Rs232ErrorText(OpenStatus));
    SetTimeoutWithCause(SerialOpenCauseLine(GetComOpenFailure()).c_str());
}

void InitTCP_IP()
{
    if (TcpConnected) {
        DisconnectFromTCPServer(TcpHandle);
        TcpHandle = 0;
        TcpConnected = 0;
    }
    NotifyBusy(1);
    unsigned handle = 0;
    OpenStatus = ConnectToTCPServerEx(&handle, static_cast<unsigned>(TcpPort), IpAddress, ClientTCPCB,
                                      nullptr, kConnectTimeoutMs, 0);
    NotifyBusy(0);
    if (OpenStatus >= 0) {
        TcpHandle = handle;
        TcpConnected = 1;
        return;
    }
    FormatMsg("%s", TcpErrorText(OpenStatus));
    SetTimeoutWithCause(
        TcpOpenCauseLine(GetTCPConnectFailure(), IpAddress, PortNumberText, TcpPort, kConnectTimeoutMs).c_str());
    TcpConnected = 0;
}

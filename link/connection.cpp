#include "link/connection.h"

#include "link/commands.h"
#include "link/exchange_async.h"
#include "link/firmware.h"
#include "link/frame.h"
#include "link/operations_async.h"
#include "link/transports.h"
#include "platform/rs232.h"
#include "platform/tcp.h"

std::string& FirmwareText = DefaultSensorContext.firmwareText;
unsigned& SerialNumber = DefaultSensorContext.serialNumber;

int32_t TcpPortFromText(const char* text)
{
    while (*text == ' ' || *text == '\t')
        ++text;
    long value = 0;
    for (; *text >= '0' && *text <= '9'; ++text) {
        value = value * 10 + (*text - '0');
        if (value > 0x7FFFFFFF)
            return 0x7FFFFFFF;
    }
    return static_cast<int32_t>(value);
}

int OpenLink(SensorContext& c)
{
    CloseOpenComPort(c);
    CloseCom(c.comPort);
    c.tcpPort = TcpPortFromText(c.portNumberText);
    if (c.protocol == kProtocolRs232)
        InitRS232(c);
    else
        InitTCP_IP(c);
    return c.openStatus < 0 ? -1 : 1;
}

int OpenLinkAsync(SensorContext& c, ExchangeDone done)
{
    if (c.protocol != kProtocolTcp || OperationUnderWay(c) || ExchangeUnderWay(c) || c.operationDone)
        return -1;
    CloseOpenComPort(c);
    CloseCom(c.comPort);
    c.tcpPort = TcpPortFromText(c.portNumberText);
    return InitTCP_IPAsync(c, done);
}

int IdentifySensor(SensorContext& c)
{
    FillTxBuf(c, kOrderIdentify, 0, 0);
    if (DataExchange(c, kHeaderSize) != 1)
        return -1;
    c.serialNumber = c.respInfo;
    // The sensor's bytes are single-byte text; everything that shows or prints the firmware
    // takes it in the program's encoding. The tokens' delimiters are the same in both.
    c.firmwareText = Cp1252ToUtf8(FirmwareTextFrom(c.rxBuf + kHeaderSize, kFirmwareTextSize));
    c.sensorEdition = 0;
    c.sensorEdition = SensorEditionOf(SplitFirmwareText(c.firmwareText));
    return c.sensorEdition == 0 ? 0 : 1;
}

void CloseLink(SensorContext& c)
{
    // The port that is open, which need not be the one comPort names by now.
    CloseOpenComPort(c);
    CloseCom(c.comPort);
    // A conversation, or a connection attempt under way (whose end is then never told).
    if (c.tcpHandle != 0 && !c.tcpConnected)
        c.operationDone = nullptr;
    if (c.tcpConnected || c.tcpHandle != 0) {
        DisconnectFromTCPServer(c.tcpHandle);
        c.tcpHandle = 0;
        c.tcpConnected = 0;
    }
}

int OpenLink() { return OpenLink(DefaultSensor()); }
int IdentifySensor() { return IdentifySensor(DefaultSensor()); }
void CloseLink() { CloseLink(DefaultSensor()); }

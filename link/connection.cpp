#include "link/connection.h"

#include "link/commands.h"
#include "link/firmware.h"
#include "link/frame.h"
#include "link/link_state.h"
#include "link/transports.h"
#include "params/program_state.h"
#include "platform/rs232.h"
#include "platform/tcp.h"

std::string FirmwareText;
unsigned SerialNumber = 0;

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

int OpenLink()
{
    CloseOpenComPort();
    CloseCom(ComPort);
    TcpPort = TcpPortFromText(PortNumberText);
    if (Protocol == kProtocolRs232)
        InitRS232();
    else
        InitTCP_IP();
    return OpenStatus < 0 ? -1 : 1;
}

int IdentifySensor()
{
    FillTxBuf(kOrderIdentify, 0, 0);
    if (DataExchange(kHeaderSize) != 1)
        return -1;
    SerialNumber = RespInfo;
    // The sensor's bytes are single-byte text; everything that shows or prints the firmware
    // takes it in the program's encoding. The tokens' delimiters are the same in both.
    FirmwareText = Cp1252ToUtf8(FirmwareTextFrom(RxBuf + kHeaderSize, kFirmwareTextSize));
    SensorEdition = 0;
    SensorEdition = SensorEditionOf(SplitFirmwareText(FirmwareText));
    return SensorEdition == 0 ? 0 : 1;
}

void CloseLink()
{
    // The port that is open, which need not be the one ComPort names by now.
    CloseOpenComPort();
    CloseCom(ComPort);
    if (TcpConnected) {
        DisconnectFromTCPServer(TcpHandle);
        TcpHandle = 0;
        TcpConnected = 0;
    }
}

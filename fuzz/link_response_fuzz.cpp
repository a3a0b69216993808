// What the sensor's answers put into the link's parsers: a response header, and the firmware
// text of the identification with its tokens and the messages built from them.
#include <cstdint>
#include <cstring>
#include <string>

#include "link/firmware.h"
#include "link/frame.h"
#include "link/frame_codec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    uint8_t header[kHeaderSize] = {};
    if (size > 0)
        std::memcpy(header, data, size < sizeof header ? size : sizeof header);
    FrameHeader h;
    if (DecodeHeader(header, &h) && h.length > kMaxPayload)
        h.length = 0;  // the exchange rejects such a header before reading anything

    const std::string text = FirmwareTextFrom(data, size);
    if (text.size() > kFirmwareTextSize)
        __builtin_trap();
    const FirmwareTokens t = SplitFirmwareText(text);
    const int edition = SensorEditionOf(t);
    if (edition < 0 || edition > 3)
        __builtin_trap();
    const std::string version = t.t1 + "." + t.t2;
    FormatMsg("%s%s%s%i%s", "Chromix5 Vantage Diror doesn't support the connected sensor! \nFirmware of connected "
              "sensor is: ", version.c_str(), "\nThe serial number is: ", 65535,
              "\n\nClose window or work in offline mode!");
    FormatMsg("%s%s%s%s", t.t1.c_str(), ".", t.t2.c_str(), t.t4.c_str());
    if (std::strlen(MsgBuf) >= sizeof MsgBuf)
        __builtin_trap();
    return 0;
}

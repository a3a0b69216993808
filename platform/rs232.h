// The run-time's serial-port operations: ports are opened and set up with QSerialPort and, on
// POSIX systems, read and written directly (platform/serial_io.h). Ports are addressed by number
// from 1, as COM ports are; see ComPortDevice for how a number maps to a device.
//
// Error codes (negative results): -1 unknown system error, -2 invalid port number, -3 port is
// not open, -4 I/O error, -6 no such serial port, -7 cannot open port, -14 invalid baud rate,
// -99 time-out.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

inline constexpr int kMaxComPort = 255;

struct ComOpenFailure;
// Opens port at the given line settings. deviceName is ignored (always "" here); parity 0 = none,
// 1 = odd, 2 = even; stopBits 1 or 2; the input queue holds inputQueueSize bytes, further bytes
// wait in the kernel. An open port is closed and reopened. Returns 0 or a negative code; then
// *failure (when given) says why. Any number of ports may be open at once.
int OpenComConfig(int port, const char* deviceName, long baudRate, int parity, int dataBits,
                  int stopBits, int inputQueueSize, int outputQueueSize,
                  ComOpenFailure* failure = nullptr);
// Closes the port; harmless when it is not open. Returns 0.
int CloseCom(int port);
// Read and write time-out in seconds for ComRd and ComWrt.
int SetComTime(int port, double timeoutSeconds);
// Hardware handshake: 0 off, otherwise RTS/CTS.
int SetCTSMode(int port, int mode);
// Discard what waits in the input or output queue (and in the driver).
int FlushInQ(int port);
int FlushOutQ(int port);
// Queues count bytes and starts writing them; returns count or a negative code.
int ComWrt(int port, const char* buffer, size_t count);
// Reads count bytes, waiting up to the port's time-out for them; returns the number read
// (fewer after a time-out) or a negative code.
int ComRd(int port, char* buffer, size_t count);
// Bytes waiting in the input queue (never more than its size), or a negative code.
int GetInQLen(int port);
// For a wait loop that wants count bytes in the input queue (counted from its last ComRd, or
// from the last ComWrt) of an answer it expects to be `expected` bytes long from there (0 or
// less than count: just count). Blocks until the whole expected answer is in, as long as it can
// still be coming at the port's baud rate (with a moment for the sensor to start); then until
// the count bytes are in. The device counts the bytes: no piece of the answer wakes the thread
// before. A block of up to 5 ms is spent outside the event loop, so that other events are
// handled that much later, when the caller processes events again; a longer block ends at any
// other event (a control, TCP, a timer), after it was handled. `seconds` bounds every block.
// The caller polls GetInQLen after processing events. A device that hung up (e.g. unplugged)
// is noted in GetComStat's mask and no longer wakes the wait. Returns 0, or -3 when the port
// is not open (after waiting as WaitSystemEvents does).
int WaitForComInput(int port, int count, double seconds, int expected = 0);
// Reads what waits in the input queue now, at most size bytes, without waiting for more;
// returns the number read (0 when nothing waits) or a negative code. A device that failed
// (unplugged, or the other end of a pseudo-terminal gone) is noted in GetComStat's mask.
int ComRdAvailable(int port, char* buffer, size_t size);

// The port's input callback: called from whatever processes events (the main loop,
// WaitSystemEvents, a modal pop-up), never inside another operation of this module, with the
// callbackData it was installed with.
using comCallbackPtr = void (*)(int port, void* callbackData);
// Asks for callback(port, callbackData) whenever at least notifyCount bytes (1 to 255; a larger
// count is taken as 255) wait in the port's input queue, or the device failed. Input is watched
// only while a callback is installed, so a port nobody awaits input on costs nothing; a null
// callback removes it, and the bytes then wait for ComRd. The callback must read what it was
// told of (ComRdAvailable) or remove itself, or it is called again at the next pass. Installing
// again replaces count, callback and data, cheaply, so a reader may raise the count as a frame
// comes in. Each port has its own; closing the port removes it. A port with a callback
// installed is not waited on with WaitForComInput as well. Returns 0, or -3 when the port is
// not open.
int InstallComCallback(int port, int notifyCount, comCallbackPtr callback, void* callbackData);

// The line error mask since the last call (non-zero after a framing, parity or overrun error,
// or a device error); clears it. Negative when the port is not open.
int GetComStat(int port);

// The device a port number stands for. Numbers 1 to 64 are /dev/ttyS0 to /dev/ttyS63, 65 to 128
// /dev/ttyUSB0 to /dev/ttyUSB63, 129 to 192 /dev/ttyACM0 to /dev/ttyACM63, 193 to 208
// /dev/ttyAMA0 to /dev/ttyAMA15, 209 to 224 /dev/rfcomm0 to /dev/rfcomm15, 225 to 240 the
// adapters under /dev/serial/by-id (see ByIdPortNumber), 241 to 255 the links
// /tmp/chromix5-com241 to /tmp/chromix5-com255 (on Windows COMn).
// A redirection set with SetComPortDevice takes precedence. Empty for numbers out of range and
// for a by-id number that no adapter present holds.
std::string ComPortDevice(int port);
// The port number of each name under /dev/serial/by-id: 225 + a hash of the name over 16
// slots, the next free slot on a clash (names taken in sorted order). An adapter thus keeps its
// number across restarts and re-plugging, whichever other adapters come and go, unless two
// present adapters clash. `names` are bare file names; returns one number per name, in order.
std::vector<int> ByIdPortNumbers(const std::vector<std::string>& names);

// What the system knows about a port that is present: its device, the device a link resolves
// to, and the USB description and serial number where it has them (empty otherwise).
struct ComPortDetails {
    std::string device;
    std::string target;  // the device a link points to; empty when it is no link
    std::string description;
    std::string serialNumber;
};
ComPortDetails GetComPortDetails(int port);

// Why an OpenComConfig failed, as the operating system reported it.
enum class ComOpenCause {
    None,
    NoDevice,          // the port number stands for no device on this system
    NoSuchDevice,      // the device file is missing (adapter unplugged, link dangling)
    PermissionDenied,  // the user may not open the device
    Busy,              // another program holds the device
    NotSerial,         // the file is no serial device
    Other,
};
struct ComOpenFailure {
    ComOpenCause cause = ComOpenCause::None;
    int port = 0;
    std::string device;
    std::string owner;        // user and group owning the device (for PermissionDenied)
    std::string group;
    bool groupMayOpen = false;  // members of `group` may read and write the device
    std::string systemText;     // the system's own words
};

// Points a port number at any device path (a pseudo-terminal in tests); an empty path removes
// the redirection.
void SetComPortDevice(int port, const char* path);

// Port numbers of the serial devices present on this machine, ascending; at most capacity are
// written to ports. Returns how many were written. The text argument is not used.
int LocateCom(const char* text, int* ports, int capacity);

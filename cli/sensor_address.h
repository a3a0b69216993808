// How the command line names a sensor:
//
//   tcp:HOST[:PORT]            TCP/IP, port 10001 when none is given; an IPv6 address in [ ]
//   serial:NUMBER[@BAUD]       a serial port by number, as the window's COM port selector counts
//   serial:DEVICE[@BAUD]       a serial device by path (/dev/ttyUSB0, a pseudo-terminal)
//
// BAUD is one of the link's eight rates (9600 to 921600), 115200 when none is given. A sensor
// list file holds one such name a line; blank lines and lines starting with '#' are skipped.
// After the name a line may give the gateway's settings for that sensor, separated by blanks:
//
//   SENSOR [name=NAME] [rate=HZ] [topic=TOPIC]
//
// NAME is a label for people (no blanks), HZ its live rate (above 0, at most 1000), TOPIC the
// MQTT topic its samples go to. The other subcommands read and ignore them.
#pragma once

#include <string>
#include <vector>

namespace cli {

struct SensorAddress {
    enum class Kind { Tcp, Serial } kind = Kind::Tcp;
    std::string text;    // as given, for result lines
    std::string host;    // Tcp
    int port = 10001;    // Tcp
    int comPort = 0;     // Serial by number (1 to 255), 0 when a device path is given
    std::string device;  // Serial by path
    int baudIndex = 4;   // Serial: 0 to 7, the link's baud-rate index
    // From a list line's extras ("" and 0 when not given).
    std::string name;
    double rate = 0;
    std::string topic;
    std::string line;    // the list line without blanks around it ("" for a name on the command line)
};

inline constexpr int kDefaultTcpPort = 10001;
inline constexpr int kDefaultBaudIndex = 4;  // 115200

// Parses one name. Returns false with a one-line reason in *error.
bool ParseSensorAddress(const std::string& text, SensorAddress* address, std::string* error);

// Parses one line of a sensor list (without blanks around it): the name and its extras.
bool ParseSensorListLine(const std::string& line, SensorAddress* address, std::string* error);

// Reads a sensor list file and appends its names. Returns false with a reason naming the file
// (and the line of a bad name) in *error.
bool ReadSensorList(const std::string& path, std::vector<SensorAddress>* addresses, std::string* error);

// The name with every character that does not belong in a file name replaced by '_'
// (tcp:10.0.0.5:10001 -> tcp_10.0.0.5_10001), for output file patterns.
std::string SensorFileTag(const SensorAddress& address);

}  // namespace cli

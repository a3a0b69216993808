#include "cli/sensor_address.h"

#include <cctype>
#include <fstream>

#include <arpa/inet.h>
#include <netinet/in.h>

namespace cli {

namespace {

constexpr size_t kMaxHostName = 253;  // the resolver's limit on a name's text
constexpr size_t kMaxHostLabel = 63;

constexpr long kBaudRates[] = {9600, 19200, 38400, 57600, 115200, 230400, 460800, 921600};

// A decimal number of at most 9 digits without sign or blanks; -1 otherwise.
long DecimalOrMinusOne(const std::string& text)
{
    if (text.empty() || text.size() > 9)
        return -1;
    long value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return -1;
        value = value * 10 + (c - '0');
    }
    return value;
}

// A name the resolver can be asked about (RFC 1123): labels of letters, digits, '-' and '_'
// of 1 to 63 characters, 253 in all (one more for a final dot). A text of digits and dots
// is meant as an IPv4 address and must be one.
bool CheckHost(const std::string& host, std::string* error)
{
    if (host.find_first_not_of("0123456789.") == std::string::npos) {
        in_addr ip4{};
        if (::inet_pton(AF_INET, host.c_str(), &ip4) != 1) {
            *error = "'" + host + "' is not an IPv4 address (four numbers from 0 to 255)";
            return false;
        }
        return true;
    }
    const size_t length = !host.empty() && host.back() == '.' ? host.size() - 1 : host.size();
    if (length > kMaxHostName) {
        *error = "host name of " + std::to_string(length) + " characters; at most " +
                 std::to_string(kMaxHostName) + " are allowed";
        return false;
    }
    size_t label = 0;
    for (size_t i = 0; i < length; ++i) {
        const char c = host[i];
        if (c == '.') {
            if (label == 0) {
                *error = "empty part between dots in the host name";
                return false;
            }
            label = 0;
            continue;
        }
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '-' && c != '_') {
            *error = "character '" + std::string(1, c) + "' does not belong in a host name";
            if (std::isspace(static_cast<unsigned char>(c)) || static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
                *error = "blank or control character in the host name";
            return false;
        }
        if (++label > kMaxHostLabel) {
            *error = "a part of the host name is longer than " + std::to_string(kMaxHostLabel) +
                     " characters";
            return false;
        }
    }
    if (label == 0) {
        *error = "empty part between dots in the host name";
        return false;
    }
    return true;
}

bool ParseTcp(const std::string& rest, SensorAddress* address, std::string* error)
{
    std::string host = rest;
    std::string port;
    const bool bracketed = !rest.empty() && rest[0] == '[';
    if (bracketed) {
        const size_t close = rest.find(']');
        if (close == std::string::npos) {
            *error = "missing ']' after the IPv6 address";
            return false;
        }
        host = rest.substr(1, close - 1);
        if (close + 1 < rest.size()) {
            if (rest[close + 1] != ':') {
                *error = "expected ':PORT' after ']'";
                return false;
            }
            port = rest.substr(close + 2);
            if (port.empty()) {
                *error = "empty port after ':'";
                return false;
            }
        }
    } else {
        const size_t colon = rest.rfind(':');
        if (colon != std::string::npos) {
            host = rest.substr(0, colon);
            port = rest.substr(colon + 1);
            if (port.empty()) {
                *error = "empty port after ':'";
                return false;
            }
        }
    }
    if (host.empty()) {
        *error = "no host name or address";
        return false;
    }
    if (bracketed) {
        in6_addr ip6{};
        if (::inet_pton(AF_INET6, host.c_str(), &ip6) != 1) {
            *error = "'" + host + "' is not an IPv6 address";
            return false;
        }
    } else if (!CheckHost(host, error)) {
        return false;
    }
    address->host = host;
    if (!port.empty()) {
        const long value = DecimalOrMinusOne(port);
        if (value < 1 || value > 65535) {
            *error = "port '" + port + "' is not a number from 1 to 65535";
            return false;
        }
        address->port = static_cast<int>(value);
    }
    return true;
}

bool ParseSerial(const std::string& rest, SensorAddress* address, std::string* error)
{
    std::string port = rest;
    const size_t at = rest.rfind('@');
    if (at != std::string::npos) {
        port = rest.substr(0, at);
        const std::string baud = rest.substr(at + 1);
        const long value = DecimalOrMinusOne(baud);
        int index = -1;
        for (int i = 0; i < 8; ++i)
            if (kBaudRates[i] == value)
                index = i;
        if (index < 0) {
            *error = "baud rate '" + baud +
                     "' is not one of 9600, 19200, 38400, 57600, 115200, 230400, 460800, 921600";
            return false;
        }
        address->baudIndex = index;
    }
    if (port.empty()) {
        *error = "no port number or device";
        return false;
    }
    const long number = DecimalOrMinusOne(port);
    if (number >= 0) {
        if (number < 1 || number > 255) {
            *error = "port number " + port + " is not from 1 to 255";
            return false;
        }
        address->comPort = static_cast<int>(number);
    } else {
        address->device = port;
    }
    return true;
}

}  // namespace

bool ParseSensorAddress(const std::string& text, SensorAddress* address, std::string* error)
{
    *address = SensorAddress{};
    address->text = text;
    std::string why;
    bool ok = false;
    if (text.rfind("tcp:", 0) == 0) {
        address->kind = SensorAddress::Kind::Tcp;
        ok = ParseTcp(text.substr(4), address, &why);
    } else if (text.rfind("serial:", 0) == 0) {
        address->kind = SensorAddress::Kind::Serial;
        ok = ParseSerial(text.substr(7), address, &why);
    } else {
        why = "a sensor is named tcp:HOST[:PORT] or serial:NUMBER|DEVICE[@BAUD]";
    }
    if (!ok)
        *error = "bad sensor '" + text + "': " + why;
    return ok;
}

bool ReadSensorList(const std::string& path, std::vector<SensorAddress>* addresses, std::string* error)
{
    std::ifstream in(path);
    if (!in) {
        *error = "cannot read the sensor list " + path;
        return false;
    }
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        // Blanks around the name and a Windows line end are not part of it.
        const size_t first = line.find_first_not_of(" \t\r");
        if (first == std::string::npos || line[first] == '#')
            continue;
        const size_t last = line.find_last_not_of(" \t\r");
        SensorAddress address;
        std::string why;
        if (!ParseSensorAddress(line.substr(first, last - first + 1), &address, &why)) {
            *error = path + ":" + std::to_string(number) + ": " + why;
            return false;
        }
        addresses->push_back(address);
    }
    if (in.bad()) {
        *error = "cannot read the sensor list " + path;
        return false;
    }
    return true;
}

std::string SensorFileTag(const SensorAddress& address)
{
    std::string tag = address.text;
    for (char& c : tag)
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '.' && c != '-')
            c = '_';
    return tag;
}

}  // namespace cli

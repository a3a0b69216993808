#include "cli/sensor_address.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
#include <sstream>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/stat.h>
#include <unistd.h>

#include "cli/mqtt_options.h"

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

namespace {

// Far beyond any plant's list (a name is a few dozen bytes); a larger file is not a sensor list.
constexpr off_t kMaxListBytes = off_t{16} * 1024 * 1024;
// Bad lines named one by one; past these only their number is told.
constexpr int kBadLinesNamed = 20;

// The whole file, if it is a regular file of at most kMaxListBytes. Opened without waiting, so
// that a FIFO or a device is refused at once instead of blocking the program.
bool ReadListFile(const std::string& path, std::string* text, std::string* error)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        *error = "cannot read the sensor list " + path + ": " + std::strerror(errno);
        return false;
    }
    struct stat st {};
    bool ok = ::fstat(fd, &st) == 0;
    if (ok && !S_ISREG(st.st_mode)) {
        *error = "the sensor list " + path + " is not a regular file";
        ok = false;
    } else if (ok && st.st_size > kMaxListBytes) {
        *error = "the sensor list " + path + " is larger than 16 MB (" + std::to_string(st.st_size) + " bytes)";
        ok = false;
    }
    char buffer[65536];
    while (ok) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 || text->size() + static_cast<size_t>(std::max<ssize_t>(n, 0)) > static_cast<size_t>(kMaxListBytes)) {
            *error = "cannot read the sensor list " + path + (n < 0 ? std::string(": ") + std::strerror(errno) : "");
            ok = false;
            break;
        }
        if (n == 0)
            break;
        text->append(buffer, static_cast<size_t>(n));
    }
    ::close(fd);
    return ok;
}

// The extras after a list line's sensor name: KEY=VALUE words separated by blanks.
bool ParseListExtras(const std::string& extras, SensorAddress* address, std::string* error)
{
    std::istringstream words(extras);
    for (std::string word; words >> word;) {
        const size_t equals = word.find('=');
        const std::string key = word.substr(0, equals == std::string::npos ? 0 : equals);
        const std::string value = equals == std::string::npos ? std::string() : word.substr(equals + 1);
        if (equals == std::string::npos || (key != "name" && key != "rate" && key != "topic")) {
            *error = "'" + word + "' after the sensor is not name=NAME, rate=HZ or topic=TOPIC";
            return false;
        }
        if (value.empty()) {
            *error = key + "= without a value";
            return false;
        }
        if (key == "name") {
            address->name = value;
        } else if (key == "rate") {
            double rate = 0;
            const auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), rate);
            if (ec != std::errc() || end != value.data() + value.size() || !std::isfinite(rate) || rate <= 0 ||
                rate > 1000) {
                *error = "rate=" + value + " is not a rate above 0 and at most 1000 Hz";
                return false;
            }
            address->rate = rate;
        } else {
            if (!IsPublishTopic(value)) {
                *error = "topic=" + value + " holds '+' or '#', or is not UTF-8";
                return false;
            }
            address->topic = value;
        }
    }
    return true;
}

}  // namespace

bool ParseSensorListLine(const std::string& line, SensorAddress* address, std::string* error)
{
    const size_t blank = line.find_first_of(" \t");
    if (!ParseSensorAddress(line.substr(0, blank), address, error) ||
        (blank != std::string::npos && !ParseListExtras(line.substr(blank), address, error)))
        return false;
    address->line = line;
    return true;
}

bool ReadSensorList(const std::string& path, std::vector<SensorAddress>* addresses, std::string* error)
{
    std::string text;
    if (!ReadListFile(path, &text, error))
        return false;
    std::istringstream in(text);
    std::string line;
    std::string bad;
    int badLines = 0;
    int number = 0;
    std::vector<SensorAddress> read;
    while (std::getline(in, line)) {
        ++number;
        // Blanks around the name and a Windows line end are not part of it.
        const size_t first = line.find_first_not_of(" \t\r");
        if (first == std::string::npos || line[first] == '#')
            continue;
        const size_t last = line.find_last_not_of(" \t\r");
        SensorAddress address;
        std::string why;
        if (!ParseSensorListLine(line.substr(first, last - first + 1), &address, &why)) {
            if (++badLines <= kBadLinesNamed)
                bad += (bad.empty() ? "" : "\n") + path + ":" + std::to_string(number) + ": " + why;
            continue;
        }
        read.push_back(std::move(address));
    }
    if (badLines > 0) {
        if (badLines > kBadLinesNamed)
            bad += "\n" + path + ": " + std::to_string(badLines - kBadLinesNamed) + " more bad lines";
        *error = bad;
        return false;
    }
    addresses->insert(addresses->end(), read.begin(), read.end());
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

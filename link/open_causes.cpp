#include "link/open_causes.h"

#include <cstdio>

namespace {

std::string quoted(const std::string& text) { return "\"" + text + "\""; }

std::string portName(int port) { return "COM" + std::to_string(port); }

// The port text without leading and trailing blanks, which the port conversion skips anyway.
std::string trimmed(const char* text)
{
    std::string s = text ? text : "";
    const size_t first = s.find_first_not_of(" \t");
    if (first == std::string::npos)
        return {};
    return s.substr(first, s.find_last_not_of(" \t") - first + 1);
}

}  // namespace

std::string SerialOpenCauseLine(const ComOpenFailure& f)
{
    const std::string where = f.device + " (" + portName(f.port) + ")";
    switch (f.cause) {
    case ComOpenCause::None: return {};
    case ComOpenCause::NoDevice:
        return portName(f.port) +
               " stands for no device on this system: choose a port that FIND COM PORTS lists.";
    case ComOpenCause::NoSuchDevice:
        return "No such device: " + where +
               " is not there. Plug in the adapter, or choose a port that FIND COM PORTS lists.";
    case ComOpenCause::PermissionDenied:
        if (f.groupMayOpen && !f.group.empty())
            return "Permission denied on " + where + ": add your user to the " + f.group +
                   " group and log in again.";
        return "Permission denied on " + where + " (owner " + (f.owner.empty() ? "?" : f.owner) +
               ", group " + (f.group.empty() ? "?" : f.group) +
               "): ask the administrator for read and write access to it.";
    case ComOpenCause::Busy:
        return "Device busy: " + where +
               " is held by another program. Close that program, then TRY TO CONNECT again.";
    case ComOpenCause::NotSerial:
        return where + " is not a serial device: choose another COM port.";
    case ComOpenCause::Other: break;
    }
    return "Cannot open " + where + ": " +
           (f.systemText.empty() ? std::string("the system gave no reason") : f.systemText) + ".";
}

std::string TcpOpenCauseLine(const TcpConnectFailure& f, const char* address, const char* portText,
                             long portNumber, int timeoutMs)
{
    const std::string host = trimmed(address);
    const std::string port = std::to_string(portNumber);
    char seconds[16];
    std::snprintf(seconds, sizeof seconds, "%g", timeoutMs / 1000.0);
    switch (f.cause) {
    case TcpConnectCause::None: return {};
    case TcpConnectCause::Refused:
        return "Connection refused: nothing listens on port " + port + " of " + host +
               ". Check the port number and that the sensor is switched on.";
    case TcpConnectCause::HostNotFound:
        return "Host not found: " + quoted(host) +
               " is no known name. Check its spelling, or enter the sensor's IP address.";
    case TcpConnectCause::NetworkUnreachable:
        return "Network unreachable: there is no route to " + host +
               ". Check the cable and the PC's network settings.";
    case TcpConnectCause::TimedOut:
        return "Timed out: " + host + " gave no answer on port " + port + " within " + seconds +
               " s. Check the address, and that no firewall blocks the port.";
    case TcpConnectCause::InvalidPort:
        return "Port number invalid: " + quoted(trimmed(portText)) +
               " is not a port from 1 to 65535. Enter the sensor's port (10001 unless it was changed).";
    case TcpConnectCause::InvalidAddress:
        return "Address invalid: " + quoted(host) +
               " is not an IP address (four numbers from 0 to 255, e.g. 192.168.0.10). Correct it "
               "and try again.";
    case TcpConnectCause::Other: break;
    }
    return "Connection failed: " +
           (f.systemText.empty() ? std::string("the system gave no reason") : f.systemText) + ".";
}

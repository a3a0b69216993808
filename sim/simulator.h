// The simulated colour sensor, ready to be talked to: the device model behind a TCP server on
// 127.0.0.1 and a pseudo-terminal. It lives in the Qt event loop of whoever creates it, so a
// test starts it in-process and the link's waits, which process events, serve its sockets.
//
//   sim::Simulator sensor;
//   int port = sensor.ListenTcp();                // 0 = a free port
//   std::string tty = sensor.OpenPty();           // SetComPortDevice(n, tty.c_str())
//   sensor.model().SetTarget(...);                // surface, edition, memories
//   sensor.faults().Add({sim::FaultKind::Late, 8, 0, 1, 3500});
//   ... exchanges ...
//   sensor.orders();                              // what arrived, in order
#pragma once

#include <QObject>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "sim/device_model.h"
#include "sim/faults.h"
#include "sim/responder.h"

namespace sim {

class Channel;
class PtyPort;
class TcpServer;

class Simulator : public QObject {
public:
    explicit Simulator(QObject* parent = nullptr);
    ~Simulator() override;

    // Listens on 127.0.0.1:port (0 = a free one). Returns the port, or -1 (see error()).
    int ListenTcp(uint16_t port = 0);
    // Creates the pseudo-terminal (and a symbolic link to it when linkPath is given). Returns
    // the slave path, or "" (see error()).
    std::string OpenPty(const std::string& linkPath = {});
    // Paces the pseudo-terminal to baud (10 bits a byte); 0 = unpaced.
    void SetBaud(int baud);
    // Closes both transports; open conversations end.
    void Stop();

    uint16_t tcpPort() const;
    std::string ptyPath() const;
    int tcpConnections() const;
    const std::string& error() const { return error_; }

    DeviceModel& model() { return model_; }
    const DeviceModel& model() const { return model_; }
    FaultPlan& faults() { return responder_.faults(); }
    const std::vector<Request>& requests() const { return responder_.requests(); }
    std::vector<uint8_t> orders() const { return responder_.orders(); }
    void ClearRequests() { responder_.ClearRequests(); }
    void SetKeepRequests(bool keep) { responder_.SetKeepRequests(keep); }
    // One line per request (see DescribeExchange).
    void SetLog(std::function<void(const std::string&)> log) { responder_.SetLog(std::move(log)); }

private:
    void answer(Channel& channel, const ParsedFrame& frame);

    DeviceModel model_;
    Responder responder_;
    TcpServer* tcp_ = nullptr;
    PtyPort* pty_ = nullptr;
    int baud_ = 0;
    std::string error_;
};

}  // namespace sim

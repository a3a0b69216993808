// The simulated sensor on a serial line: a pseudo-terminal whose slave side the tool opens as
// its COM port (by path, or through a port number redirected with SetComPortDevice), optionally
// paced to a baud rate in both directions.
//
// Both sides are made raw (a fresh pseudo-terminal echoes and edits lines). The simulator keeps
// a descriptor of the slave side open itself, so the master never reports a hang-up while no
// client has the port open and the line survives clients that come and go. A serial line
// cannot be closed from the sensor's side: HangUp drops what is under way, like a sensor that
// lost its supply.
#pragma once

#include <string>

#include "sim/channel.h"
#include "sim/line_pacer.h"

namespace sim {

class PtyPort : public Channel {
public:
    explicit PtyPort(QObject* parent = nullptr);
    ~PtyPort() override;

    // Creates the pseudo-terminal; with a link path, also a symbolic link to its slave side
    // (an existing symbolic link there is replaced; any other file is left alone and the open
    // fails). Returns the slave path, or "" with *error set.
    std::string Open(const std::string& linkPath, std::string* error);
    void Close();
    const std::string& path() const { return slavePath_; }
    const std::string& linkPath() const { return linkPath_; }

    // 0 = unpaced.
    void SetBaud(int baud);

    void Send(const QByteArray& bytes) override;
    void HangUp() override;

private:
    void readMaster();
    void writeMaster(const QByteArray& bytes);

    int master_ = -1;
    int slave_ = -1;
    std::string slavePath_;
    std::string linkPath_;
    LinePacer inbound_;
    LinePacer outbound_;
};

}  // namespace sim

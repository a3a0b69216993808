#include "sim/pty_port.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <pty.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include "sim/fd_watch.h"

namespace sim {
namespace {

bool makeRaw(int fd)
{
    termios t{};
    if (tcgetattr(fd, &t) != 0)
        return false;
    cfmakeraw(&t);
    return tcsetattr(fd, TCSANOW, &t) == 0;
}

std::string systemError(const char* what) { return std::string(what) + ": " + std::strerror(errno); }

}  // namespace

PtyPort::PtyPort(QObject* parent)
    : Channel(parent),
      inbound_([this](const QByteArray& bytes) { Receive(bytes); }, this),
      outbound_([this](const QByteArray& bytes) { writeMaster(bytes); }, this)
{
}

PtyPort::~PtyPort() { Close(); }

std::string PtyPort::Open(const std::string& linkPath, std::string* error)
{
    Close();
    char name[256] = {};
    if (openpty(&master_, &slave_, name, nullptr, nullptr) != 0) {
        if (error)
            *error = systemError("openpty");
        master_ = slave_ = -1;
        return {};
    }
    if (!makeRaw(slave_) || !makeRaw(master_)) {
        if (error)
            *error = systemError("raw mode");
        Close();
        return {};
    }
    fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
    fcntl(master_, F_SETFD, FD_CLOEXEC);
    fcntl(slave_, F_SETFD, FD_CLOEXEC);
    slavePath_ = name;
    if (!linkPath.empty()) {
        struct stat st {};
        if (lstat(linkPath.c_str(), &st) == 0) {
            if (!S_ISLNK(st.st_mode)) {
                if (error)
                    *error = linkPath + " exists and is not a symbolic link";
                Close();
                return {};
            }
            ::unlink(linkPath.c_str());
        }
        if (::symlink(name, linkPath.c_str()) != 0) {
            if (error)
                *error = systemError("symlink");
            Close();
            return {};
        }
        linkPath_ = linkPath;
    }
    if (!FdWatch::Instance().Watch(master_, [this](uint32_t) { readMaster(); })) {
        if (error)
            *error = systemError("epoll");
        Close();
        return {};
    }
    return slavePath_;
}

void PtyPort::Close()
{
    inbound_.Clear();
    outbound_.Clear();
    if (master_ >= 0)
        FdWatch::Instance().Unwatch(master_);
    if (!linkPath_.empty()) {
        ::unlink(linkPath_.c_str());
        linkPath_.clear();
    }
    if (slave_ >= 0)
        ::close(slave_);
    if (master_ >= 0)
        ::close(master_);
    master_ = slave_ = -1;
    slavePath_.clear();
}

void PtyPort::SetBaud(int baud)
{
    inbound_.SetBaud(baud);
    outbound_.SetBaud(baud);
}

void PtyPort::Send(const QByteArray& bytes) { outbound_.Push(bytes); }

void PtyPort::HangUp()
{
    inbound_.Clear();
    outbound_.Clear();
}

void PtyPort::readMaster()
{
    char buffer[4096];
    while (master_ >= 0) {
        const ssize_t n = ::read(master_, buffer, sizeof buffer);
        if (n > 0) {
            // The request travels the line too: paced, it reaches the sensor when a real line
            // would have carried its last byte.
            inbound_.Push(QByteArray(buffer, static_cast<int>(n)));
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        return;  // EAGAIN: all read. The kept slave descriptor rules out EIO.
    }
}

void PtyPort::writeMaster(const QByteArray& bytes)
{
    qsizetype done = 0;
    while (master_ >= 0 && done < bytes.size()) {
        const ssize_t n = ::write(master_, bytes.constData() + done, static_cast<size_t>(bytes.size() - done));
        if (n > 0) {
            done += n;
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        // The slave's input queue is full (nobody reads the port): the rest is lost, as on a
        // line whose receiver overflows.
        return;
    }
}

}  // namespace sim

// A listener on loopback that never answers a connection request: the connects that fail only
// by timing out, without any traffic beyond 127.0.0.1.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <vector>

// A listener on 127.0.0.1 whose accept queue is full: nothing accepts, so the kernel drops
// every further connection request and a connect can only time out.
class FullBacklogListener {
public:
    FullBacklogListener()
    {
        listener_ = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof addr;
        if (listener_ < 0 || bind(listener_, reinterpret_cast<sockaddr*>(&addr), len) != 0 ||
            listen(listener_, 0) != 0 || getsockname(listener_, reinterpret_cast<sockaddr*>(&addr), &len) != 0)
            return;
        port_ = ntohs(addr.sin_port);
        // Connect until one stays unanswered: from then on the queue is full.
        for (int i = 0; i < 16 && !full_; ++i) {
            const int fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
            if (fd < 0)
                return;
            clients_.push_back(fd);
            if (connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0)
                continue;
            if (errno != EINPROGRESS)
                return;
            pollfd p{fd, POLLOUT, 0};
            full_ = poll(&p, 1, 300) == 0;
        }
    }
    ~FullBacklogListener()
    {
        for (int fd : clients_)
            close(fd);
        if (listener_ >= 0)
            close(listener_);
    }
    bool full() const { return full_; }
    uint16_t port() const { return port_; }

private:
    int listener_ = -1;
    std::vector<int> clients_;
    uint16_t port_ = 0;
    bool full_ = false;
};

// Descriptors watched through one epoll set behind one Qt socket notifier. Qt's event
// dispatchers look at every socket notifier on every pass of the loop, which for a fleet of a
// thousand simulated sensors (two thousand descriptors) costs far more than the answers
// themselves; the kernel's epoll hands over only the descriptors that are ready, so a pass
// costs the same for one sensor as for a thousand.
//
// Level-triggered: a handler that leaves data unread is called again on the next pass. Handlers
// run from the Qt event loop and may watch and unwatch descriptors, their own included, and may
// process events (a test's log callback does): an event for a descriptor unwatched meanwhile,
// or watched anew under the same number, is dropped.
#pragma once

#include <QObject>

#include <cstdint>
#include <functional>
#include <memory>
#include <unordered_map>

class QSocketNotifier;

namespace sim {

class FdWatch : public QObject {
public:
    // Called with the epoll events (EPOLLIN, EPOLLOUT, EPOLLHUP, EPOLLERR, ...) that are ready.
    using Handler = std::function<void(uint32_t events)>;

    // The one set of the thread that runs the event loop.
    static FdWatch& Instance();

    // Watches fd for reading (and writing when writable is true). Returns false when epoll
    // refuses the descriptor.
    bool Watch(int fd, Handler handler, bool writable = false);
    // Turns the interest in writing on or off for a watched fd. Asking for what is already set
    // costs no system call, so a channel may say it after every send.
    void SetWritable(int fd, bool writable);
    // Stops watching fd; call before closing it.
    void Unwatch(int fd);

private:
    FdWatch();
    ~FdWatch() override;
    void dispatch();

    struct Entry {
        uint32_t generation;
        std::shared_ptr<Handler> handler;
        bool writable = false;
    };
    int epoll_ = -1;
    QSocketNotifier* notifier_ = nullptr;
    uint32_t nextGeneration_ = 1;
    std::unordered_map<int, Entry> entries_;
};

}  // namespace sim

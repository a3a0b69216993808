#include "sim/fd_watch.h"

#include <QSocketNotifier>

#include <cerrno>

#include <sys/epoll.h>
#include <unistd.h>

namespace sim {

namespace {

// An event's data: the descriptor and the generation of its watch, so that an event queued for
// a descriptor that was closed and reused is recognised as stale.
uint64_t tokenOf(int fd, uint32_t generation) { return static_cast<uint64_t>(generation) << 32 | static_cast<uint32_t>(fd); }

uint32_t interest(bool writable) { return EPOLLIN | EPOLLRDHUP | (writable ? EPOLLOUT : 0u); }

}  // namespace

FdWatch& FdWatch::Instance()
{
    // One per thread that runs a loop; the simulator lives in the thread that created it.
    thread_local FdWatch* watch = new FdWatch;
    return *watch;
}

FdWatch::FdWatch() : epoll_(epoll_create1(EPOLL_CLOEXEC))
{
    if (epoll_ < 0)
        return;
    notifier_ = new QSocketNotifier(epoll_, QSocketNotifier::Read, this);
    QObject::connect(notifier_, &QSocketNotifier::activated, this, [this] { dispatch(); });
}

FdWatch::~FdWatch()
{
    if (epoll_ >= 0)
        ::close(epoll_);
}

bool FdWatch::Watch(int fd, Handler handler, bool writable)
{
    if (epoll_ < 0 || fd < 0)
        return false;
    Unwatch(fd);
    const uint32_t generation = nextGeneration_++;
    epoll_event event{};
    event.events = interest(writable);
    event.data.u64 = tokenOf(fd, generation);
    if (epoll_ctl(epoll_, EPOLL_CTL_ADD, fd, &event) != 0)
        return false;
    entries_[fd] = Entry{generation, std::make_shared<Handler>(std::move(handler)), writable};
    return true;
}

void FdWatch::SetWritable(int fd, bool writable)
{
    const auto it = entries_.find(fd);
    if (it == entries_.end() || it->second.writable == writable)
        return;
    epoll_event event{};
    event.events = interest(writable);
    event.data.u64 = tokenOf(fd, it->second.generation);
    if (epoll_ctl(epoll_, EPOLL_CTL_MOD, fd, &event) == 0)
        it->second.writable = writable;
}

void FdWatch::Unwatch(int fd)
{
    const auto it = entries_.find(fd);
    if (it == entries_.end())
        return;
    epoll_ctl(epoll_, EPOLL_CTL_DEL, fd, nullptr);
    entries_.erase(it);
}

void FdWatch::dispatch()
{
    epoll_event events[256];
    const int n = epoll_wait(epoll_, events, static_cast<int>(std::size(events)), 0);
    for (int i = 0; i < n; ++i) {
        const int fd = static_cast<int>(events[i].data.u64 & 0xFFFFFFFFu);
        const uint32_t generation = static_cast<uint32_t>(events[i].data.u64 >> 32);
        const auto it = entries_.find(fd);
        if (it == entries_.end() || it->second.generation != generation)
            continue;
        // Held here: the handler may unwatch itself.
        const std::shared_ptr<Handler> handler = it->second.handler;
        (*handler)(events[i].events);
    }
}

}  // namespace sim

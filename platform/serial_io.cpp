#include "platform/serial_io.h"

#ifndef _WIN32
#include <poll.h>
#ifdef __linux__
#include <sys/prctl.h>
#endif
#include <sys/ioctl.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>

namespace serial_io {

namespace {

long long nowMs()
{
    timespec t{};
    ::clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<long long>(t.tv_sec) * 1000 + t.tv_nsec / 1'000'000;
}

enum class Ready { Yes, Deadline, Failed };

// Waits until fd is ready for `events` or the deadline passed.
Ready waitReady(int fd, short events, long long deadline)
{
    for (;;) {
        const long long left = deadline - nowMs();
        if (left <= 0)
            return Ready::Deadline;
        pollfd p{fd, events, 0};
        const int n = ::poll(&p, 1, static_cast<int>(left));
        if (n > 0)
            return p.revents & events ? Ready::Yes : Ready::Failed;  // hung up or gone
        if (n < 0 && errno != EINTR)
            return Ready::Failed;
    }
}

}  // namespace

long Available(int fd)
{
    int n = 0;
    return ::ioctl(fd, FIONREAD, &n) == 0 && n > 0 ? n : 0;
}

size_t Read(int fd, char* buffer, size_t count, int timeoutMs, bool* failed)
{
    *failed = false;
    size_t got = 0;
    long long deadline = -1;
    bool signalled = false;  // the last wait said input was there
    while (got < count) {
        const ssize_t n = ::read(fd, buffer + got, count - got);
        if (n > 0) {
            got += static_cast<size_t>(n);
            signalled = false;
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        // A terminal in raw mode without a minimum count reads 0 bytes when none are there;
        // right after the device signalled input, 0 bytes mean the end of it.
        if ((n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) || (n == 0 && signalled)) {
            *failed = true;
            break;
        }
        // The deadline is taken only when the bytes are not all there at once, as in a
        // well-timed exchange they are.
        if (deadline < 0)
            deadline = nowMs() + timeoutMs;
        const Ready ready = waitReady(fd, POLLIN, deadline);
        if (ready != Ready::Yes) {
            *failed = ready == Ready::Failed;
            break;
        }
        signalled = true;
    }
    return got;
}

size_t ReadAvailable(int fd, char* buffer, size_t size, bool* failed)
{
    *failed = false;
    size_t got = 0;
    while (got < size) {
        const ssize_t n = ::read(fd, buffer + got, size - got);
        if (n > 0) {
            got += static_cast<size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        // Nothing more waits: EAGAIN, or 0 from a terminal without a minimum count, which is
        // also what one that hung up reads; the device's own state tells them apart.
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK)
            *failed = true;
        else if (n == 0)
            *failed = HungUp(fd);
        break;
    }
    return got;
}

size_t ReadOnce(int fd, char* buffer, size_t size)
{
    for (;;) {
        const ssize_t n = ::read(fd, buffer, size);
        if (n >= 0)
            return static_cast<size_t>(n);
        if (errno != EINTR)
            return 0;
    }
}

long Write(int fd, const char* buffer, size_t count, int timeoutMs)
{
    size_t put = 0;
    long long deadline = -1;
    while (put < count) {
        const ssize_t n = ::write(fd, buffer + put, count - put);
        if (n > 0) {
            put += static_cast<size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK)
            return put > 0 ? static_cast<long>(put) : -1;
        if (deadline < 0)
            deadline = nowMs() + timeoutMs;
        if (waitReady(fd, POLLOUT, deadline) != Ready::Yes)
            break;
    }
    return static_cast<long>(put);
}

BlockEnd Block(int fd, bool watchInput, double seconds)
{
    if (seconds <= 0)
        return BlockEnd::Time;
    const long long ns = static_cast<long long>(seconds * 1e9);
    timespec span{static_cast<time_t>(ns / 1'000'000'000), static_cast<long>(ns % 1'000'000'000)};
    pollfd p{fd, POLLIN, 0};
    const int n = ::ppoll(watchInput ? &p : nullptr, watchInput ? 1 : 0, &span, nullptr);
    if (!watchInput || n <= 0)
        return BlockEnd::Time;
    return p.revents & (POLLHUP | POLLERR | POLLNVAL) ? BlockEnd::HungUp : BlockEnd::Input;
}

bool SetWakeCount(int fd, int count, int* current)
{
    count = count < 1 ? 1 : count > 255 ? 255 : count;
    if (count == *current)
        return true;
    termios t{};
    if (::tcgetattr(fd, &t) != 0)
        return false;
    // Without a time between bytes the minimum counts for readiness; reads stay non-blocking.
    t.c_cc[VMIN] = static_cast<cc_t>(count);
    t.c_cc[VTIME] = 0;
    if (::tcsetattr(fd, TCSANOW, &t) != 0)
        return false;
    *current = count;
    return true;
}

bool HungUp(int fd)
{
    pollfd p{fd, POLLIN, 0};
    return ::poll(&p, 1, 0) > 0 && (p.revents & (POLLHUP | POLLERR | POLLNVAL));
}

void SetPreciseWakeUps()
{
#ifdef __linux__
    ::prctl(PR_SET_TIMERSLACK, 1000UL, 0UL, 0UL, 0UL);
#endif
}

void Flush(int fd, bool input, bool output)
{
    // Flushing makes the driver wait for its own work queue, which costs a context switch or
    // two; a queue that the driver says is empty is left alone (as on every exchange that
    // went well).
    int queued = 0;
    if (input && ::ioctl(fd, FIONREAD, &queued) == 0 && queued == 0)
        input = false;
    if (output && ::ioctl(fd, TIOCOUTQ, &queued) == 0 && queued == 0)
        output = false;
    if (input || output)
        ::tcflush(fd, input && output ? TCIOFLUSH : input ? TCIFLUSH : TCOFLUSH);
}

}  // namespace serial_io
#endif

#include "platform/rs232.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QPointer>
#include <QSerialPort>
#include <QSerialPortInfo>
#include <QSocketNotifier>

#ifndef _WIN32
#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <map>
#include <memory>
#include <vector>

#include "platform/runtime.h"
#include "platform/serial_io.h"

namespace {

struct Port {
    std::unique_ptr<QSerialPort> serial;
    int timeoutMs = 2000;
    int errorMask = 0;
    double secondsPerByte = 10.0 / 115200;  // start, 8 data and stop bits
    double writeEnd = 0;      // Timer() when the last ComWrt's bytes are through the line
    long readSinceWrite = 0;  // bytes ComRd returned since then
    // What GetInQLen found, for the WaitForComInput that follows it at once in a wait loop
    // (a system call saved on every poll); -1 once anything else happened on the port.
    long polledWaiting = -1;
    // The input callback (InstallComCallback), its data and the count it waits for.
    comCallbackPtr inputCallback = nullptr;
    void* inputData = nullptr;
    int inputCount = 1;
#ifndef _WIN32
    int fd = -1;  // the device, read and written directly (platform/serial_io.h)
    int wakeCount = 0;  // the device's minimum count for readiness, as set last (0: as opened)
    bool hungUp = false;  // the device went away (e.g. unplugged); input cannot wake a wait
    // Wakes a wait when input arrives; enabled only while a wait wants to be woken by it.
    QPointer<QSocketNotifier> wake;
    // Tells the input callback; made when the first one is installed, enabled while one is.
    QPointer<QSocketNotifier> input;
    // Input already taken from the device, oldest first, not yet returned by a read: a poll
    // that finds input moves what the device holds here in one system call, and the reads of
    // an answer's header and data that follow need none. The input queue's size bounds it.
    // Left empty while an input callback is installed: its notifier sees only the device.
    std::vector<char> ahead;
    size_t aheadBegin = 0, aheadEnd = 0;
    // A read took from the read-ahead since the last poll: the next poll counts what is left
    // without asking the device, as a reader that takes an answer's parts in turn finds them
    // all there. A poll that follows a poll asks the device.
    bool aheadTaken = false;
#else
    QPointer<QSocketNotifier> notifier;  // the port's own read notifier, once found
    bool inputHooked = false;  // readyRead is connected to the input callback's dispatch
#endif
};

// An error of the device itself, in the mask GetComStat returns.
constexpr int kDeviceErrorBit = 1 << static_cast<int>(QSerialPort::ResourceError);

std::map<int, Port> ports;
std::map<int, std::string> redirections;

Port* openPort(int port)
{
    auto it = ports.find(port);
    if (it == ports.end() || !it->second.serial || !it->second.serial->isOpen())
        return nullptr;
    return &it->second;
}

struct DeviceRange {
    const char* prefix;
    int first;  // port number of device index 0
    int size;
};
constexpr int kFirstByIdPort = 225;
constexpr int kByIdSlots = 16;
#ifndef _WIN32
constexpr DeviceRange kRanges[] = {{"/dev/ttyS", 1, 64},     {"/dev/ttyUSB", 65, 64},
                                   {"/dev/ttyACM", 129, 64}, {"/dev/ttyAMA", 193, 16},
                                   {"/dev/rfcomm", 209, 16}};
constexpr char kByIdFolder[] = "/dev/serial/by-id";
constexpr int kFirstLinkPort = 241;
constexpr char kLinkPrefix[] = "/tmp/chromix5-com";

// The adapters under /dev/serial/by-id now, by port number.
std::map<int, std::string> byIdDevices()
{
    const QStringList names = QDir(kByIdFolder).entryList(QDir::System | QDir::Files, QDir::Name);
    std::vector<std::string> plain;
    for (const QString& n : names)
        plain.push_back(n.toStdString());
    const std::vector<int> numbers = ByIdPortNumbers(plain);
    std::map<int, std::string> devices;
    for (size_t i = 0; i < plain.size(); ++i)
        devices[numbers[i]] = std::string(kByIdFolder) + "/" + plain[i];
    return devices;
}
#endif

// The port's own read notifier: it wakes the thread for every piece of input to move it into
// the queue. QSerialPort offers no switch for it, so it is found among the port's children.
QSocketNotifier* readNotifier(QSerialPort* serial)
{
    for (QSocketNotifier* n : serial->findChildren<QSocketNotifier*>(Qt::FindDirectChildrenOnly))
        if (n->type() == QSocketNotifier::Read)
            return n;
    return nullptr;
}

#ifndef _WIN32
// The longest block WaitForComInput spends outside the event loop: events wait at most this
// long, which nobody notices, and a line at 115200 baud or faster fits an answer into it.
constexpr double kDirectBlock = 0.005;
#endif
// Drivers hand on what arrives in pieces of about a millisecond (a UART's FIFO, a USB adapter's
// latency timer), and a sensor takes a moment to start its answer: an answer due within two
// such pieces (a header at 115200 baud) is waited for by its first piece, which will mostly be
// the whole of it, rather than by a timer that would mostly wake too early.
constexpr double kSleepAtLeast = 0.002;

#ifndef _WIN32
// The read-ahead of a port opened without an input queue size.
constexpr size_t kAheadWithoutQueue = 4096;

long aheadCount(const Port& p) { return static_cast<long>(p.aheadEnd - p.aheadBegin); }

// Takes up to count bytes of the read-ahead into buffer.
size_t takeAhead(Port& p, char* buffer, size_t count)
{
    const size_t n = std::min(count, p.aheadEnd - p.aheadBegin);
    if (n > 0)
        std::memcpy(buffer, p.ahead.data() + p.aheadBegin, n);
    p.aheadBegin += n;
    p.aheadTaken = p.aheadTaken || n > 0;
    if (p.aheadBegin == p.aheadEnd)
        p.aheadBegin = p.aheadEnd = 0;
    return n;
}

// Moves what the device holds into the read-ahead, in one read, as far as there is room.
// Returns false when the read-ahead may have left some in the device.
bool readAhead(Port& p)
{
    if (p.inputCallback || p.hungUp)
        return false;
    if (p.aheadBegin > 0) {
        std::memmove(p.ahead.data(), p.ahead.data() + p.aheadBegin, p.aheadEnd - p.aheadBegin);
        p.aheadEnd -= p.aheadBegin;
        p.aheadBegin = 0;
    }
    const size_t room = p.ahead.size() - p.aheadEnd;
    if (room == 0)
        return false;
    const size_t n = serial_io::ReadOnce(p.fd, p.ahead.data() + p.aheadEnd, room);
    p.aheadEnd += n;
    return n < room;
}
#endif

// Bytes waiting to be read, as many as the input queue can take.
long inputWaiting(Port& p)
{
#ifndef _WIN32
    long waiting = aheadCount(p);
    // While a request is still on the line its answer cannot have begun: the device is not
    // asked right after every write to learn nothing. Whatever else came meanwhile is found
    // once the request is through.
    if (waiting == 0 && Timer() < p.writeEnd)
        return 0;
    if (waiting == 0 || !p.aheadTaken)
        waiting = readAhead(p) ? aheadCount(p) : aheadCount(p) + serial_io::Available(p.fd);
    p.aheadTaken = false;
#else
    const long waiting = static_cast<long>(p.serial->bytesAvailable());
#endif
    const long queueSize = static_cast<long>(p.serial->readBufferSize());
    return queueSize > 0 ? std::min(waiting, queueSize) : waiting;
}

// Records in *out (when given) why port could not be opened and returns code. The device is
// opened once more by hand, because Qt folds "no permission" and "held by another program" into
// one error.
int failed(ComOpenFailure* out, int code, int port, const std::string& device, ComOpenCause cause,
           const QSerialPort* serial = nullptr)
{
    if (!out)
        return code;
    ComOpenFailure& f = *out;
    const QString qtText = serial ? serial->errorString() : QString();
    f = ComOpenFailure{};
    f.cause = cause;
    f.port = port;
    f.device = device;
    f.systemText = qtText.toStdString();
#ifndef _WIN32
    if (cause != ComOpenCause::Other)
        return code;
    const int fd = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    const int error = errno;
    if (fd >= 0) {
        // It opens without Qt's lock file: either another program's lock stood in the way
        // (Qt calls that a permission error) or the file is no terminal at all.
        if (!isatty(fd))
            f.cause = ComOpenCause::NotSerial;
        else if (serial && serial->error() == QSerialPort::PermissionError)
            f.cause = ComOpenCause::Busy;
        ::close(fd);
        return code;
    }
    f.systemText = std::strerror(error);
    switch (error) {
    case EACCES:
    case EPERM: {
        f.cause = ComOpenCause::PermissionDenied;
        struct stat st {};
        if (::stat(device.c_str(), &st) == 0) {
            if (const group* g = ::getgrgid(st.st_gid))
                f.group = g->gr_name;
            if (const passwd* u = ::getpwuid(st.st_uid))
                f.owner = u->pw_name;
            f.groupMayOpen = (st.st_mode & (S_IRGRP | S_IWGRP)) == (S_IRGRP | S_IWGRP);
        }
        break;
    }
    case EBUSY: f.cause = ComOpenCause::Busy; break;
    case ENOENT:
    case ENODEV:
    case ENXIO: f.cause = ComOpenCause::NoSuchDevice; break;
    case EISDIR:
    case ENOTTY: f.cause = ComOpenCause::NotSerial; break;
    default: break;
    }
#endif
    return code;
}

}  // namespace

std::string ComPortDevice(int port)
{
    if (auto it = redirections.find(port); it != redirections.end())
        return it->second;
    if (port < 1 || port > kMaxComPort)
        return {};
#ifdef _WIN32
    return "COM" + std::to_string(port);
#else
    for (const DeviceRange& r : kRanges)
        if (port >= r.first && port < r.first + r.size)
            return r.prefix + std::to_string(port - r.first);
    if (port >= kFirstByIdPort && port < kFirstByIdPort + kByIdSlots) {
        const std::map<int, std::string> devices = byIdDevices();
        const auto it = devices.find(port);
        return it == devices.end() ? std::string() : it->second;
    }
    // The last numbers name links anyone can make, e.g. to the simulator's pseudo-terminal.
    if (port >= kFirstLinkPort)
        return kLinkPrefix + std::to_string(port);
    return {};
#endif
}

std::vector<int> ByIdPortNumbers(const std::vector<std::string>& names)
{
    std::vector<size_t> order(names.size());
    for (size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::sort(order.begin(), order.end(), [&](size_t a, size_t b) { return names[a] < names[b]; });
    std::vector<int> numbers(names.size(), 0);
    bool taken[kByIdSlots] = {};
    int placed = 0;
    for (size_t i : order) {
        if (placed == kByIdSlots)
            break;  // more adapters than numbers: the rest get none
        // FNV-1a: a fixed function of the name alone, the same in every run.
        uint32_t hash = 2166136261u;
        for (unsigned char c : names[i])
            hash = (hash ^ c) * 16777619u;
        int slot = static_cast<int>(hash % kByIdSlots);
        while (taken[slot])
            slot = (slot + 1) % kByIdSlots;
        taken[slot] = true;
        ++placed;
        numbers[i] = kFirstByIdPort + slot;
    }
    return numbers;
}

void SetComPortDevice(int port, const char* path)
{
    if (!path || !*path)
        redirections.erase(port);
    else
        redirections[port] = path;
}

int OpenComConfig(int port, const char*, long baudRate, int parity, int dataBits, int stopBits,
                  int inputQueueSize, int, ComOpenFailure* failure)
{
    if (port < 1 || port > kMaxComPort)
        return failed(failure, -2, port, {}, ComOpenCause::NoDevice);
    CloseCom(port);
    const std::string device = ComPortDevice(port);
    if (device.empty())
        return failed(failure, -2, port, {}, ComOpenCause::NoDevice);
    if (!QFileInfo::exists(QString::fromStdString(device)))
        return failed(failure, -6, port, device, ComOpenCause::NoSuchDevice);
    if (baudRate <= 0 || baudRate > 4000000)
        return failed(failure, -14, port, device, ComOpenCause::None);

    auto serial = std::make_unique<QSerialPort>();
    serial->setPortName(QString::fromStdString(device));
    if (!serial->open(QIODevice::ReadWrite))
        return failed(failure, -7, port, device, ComOpenCause::Other, serial.get());
    if (!serial->setBaudRate(static_cast<qint32>(baudRate))) {
        serial->close();
        return failed(failure, -14, port, device, ComOpenCause::None);
    }
    serial->setParity(parity == 1   ? QSerialPort::OddParity
                      : parity == 2 ? QSerialPort::EvenParity
                                    : QSerialPort::NoParity);
    serial->setDataBits(dataBits == 7 ? QSerialPort::Data7 : QSerialPort::Data8);
    serial->setStopBits(stopBits == 2 ? QSerialPort::TwoStop : QSerialPort::OneStop);
    serial->setFlowControl(QSerialPort::NoFlowControl);
    // The input queue: what the run-time buffers for GetInQLen. Beyond it bytes stay in the
    // kernel until the queue is read.
    serial->setReadBufferSize(inputQueueSize > 0 ? inputQueueSize : 0);

    if (failure)
        *failure = ComOpenFailure{};
    Port& p = ports[port];
    p.serial = std::move(serial);
    p.timeoutMs = 2000;
    p.errorMask = 0;
    p.secondsPerByte = (1.0 + dataBits + stopBits + (parity == 1 || parity == 2 ? 1 : 0)) / baudRate;
    p.writeEnd = 0;
    p.readSinceWrite = 0;
    QObject::connect(p.serial.get(), &QSerialPort::errorOccurred, [port](QSerialPort::SerialPortError e) {
        // A read that timed out is not a line error: ComRd reports it by its count, and it must
        // not make the next exchange's GetComStat fail.
        if (e == QSerialPort::NoError || e == QSerialPort::TimeoutError)
            return;
        if (auto it = ports.find(port); it != ports.end())
            it->second.errorMask |= 1 << static_cast<int>(e);
    });
#ifndef _WIN32
    // The port's own read notifier would move every piece of input into QSerialPort's buffer:
    // a wake-up and a copy each. The device is read directly instead, so it stays off.
    if (QSocketNotifier* own = readNotifier(p.serial.get()))
        own->setEnabled(false);
    p.fd = static_cast<int>(p.serial->handle());
    p.ahead.assign(inputQueueSize > 0 ? static_cast<size_t>(inputQueueSize) : kAheadWithoutQueue, 0);
    p.aheadBegin = p.aheadEnd = 0;
    // An exchange at 921600 baud lasts well under a millisecond; a wake-up 50 us late is a
    // tenth of it.
    serial_io::SetPreciseWakeUps();
    p.wake = new QSocketNotifier(p.fd, QSocketNotifier::Read, p.serial.get());
    p.wake->setEnabled(false);
    QObject::connect(p.wake, &QSocketNotifier::activated, [] {});  // waking is all it does
#else
    p.notifier = nullptr;
#endif
    return 0;
}

int CloseCom(int port)
{
    auto it = ports.find(port);
    if (it == ports.end())
        return 0;
#ifndef _WIN32
    // A notifier left on would watch a descriptor that is closed (or soon someone else's).
    if (it->second.input)
        it->second.input->setEnabled(false);
#endif
    // The QSerialPort may be inside one of its own signals when a callback closes the port;
    // closing now and deleting later keeps that signal's stack valid.
    if (QSerialPort* s = it->second.serial.release()) {
        s->disconnect();
        s->close();
        s->deleteLater();
    }
    ports.erase(it);
    return 0;
}

int SetComTime(int port, double timeoutSeconds)
{
    Port* p = openPort(port);
    if (!p)
        return -3;
    p->timeoutMs = std::max(0, static_cast<int>(timeoutSeconds * 1000.0));
    return 0;
}

int SetCTSMode(int port, int mode)
{
    Port* p = openPort(port);
    if (!p)
        return -3;
    p->serial->setFlowControl(mode ? QSerialPort::HardwareControl : QSerialPort::NoFlowControl);
    return 0;
}

int FlushInQ(int port)
{
    Port* p = openPort(port);
    if (!p)
        return -3;
    p->polledWaiting = -1;
#ifndef _WIN32
    p->aheadBegin = p->aheadEnd = 0;
    serial_io::Flush(p->fd, true, false);
#else
    p->serial->clear(QSerialPort::Input);
    p->serial->readAll();
#endif
    return 0;
}

int FlushOutQ(int port)
{
    Port* p = openPort(port);
    if (!p)
        return -3;
#ifndef _WIN32
    serial_io::Flush(p->fd, false, true);
#else
    p->serial->clear(QSerialPort::Output);
#endif
    return 0;
}

int ComWrt(int port, const char* buffer, size_t count)
{
    Port* p = openPort(port);
    if (!p)
        return -3;
    p->polledWaiting = -1;
#ifndef _WIN32
    const long n = serial_io::Write(p->fd, buffer, count, p->timeoutMs);
    if (n < 0) {
        p->errorMask |= kDeviceErrorBit;
        return -4;
    }
#else
    qint64 n = p->serial->write(buffer, static_cast<qint64>(count));
    if (n < 0)
        return -4;
    // Hand the bytes to the driver now rather than at the next event-loop pass.
    p->serial->flush();
#endif
    p->writeEnd = Timer() + static_cast<double>(n) * p->secondsPerByte;
    p->readSinceWrite = 0;
    return static_cast<int>(n);
}

int ComRd(int port, char* buffer, size_t count)
{
    Port* p = openPort(port);
    if (!p)
        return -3;
#ifndef _WIN32
    size_t got = takeAhead(*p, buffer, count);
    if (got < count) {
        // A read that will have to wait for its bytes must not wait for more than it asks for.
        if (p->polledWaiting < static_cast<long>(count))
            serial_io::SetWakeCount(p->fd, 1, &p->wakeCount);
        bool failed = false;
        got += serial_io::Read(p->fd, buffer + got, count - got, p->timeoutMs, &failed);
        if (failed)
            p->errorMask |= kDeviceErrorBit;
    }
    p->polledWaiting = -1;
#else
    p->polledWaiting = -1;
    size_t got = 0;
    QDeadlineTimer deadline(p->timeoutMs, Qt::PreciseTimer);
    while (got < count) {
        qint64 n = p->serial->read(buffer + got, static_cast<qint64>(count - got));
        if (n < 0)
            return -4;
        got += static_cast<size_t>(n);
        if (got >= count)
            break;
        qint64 left = deadline.remainingTime();
        if (left <= 0 || !p->serial->waitForReadyRead(static_cast<int>(left))) {
            // Take what arrived in the last moment; otherwise this is the read's time-out.
            qint64 last = p->serial->read(buffer + got, static_cast<qint64>(count - got));
            if (last > 0)
                got += static_cast<size_t>(last);
            break;
        }
        p = openPort(port);
        if (!p)
            return static_cast<int>(got);
    }
#endif
    p->readSinceWrite += static_cast<long>(got);
    return static_cast<int>(got);
}

int GetInQLen(int port)
{
    Port* p = openPort(port);
    if (!p)
        return -3;
    p->polledWaiting = inputWaiting(*p);
    return static_cast<int>(p->polledWaiting);
}

int WaitForComInput(int port, int count, double seconds, int expected)
{
    Port* p = openPort(port);
    if (!p) {
        WaitSystemEvents(seconds);
        return -3;
    }
    const long waiting = p->polledWaiting >= 0 ? p->polledWaiting : inputWaiting(*p);
    p->polledWaiting = -1;
    if (waiting >= count)
        return 0;  // the caller's next poll finds it
    expected = std::max(expected, count);
    const double now = Timer();
    const double spb = p->secondsPerByte;
    // When the whole expected answer can be there, plus a sensor's moment to start answering.
    const double dueAll = p->writeEnd + static_cast<double>(p->readSinceWrite + expected) * spb;
    const double grace = std::max(kSleepAtLeast, 0.1 * static_cast<double>(expected) * spb);
#ifndef _WIN32
    // Until then the wait ends only when the whole expected answer is in: one wake-up takes it
    // all. After that (a shorter answer, a late sensor), when the bytes needed now are in. The
    // device itself counts them (its minimum count for readiness), so no piece of the answer
    // wakes the thread before. Only answers of a few milliseconds are taken whole: on a slow
    // line a short answer (a status) would otherwise be noticed only when a long one could be
    // complete.
    const bool whole = expected > count && static_cast<double>(expected) * spb <= kDirectBlock &&
                       now < dueAll + grace;
    const long wanted = whole ? expected : count;
    // Before the bytes can be there at all, the wait sleeps without watching the device: every
    // piece that arrives would wake the thread inside the kernel just to find too few.
    const double dueWanted = p->writeEnd + static_cast<double>(p->readSinceWrite + wanted) * spb;
    if (dueWanted - now > kSleepAtLeast && !p->hungUp) {
        const double sleep = std::min(seconds, dueWanted - now);
        if (sleep <= kDirectBlock)
            serial_io::Block(p->fd, false, sleep);
        else
            WaitSystemEvents(sleep);
        return 0;
    }
    // The wait for a whole answer is short; it stays out of the event loop for at most 5 ms.
    double block = whole ? std::min({seconds, dueAll + grace - now, kDirectBlock}) : seconds;
    // What was read ahead is no longer in the device, which counts only what it holds.
    const long ahead = aheadCount(*p), deviceNeeds = wanted - ahead, deviceHas = waiting - ahead;
    if (wanted > waiting && (deviceNeeds <= 255 || deviceHas < 255) && !p->hungUp &&
        serial_io::SetWakeCount(p->fd, static_cast<int>(std::min<long>(deviceNeeds, 255)), &p->wakeCount)) {
        // A block of a few milliseconds is spent in the kernel directly, without the event
        // loop's round; the caller handles the events that came meanwhile as soon as it
        // returns. Longer blocks are spent in the event loop, which handles events at once.
        if (block <= kDirectBlock) {
            const serial_io::BlockEnd end = serial_io::Block(p->fd, true, block);
            if (end != serial_io::BlockEnd::HungUp)
                return 0;
            // A device that hung up is always "ready"; waiting on it would spin to the limit.
            p->hungUp = true;
            p->errorMask |= kDeviceErrorBit;
            block = seconds;
        }
    } else if (!p->hungUp) {
        // More than a terminal can count is still to come: sleep while it can arrive.
        block = std::min(block, std::max(kSleepAtLeast, static_cast<double>(wanted - waiting) * spb));
        if (block <= kDirectBlock) {
            serial_io::Block(p->fd, false, block);
            return 0;
        }
        WaitSystemEvents(block);
        return 0;
    }
    const QPointer<QSocketNotifier> wake = p->hungUp ? nullptr : p->wake;
    if (wake)
        wake->setEnabled(true);
    WaitSystemEvents(block);
    // A callback inside the wait may have closed the port, which ends its notifier too.
    if (wake) {
        wake->setEnabled(false);
        if (Port* still = openPort(port); still && serial_io::HungUp(still->fd)) {
            still->hungUp = true;
            still->errorMask |= kDeviceErrorBit;
        }
    }
#else
    if (dueAll - now < kSleepAtLeast) {
        WaitSystemEvents(seconds);
        return 0;
    }
    const QPointer<QSerialPort> serial = p->serial.get();
    if (!p->notifier)
        p->notifier = readNotifier(serial);
    const QPointer<QSocketNotifier> notifier = p->notifier;
    const bool wasEnabled = notifier && notifier->isEnabled();
    if (notifier)
        notifier->setEnabled(false);
    WaitSystemEvents(std::min(seconds, dueAll - now));
    if (notifier && wasEnabled && serial && serial->isOpen())
        notifier->setEnabled(true);
#endif
    return 0;
}

int ComRdAvailable(int port, char* buffer, size_t size)
{
    Port* p = openPort(port);
    if (!p)
        return -3;
    p->polledWaiting = -1;
#ifndef _WIN32
    size_t got = takeAhead(*p, buffer, size);
    bool failed = false;
    if (got < size)
        got += serial_io::ReadAvailable(p->fd, buffer + got, size - got, &failed);
    if (failed) {
        p->errorMask |= kDeviceErrorBit;
        p->hungUp = p->hungUp || serial_io::HungUp(p->fd);
    }
#else
    const qint64 n = p->serial->read(buffer, static_cast<qint64>(size));
    if (n < 0)
        return -4;
    const size_t got = static_cast<size_t>(n);
#endif
    p->readSinceWrite += static_cast<long>(got);
    return static_cast<int>(got);
}

namespace {

// The port's input is there (or its device failed): its callback is told.
void inputArrived(int port)
{
    Port* p = openPort(port);
    if (!p || !p->inputCallback)
        return;
#ifdef _WIN32
    // Every piece that arrives signals; the callback hears of the count it asked for.
    if (p->serial->bytesAvailable() < p->inputCount && p->errorMask == 0)
        return;
#endif
    p->inputCallback(port, p->inputData);
#ifndef _WIN32
    // The callback may have closed the port. A device that hung up stays "readable" for good:
    // it is told once, not at every pass.
    if (Port* still = openPort(port); still && still->hungUp && still->input)
        still->input->setEnabled(false);
#endif
}

}  // namespace

int InstallComCallback(int port, int notifyCount, comCallbackPtr callback, void* callbackData)
{
    Port* p = openPort(port);
    if (!p)
        return -3;
    p->inputCallback = callback;
    p->inputData = callbackData;
    p->inputCount = std::clamp(notifyCount, 1, 255);
#ifndef _WIN32
    if (!callback) {
        if (p->input)
            p->input->setEnabled(false);
        return 0;
    }
    if (!p->input) {
        p->input = new QSocketNotifier(p->fd, QSocketNotifier::Read, p->serial.get());
        QObject::connect(p->input, &QSocketNotifier::activated, [port] { inputArrived(port); });
    }
    // The device counts the bytes (its minimum count for readiness), so the pieces of a frame
    // wake nobody before the count is in. A device that cannot count wakes at every piece.
    const long ahead = aheadCount(*p);
    serial_io::SetWakeCount(p->fd, static_cast<int>(std::max(1L, p->inputCount - ahead)), &p->wakeCount);
    p->polledWaiting = -1;
    p->input->setEnabled(!p->hungUp);
    // Input read ahead before is no longer in the device, where the notifier would see it.
    if (ahead > 0)
        QMetaObject::invokeMethod(
            p->serial.get(), [port] { inputArrived(port); }, Qt::QueuedConnection);
#else
    if (!callback)
        return 0;
    if (!p->inputHooked) {
        QObject::connect(p->serial.get(), &QSerialPort::readyRead, [port] { inputArrived(port); });
        p->inputHooked = true;
    }
    // What arrived before the callback was installed signals nothing more of its own.
    if (p->serial->bytesAvailable() >= p->inputCount)
        QMetaObject::invokeMethod(p->serial.get(), [port] { inputArrived(port); }, Qt::QueuedConnection);
#endif
    return 0;
}

int GetComStat(int port)
{
    Port* p = openPort(port);
    if (!p)
        return -3;
    int mask = p->errorMask;
    p->errorMask = 0;
    return mask;
}

namespace {

// The port number of a device of the fixed ranges, 0 for none.
int numberOfDevice(const std::string& device)
{
#ifdef _WIN32
    for (int n = 1; n <= kMaxComPort; ++n)
        if (ComPortDevice(n) == device)
            return n;
#else
    for (const DeviceRange& r : kRanges) {
        const size_t len = std::strlen(r.prefix);
        if (device.compare(0, len, r.prefix) != 0 || device.size() == len || device.size() > len + 2)
            continue;
        int index = 0;
        for (size_t i = len; i < device.size(); ++i) {
            if (device[i] < '0' || device[i] > '9')
                return 0;
            index = index * 10 + (device[i] - '0');
        }
        return index < r.size ? r.first + index : 0;
    }
#endif
    return 0;
}

}  // namespace

int LocateCom(const char*, int* ports, int capacity)
{
    // The devices the serial-port layer reports as present (real UARTs, USB adapters), the
    // adapters' stable names, plus every redirected number, mapped back to their port numbers.
    std::vector<int> numbers;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts())
        if (const int n = numberOfDevice(info.systemLocation().toStdString()); n && !redirections.count(n))
            numbers.push_back(n);
    for (const auto& [n, path] : redirections)
        if (QFileInfo::exists(QString::fromStdString(path)))
            numbers.push_back(n);
#ifndef _WIN32
    for (const auto& [n, path] : byIdDevices())
        if (!redirections.count(n))
            numbers.push_back(n);
    // Links to pseudo-terminals, which the serial-port layer does not list.
    for (int n = kFirstLinkPort; n <= kMaxComPort; ++n)
        if (!redirections.count(n) && QFileInfo::exists(QString::fromStdString(ComPortDevice(n))))
            numbers.push_back(n);
#endif
    std::sort(numbers.begin(), numbers.end());
    numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());
    int found = 0;
    for (int n : numbers) {
        if (found >= capacity)
            break;
        ports[found++] = n;
    }
    return found;
}

ComPortDetails GetComPortDetails(int port)
{
    ComPortDetails details;
    details.device = ComPortDevice(port);
    if (details.device.empty())
        return details;
    const QFileInfo file(QString::fromStdString(details.device));
    QString real = file.absoluteFilePath();
    if (file.isSymLink()) {
        real = file.canonicalFilePath();
        details.target = real.toStdString();
    }
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts())
        if (info.systemLocation() == real) {
            details.description = info.description().toStdString();
            details.serialNumber = info.serialNumber().toStdString();
        }
#ifndef _WIN32
    // Where the serial-port layer has no description, the adapter's stable name tells vendor,
    // model and serial as udev read them ("usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0").
    if (details.description.empty() && !real.isEmpty())
        for (const auto& [n, path] : byIdDevices()) {
            const QFileInfo link(QString::fromStdString(path));
            if (link.canonicalFilePath() != real)
                continue;
            QString name = link.fileName();
            if (name.startsWith("usb-"))
                name = name.mid(4);
            if (const int cut = name.lastIndexOf("-if"); cut > 0)
                name = name.left(cut);
            details.description = name.toStdString();
            break;
        }
#endif
    return details;
}

#include "platform/rs232.h"

#include <QDeadlineTimer>
#include <QFileInfo>
#include <QPointer>
#include <QSerialPort>
#include <QSerialPortInfo>
#include <QSocketNotifier>

#include <algorithm>
#include <map>
#include <memory>
#include <vector>

#ifndef _WIN32
#include <sys/ioctl.h>
#endif

#include "platform/runtime.h"

namespace {

struct Port {
    std::unique_ptr<QSerialPort> serial;
    int timeoutMs = 2000;
    int errorMask = 0;
    double secondsPerByte = 10.0 / 115200;  // start, 8 data and stop bits
    double writeEnd = 0;      // Timer() when the last ComWrt's bytes are through the line
    long readSinceWrite = 0;  // bytes ComRd returned since then
    QPointer<QSocketNotifier> notifier;  // the port's own read notifier, once found
};

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
};
#ifndef _WIN32
constexpr DeviceRange kRanges[] = {{"/dev/ttyS", 1}, {"/dev/ttyUSB", 65}, {"/dev/ttyACM", 129}};
constexpr int kRangeSize = 64;
constexpr int kFirstLinkPort = 241;
constexpr char kLinkPrefix[] = "/tmp/chromix5-com";
#endif

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
        if (port >= r.first && port < r.first + kRangeSize)
            return r.prefix + std::to_string(port - r.first);
    // The last numbers name links anyone can make, e.g. to the simulator's pseudo-terminal.
    if (port >= kFirstLinkPort)
        return kLinkPrefix + std::to_string(port);
    return {};
#endif
}

void SetComPortDevice(int port, const char* path)
{
    if (!path || !*path)
        redirections.erase(port);
    else
        redirections[port] = path;
}

int OpenComConfig(int port, const char*, long baudRate, int parity, int dataBits, int stopBits,
                  int inputQueueSize, int)
{
    if (port < 1 || port > kMaxComPort)
        return -2;
    CloseCom(port);
    const std::string device = ComPortDevice(port);
    if (device.empty())
        return -2;
    if (!QFileInfo::exists(QString::fromStdString(device)))
        return -6;
    if (baudRate <= 0 || baudRate > 4000000)
        return -14;

    auto serial = std::make_unique<QSerialPort>();
    serial->setPortName(QString::fromStdString(device));
    if (!serial->open(QIODevice::ReadWrite))
        return -7;
    if (!serial->setBaudRate(static_cast<qint32>(baudRate))) {
        serial->close();
        return -14;
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

    Port& p = ports[port];
    p.serial = std::move(serial);
    p.timeoutMs = 2000;
    p.errorMask = 0;
    p.secondsPerByte = (1.0 + dataBits + stopBits + (parity == 1 || parity == 2 ? 1 : 0)) / baudRate;
    p.writeEnd = 0;
    p.readSinceWrite = 0;
    p.notifier = nullptr;
    QObject::connect(p.serial.get(), &QSerialPort::errorOccurred, [port](QSerialPort::SerialPortError e) {
        // A read that timed out is not a line error: ComRd reports it by its count, and it must
        // not make the next exchange's GetComStat fail.
        if (e == QSerialPort::NoError || e == QSerialPort::TimeoutError)
            return;
        if (auto it = ports.find(port); it != ports.end())
            it->second.errorMask |= 1 << static_cast<int>(e);
    });
    return 0;
}

int CloseCom(int port)
{
    auto it = ports.find(port);
    if (it == ports.end())
        return 0;
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
    p->serial->clear(QSerialPort::Input);
    p->serial->readAll();
    return 0;
}

int FlushOutQ(int port)
{
    Port* p = openPort(port);
    if (!p)
        return -3;
    p->serial->clear(QSerialPort::Output);
    return 0;
}

int ComWrt(int port, const char* buffer, size_t count)
{
    Port* p = openPort(port);
    if (!p)
        return -3;
    qint64 n = p->serial->write(buffer, static_cast<qint64>(count));
    if (n < 0)
        return -4;
    // Hand the bytes to the driver now rather than at the next event-loop pass.
    p->serial->flush();
    p->writeEnd = Timer() + static_cast<double>(n) * p->secondsPerByte;
    p->readSinceWrite = 0;
    return static_cast<int>(n);
}

int ComRd(int port, char* buffer, size_t count)
{
    Port* p = openPort(port);
    if (!p)
        return -3;
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
            break;
    }
    if (p)
        p->readSinceWrite += static_cast<long>(got);
    return static_cast<int>(got);
}

int GetInQLen(int port)
{
    Port* p = openPort(port);
    if (!p)
        return -3;
    return static_cast<int>(p->serial->bytesAvailable());
}

namespace {

// The port's own read notifier: it wakes the thread for every piece of input to move it into
// the queue. QSerialPort offers no switch for it, so it is found among the port's children;
// where it is not (another back end), a wait is simply woken by arriving bytes as well.
QSocketNotifier* readNotifier(QSerialPort* serial)
{
    for (QSocketNotifier* n : serial->findChildren<QSocketNotifier*>(Qt::FindDirectChildrenOnly))
        if (n->type() == QSocketNotifier::Read)
            return n;
    return nullptr;
}

// Drivers hand on what arrives in pieces of about a millisecond (a UART's FIFO, a USB adapter's
// latency timer): an answer due sooner than that is waited for by its first piece, which will
// mostly be the whole of it, rather than by a timer that would make a second wake-up.
constexpr double kSleepAtLeast = 0.001;

// Bytes in the queue plus those the driver holds that the queue has not taken yet, as many as
// the queue can take.
long inputWaiting(QSerialPort* serial)
{
    long waiting = static_cast<long>(serial->bytesAvailable());
#ifndef _WIN32
    int driver = 0;
    if (::ioctl(static_cast<int>(serial->handle()), FIONREAD, &driver) == 0 && driver > 0)
        waiting += driver;
#endif
    const long queueSize = static_cast<long>(serial->readBufferSize());
    return queueSize > 0 ? std::min(waiting, queueSize) : waiting;
}

}  // namespace

int WaitForComInput(int port, int count, double seconds)
{
    Port* p = openPort(port);
    if (!p) {
        WaitSystemEvents(seconds);
        return -3;
    }
    const long waiting = inputWaiting(p->serial.get());
    if (waiting >= count)
        return 0;  // the caller's next event pass moves it into the queue
    const double due = p->writeEnd + static_cast<double>(p->readSinceWrite + count) * p->secondsPerByte;
    const double now = Timer();
    if (due - now < kSleepAtLeast) {
        // Due within a moment, or late (a slow or silent sensor): the next bytes, whenever they
        // come, end the block.
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
    WaitSystemEvents(std::min(seconds, due - now));
    // A callback inside the wait may have closed the port, which ends its notifier too.
    if (notifier && wasEnabled && serial && serial->isOpen())
        notifier->setEnabled(true);
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

int LocateCom(const char*, int* ports, int capacity)
{
    // The devices the serial-port layer reports as present (real UARTs, USB adapters), plus
    // every redirected number, mapped back to their port numbers.
    std::vector<int> numbers;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        const std::string dev = info.systemLocation().toStdString();
        for (int n = 1; n <= kMaxComPort; ++n)
            if (!redirections.count(n) && ComPortDevice(n) == dev) {
                numbers.push_back(n);
                break;
            }
    }
    for (const auto& [n, path] : redirections)
        if (QFileInfo::exists(QString::fromStdString(path)))
            numbers.push_back(n);
#ifndef _WIN32
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

// Inside the platform layer only: reading and writing an open serial device directly, beside
// QSerialPort, which opens and configures it. The exchange then costs one system call per step
// and no wake-up for every piece of input; QSerialPort's own path would move each piece into
// its buffer from a notifier first.
#pragma once

#include <cstddef>

#ifndef _WIN32
namespace serial_io {

// Bytes the driver holds for reading; 0 when it cannot tell.
long Available(int fd);
// Reads count bytes, waiting up to timeoutMs in all for them. Returns how many came; *failed
// is set when the device reported an error (e.g. it was unplugged).
size_t Read(int fd, char* buffer, size_t count, int timeoutMs, bool* failed);
// Reads what the driver holds now, at most size bytes, without waiting. Returns how many came;
// *failed is set when the device reported an error or hung up.
size_t ReadAvailable(int fd, char* buffer, size_t size, bool* failed);
// Reads what the driver holds now, at most size bytes, in one read. Returns how many came;
// 0 also when the read failed, which the next read that waits finds and reports.
size_t ReadOnce(int fd, char* buffer, size_t size);
// Writes count bytes, waiting up to timeoutMs in all while the driver's queue is full.
// Returns how many were taken, or -1 when the device reported an error at once.
long Write(int fd, const char* buffer, size_t count, int timeoutMs);
// Drops what the driver holds in either direction.
void Flush(int fd, bool input, bool output);
// Blocks the thread for `seconds`, or until fd has input when watchInput is set.
enum class BlockEnd { Time, Input, HungUp };
BlockEnd Block(int fd, bool watchInput, double seconds);
// How many bytes must be waiting before the device counts as readable to poll() and to the
// event loop's notifiers (a terminal's minimum count, 1 to 255; reads that do not wait are not
// affected). *current holds the count set last (0 at first), so that an unchanged count costs
// nothing. False when the device refused it.
bool SetWakeCount(int fd, int count, int* current);
// True when the device reports that it hung up or failed (e.g. an adapter was unplugged).
bool HungUp(int fd);
// Lets the calling thread's timed waits end within a microsecond of their time rather than
// the 50 us Linux allows by default to batch wake-ups.
void SetPreciseWakeUps();

}  // namespace serial_io
#endif

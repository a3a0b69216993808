// The run-time's event loop, clock and paths, realised on Qt. Everything here runs on the one
// user-interface thread.
#pragma once

#include <cstddef>

// Starts the run-time with windows (a QApplication; part of the window's platform library).
// Pop-ups then show as dialogs. Returns 1 on success, 0 when it could not be started (without
// a usable display, or when a run-time without windows is running already). Calling it again
// is harmless.
int InitRunTime(int argc, char** argv);
// Starts the run-time without windows (a QCoreApplication): event loop, clock, serial ports,
// TCP and paths, as a program without a window needs them. Pop-ups are written to stderr and
// take their safe answer (platform/popups.h). An application object that exists already, of
// either kind, is used. Returns 1. Calling it again is harmless.
int InitRunTimeWithoutWindow(int argc, char** argv);

// Runs the event loop until QuitUserInterface. A QuitUserInterface that came before (the CLOSE
// choice during start-up) makes it return at once. Returns the code given to QuitUserInterface.
int RunUserInterface();
// Asks RunUserInterface to return `code`; callable from any callback, before or during the loop.
int QuitUserInterface(int code);

// Runs the callbacks of every pending event (controls, panels, TCP, serial) and returns.
int ProcessSystemEvents();

// Blocks until at least one event has been handled or `seconds` have passed, whichever is
// first, without burning a core. Wait loops call it when nothing they wait for is ready yet.
void WaitSystemEvents(double seconds);
// For benchmarks only: while on, WaitSystemEvents handles what is pending and returns at once,
// so every wait loop polls busily. Busy polling is the fastest a wait can notice an answer, at
// the price of a whole core; bench/exchange_rate measures the blocking wait against it. The
// program never calls it (default off).
void SetBusyPollingForBenchmark(bool on);

// Calls fn once, `seconds` from now (0: at the next event pass), from whatever processes events
// then: the main loop or a wait such as the link's. For work that may lag behind a little and
// must not hold up its caller, such as bringing a display up to date.
void PostDelayedCall(double seconds, void (*fn)());

// Calls fn(data) once, on the thread that processes events (the main loop or a wait such as
// the link's), and wakes that thread if it is blocked waiting. The one operation here that any
// thread may call: for work done elsewhere whose end the loop takes up (a file the settings
// store has made durable). Before the run-time has started, fn is never called.
void PostCallFromAnyThread(void (*fn)(void* data), void* data);

// One precise alarm for a scheduler that keeps its own queue of deadlines (the link's): fn is
// called once, `seconds` from now, from whatever processes events then. Each call replaces the
// alarm set before; a null fn cancels it.
void SetAlarm(double seconds, void (*fn)());

// Lets another thread or process that is ready to run have the processor now; returns at
// once when none is. A wait that polls calls it between its polls, so that on a busy machine
// it does not keep from the processor what it is waiting for (e.g. a local peer).
void YieldProcessor();

// Seconds from an arbitrary origin, monotonic, with sub-microsecond resolution.
double Timer();

// Blocks the thread for ms milliseconds; no events are handled meanwhile.
void Sleep(unsigned ms);
// For tests only: every Sleep lasts ms * factor (default 1.0; 0 skips the pause, negative
// counts as 0). The program never calls it, so its pauses keep their full length.
void SetSleepScale(double factor);

// Writes the directory that holds the program (no trailing separator) into dir, cut to
// cap - 1 bytes and terminated. Returns 0, or -1 when cap is 0.
int GetProjectDir(char* dir, size_t cap);

// 1 when a file (not a folder) exists at path and can be examined, 0 when not; *size gets its
// size in bytes when size is not null.
int GetFileInfo(const char* path, long* size);

// The separator between directory and file name on this platform ("/" or "\").
inline constexpr char kPathSeparator[] =
#ifdef _WIN32
    "\\";
#else
    "/";
#endif

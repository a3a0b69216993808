// The waits of a sensor's task, and the event loop's side of them. A task awaits a link
// operation (LinkCall) or a point in time (WakeAt); meanwhile every other sensor's task goes on.
//
// The operation is one that does not block (link/operations_async.h), on TCP and on the serial
// line alike: its completion resumes the task from inside the transport's callback, so a silent
// or slow sensor holds up no other, whatever line either is on.
#pragma once

#include <coroutine>
#include <functional>
#include <memory>

#include "cli/sensor_session.h"
#include "ini/inifile.h"
#include "link/exchange_async.h"

namespace cli {

struct LinkCall {
    SensorSession& session;
    int (*async)(SensorContext& c, ExchangeDone done);

    bool await_ready() const noexcept { return false; }
    bool await_suspend(std::coroutine_handle<> waiter);
    // 1, 0 (identification of a sensor not supported) or -1 after a reported failure.
    int await_resume() const noexcept { return session.callResult; }
};

// Suspends the task while a settings file is written in the background: start begins the
// write (Ini_WriteToFileInBackground or a writer built on it) with the completion to call, and
// returns 0 or the code with which it could not start. The result is the store's code: 0 once
// the file is durable and in place. Other sensors go on meanwhile, and many files' waits for
// the disk overlap.
struct FileWrite {
    struct Pending;  // shared with the write's completion, which may outlive the task
    SensorSession& session;
    std::function<int(IniWriteDone done, void* user)> start;
    std::shared_ptr<Pending> pending = {};

    FileWrite(SensorSession& s, std::function<int(IniWriteDone, void*)> begin)
        : session(s), start(std::move(begin)) {}
    FileWrite(const FileWrite&) = delete;
    FileWrite& operator=(const FileWrite&) = delete;
    // A task destroyed while it waits: the write still ends, and then finds no one to resume.
    ~FileWrite();

    bool await_ready() const noexcept { return false; }
    bool await_suspend(std::coroutine_handle<> waiter);
    int await_resume() const noexcept { return session.callResult; }
};

// Suspends the task until the loop's clock (Timer) reaches `at`; at < 0 suspends it until
// Wake(session).
struct WakeAt {
    SensorSession& session;
    double at;

    bool await_ready() const noexcept { return false; }
    void await_suspend(std::coroutine_handle<> waiter);
    void await_resume() const noexcept {}
};
// A task parked with WakeAt{s, -1} goes on at the loop's next pass.
void Wake(SensorSession& session);

// The loop's side. Resumes every task whose time has come; returns the time the next one is
// due (a large value when none is).
double WakeDueTasks(double now);
// Forgets every wait (the loop is giving up on its tasks).
void ForgetAllWaits();

// Resumes a suspended task, with the diagnostics prefix of its sensor.
void Resume(SensorSession& session);

}  // namespace cli

// One sensor served by chromix5ctl: its link context and what the command line keeps beside it
// while the sensor's task runs (cli/task.h) - the status box the link writes to, the output that
// goes before its result line, and the wait the task is suspended in (cli/link_await.h).
#pragma once

#include <coroutine>
#include <string>

#include "link/sensor_context.h"

namespace cli {

struct SensorSession {
    // Transport callbacks hold the context's address: a session never moves.
    SensorSession() = default;
    SensorSession(const SensorSession&) = delete;
    SensorSession& operator=(const SensorSession&) = delete;

    SensorContext link;
    std::string prefix;     // starts each diagnostic line ("" for a single sensor)
    std::string statusBox;  // what the link appended since the operation began
    std::string output;     // standard output printed just before the result line
    std::string result;     // the result line, once the task has ended
    bool resultToStderr = false;
    int code = 0;
    bool finished = false;

    // The wait under way: who goes on when it ends, and how the call it waits for ended.
    std::coroutine_handle<> waiter;
    int callResult = 0;
    bool callDone = false;
    bool starting = false;
};

}  // namespace cli

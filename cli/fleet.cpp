#include "cli/fleet.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <sys/resource.h>

#include "cli/commands.h"
#include "cli/diagnostics.h"
#include "cli/link_await.h"
#include "cli/monitor.h"
#include "cli/sensor_link.h"
#include "cli/stop_request.h"
#include "platform/runtime.h"

namespace cli {

namespace {

// Descriptors kept aside for the program itself: standard streams, the run-time's own, the
// broker connection, files opened now and then (snapshots, parameter files).
constexpr rlim_t kReservedFiles = 64;
// The longest the loop sleeps without looking at stop requests.
constexpr double kLongestWait = 0.1;

struct Slot {
    std::unique_ptr<SensorSession> session;
    std::optional<Task<int>> task;
    std::string text;  // what is printed for the sensor, once it is known
    bool toStderr = false;
    bool done = false;
};

// How many sensors the open-file limit lets run at once: one descriptor for the link, one more
// for a monitor's CSV file.
size_t SensorsTheFileLimitAllows(const Options& o)
{
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY)
        return o.sensors.size();
    const rlim_t perSensor = o.command == Subcommand::Monitor && !o.csv.empty() ? 2 : 1;
    return limit.rlim_cur > kReservedFiles + perSensor ? (limit.rlim_cur - kReservedFiles) / perSensor : 1;
}

bool IsDevicePath(const SensorAddress& a) { return a.kind == SensorAddress::Kind::Serial && a.comPort == 0; }

}  // namespace

bool RaiseOpenFileLimit(std::string* note)
{
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0)
        return false;
    if (limit.rlim_cur == limit.rlim_max)
        return true;
    const rlim_t soft = limit.rlim_cur;
    limit.rlim_cur = limit.rlim_max;
    if (::setrlimit(RLIMIT_NOFILE, &limit) == 0)
        return true;
    *note = "cannot raise the open-file limit from " + std::to_string(soft) + " to " +
            std::to_string(limit.rlim_max);
    return false;
}

int ServeSensors(const Options& o)
{
    CatchStopSignals();
    const size_t count = o.sensors.size();
    const bool many = count > 1;
    size_t limit = count;
    if (o.command == Subcommand::Restore || o.jobsGiven)
        limit = std::min(limit, static_cast<size_t>(o.jobs));
    if (const size_t files = SensorsTheFileLimitAllows(o); files < limit) {
        limit = files;
        SetDiagnosticPrefix("");
        Diag("chromix5ctl: the limit of open files lets " + std::to_string(files) +
             " sensors run at once; the others wait their turn");
    }

    std::vector<Slot> slots(count);
    std::vector<size_t> running;
    unsigned long endsSeen = topLevelTasksEnded;
    size_t next = 0;
    size_t printed = 0;
    size_t devicePaths = 0;  // serial devices named by path, running
    int worst = 0;

    const auto settle = [&](size_t i, std::string text, bool toStderr, int code) {
        slots[i].text = std::move(text);
        slots[i].toStderr = toStderr;
        slots[i].done = true;
        worst = std::max(worst, code);
        for (; printed < count && slots[printed].done; ++printed) {
            std::fputs(slots[printed].text.c_str(), slots[printed].toStderr ? stderr : stdout);
            std::fflush(slots[printed].toStderr ? stderr : stdout);
            slots[printed].text = std::string();
        }
    };
    const auto release = [&](size_t i) {
        Slot& slot = slots[i];
        CloseSensor(*slot.session);
        devicePaths -= IsDevicePath(o.sensors[i]) ? 1 : 0;
        slot.task.reset();
        slot.session.reset();
    };

    StartMonitorOutputs(o);
    for (;;) {
        // A monitor that waits for the broker's end has given back its connection and files.
        while (!StopRequested() && next < count && running.size() - MonitorsWaitingForBroker() < limit &&
               !(IsDevicePath(o.sensors[next]) && devicePaths >= static_cast<size_t>(kDevicePorts))) {
            const size_t i = next++;
            Slot& slot = slots[i];
            slot.session = std::make_unique<SensorSession>();
            slot.session->prefix = many ? o.sensors[i].text : "";
            devicePaths += IsDevicePath(o.sensors[i]) ? 1 : 0;
            running.push_back(i);
            SetDiagnosticPrefix(slot.session->prefix);
            slot.task.emplace(RunSensor(o, i, *slot.session));
            slot.task->Start();
        }
        // The sessions of tasks that have ended are closed here, never inside the callback that
        // ended them. Most passes end no task: the list is looked through only after one has.
        if (endsSeen != topLevelTasksEnded) {
            endsSeen = topLevelTasksEnded;
            std::erase_if(running, [&](size_t i) {
                if (!slots[i].task->Done())
                    return false;
                const SensorSession& s = *slots[i].session;
                std::string text = s.output + s.result;
                const bool toStderr = s.resultToStderr;
                const int code = s.code;
                release(i);
                settle(i, std::move(text), toStderr, code);
                return true;
            });
        }
        if (running.empty() && (next >= count || StopRequested()))
            break;
        if (StopRequests() >= 2) {
            // Given up: what is under way ends here, with its line.
            ForgetAllWaits();
            for (size_t i : running) {
                release(i);
                settle(i, LostResultLine(o, i, "interrupted"), false, kExitLink);
            }
            running.clear();
            break;
        }
        if (!running.empty() && MonitorsWaitingForBroker() == running.size() && (next >= count || StopRequested())) {
            FinishMonitorOutputs();
            WakeDueTasks(Timer());
            continue;
        }
        const double due = WakeDueTasks(Timer());
        ServiceMonitorOutputs();
        const double wait = std::clamp(due - Timer(), 0.0, kLongestWait);
        if (wait > 0)
            WaitSystemEvents(wait);
        else
            ProcessSystemEvents();
    }
    // Sensors never started because of a stop request still get their line.
    for (; next < count; ++next)
        settle(next, LostResultLine(o, next, "not started: interrupted"), false, kExitLink);
    EndMonitorOutputs();
    return worst;
}

}  // namespace cli

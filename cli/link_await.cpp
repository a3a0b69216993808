#include "cli/link_await.h"

#include <limits>
#include <memory>
#include <queue>
#include <utility>
#include <vector>

#include "cli/diagnostics.h"
#include "platform/runtime.h"

namespace cli {

namespace {

struct Due {
    double at;
    SensorSession* session;
    bool operator>(const Due& other) const { return at > other.at; }
};
std::priority_queue<Due, std::vector<Due>, std::greater<Due>> dueTasks;

void CallDone(SensorContext& c, int result)
{
    SensorSession& s = *static_cast<SensorSession*>(c.user);
    s.callResult = result;
    s.callDone = true;
    // Ended before the call that started it returned: await_suspend goes on by itself.
    if (!s.starting)
        Resume(s);
}

}  // namespace

void Resume(SensorSession& session)
{
    SetDiagnosticPrefix(session.prefix);
    std::exchange(session.waiter, {}).resume();
}

bool LinkCall::await_suspend(std::coroutine_handle<> waiter)
{
    SensorSession& s = session;
    s.waiter = waiter;
    s.callDone = false;
    s.starting = true;
    s.link.user = &s;
    const int started = async(s.link, CallDone);
    s.starting = false;
    if (started != 1) {
        s.callResult = -1;
        s.callDone = true;
    }
    if (s.callDone) {
        s.waiter = {};
        return false;
    }
    return true;
}

struct FileWrite::Pending {
    SensorSession* session;  // null once no task waits; the loop's thread only
    int result = 0;          // written by the worker before it posts the end
};

namespace {

// On the store's worker thread: only hands the result to the loop.
void WriteEnded(void* user, int result)
{
    auto* pending = static_cast<std::shared_ptr<FileWrite::Pending>*>(user);
    (*pending)->result = result;
    PostCallFromAnyThread(
        [](void* data) {
            const std::unique_ptr<std::shared_ptr<FileWrite::Pending>> held(
                static_cast<std::shared_ptr<FileWrite::Pending>*>(data));
            FileWrite::Pending& p = **held;
            if (SensorSession* s = std::exchange(p.session, nullptr)) {
                s->callResult = p.result;
                Resume(*s);
            }
        },
        pending);
}

}  // namespace

FileWrite::~FileWrite()
{
    if (pending)
        pending->session = nullptr;
}

bool FileWrite::await_suspend(std::coroutine_handle<> waiter)
{
    pending = std::make_shared<Pending>(Pending{&session});
    auto* held = new std::shared_ptr<Pending>(pending);
    const int started = start(WriteEnded, held);
    if (started < 0) {
        delete held;
        pending->session = nullptr;
        session.callResult = started;
        return false;
    }
    session.waiter = waiter;
    return true;
}

void WakeAt::await_suspend(std::coroutine_handle<> waiter)
{
    session.waiter = waiter;
    if (at >= 0)
        dueTasks.push(Due{at, &session});
}

void Wake(SensorSession& session) { dueTasks.push(Due{0, &session}); }

double WakeDueTasks(double now)
{
    while (!dueTasks.empty() && dueTasks.top().at <= now) {
        SensorSession& s = *dueTasks.top().session;
        dueTasks.pop();
        Resume(s);
    }
    return dueTasks.empty() ? std::numeric_limits<double>::max() : dueTasks.top().at;
}

void ForgetAllWaits()
{
    dueTasks = {};
}

}  // namespace cli

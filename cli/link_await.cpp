#include "cli/link_await.h"

#include <deque>
#include <limits>
#include <queue>
#include <utility>
#include <vector>

#include "cli/diagnostics.h"

namespace cli {

namespace {

std::deque<SensorSession*> blockingCalls;

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
    if (s.link.protocol != kProtocolTcp) {
        s.blockingCall = blocking;
        blockingCalls.push_back(&s);
        return true;
    }
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

void WakeAt::await_suspend(std::coroutine_handle<> waiter)
{
    session.waiter = waiter;
    if (at >= 0)
        dueTasks.push(Due{at, &session});
}

void Wake(SensorSession& session) { dueTasks.push(Due{0, &session}); }

bool RunQueuedBlockingCall()
{
    if (blockingCalls.empty())
        return false;
    SensorSession& s = *blockingCalls.front();
    blockingCalls.pop_front();
    s.callResult = s.blockingCall(s.link);
    Resume(s);
    return true;
}

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
    blockingCalls.clear();
    dueTasks = {};
}

}  // namespace cli

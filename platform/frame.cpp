#include "platform/frame.h"

#include <QCoreApplication>
#include <QEvent>
#include <QTimer>

#include <algorithm>
#include <vector>

#include "platform/runtime.h"

namespace {

// Changes made in one go (a table of circles plotted, then the axes scaled) are drawn together:
// a frame comes at least this long after the first change that asks for it.
constexpr double kGatherSeconds = 0.004;

// Never destroyed: clients that are static objects leave them at exit.
std::vector<FrameClient*>& waiting = *new std::vector<FrameClient*>;
std::vector<FrameClient*>& drawing = *new std::vector<FrameClient*>;  // the frame being drawn
double lastFrame = -1.0;
bool sliced = false;  // a frame is being drawn in slices

QTimer* frameClock()
{
    static QTimer* timer = [] {
        auto* t = new QTimer(QCoreApplication::instance());
        t->setSingleShot(true);
        t->setTimerType(Qt::PreciseTimer);
        QObject::connect(t, &QTimer::timeout, [] { DrawFrame(); });
        return t;
    }();
    return timer;
}

}  // namespace

FrameClient::~FrameClient()
{
    waiting.erase(std::remove(waiting.begin(), waiting.end(), this), waiting.end());
    std::replace(drawing.begin(), drawing.end(), static_cast<FrameClient*>(this), static_cast<FrameClient*>(nullptr));
}

void NeedFrame(FrameClient* client)
{
    if (std::find(waiting.begin(), waiting.end(), client) == waiting.end())
        waiting.push_back(client);
    if (!QCoreApplication::instance() || frameClock()->isActive())
        return;
    const double wait = std::max(kGatherSeconds, lastFrame + kFrameSeconds - Timer());
    frameClock()->start(static_cast<int>(wait * 1000.0 + 0.5));
}

bool DrawFrameSlice()
{
    if (!drawing.empty() || waiting.empty() || !QCoreApplication::instance())
        return false;
    // The first slice of a frame starts it: the clock's frame then comes a whole frame later,
    // by when the slices have long drawn the rest.
    if (!sliced) {
        sliced = true;
        lastFrame = Timer();
        frameClock()->start(static_cast<int>(kFrameSeconds * 1000.0 + 0.5));
    }
    drawing.push_back(waiting.front());
    waiting.erase(waiting.begin());
    if (FrameClient* client = drawing.front())
        client->DrawInFrame();
    drawing.clear();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::UpdateRequest);
    sliced = !waiting.empty();
    return sliced;
}

void DrawFrame()
{
    // A frame asked for from inside a client's drawing: the frame under way goes on.
    if (!drawing.empty())
        return;
    lastFrame = Timer();
    sliced = false;
    frameClock()->stop();
    // Taken out first: a client's drawing may ask for the following frame.
    drawing.swap(waiting);
    for (size_t i = 0; i < drawing.size(); ++i)
        if (FrameClient* client = drawing[i])
            client->DrawInFrame();
    drawing.clear();
    // The windows' paint, now rather than at the next event pass, which in the live loop may
    // come only once the answer is in.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::UpdateRequest);
}

#include "platform/plot_base.h"

#include <QVBoxLayout>

#include <utility>

#include "platform/runtime.h"
#include "platform/widgets.h"

namespace {

// Thirty redraws a second: moving values and traces look smooth, and the drawing, the largest
// cost of the live loop by far, takes half of what a redraw at every screen refresh would.
constexpr int kRefreshIntervalMs = 33;

}  // namespace

PlotBase::PlotBase(QFrame* frame) : QCustomPlot(frame)
{
    auto* layout = new QVBoxLayout(frame);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(this);
    // Clicks go to the frame, which carries the control's callback (the right-click help);
    // the graphs take no mouse interaction of their own.
    setAttribute(Qt::WA_TransparentForMouseEvents);
    // The plot paints its whole area (its background is opaque), so nothing behind it needs
    // painting when it refreshes.
    setAttribute(Qt::WA_OpaquePaintEvent);

    QFont small = font();
    small.setPointSize(7);
    for (QCPAxis* axis : {xAxis, yAxis}) {
        axis->setTickLabelFont(small);
        axis->setTickLabelPadding(2);
    }

    // Axis titles come from the file, as the run-time's graphs carry their axis names.
    QFont title = font();
    title.setPointSize(8);
    for (auto [axis, key] : {std::pair{xAxis, "xName"}, std::pair{yAxis, "yName"}}) {
        const QString name = frame->property(key).toString();
        if (!name.isEmpty()) {
            axis->setLabelFont(title);
            axis->setLabelPadding(1);
            axis->setLabel(name);
        }
    }

    // The file may give the vertical range (the strip chart's); the graphs' ranges are set by
    // the program.
    const QVariant yMin = frame->property("yMinimum");
    const QVariant yMax = frame->property("yMaximum");
    if (yMin.isValid() && yMax.isValid() && yMin.toDouble() < yMax.toDouble())
        yAxis->setRange(yMin.toDouble(), yMax.toDouble());

    // On top of every other layer, so that the plot has two paint buffers (everything else,
    // and what moves) rather than three to clear and put together on every refresh.
    addLayer(QStringLiteral("moving"), layer(QStringLiteral("overlay")), limAbove);
    moving_ = layer(QStringLiteral("moving"));
    moving_->setMode(QCPLayer::lmBuffered);

    refreshTimer_.setSingleShot(true);
    refreshTimer_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&refreshTimer_, &QTimer::timeout, this, [this] { RefreshNow(); });
    // Plots redraw in turn, a quarter of the interval apart, rather than all four in the same
    // event pass: the live loop's wait then meets one plot's drawing at a time.
    static int plotsMade = 0;
    phaseMs_ = (plotsMade++ % 4) * kRefreshIntervalMs / 4;
}

void PlotBase::startRefreshTimer()
{
    if (refreshTimer_.isActive())
        return;
    // The next moment of this plot's phase, at least a few milliseconds away, so that changes
    // made in one go are drawn together.
    const qint64 now = static_cast<qint64>(Timer() * 1000.0);
    qint64 wait = kRefreshIntervalMs - (now - phaseMs_) % kRefreshIntervalMs;
    if (wait < kRefreshIntervalMs / 8)
        wait += kRefreshIntervalMs;
    refreshTimer_.start(static_cast<int>(wait));
}

void PlotBase::InvalidateMoving()
{
    movingDirty_ = true;
    startRefreshTimer();
}

void PlotBase::InvalidateAll()
{
    allDirty_ = true;
    startRefreshTimer();
}

void PlotBase::RefreshNow()
{
    refreshTimer_.stop();
    if (!allDirty_ && !movingDirty_)
        return;
    SyncData();
    // A layer replot falls back to a full one by itself when the buffers are stale (resize).
    if (allDirty_)
        replot(rpQueuedRefresh);
    else
        moving_->replot();
    allDirty_ = movingDirty_ = false;
}

PlotBase* PlotOf(int panel, int control)
{
    QWidget* w = ControlWidget(panel, control);
    // Only a bare placeholder frame that says what it holds: labels, displays and text boxes
    // are QFrames too, and so are decorations.
    if (!w || w->metaObject() != &QFrame::staticMetaObject)
        return nullptr;
    auto* frame = static_cast<QFrame*>(w);
    if (auto* existing = frame->findChild<QCustomPlot*>(QString(), Qt::FindDirectChildrenOnly))
        return dynamic_cast<PlotBase*>(existing);
    const QString kind = frame->property("plotKind").toString();
    if (kind == QLatin1String("stripchart"))
        return MakeStripChart(frame);
    if (kind == QLatin1String("graph"))
        return MakeSideGraph(frame);
    return nullptr;
}

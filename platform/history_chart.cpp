// The time chart of a recording, laid over a strip chart's frame (platform/history_chart.h).
#include "platform/history_chart.h"

#include <QFrame>
#include <QLayout>

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <vector>

#include <qcustomplot.h>

#include "platform/plot_base.h"
#include "platform/widgets.h"

namespace {

constexpr int kTraces = 3;
constexpr int kTraceColors[kTraces] = {0xFF0000, 0x00B000, 0x0000FF};
constexpr char kHistoryName[] = "_historyChart";
// Past this many runs the boundaries are not marked one by one: the lines would hide the data.
constexpr size_t kMaxRunLines = 200;

}  // namespace

struct StripChartHistory {
    QSharedPointer<QCPGraphDataContainer> traces[kTraces];
    std::vector<double> runTimes;  // where each run after the first begins
    double first = 0, last = 1;    // the time span
    double lo = 0, hi = 1;         // the values' span
};

namespace {

class HistoryPlot : public QCustomPlot {
public:
    explicit HistoryPlot(QFrame* frame) : QCustomPlot(frame)
    {
        setObjectName(QLatin1String(kHistoryName));
        QFont small = font();
        small.setPointSize(7);
        for (QCPAxis* axis : {xAxis, yAxis}) {
            axis->setTickLabelFont(small);
            axis->setTickLabelPadding(2);
        }
        ticker_.reset(new QCPAxisTickerDateTime);
        ticker_->setDateTimeFormat(QStringLiteral("HH:mm:ss"));
        ticker_->setDateTimeSpec(Qt::UTC);
        ticker_->setTickCount(3);
        xAxis->setTicker(ticker_);
        for (int t = 0; t < kTraces; ++t) {
            QCPGraph* g = addGraph(xAxis, yAxis);
            g->setPen(QPen(ColorFromRgb(kTraceColors[t])));
            // A million points are drawn as the few hundred the width can show.
            g->setAdaptiveSampling(true);
        }
        cursor_ = new QCPItemStraightLine(this);
        cursor_->setPen(QPen(QColor(0x20, 0x20, 0x20), 1));
        cursor_->setClipToAxisRect(true);
        // Along time only: the values keep their scale while the operator zooms and pans.
        setInteractions(QCP::iRangeDrag | QCP::iRangeZoom);
        axisRect()->setRangeDrag(Qt::Horizontal);
        axisRect()->setRangeZoom(Qt::Horizontal);
        connect(xAxis, qOverload<const QCPRange&>(&QCPAxis::rangeChanged), this,
                [this](const QCPRange& r) { keepInside(r); });
    }

    void Show(const StripChartHistory& h);

    void SetView(double from, double to)
    {
        xAxis->setRange(from, to);
        replot(rpQueuedReplot);
    }

    void SetCursor(double at)
    {
        cursorAt_ = at;
        cursor_->point1->setCoords(at, 0);
        cursor_->point2->setCoords(at, 1);
        replot(rpQueuedReplot);
    }

    double Cursor() const { return cursorAt_; }

private:
    // Zooming out stops at the whole recording, and panning at its ends. Within a few seconds
    // the ticks are fractions of a second, and their labels say which.
    void keepInside(const QCPRange& r)
    {
        const bool fine = r.size() < 10;
        ticker_->setDateTimeFormat(fine ? QStringLiteral("mm:ss.z") : QStringLiteral("HH:mm:ss"));
        ticker_->setTickCount(fine ? 2 : 3);
        const double span = last_ - first_;
        QCPRange kept = r;
        if (kept.size() > span)
            kept = QCPRange(first_, last_);
        else if (kept.lower < first_)
            kept = QCPRange(first_, first_ + r.size());
        else if (kept.upper > last_)
            kept = QCPRange(last_ - r.size(), last_);
        if (kept.lower != r.lower || kept.upper != r.upper)
            xAxis->setRange(kept);
    }

    QSharedPointer<QCPAxisTickerDateTime> ticker_;
    QCPItemStraightLine* cursor_ = nullptr;
    std::vector<QCPItemStraightLine*> runLines_;
    double first_ = 0, last_ = 1, cursorAt_ = 0;
};

void HistoryPlot::Show(const StripChartHistory& h)
{
    for (QCPItemStraightLine* line : runLines_)
        removeItem(line);
    runLines_.clear();
    // Shared, not copied: the points were made on the reading thread.
    for (int t = 0; t < kTraces; ++t)
        graph(t)->setData(h.traces[t]);
    const double margin = std::max(1.0, (h.hi - h.lo) * 0.05);
    yAxis->setRange(h.lo - margin, h.hi + margin);
    first_ = h.first;
    last_ = h.last;
    for (double at : h.runTimes) {
        auto* line = new QCPItemStraightLine(this);
        line->setPen(QPen(QColor(0x60, 0x60, 0x60), 1, Qt::DashLine));
        line->point1->setCoords(at, 0);
        line->point2->setCoords(at, 1);
        runLines_.push_back(line);
    }
    xAxis->setRange(first_, last_);
    SetCursor(first_);
}

QFrame* stripChartFrame(int panel, int control)
{
    auto* frame = qobject_cast<QFrame*>(ControlWidget(panel, control));
    if (!frame || frame->property("plotKind").toString() != QLatin1String("stripchart"))
        return nullptr;
    return frame;
}

// Found by name and dynamic_cast: without a meta-object of its own, findChild<HistoryPlot*>
// would take the strip chart's plot, also a QCustomPlot, for one.

HistoryPlot* historyIn(QFrame* frame)
{
    return frame ? dynamic_cast<HistoryPlot*>(frame->findChild<QCustomPlot*>(
                       QLatin1String(kHistoryName), Qt::FindDirectChildrenOnly))
                 : nullptr;
}

HistoryPlot* historyOf(int panel, int control) { return historyIn(stripChartFrame(panel, control)); }

}  // namespace

StripChartHistory* MakeStripChartHistory(const double* seconds, const double* values, size_t count,
                                         const size_t* runStarts, size_t runCount)
{
    if ((count && (!seconds || !values)) || (runCount && !runStarts))
        return nullptr;
    for (size_t r = 1; r < runCount; ++r)
        if (runStarts[r] <= runStarts[r - 1])
            return nullptr;
    auto* h = new StripChartHistory;
    // A recording's times only go forward; sorting a million points that are in order already
    // would cost more than all the rest, so it is done only when they are not.
    bool inOrder = true;
    for (size_t i = 1; i < count && inOrder; ++i)
        inOrder = seconds[i - 1] <= seconds[i];
    double lo = std::numeric_limits<double>::infinity();
    double hi = -lo;
    for (int t = 0; t < kTraces; ++t) {
        QVector<QCPGraphData> points;
        points.reserve(static_cast<qsizetype>(count + runCount));
        size_t run = 1;
        for (size_t i = 0; i < count; ++i) {
            // A point without a value just before each later run keeps the runs apart.
            if (run < runCount && runStarts[run] == i) {
                if (i > 0)
                    points.append(QCPGraphData(seconds[i - 1], qQNaN()));
                ++run;
            }
            const double v = values[3 * i + t];
            points.append(QCPGraphData(seconds[i], v));
            lo = std::min(lo, v);
            hi = std::max(hi, v);
        }
        h->traces[t].reset(new QCPGraphDataContainer);
        h->traces[t]->set(points, inOrder);
    }
    h->lo = lo <= hi ? lo : 0;
    h->hi = lo <= hi ? hi : 1;
    if (count) {
        const auto [a, b] = std::minmax_element(seconds, seconds + count);
        h->first = *a;
        h->last = *b > *a ? *b : *a + 1;
    }
    for (size_t r = 1; r < runCount && r <= kMaxRunLines && runStarts[r] < count; ++r)
        h->runTimes.push_back(seconds[runStarts[r]]);
    return h;
}

void FreeStripChartHistory(StripChartHistory* history) { delete history; }

int ShowStripChartHistory(int panel, int control, StripChartHistory* history)
{
    const std::unique_ptr<StripChartHistory> owned(history);
    QFrame* frame = stripChartFrame(panel, control);
    if (!frame || !history)
        return -1;
    // The strip chart itself is made first, so that the frame has its layout and the live
    // traces are there to come back to.
    PlotBase* live = PlotOf(panel, control);
    if (!live)
        return -1;
    HistoryPlot* plot = historyIn(frame);
    if (!plot) {
        plot = new HistoryPlot(frame);
        frame->layout()->addWidget(plot);
    }
    plot->Show(*history);
    live->hide();
    plot->show();
    return 0;
}

int EndStripChartHistory(int panel, int control)
{
    QFrame* frame = stripChartFrame(panel, control);
    if (!frame)
        return -1;
    if (HistoryPlot* plot = historyIn(frame)) {
        // The recording's points go with it; the next one builds its own. Out of the frame at
        // once, so that a history shown before it is gone gets a plot of its own.
        plot->hide();
        plot->setParent(nullptr);
        plot->deleteLater();
        if (PlotBase* live = PlotOf(panel, control)) {
            live->show();
            live->InvalidateAll();
        }
    }
    return 0;
}

int StripChartHistoryShown(int panel, int control)
{
    if (!stripChartFrame(panel, control))
        return -1;
    return historyOf(panel, control) ? 1 : 0;
}

int SetStripChartHistoryView(int panel, int control, double from, double to)
{
    HistoryPlot* plot = historyOf(panel, control);
    if (!plot || !std::isfinite(from) || !std::isfinite(to) || !(from < to))
        return -1;
    plot->SetView(from, to);
    return 0;
}

int GetStripChartHistoryView(int panel, int control, double* from, double* to)
{
    HistoryPlot* plot = historyOf(panel, control);
    if (!plot)
        return -1;
    if (from)
        *from = plot->xAxis->range().lower;
    if (to)
        *to = plot->xAxis->range().upper;
    return 0;
}

int SetStripChartHistoryCursor(int panel, int control, double seconds)
{
    HistoryPlot* plot = historyOf(panel, control);
    if (!plot || !std::isfinite(seconds))
        return -1;
    plot->SetCursor(seconds);
    return 0;
}

int GetStripChartHistoryCursor(int panel, int control, double* seconds)
{
    HistoryPlot* plot = historyOf(panel, control);
    if (!plot)
        return -1;
    if (seconds)
        *seconds = plot->Cursor();
    return 0;
}

// Strip charts: three traces that scroll, the newest point at the right.
#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/graphs.h"
#include "platform/plot_base.h"
#include "platform/userint.h"
#include "platform/widgets.h"

namespace {

constexpr int kTraces = 3;
constexpr int kDefaultPointsPerScreen = 100;
constexpr int kMinPointsPerScreen = 2;
constexpr int kMaxPointsPerScreen = 100000;
constexpr int kTraceColors[kTraces] = {0xFF0000, 0x00B000, 0x0000FF};

// Between refreshes the points live in one ring per trace; the plotting library's copy is
// brought up to date only when the chart is drawn. Neither buffer is reallocated while the
// points per screen stay the same, so plotting pass after pass allocates nothing.
//
// The library keeps the traces (and names them in the legend) but does not draw them: they
// move on every refresh, so the chart paints them itself over the buffer that holds the axes
// and the legend, and a refresh repaints the plot area alone.
class StripChart : public PlotBase {
public:
    explicit StripChart(QFrame* frame) : PlotBase(frame)
    {
        addLayer(QStringLiteral("traces"));
        QCPLayer* traces = layer(QStringLiteral("traces"));
        traces->setVisible(false);
        for (int t = 0; t < kTraces; ++t) {
            QCPGraph* g = addGraph(xAxis, yAxis);
            g->setLayer(traces);
            g->setPen(QPen(ColorFromRgb(kTraceColors[t])));
            g->setAdaptiveSampling(false);
        }
        SetPointsPerScreen(kDefaultPointsPerScreen);
        ShowLegend(frame->property("traceNames").toString().split(';'));
    }

    bool HorizontalAxisIsFixed() const override { return true; }

    int PointsPerScreen() const { return capacity_; }

    void SetPointsPerScreen(int n)
    {
        if (n != capacity_) {
            capacity_ = n;
            for (Ring& r : rings_)
                r.values.assign(static_cast<size_t>(n), 0.0);
            scratch_.reserve(n);
            for (QVector<QPointF>& points : points_)
                points.reserve(n);
            xAxis->setRange(0, n - 1);
            InvalidateAll();
        }
        for (Ring& r : rings_)
            r.head = r.count = 0;
        InvalidateMoving();
    }

    void Append(int trace, double v)
    {
        Ring& r = rings_[trace];
        if (r.count < capacity_) {
            r.values[static_cast<size_t>((r.head + r.count) % capacity_)] = v;
            ++r.count;
        } else {
            r.values[static_cast<size_t>(r.head)] = v;
            r.head = (r.head + 1) % capacity_;
        }
    }

    // The mark sits at the newest point of the first trace (the right edge once the chart is
    // full), a grey dashed line over the traces with its label at the top.
    void SetMark(const QString& label)
    {
        markX_ = std::max(0, rings_[0].count - 1);
        markLabel_ = label;
        InvalidateMoving();
    }

    QString MarkLabel(double* x) const
    {
        if (markLabel_.isEmpty())
            return {};
        if (x)
            *x = markX_;
        return markLabel_;
    }

    int Copy(int trace, double* out, int cap) const
    {
        const Ring& r = rings_[trace];
        for (int i = 0; i < r.count && i < cap; ++i)
            out[i] = At(r, i);
        return r.count;
    }

protected:
    void SyncData() override
    {
        for (int t = 0; t < kTraces; ++t) {
            const Ring& r = rings_[t];
            QSharedPointer<QCPGraphDataContainer> data = graph(t)->data();
            if (data->size() == r.count) {
                // Same number of points: only the values change, in place.
                int i = 0;
                for (auto it = data->begin(); it != data->end(); ++it, ++i)
                    it->value = At(r, i);
                continue;
            }
            scratch_.resize(r.count);
            for (int i = 0; i < r.count; ++i)
                scratch_[i] = QCPGraphData(i, At(r, i));
            data->set(scratch_, true);
        }
    }

    // The traces in pixels over the plot area; with a mark, whose label may reach beyond it,
    // the region is the whole chart.
    QRegion PlaceMoving() override
    {
        QCPAxisRect* area = Area();
        if (!area)
            return {};
        area_ = area->rect();
        for (int t = 0; t < kTraces; ++t) {
            const QSharedPointer<QCPGraphDataContainer> data = graph(t)->data();
            QVector<QPointF>& points = points_[t];
            points.clear();
            for (auto it = data->constBegin(); it != data->constEnd(); ++it)
                points.append(QPointF(xAxis->coordToPixel(it->key), yAxis->coordToPixel(it->value)));
        }
        legendArea_ = legend && legend->visible() ? legend->outerRect() : QRect();
        if (markLabel_.isEmpty())
            return area_.adjusted(-1, -1, 1, 1);
        markPixel_ = xAxis->coordToPixel(markX_);
        return rect();
    }

    void PaintMoving(QCPPainter* painter) override
    {
        if (area_.isNull())
            return;
        painter->save();
        painter->setClipRect(area_, Qt::IntersectClip);
        painter->setAntialiasing(true);
        for (int t = 0; t < kTraces; ++t) {
            painter->setPen(graph(t)->pen());
            painter->drawPolyline(points_[t].constData(), static_cast<int>(points_[t].size()));
        }
        painter->restore();
        // The legend stays above the traces: its part of the buffer is put over them again.
        if (!legendArea_.isNull()) {
            painter->save();
            painter->setClipRect(legendArea_, Qt::IntersectClip);
            for (const QSharedPointer<QCPAbstractPaintBuffer>& buffer : std::as_const(mPaintBuffers))
                buffer->draw(painter);
            painter->restore();
        }
        if (!markLabel_.isEmpty())
            PaintMark(painter);
    }

private:
    void PaintMark(QCPPainter* painter) const
    {
        painter->save();
        painter->setAntialiasing(true);
        painter->setClipRect(area_, Qt::IntersectClip);
        painter->setPen(QPen(QColor(0x60, 0x60, 0x60), 2, Qt::DashLine));
        painter->drawLine(QLineF(markPixel_, area_.top(), markPixel_, area_.bottom()));
        painter->setClipping(false);
        painter->setPen(QColor(0x40, 0x40, 0x40));
        const QRectF box(markPixel_ - area_.width(), area_.top() + 0.02 * area_.height(), area_.width(),
                         area_.height());
        painter->drawText(box, Qt::AlignRight | Qt::AlignTop | Qt::TextDontClip, markLabel_);
        painter->restore();
    }

    // The traces' names from the file ("R;G;B"), in a small legend in the top left corner,
    // each in its trace's colour.
    void ShowLegend(const QStringList& names)
    {
        if (names.size() != kTraces)
            return;
        for (int t = 0; t < kTraces; ++t)
            graph(t)->setName(names[t].trimmed());
        QFont small = font();
        small.setPointSize(7);
        legend->setFont(small);
        legend->setIconSize(14, 6);
        legend->setRowSpacing(-2);
        legend->setBrush(QBrush(QColor(255, 255, 255, 200)));
        legend->setBorderPen(QPen(QColor(160, 160, 160)));
        legend->setFillOrder(QCPLayoutGrid::foColumnsFirst);
        legend->setWrap(kTraces);
        axisRect()->insetLayout()->setInsetAlignment(0, Qt::AlignTop | Qt::AlignLeft);
        for (int t = 0; t < kTraces; ++t)
            if (auto* item = legend->itemWithPlottable(graph(t)))
                item->setTextColor(ColorFromRgb(kTraceColors[t]));
        legend->setVisible(true);
    }

    struct Ring {
        std::vector<double> values;
        int head = 0;   // index of the oldest point
        int count = 0;
    };

    double At(const Ring& r, int i) const
    {
        return r.values[static_cast<size_t>((r.head + i) % capacity_)];
    }

    Ring rings_[kTraces];
    int capacity_ = 0;
    double markX_ = 0;   // in points from the left
    QString markLabel_;  // empty: no mark
    QVector<QCPGraphData> scratch_;
    // Where PlaceMoving put the traces, the plot area, the legend and the mark, in pixels.
    QVector<QPointF> points_[kTraces];
    QRect area_, legendArea_;
    double markPixel_ = 0;
};

}  // namespace

PlotBase* MakeStripChart(QFrame* frame) { return new StripChart(frame); }

int PlotStripChart(int panel, int control, const double* data, int numPoints, int start, int skip,
                   int dataType)
{
    auto* chart = PlotIn<StripChart>(panel, control);
    if (!chart || dataType != VAL_DOUBLE || numPoints < 0 || numPoints % kTraces != 0 ||
        start < 0 || skip < 0 || (numPoints > 0 && !data))
        return -1;
    const long long stride = static_cast<long long>(skip) + 1;
    for (int k = 0; k < numPoints; ++k)
        chart->Append(k % kTraces, data[start + k * stride]);
    if (numPoints > 0)
        chart->InvalidateMoving();
    return 0;
}

int SetStripChartMark(int panel, int control, const char* label)
{
    auto* chart = PlotIn<StripChart>(panel, control);
    if (!chart)
        return -1;
    chart->SetMark(QString::fromUtf8(label ? label : ""));
    return 0;
}

int GetStripChartMark(int panel, int control, char* label, int capacity, double* x)
{
    auto* chart = PlotIn<StripChart>(panel, control);
    if (!chart || (capacity > 0 && !label))
        return -1;
    const QByteArray text = chart->MarkLabel(x).toUtf8();
    if (capacity > 0) {
        const size_t n = std::min(static_cast<size_t>(text.size()), static_cast<size_t>(capacity - 1));
        std::memcpy(label, text.constData(), n);
        label[n] = '\0';
    }
    return 0;
}

int GetStripChartPoints(int panel, int control, int trace, double* values, int capacity)
{
    auto* chart = PlotIn<StripChart>(panel, control);
    if (!chart || trace < 0 || trace >= kTraces || capacity < 0 || (capacity > 0 && !values))
        return -1;
    return chart->Copy(trace, values, capacity);
}

int SetStripChartAttribute(int panel, int control, int attribute, int value)
{
    auto* chart = PlotIn<StripChart>(panel, control);
    if (!chart || attribute != ATTR_POINTS_PER_SCREEN || value < kMinPointsPerScreen ||
        value > kMaxPointsPerScreen)
        return -1;
    chart->SetPointsPerScreen(value);
    return 0;
}

int GetStripChartAttribute(int panel, int control, int attribute, int* value)
{
    auto* chart = PlotIn<StripChart>(panel, control);
    if (!chart || attribute != ATTR_POINTS_PER_SCREEN || !value)
        return -1;
    *value = chart->PointsPerScreen();
    return 0;
}

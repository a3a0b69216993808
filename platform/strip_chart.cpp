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
class StripChart : public PlotBase {
public:
    explicit StripChart(QFrame* frame) : PlotBase(frame)
    {
        for (int t = 0; t < kTraces; ++t) {
            QCPGraph* g = addGraph(xAxis, yAxis);
            g->setLayer(MovingLayer());
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
    // full), drawn in grey on the moving layer over the traces.
    void SetMark(const QString& label)
    {
        if (!markLine_) {
            markLine_ = new QCPItemStraightLine(this);
            markLine_->setLayer(MovingLayer());
            markLine_->setPen(QPen(QColor(0x60, 0x60, 0x60), 2, Qt::DashLine));
            markText_ = new QCPItemText(this);
            markText_->setLayer(MovingLayer());
            markText_->setColor(QColor(0x40, 0x40, 0x40));
            markText_->setPositionAlignment(Qt::AlignRight | Qt::AlignTop);
            markText_->position->setTypeY(QCPItemPosition::ptAxisRectRatio);
        }
        const double x = std::max(0, rings_[0].count - 1);
        markLine_->point1->setCoords(x, 0);
        markLine_->point2->setCoords(x, 1);
        markText_->position->setCoords(x, 0.02);
        markText_->setText(label);
        markLine_->setVisible(!label.isEmpty());
        markText_->setVisible(!label.isEmpty());
        InvalidateMoving();
    }

    QString MarkLabel(double* x) const
    {
        if (!markLine_ || !markLine_->visible())
            return {};
        if (x)
            *x = markLine_->point1->coords().x();
        return markText_->text();
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

private:
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
        // Over the traces, which sit on the moving layer above every other one.
        legend->setLayer(MovingLayer());
        for (int i = 0; i < legend->itemCount(); ++i)
            legend->item(i)->setLayer(MovingLayer());
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
    QCPItemStraightLine* markLine_ = nullptr;  // owned by the plot
    QCPItemText* markText_ = nullptr;
    QVector<QCPGraphData> scratch_;
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

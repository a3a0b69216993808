#include "platform/graphs.h"

#include <climits>
#include <cmath>
#include <map>
#include <numbers>

#include "platform/plot_base.h"
#include "platform/userint.h"
#include "platform/widgets.h"

namespace {

constexpr int kFullArc = 3600;       // tenths of a degree
constexpr double kArcStepDegrees = 5.0;

QPen PenOf(int color) { return color == VAL_TRANSPARENT ? QPen(Qt::NoPen) : QPen(ColorFromRgb(color)); }
QBrush BrushOf(int color) { return color == VAL_TRANSPARENT ? QBrush() : QBrush(ColorFromRgb(color)); }

// A graph with manual axes, plots addressed by handle, and one crosshair cursor.
class SideGraph : public PlotBase {
public:
    explicit SideGraph(QFrame* frame) : PlotBase(frame)
    {
        // The axes on top and on the right are never shown; without ticks they cost nothing
        // at a layout either.
        for (QCPAxis* hidden : {xAxis2, yAxis2}) {
            hidden->setTicks(false);
            hidden->setTickLabels(false);
            hidden->grid()->setVisible(false);
        }
        // Which circles are in view matters only to a redraw of the buffer, however it comes
        // (a refresh, a resize); a refresh that moves just the cursor never asks.
        QObject::connect(this, &QCustomPlot::beforeReplot, this, [this] { HideCirclesOutOfView(); });
    }

    // A whole ellipse is an item; a part of one is a curve through points on it.
    int AddEllipse(double left, double top, double right, double bottom, int color, int fill)
    {
        auto* e = new QCPItemEllipse(this);
        e->topLeft->setCoords(left, top);
        e->bottomRight->setCoords(right, bottom);
        e->setPen(PenOf(color));
        e->setBrush(BrushOf(fill));
        circlesMoved_ = true;
        return Keep(Plot{e, nullptr, QRectF(QPointF(left, top), QPointF(right, bottom)).normalized()});
    }

    int AddCurve(const QVector<double>& xs, const QVector<double>& ys, int color, int fill)
    {
        auto* c = new QCPCurve(xAxis, yAxis);
        c->setData(xs, ys);
        c->setPen(PenOf(color));
        c->setBrush(BrushOf(fill));
        return Keep(Plot{nullptr, c, {}});
    }

    bool Delete(int handle)
    {
        auto it = plots_.find(handle);
        if (it == plots_.end())
            return false;
        Remove(it->second);
        plots_.erase(it);
        return true;
    }

    void DeleteAll()
    {
        for (auto& [handle, plot] : plots_)
            Remove(plot);
        plots_.clear();
    }

    int Count() const { return static_cast<int>(plots_.size()); }

    // The cursor as the program placed it last; shown from the next refresh.
    struct Cursor {
        double x = 0, y = 0;
        bool visible = false;
    };
    const Cursor& CursorPlaced() const { return placed_; }
    void PlaceCursor(double x, double y) { placed_ = {x, y, true}; }

protected:
    void SyncData() override { shown_ = placed_; }

    // The crosshair is two lines of one pixel across the plot area, through the pixel that
    // holds the point (each only while the point is inside the area on its axis); the region
    // takes a pixel more on either side.
    QRegion PlaceMoving() override
    {
        across_ = down_ = QRect();
        QCPAxisRect* area = Area();
        if (!shown_.visible || !area)
            return {};
        const QRect r = area->rect();
        const double x = std::floor(xAxis->coordToPixel(shown_.x));
        const double y = std::floor(yAxis->coordToPixel(shown_.y));
        if (y > r.top() && y < r.bottom())
            across_ = QRect(r.left(), static_cast<int>(y), r.width(), 1);
        if (x > r.left() && x < r.right())
            down_ = QRect(static_cast<int>(x), r.top(), 1, r.height());
        QRegion region;
        for (const QRect& line : {across_, down_})
            if (!line.isNull())
                region += line.adjusted(-1, -1, 1, 1);
        return region;
    }

    // The crosshair is all there is, and its region says where its lines are.
    bool MovingLooksTheSame(const QRegion& before, const QRegion& now) const override { return before == now; }

    // Lines of one pixel as filled rectangles: the painter is clipped to a few thin strips,
    // where filling is far cheaper than stroking.
    void PaintMoving(QCPPainter* painter) override
    {
        const QColor color(40, 40, 40);
        for (const QRect& line : {across_, down_})
            if (!line.isNull())
                painter->fillRect(line, color);
    }

    // The program gives both axes of a side view the same span, so a tolerance circle is round
    // only on a square plot area: the margins the axes need are widened on the longer side.
    // Runs at every layout (a resize, a new axis range with wider tick labels).
    void updateLayout() override
    {
        QCPAxisRect* area = Area();
        if (!area) {
            QCustomPlot::updateLayout();
            return;
        }
        area->setMinimumMargins(QMargins());
        QCustomPlot::updateLayout();
        const QRect inner = area->rect();
        const int excess = inner.width() - inner.height();
        if (excess == 0)
            return;
        QMargins m = area->margins();
        if (excess > 0) {
            m.setLeft(m.left() + excess / 2);
            m.setRight(m.right() + excess - excess / 2);
        } else {
            m.setTop(m.top() - excess / 2);
            m.setBottom(m.bottom() - excess + excess / 2);
        }
        area->setMinimumMargins(m);
        // The ticks of the first pass stand (they follow the ranges, not the size): only the
        // margins and the layout are worked out again.
        mPlotLayout->update(QCPLayoutElement::upMargins);
        mPlotLayout->update(QCPLayoutElement::upLayout);
    }

private:
    struct Plot {
        QCPAbstractItem* item;  // a circle (an ellipse) when set
        QCPAbstractPlottable* plottable;
        QRectF box;  // a circle's, in plot coordinates
    };

    int Keep(Plot plot)
    {
        // Handles are not reused while their plot lives; after INT_MAX plots they wrap.
        while (plots_.count(nextHandle_))
            nextHandle_ = nextHandle_ == INT_MAX ? 1 : nextHandle_ + 1;
        const int handle = nextHandle_;
        nextHandle_ = nextHandle_ == INT_MAX ? 1 : nextHandle_ + 1;
        plots_[handle] = plot;
        return handle;
    }

    void Remove(const Plot& plot)
    {
        if (plot.item)
            removeItem(plot.item);
        else
            removePlottable(plot.plottable);
    }

    // A circle whose box lies outside the axis ranges draws nothing, but the library would
    // still set up its painter for it at every redraw; the unused rows of a teach table (all
    // at the origin) are most of the 64. Hidden, they are passed over. The ranges are widened
    // by a few pixels' worth, for the pen of a circle just outside them.
    // Worked out again only when the ranges or the circles changed.
    void HideCirclesOutOfView()
    {
        const QCPRange x = xAxis->range(), y = yAxis->range();
        if (!circlesMoved_ && x == shownX_ && y == shownY_)
            return;
        circlesMoved_ = false;
        shownX_ = x;
        shownY_ = y;
        const double mx = 0.02 * x.size(), my = 0.02 * y.size();
        for (auto& [handle, plot] : plots_) {
            if (!plot.item)
                continue;
            const QRectF& b = plot.box;
            plot.item->setVisible(b.right() >= x.lower - mx && b.left() <= x.upper + mx &&
                                  b.bottom() >= y.lower - my && b.top() <= y.upper + my);
        }
    }

    std::map<int, Plot> plots_;
    bool circlesMoved_ = false;  // a circle came since the last HideCirclesOutOfView
    QCPRange shownX_, shownY_;   // the ranges it worked with
    int nextHandle_ = 1;
    Cursor placed_, shown_;
    QRect across_, down_;  // the crosshair's lines as placed for painting; null: not shown
};

QCPAxis* AxisOf(PlotBase* plot, int axis)
{
    switch (axis) {
    case VAL_XAXIS: return plot->xAxis;
    case VAL_LEFT_YAXIS: return plot->yAxis;
    default: return nullptr;
    }
}

bool Finite(std::initializer_list<double> values)
{
    for (double v : values)
        if (!std::isfinite(v))
            return false;
    return true;
}

}  // namespace

PlotBase* MakeSideGraph(QFrame* frame) { return new SideGraph(frame); }

int PlotArc(int panel, int graph, double x1, double y1, double x2, double y2, int startAngle,
            int arcAngle, int color, int fillColor)
{
    auto* g = PlotIn<SideGraph>(panel, graph);
    if (!g || !Finite({x1, y1, x2, y2}) || arcAngle == 0)
        return -1;
    int handle;
    if (arcAngle >= kFullArc || arcAngle <= -kFullArc) {
        handle = g->AddEllipse(std::min(x1, x2), std::max(y1, y2), std::max(x1, x2),
                               std::min(y1, y2), color, fillColor);
    } else {
        const double cx = (x1 + x2) / 2, cy = (y1 + y2) / 2;
        const double rx = std::abs(x2 - x1) / 2, ry = std::abs(y2 - y1) / 2;
        const double from = startAngle / 10.0, sweep = arcAngle / 10.0;
        const int steps = std::max(2, static_cast<int>(std::ceil(std::abs(sweep) / kArcStepDegrees)));
        QVector<double> xs(steps + 1), ys(steps + 1);
        for (int i = 0; i <= steps; ++i) {
            const double a = (from + sweep * i / steps) * std::numbers::pi / 180.0;
            xs[i] = cx + rx * std::cos(a);
            ys[i] = cy + ry * std::sin(a);
        }
        handle = g->AddCurve(xs, ys, color, fillColor);
    }
    g->InvalidateAll();
    return handle;
}

int DeleteGraphPlot(int panel, int graph, int plotHandle, int refresh)
{
    auto* g = PlotIn<SideGraph>(panel, graph);
    if (!g || refresh < VAL_IMMEDIATE_DRAW || refresh > VAL_NO_DRAW)
        return -1;
    if (plotHandle == VAL_ALL_PLOTS)
        g->DeleteAll();
    else if (!g->Delete(plotHandle))
        return -1;
    if (refresh != VAL_NO_DRAW)
        g->InvalidateAll();
    return 0;
}

int GraphPlotCount(int panel, int graph)
{
    auto* g = PlotIn<SideGraph>(panel, graph);
    return g ? g->Count() : -1;
}

int SetAxisScalingMode(int panel, int graph, int axis, int mode, double min, double max)
{
    PlotBase* plot = PlotOf(panel, graph);
    if (!plot || mode != VAL_MANUAL || !Finite({min, max}) || !(min < max))
        return -1;
    if (axis == VAL_XAXIS && plot->HorizontalAxisIsFixed())
        return -1;
    QCPAxis* a = AxisOf(plot, axis);
    if (!a)
        return -1;
    // The live loop sets the same window pass after pass, or one dragged a little by the
    // live point: only a visible change redraws the axes and circles.
    if (a->range().lower != min || a->range().upper != max) {
        a->setRange(min, max);
        plot->InvalidateRange();
    }
    return 0;
}

int GetAxisScalingMode(int panel, int graph, int axis, int* mode, double* min, double* max)
{
    PlotBase* plot = PlotOf(panel, graph);
    QCPAxis* a = plot ? AxisOf(plot, axis) : nullptr;
    if (!a || !mode || !min || !max)
        return -1;
    *mode = VAL_MANUAL;
    *min = a->range().lower;
    *max = a->range().upper;
    return 0;
}

int SetGraphCursor(int panel, int graph, int cursorNumber, double x, double y)
{
    auto* g = PlotIn<SideGraph>(panel, graph);
    if (!g || cursorNumber != 1 || !Finite({x, y}))
        return -1;
    const SideGraph::Cursor& c = g->CursorPlaced();
    if (c.visible && c.x == x && c.y == y)
        return 0;
    g->PlaceCursor(x, y);
    g->InvalidateMoving();
    return 0;
}

int GetGraphCursor(int panel, int graph, int cursorNumber, double* x, double* y)
{
    auto* g = PlotIn<SideGraph>(panel, graph);
    if (!g || cursorNumber != 1 || !x || !y)
        return -1;
    *x = g->CursorPlaced().x;
    *y = g->CursorPlaced().y;
    return 0;
}

int RefreshGraph(int panel, int graph)
{
    PlotBase* plot = PlotOf(panel, graph);
    if (!plot)
        return -1;
    plot->RefreshNow();
    return 0;
}

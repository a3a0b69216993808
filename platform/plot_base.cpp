#include "platform/plot_base.h"

#include <QPaintEvent>
#include <QPointer>
#include <QVBoxLayout>

#include <cmath>
#include <map>
#include <utility>

#include "platform/widgets.h"

namespace {

// The plot's ground, drawn into the buffer beneath everything else. The buffer is then opaque,
// and a repaint just puts it on the screen, instead of filling the background first and
// blending the buffer over it: the pixels of a plot are touched once per repaint, not twice.
class Ground final : public QCPLayerable {
public:
    Ground(QCustomPlot* plot, const QString& layer, const QBrush& brush) : QCPLayerable(plot, layer), brush_(brush) {}

protected:
    void applyDefaultAntialiasingHint(QCPPainter*) const override {}
    QRect clipRect() const override { return mParentPlot->viewport(); }
    void draw(QCPPainter* painter) override { painter->fillRect(mParentPlot->viewport(), brush_); }

private:
    QBrush brush_;
};

// The buffer of what stays put. The library clears its buffers to transparent before every
// redraw, although the ground then covers this one entirely; cleared to an opaque colour, the
// pixmap keeps the screen's opaque format instead, and putting it on the screen at every
// refresh is a plain copy of its lines rather than a blend of every pixel.
class OpaqueBuffer final : public QCPPaintBufferPixmap {
public:
    OpaqueBuffer(const QSize& size, double devicePixelRatio) : QCPPaintBufferPixmap(size, devicePixelRatio) {}
    void clear(const QColor&) override { mBuffer.fill(Qt::white); }
};

// A cursor's lines before and after a move cover at most this many rectangles.
constexpr int kMostPartsPaintedApart = 12;

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

    // Tick labels are digits and the titles single letters: laid out without text shaping,
    // they cost a fraction of the time at every redraw of a window the live point drags.
    QFont plain = font();
    plain.setStyleStrategy(QFont::StyleStrategy(plain.styleStrategy() | QFont::PreferNoShaping));
    QFont small = plain;
    small.setPointSize(7);
    for (QCPAxis* axis : {xAxis, yAxis}) {
        axis->setTickLabelFont(small);
        axis->setTickLabelPadding(2);
    }

    // Axis titles come from the file, as the run-time's graphs carry their axis names.
    QFont title = plain;
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

    // Everything the library draws goes into one buffer: its overlay layer (for interactive
    // selections, which the graphs do not take) would otherwise be a second buffer to clear
    // and put on the screen on every refresh.
    layer(QStringLiteral("overlay"))->setMode(QCPLayer::lmLogical);
    const QString ground = QStringLiteral("ground");
    addLayer(ground, layer(QStringLiteral("background")), limBelow);
    new Ground(this, ground, mBackgroundBrush);
    setBackground(Qt::NoBrush);
    // The library makes its buffers as the layers need them and keeps them from then on: one
    // made here first is the one it uses.
    mPaintBuffers.clear();
    mPaintBuffers.append(
        QSharedPointer<QCPAbstractPaintBuffer>(new OpaqueBuffer(viewport().size(), mBufferDevicePixelRatio)));

    // However the buffer came to be redrawn (a refresh, a resize), what moves follows it.
    QObject::connect(this, &QCustomPlot::afterReplot, this, [this] {
        painted_ = PlaceMoving();
        drawnX_ = xAxis->range();
        drawnY_ = yAxis->range();
        drawnArea_ = Area() ? Area()->size() : QSize();
    });

}

void PlotBase::InvalidateMoving()
{
    movingDirty_ = true;
    NeedFrame(this);
}

void PlotBase::InvalidateAll()
{
    allDirty_ = true;
    NeedFrame(this);
}

void PlotBase::InvalidateRange()
{
    rangeDirty_ = true;
    NeedFrame(this);
}

bool PlotBase::RangesLookTheSame() const
{
    const auto same = [](const QCPRange& drawn, const QCPRange& now, int pixels) {
        if (pixels <= 0 || !(drawn.size() > 0))
            return false;
        const double perPixel = drawn.size() / pixels;
        return std::abs(now.lower - drawn.lower) < 0.5 * perPixel && std::abs(now.upper - drawn.upper) < 0.5 * perPixel;
    };
    return same(drawnX_, xAxis->range(), drawnArea_.width()) && same(drawnY_, yAxis->range(), drawnArea_.height());
}

void PlotBase::RefreshNow()
{
    // What moves is placed against the ranges as they are, whether or not the buffer follows.
    if (rangeDirty_)
        (RangesLookTheSame() ? movingDirty_ : allDirty_) = true;
    rangeDirty_ = false;
    if (!allDirty_ && !movingDirty_)
        return;
    SyncData();
    if (allDirty_ || hasInvalidatedPaintBuffers()) {
        replot(rpQueuedRefresh);  // lays the plot out and repaints the whole widget
    } else {
        // Where the moving things were and where they are now; the rest shows what it did.
        const QRegion before = painted_;
        painted_ = PlaceMoving();
        if (!MovingLooksTheSame(before, painted_))
            update(before | painted_);
    }
    allDirty_ = movingDirty_ = false;
}

void PlotBase::paintEvent(QPaintEvent* event)
{
    // As the library paints (background, then its buffers), with what moves on top, all with
    // one painter: a repaint of a few lines of pixels is then cheap.
    const double ratio = devicePixelRatioF();
    if (!qFuzzyCompare(mBufferDevicePixelRatio, ratio)) {
        setBufferDevicePixelRatio(ratio);
        replot(rpQueuedRefresh);
        return;
    }
    QCPPainter painter(this);
    if (!painter.isActive())
        return;
    const auto paintAll = [&] {
        if (mBackgroundBrush.style() != Qt::NoBrush)
            painter.fillRect(mViewport, mBackgroundBrush);
        drawBackground(&painter);
        for (const QSharedPointer<QCPAbstractPaintBuffer>& buffer : std::as_const(mPaintBuffers))
            buffer->draw(&painter);
        PaintMoving(&painter);
    };
    // A moving cursor's old and new place make a region of a few rectangles. Clipped to such a
    // region, the raster engine copies and fills line by line, and hands tall areas to worker
    // threads and waits for them: far dearer than the copy itself. Clipped to one rectangle at
    // a time, each rectangle is a plain copy. A region of many pieces (an uncovered window)
    // is painted at once: the moving things would otherwise be drawn once for every piece.
    const QRegion& region = event->region();
    if (region.rectCount() < 2 || region.rectCount() > kMostPartsPaintedApart) {
        paintAll();
        return;
    }
    for (const QRect& part : region) {
        painter.setClipRect(part);
        paintAll();
    }
}

PlotBase* PlotOf(int panel, int control)
{
    QWidget* w = ControlWidget(panel, control);
    // Only a bare placeholder frame that says what it holds: labels, displays and text boxes
    // are QFrames too, and so are decorations.
    if (!w || w->metaObject() != &QFrame::staticMetaObject)
        return nullptr;
    // The live loop asks for each of its plots several times at every refresh: the plot found
    // in a frame is remembered for as long as it lives there.
    static auto& found = *new std::map<std::pair<int, int>, QPointer<PlotBase>>;
    QPointer<PlotBase>& plot = found[{panel, control}];
    if (plot && plot->parentWidget() == w)
        return plot;
    auto* frame = static_cast<QFrame*>(w);
    if (auto* existing = frame->findChild<QCustomPlot*>(QString(), Qt::FindDirectChildrenOnly))
        return plot = dynamic_cast<PlotBase*>(existing);
    const QString kind = frame->property("plotKind").toString();
    if (kind == QLatin1String("stripchart"))
        return plot = MakeStripChart(frame);
    if (kind == QLatin1String("graph"))
        return plot = MakeSideGraph(frame);
    return nullptr;
}

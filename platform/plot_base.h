// Inside the platform layer only: the plotting widget that a graph or strip-chart control of
// the user-interface file gets on first use.
//
// The file holds plain QFrame placeholders, because the form loader cannot create the plotting
// library's widget. The first graph operation on such a frame puts a plot inside it, filling
// the frame through a layout; the plot is a child of the frame and goes with its panel.
//
// Drawing is deferred: an operation changes the plot's data and marks what must be redrawn;
// the next frame (platform/frame.h) redraws it, together with every other display that
// changed. So an operation never waits for painting, however often it is called.
//
// What stays put (the ground, axes, grid, tolerance circles, legend) is drawn into one opaque
// buffer by the plotting library, again only when it changes. What moves every pass (the
// cursor, the strip chart's traces) is painted by the plot itself over that buffer, and a
// refresh repaints only the part of the widget where it was and where it is now: a moving
// cursor costs a few lines of pixels rather than the whole plot.
#pragma once

#include <QFrame>
#include <QRegion>

#include <qcustomplot.h>

#include "platform/frame.h"

class PlotBase : public QCustomPlot, public FrameClient {
public:
    explicit PlotBase(QFrame* frame);

    // Something painted over the buffer changed.
    void InvalidateMoving();
    // Something in the buffer changed (plots, axes).
    void InvalidateAll();
    // An axis range changed: the buffer is redrawn only when an end of a range has moved by
    // half a pixel or more from where the buffer shows it. A live point just outside the
    // taught colours drags the ranges with its noise, by a fraction of a pixel at each
    // sample; redrawing the axes and circles for that would be most of a frame's cost and
    // change no pixel that matters. The picture stays within half a pixel of the ranges.
    void InvalidateRange();
    // Draws whatever is pending now instead of at the next refresh.
    void RefreshNow();

    // A strip chart's horizontal axis follows its points per screen, not the caller.
    virtual bool HorizontalAxisIsFixed() const { return false; }

protected:
    // Brings the library's data up to date before a redraw (the strip chart keeps its points
    // in its own buffers between refreshes).
    virtual void SyncData() {}
    // Works out where the moving things go, in widget coordinates, with the data and the axes
    // as they are now; returns the region they cover. Called after every redraw of the buffer
    // and at every refresh of the moving things alone, so that they always match the axes the
    // buffer shows (the axes may have changed since, with the redraw still pending).
    virtual QRegion PlaceMoving() = 0;
    // Whether moving things placed in now look exactly as they did when placed in before: then
    // a refresh of them alone repaints nothing (a cursor that moved less than a pixel).
    virtual bool MovingLooksTheSame(const QRegion& before, const QRegion& now) const
    {
        (void)before, (void)now;
        return false;
    }
    // Paints the moving things where PlaceMoving put them. The painter is clipped to the part
    // of the widget being repainted.
    virtual void PaintMoving(QCPPainter* painter) = 0;

    void paintEvent(QPaintEvent* event) override;

    // The plot area. The library's axisRect() looks it up in the layout at every call, which
    // a refresh of every pass would repeat; its axes know it directly.
    QCPAxisRect* Area() const { return xAxis ? xAxis->axisRect() : nullptr; }

private:
    void DrawInFrame() override { RefreshNow(); }
    bool RangesLookTheSame() const;

    bool allDirty_ = false;
    bool rangeDirty_ = false;
    // The ranges, and the plot area's size in pixels, that the buffer was last drawn with.
    QCPRange drawnX_, drawnY_;
    QSize drawnArea_;
    bool movingDirty_ = false;
    QRegion painted_;     // where the moving things were at the last refresh
};

// The plot inside a graph or strip-chart control, made on first use, or null when the control
// is not a plot placeholder: a QFrame whose dynamic property "plotKind" is "graph" or
// "stripchart".
PlotBase* PlotOf(int panel, int control);
// The same, but only when the control has that kind of plot.
template <class T>
T* PlotIn(int panel, int control)
{
    return dynamic_cast<T*>(PlotOf(panel, control));
}

// Makers of the two kinds (graphs.cpp, strip_chart.cpp).
PlotBase* MakeSideGraph(QFrame* frame);
PlotBase* MakeStripChart(QFrame* frame);

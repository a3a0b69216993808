// Inside the platform layer only: the plotting widget that a graph or strip-chart control of
// the user-interface file gets on first use.
//
// The file holds plain QFrame placeholders, because the form loader cannot create the plotting
// library's widget. The first graph operation on such a frame puts a plot inside it, filling
// the frame through a layout; the plot is a child of the frame and goes with its panel.
//
// Drawing is deferred: an operation changes the plot's data and marks what must be redrawn;
// one timer per plot redraws at most once per refresh interval, while the program processes
// events (in the live loop that is while the link waits for the sensor's reply). So an
// operation never waits for painting, however often it is called. Things that move every pass
// (cursors, strip-chart traces) sit on a buffered layer of their own, so redrawing them leaves
// the tolerance circles and the axes alone as long as the axis ranges stay put.
#pragma once

#include <QFrame>
#include <QTimer>

#include <qcustomplot.h>

class PlotBase : public QCustomPlot {
public:
    explicit PlotBase(QFrame* frame);

    // Something on the moving layer changed.
    void InvalidateMoving();
    // Something on the static layers changed (plots, axis ranges).
    void InvalidateAll();
    // Draws whatever is pending now instead of at the next refresh.
    void RefreshNow();

    QCPLayer* MovingLayer() const { return moving_; }
    // A strip chart's horizontal axis follows its points per screen, not the caller.
    virtual bool HorizontalAxisIsFixed() const { return false; }

protected:
    // Brings the library's data up to date before a redraw (the strip chart keeps its points
    // in its own buffers between refreshes).
    virtual void SyncData() {}

private:
    void startRefreshTimer();

    QCPLayer* moving_ = nullptr;
    QTimer refreshTimer_;
    qint64 phaseMs_ = 0;  // where in the refresh interval this plot redraws
    bool allDirty_ = false;
    bool movingDirty_ = false;
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

// The side-view graphs: circles as plots, manual axes, the cursor, and deferred drawing.
#include <gtest/gtest.h>

#include <QImage>
#include <QTest>

#include <cmath>
#include <limits>
#include <set>

#include <qcustomplot.h>

#include "platform/controls.h"
#include "platform/graphs.h"
#include "platform/panels.h"
#include "platform/userint.h"
#include "platform/inspection.h"
#include "platform/runtime.h"
#include "tests/support/panels_fixture.h"
#include "ui/panel_handles.h"
#include "ui/uir.h"

namespace {

class GraphTest : public PanelsTest {
protected:
    int Circle(int graph, double x, double y, double r, int color)
    {
        return PlotArc(DataPanel, graph, x - r, y - r, x + r, y + r, 0, 3600, color,
                       VAL_TRANSPARENT);
    }
    QCustomPlot* Plot(int graph) const
    {
        return ControlWidget(DataPanel, graph)->findChild<QCustomPlot*>();
    }
    // The graph as it is on the screen, from the buffers the last refresh drew.
    QImage Screen(int graph) const { return Plot(graph)->grab().toImage(); }
    // Magenta pixels, also the lighter ones of antialiased edges; axes, grid and cursor are grey.
    static int Magenta(const QImage& image)
    {
        int n = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                const QRgb p = image.pixel(x, y);
                n += qRed(p) - qGreen(p) > 60 && qBlue(p) - qGreen(p) > 60;
            }
        return n;
    }
};

}  // namespace

TEST_F(GraphTest, SixtyFourCirclesGetDistinctHandlesAndDeleteAllRemovesThem)
{
    std::set<int> handles;
    for (int k = 0; k < 64; ++k) {
        const int h = Circle(DATAP_GRAPH_XY, 100 + k, 200, 500, 0xFF0000);
        ASSERT_GT(h, 0);
        handles.insert(h);
    }
    EXPECT_EQ(64u, handles.size());
    EXPECT_EQ(64, GraphPlotCount(DataPanel, DATAP_GRAPH_XY));
    EXPECT_EQ(0, GraphPlotCount(DataPanel, DATAP_GRAPH_XINT));  // each graph its own

    EXPECT_EQ(0, DeleteGraphPlot(DataPanel, DATAP_GRAPH_XY, *handles.begin(), VAL_DELAYED_DRAW));
    EXPECT_EQ(63, GraphPlotCount(DataPanel, DATAP_GRAPH_XY));
    EXPECT_EQ(-1, DeleteGraphPlot(DataPanel, DATAP_GRAPH_XY, *handles.begin(), VAL_DELAYED_DRAW));
    EXPECT_EQ(63, GraphPlotCount(DataPanel, DATAP_GRAPH_XY));

    EXPECT_EQ(0, DeleteGraphPlot(DataPanel, DATAP_GRAPH_XY, VAL_ALL_PLOTS, VAL_IMMEDIATE_DRAW));
    EXPECT_EQ(0, GraphPlotCount(DataPanel, DATAP_GRAPH_XY));
    // The cursor is no plot: it survives.
    EXPECT_EQ(0, SetGraphCursor(DataPanel, DATAP_GRAPH_XY, 1, 1, 2));
    EXPECT_EQ(0, DeleteGraphPlot(DataPanel, DATAP_GRAPH_XY, VAL_ALL_PLOTS, VAL_IMMEDIATE_DRAW));
    double x = 0, y = 0;
    EXPECT_EQ(0, GetGraphCursor(DataPanel, DATAP_GRAPH_XY, 1, &x, &y));
    EXPECT_EQ(1.0, x);
    // Plotting goes on after a delete.
    EXPECT_GT(Circle(DATAP_GRAPH_XY, 1, 1, 1, 0), 0);
    EXPECT_EQ(1, GraphPlotCount(DataPanel, DATAP_GRAPH_XY));
}

TEST_F(GraphTest, PartialArcIsAPlotToo)
{
    const int h = PlotArc(DataPanel, DATAP_GRAPH_YINT, 0, 0, 100, 100, 900, 1800, 0x0000FF,
                          VAL_TRANSPARENT);
    EXPECT_GT(h, 0);
    EXPECT_EQ(1, GraphPlotCount(DataPanel, DATAP_GRAPH_YINT));
    EXPECT_EQ(0, DeleteGraphPlot(DataPanel, DATAP_GRAPH_YINT, h, VAL_NO_DRAW));
    EXPECT_EQ(0, GraphPlotCount(DataPanel, DATAP_GRAPH_YINT));
}

TEST_F(GraphTest, AxisRangesReadBackAfterManualScaling)
{
    ASSERT_EQ(0, SetAxisScalingMode(DataPanel, DATAP_GRAPH_XINT, VAL_XAXIS, VAL_MANUAL, -75, 10075));
    ASSERT_EQ(0, SetAxisScalingMode(DataPanel, DATAP_GRAPH_XINT, VAL_LEFT_YAXIS, VAL_MANUAL, 25, 75));
    int mode = -1;
    double lo = 0, hi = 0;
    ASSERT_EQ(0, GetAxisScalingMode(DataPanel, DATAP_GRAPH_XINT, VAL_XAXIS, &mode, &lo, &hi));
    EXPECT_EQ(VAL_MANUAL, mode);
    EXPECT_EQ(-75.0, lo);
    EXPECT_EQ(10075.0, hi);
    ASSERT_EQ(0, GetAxisScalingMode(DataPanel, DATAP_GRAPH_XINT, VAL_LEFT_YAXIS, &mode, &lo, &hi));
    EXPECT_EQ(25.0, lo);
    EXPECT_EQ(75.0, hi);
}

TEST_F(GraphTest, EmptyOrUndefinedAxisRangesAreRefusedAndKeepTheOldRange)
{
    SetAxisScalingMode(DataPanel, DATAP_GRAPH_XY, VAL_XAXIS, VAL_MANUAL, 0, 100);
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_EQ(-1, SetAxisScalingMode(DataPanel, DATAP_GRAPH_XY, VAL_XAXIS, VAL_MANUAL, 5, 5));
    EXPECT_EQ(-1, SetAxisScalingMode(DataPanel, DATAP_GRAPH_XY, VAL_XAXIS, VAL_MANUAL, 9, 1));
    EXPECT_EQ(-1, SetAxisScalingMode(DataPanel, DATAP_GRAPH_XY, VAL_XAXIS, VAL_MANUAL, nan, 1));
    EXPECT_EQ(-1, SetAxisScalingMode(DataPanel, DATAP_GRAPH_XY, VAL_XAXIS, VAL_MANUAL, 0, inf));
    EXPECT_EQ(-1, SetAxisScalingMode(DataPanel, DATAP_GRAPH_XY, 7, VAL_MANUAL, 0, 1));
    EXPECT_EQ(-1, SetAxisScalingMode(DataPanel, DATAP_GRAPH_XY, VAL_XAXIS, 1, 0, 1));
    int mode;
    double lo, hi;
    GetAxisScalingMode(DataPanel, DATAP_GRAPH_XY, VAL_XAXIS, &mode, &lo, &hi);
    EXPECT_EQ(0.0, lo);
    EXPECT_EQ(100.0, hi);
    EXPECT_EQ(-1, PlotArc(DataPanel, DATAP_GRAPH_XY, nan, 0, 1, 1, 0, 3600, 0, VAL_TRANSPARENT));
    EXPECT_EQ(0, GraphPlotCount(DataPanel, DATAP_GRAPH_XY));
}

TEST_F(GraphTest, CursorMovesToThePointAndReadsBack)
{
    ASSERT_EQ(0, SetGraphCursor(DataPanel, DATAP_GRAPH_XY, 1, 1234, -56));
    double x = 0, y = 0;
    ASSERT_EQ(0, GetGraphCursor(DataPanel, DATAP_GRAPH_XY, 1, &x, &y));
    EXPECT_EQ(1234.0, x);
    EXPECT_EQ(-56.0, y);
    EXPECT_EQ(-1, SetGraphCursor(DataPanel, DATAP_GRAPH_XY, 2, 0, 0));  // one cursor per graph
    EXPECT_EQ(-1, GetGraphCursor(DataPanel, DATAP_GRAPH_XY, 0, &x, &y));
}

TEST_F(GraphTest, OnlyGraphPlaceholdersTakeGraphOperations)
{
    // A display, a decoration frame and the strip chart are no side-view graphs.
    EXPECT_EQ(-1, PlotArc(DataPanel, DATAP_R, 0, 0, 1, 1, 0, 3600, 0, VAL_TRANSPARENT));
    EXPECT_EQ(-1, PlotArc(MainPanel, MAINP_DECORATION, 0, 0, 1, 1, 0, 3600, 0, VAL_TRANSPARENT));
    EXPECT_EQ(-1, PlotArc(DataPanel, DATAP_STRIPCHART, 0, 0, 1, 1, 0, 3600, 0, VAL_TRANSPARENT));
    EXPECT_EQ(-1, SetGraphCursor(DataPanel, DATAP_STRIPCHART, 1, 0, 0));
    EXPECT_EQ(-1, DeleteGraphPlot(DataPanel, DATAP_STRIPCHART, VAL_ALL_PLOTS, VAL_DELAYED_DRAW));
    EXPECT_EQ(-1, GraphPlotCount(0, DATAP_GRAPH_XY));
    EXPECT_EQ(-1, DeleteGraphPlot(DataPanel, DATAP_GRAPH_XY, VAL_ALL_PLOTS, 9));
}

TEST_F(GraphTest, CirclesAndCursorAreDrawnInTheirColours)
{
    SetAxisScalingMode(DataPanel, DATAP_GRAPH_XY, VAL_XAXIS, VAL_MANUAL, 0, 1000);
    SetAxisScalingMode(DataPanel, DATAP_GRAPH_XY, VAL_LEFT_YAXIS, VAL_MANUAL, 0, 1000);
    Circle(DATAP_GRAPH_XY, 500, 500, 300, 0xFF00FF);
    RefreshGraph(DataPanel, DATAP_GRAPH_XY);
    const QImage before = Screen(DATAP_GRAPH_XY);
    EXPECT_GT(Magenta(before), 50);
    // Transparent fill: the circle's middle keeps the background.
    const QPoint middle(Plot(DATAP_GRAPH_XY)->xAxis->coordToPixel(500),
                        Plot(DATAP_GRAPH_XY)->yAxis->coordToPixel(500));
    EXPECT_NE(0xFF00FFu, before.pixel(middle) & 0xFFFFFF);

    SetGraphCursor(DataPanel, DATAP_GRAPH_XY, 1, 500, 500);
    RefreshGraph(DataPanel, DATAP_GRAPH_XY);
    const QImage after = Screen(DATAP_GRAPH_XY);
    EXPECT_NE(before.pixel(middle), after.pixel(middle));  // the crosshair passes the middle
    EXPECT_GT(Magenta(after), 50);

    DeleteGraphPlot(DataPanel, DATAP_GRAPH_XY, VAL_ALL_PLOTS, VAL_DELAYED_DRAW);
    RefreshGraph(DataPanel, DATAP_GRAPH_XY);
    EXPECT_EQ(0, Magenta(Screen(DATAP_GRAPH_XY)));
}

TEST_F(GraphTest, UpdatesNeverDrawAtOnceAndManyDrawOnceAtTheNextRefresh)
{
    Circle(DATAP_GRAPH_XY, 500, 500, 300, 0xFF0000);
    SetAxisScalingMode(DataPanel, DATAP_GRAPH_XY, VAL_XAXIS, VAL_MANUAL, 0, 1000);
    SetAxisScalingMode(DataPanel, DATAP_GRAPH_XY, VAL_LEFT_YAXIS, VAL_MANUAL, 0, 1000);
    RefreshGraph(DataPanel, DATAP_GRAPH_XY);
    Screen(DATAP_GRAPH_XY);  // settles the first layout of the hidden panel
    QCoreApplication::processEvents();
    int fullReplots = 0;
    QObject::connect(Plot(DATAP_GRAPH_XY), &QCustomPlot::afterReplot, [&] { ++fullReplots; });

    // The live loop's pattern: the same window, a moving cursor, pass after pass.
    for (int pass = 0; pass < 1000; ++pass) {
        SetAxisScalingMode(DataPanel, DATAP_GRAPH_XY, VAL_XAXIS, VAL_MANUAL, 0, 1000);
        SetAxisScalingMode(DataPanel, DATAP_GRAPH_XY, VAL_LEFT_YAXIS, VAL_MANUAL, 0, 1000);
        SetGraphCursor(DataPanel, DATAP_GRAPH_XY, 1, pass % 1000, 400);
    }
    EXPECT_EQ(0, fullReplots);
    // A cursor alone repaints only its lines: the circles are not drawn again.
    RefreshGraph(DataPanel, DATAP_GRAPH_XY);
    EXPECT_EQ(0, fullReplots);

    // Changing windows redraw everything, but only once per refresh, whatever the pass count.
    for (int pass = 0; pass < 1000; ++pass)
        SetAxisScalingMode(DataPanel, DATAP_GRAPH_XY, VAL_XAXIS, VAL_MANUAL, -pass, 1000);
    EXPECT_EQ(0, fullReplots);
    QTest::qWait(200);  // the refresh timer fires while events are processed
    EXPECT_EQ(1, fullReplots);

    // A window dragged by a live point's noise, a tenth of a pixel at a time: the picture is
    // redrawn only once it is half a pixel off, and the cursor follows every step.
    const double pixel = 1999.0 / Plot(DATAP_GRAPH_XY)->axisRect()->width();
    double left = -999;
    for (int step = 1; step <= 4; ++step) {
        left += 0.1 * pixel;
        SetAxisScalingMode(DataPanel, DATAP_GRAPH_XY, VAL_XAXIS, VAL_MANUAL, left, left + 1999);
        RefreshGraph(DataPanel, DATAP_GRAPH_XY);
    }
    EXPECT_EQ(1, fullReplots);
    SetGraphCursor(DataPanel, DATAP_GRAPH_XY, 1, left + 20 * pixel, 400);
    RefreshGraph(DataPanel, DATAP_GRAPH_XY);
    const QImage image = Screen(DATAP_GRAPH_XY);
    const int cursorColumn = static_cast<int>(std::floor(Plot(DATAP_GRAPH_XY)->xAxis->coordToPixel(left + 20 * pixel)));
    const int row = Plot(DATAP_GRAPH_XY)->axisRect()->center().y() + 5;
    EXPECT_EQ(qRgb(40, 40, 40), image.pixel(cursorColumn, row) | 0xFF000000u);
    for (int step = 5; step <= 6; ++step) {
        left += 0.1 * pixel;
        SetAxisScalingMode(DataPanel, DATAP_GRAPH_XY, VAL_XAXIS, VAL_MANUAL, left, left + 1999);
        RefreshGraph(DataPanel, DATAP_GRAPH_XY);
    }
    EXPECT_EQ(2, fullReplots);
}

// A cursor that moves less than a pixel looks the same: the refresh repaints nothing. One that
// moves repaints its lines.
TEST_F(GraphTest, ACursorThatStaysOnItsPixelsIsNotRepainted)
{
    DisplayPanel(MainPanel);
    DisplayPanel(DataPanel);
    SetAxisScalingMode(DataPanel, DATAP_GRAPH_XY, VAL_XAXIS, VAL_MANUAL, 0, 10000);
    SetAxisScalingMode(DataPanel, DATAP_GRAPH_XY, VAL_LEFT_YAXIS, VAL_MANUAL, 0, 10000);
    SetGraphCursor(DataPanel, DATAP_GRAPH_XY, 1, 5000, 5000);
    ProcessDrawEvents();
    ProcessSystemEvents();
    struct Paints : QObject {
        int count = 0;
        bool eventFilter(QObject*, QEvent* e) override
        {
            count += e->type() == QEvent::Paint;
            return false;
        }
    } paints;
    Plot(DATAP_GRAPH_XY)->installEventFilter(&paints);

    SetGraphCursor(DataPanel, DATAP_GRAPH_XY, 1, 5000.5, 5000.5);  // a pixel spans tens of units
    ProcessDrawEvents();
    EXPECT_EQ(0, paints.count);
    SetGraphCursor(DataPanel, DATAP_GRAPH_XY, 1, 7000, 3000);
    ProcessDrawEvents();
    EXPECT_EQ(1, paints.count);
    // What that repaint of the old and new lines left on the screen is the whole plot drawn
    // afresh: the old lines gone, the new ones complete, nothing else touched.
    EXPECT_EQ(DrawnAfresh(Plot(DATAP_GRAPH_XY)), OnScreen(Plot(DATAP_GRAPH_XY)));
    double x = 0, y = 0;
    GetGraphCursor(DataPanel, DATAP_GRAPH_XY, 1, &x, &y);
    EXPECT_EQ(7000, x);
}

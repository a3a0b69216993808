// The side views: tolerance circles of the teach table, the ranges they span, and the square
// windows that hold both the taught range and the live point.
#include <gtest/gtest.h>

#include <QRectF>

#include <cstring>
#include <vector>

#include <qcustomplot.h>

#include "link/commands.h"
#include "params/parameter_set.h"
#include "platform/graphs.h"
#include "platform/inspection.h"
#include "tests/support/panels_fixture.h"
#include "ui/live_display.h"
#include "ui/main_window.h"
#include "ui/panel_handles.h"
#include "ui/uir.h"

namespace {

struct Window {
    double xMin, xMax, yMin, yMax;
    bool operator==(const Window&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Window& w)
{
    return os << "x " << w.xMin << ".." << w.xMax << ", y " << w.yMin << ".." << w.yMax;
}

struct Circle {
    QRectF box;
    QRgb color;
};

class AxisWindowTest : public PanelsTest {
protected:
    static void Row(int k, uint16_t x, uint16_t y, uint16_t in, uint16_t r)
    {
        TechVec[k].Cell0 = x;
        TechVec[k].Cell1 = y;
        TechVec[k].Cell2 = in;
        TechVec[k].Cell3 = r;
    }
    // A live record with these X, Y and INT, then the display pass of the live loop.
    static void Live(int16_t x, int16_t y, int16_t in)
    {
        std::memcpy(LiveData + 6, &x, 2);
        std::memcpy(LiveData + 8, &y, 2);
        std::memcpy(LiveData + 10, &in, 2);
        ShowGraph3D();
    }
    Window Of(int graph) const
    {
        Window w{};
        int mode = -1;
        EXPECT_EQ(0, GetAxisScalingMode(DataPanel, graph, VAL_XAXIS, &mode, &w.xMin, &w.xMax));
        EXPECT_EQ(VAL_MANUAL, mode);
        EXPECT_EQ(0, GetAxisScalingMode(DataPanel, graph, VAL_LEFT_YAXIS, &mode, &w.yMin, &w.yMax));
        return w;
    }
    // The circles on a graph in the order they were drawn.
    std::vector<Circle> Circles(int graph) const
    {
        std::vector<Circle> circles;
        auto* plot = ControlWidget(DataPanel, graph)->findChild<QCustomPlot*>();
        for (int i = 0; plot && i < plot->itemCount(); ++i)
            if (auto* e = qobject_cast<QCPItemEllipse*>(plot->item(i)))
                circles.push_back({QRectF(e->topLeft->coords(), e->bottomRight->coords()).normalized(),
                                   e->pen().color().rgb() & 0xFFFFFF});
        return circles;
    }
    static void Range(int axis, int32_t lo, int32_t hi)
    {
        int32_t min = 0, max = 0;
        GraphRange(axis, &min, &max);
        EXPECT_EQ(lo, min) << "axis " << axis;
        EXPECT_EQ(hi, max) << "axis " << axis;
    }
};

}  // namespace

// One taught colour at X 1000, Y 1500, INT 800 with radius 100: ranges 900..1100, 1400..1600,
// 700..900; each window is the larger span, halved, around the centres, plus 25 on every side.
TEST_F(AxisWindowTest, PointInsideTheTaughtRangeShowsTheRangeWithTheMargin)
{
    Row(0, 1000, 1500, 800, 100);
    InitGraphs();
    Range(kAxisX, 900, 1100);
    Range(kAxisY, 1400, 1600);
    Range(kAxisInt, 700, 900);

    Live(990, 1550, 720);
    EXPECT_EQ((Window{875, 1125, 1375, 1625}), Of(DATAP_GRAPH_XY));
    EXPECT_EQ((Window{875, 1125, 675, 925}), Of(DATAP_GRAPH_XINT));
    EXPECT_EQ((Window{1375, 1625, 675, 925}), Of(DATAP_GRAPH_YINT));

    double x = 0, y = 0;
    GetGraphCursor(DataPanel, DATAP_GRAPH_XY, 1, &x, &y);
    EXPECT_EQ(990, x);
    EXPECT_EQ(1550, y);
    GetGraphCursor(DataPanel, DATAP_GRAPH_XINT, 1, &x, &y);
    EXPECT_EQ(990, x);
    EXPECT_EQ(720, y);
    GetGraphCursor(DataPanel, DATAP_GRAPH_YINT, 1, &x, &y);
    EXPECT_EQ(1550, x);
    EXPECT_EQ(720, y);
}

TEST_F(AxisWindowTest, PointOnTheBoundaryGivesTheSameWindowAsAPointInside)
{
    Row(0, 1000, 1500, 800, 100);
    InitGraphs();
    Live(1100, 1400, 900);
    EXPECT_EQ((Window{875, 1125, 1375, 1625}), Of(DATAP_GRAPH_XY));
    EXPECT_EQ((Window{875, 1125, 675, 925}), Of(DATAP_GRAPH_XINT));
    Live(900, 1600, 700);
    EXPECT_EQ((Window{1375, 1625, 675, 925}), Of(DATAP_GRAPH_YINT));
}

// X 2001 above the range: span 1101, centre 900 + 550. Y 1000 below it: span 600, centre
// 1300. Halving truncates, so the X-Y half width is 550, not 550.5.
TEST_F(AxisWindowTest, PointOutsideWidensEachWindowToHoldRangeAndPoint)
{
    Row(0, 1000, 1500, 800, 100);
    InitGraphs();
    Live(2001, 1000, 800);
    EXPECT_EQ((Window{875, 2025, 725, 1875}), Of(DATAP_GRAPH_XY));
    EXPECT_EQ((Window{875, 2025, 225, 1375}), Of(DATAP_GRAPH_XINT));
    EXPECT_EQ((Window{975, 1625, 475, 1125}), Of(DATAP_GRAPH_YINT));
}

// The live fields are signed: X -501 lies below the range, span 1100 + 501, centre -501 + 800.
TEST_F(AxisWindowTest, NegativeLiveValueIsPlacedAndScaledLikeAnyOther)
{
    Row(0, 1000, 1500, 800, 100);
    InitGraphs();
    Live(-501, 1500, -20);
    EXPECT_EQ((Window{-526, 1124, 675, 2325}), Of(DATAP_GRAPH_XY));
    // INT -20: span 920, centre 440; X's 1601 is the larger span.
    EXPECT_EQ((Window{-526, 1124, -385, 1265}), Of(DATAP_GRAPH_XINT));
    double x = 0, y = 0;
    GetGraphCursor(DataPanel, DATAP_GRAPH_XINT, 1, &x, &y);
    EXPECT_EQ(-501, x);
    EXPECT_EQ(-20, y);
}

TEST_F(AxisWindowTest, EmptyTableGivesZeroToTenThousandWidenedToThePoint)
{
    InitGraphs();
    Range(kAxisX, 0, 10000);
    Range(kAxisY, 0, 10000);
    Range(kAxisInt, 0, 10000);

    Live(5000, 5000, 5000);
    EXPECT_EQ((Window{-25, 10025, -25, 10025}), Of(DATAP_GRAPH_XY));
    // X 12000: span 12000, centre 6000. INT -100: span 10100, centre 4950.
    Live(12000, 500, -100);
    EXPECT_EQ((Window{-25, 12025, -1025, 11025}), Of(DATAP_GRAPH_XY));
    EXPECT_EQ((Window{-25, 12025, -1075, 10975}), Of(DATAP_GRAPH_XINT));
    EXPECT_EQ((Window{-75, 10075, -125, 10025}), Of(DATAP_GRAPH_YINT));
}

TEST_F(AxisWindowTest, AllSixtyFourRowsAreDrawnButOnlyRowsAwayFromTheOriginCountForTheRange)
{
    Row(0, 1000, 1500, 800, 100);
    Row(1, 10, 10, 5000, 300);   // X and Y at most 10: drawn, not counted
    Row(17, 5, 40, 300, 60);     // Y above 10 counts; X - r goes below zero
    InitGraphs();
    Range(kAxisX, -55, 1100);
    Range(kAxisY, -20, 1600);
    Range(kAxisInt, 240, 900);

    for (int graph : {DATAP_GRAPH_XY, DATAP_GRAPH_XINT, DATAP_GRAPH_YINT})
        EXPECT_EQ(64, GraphPlotCount(DataPanel, graph));
    const std::vector<Circle> xy = Circles(DATAP_GRAPH_XY);
    const std::vector<Circle> xint = Circles(DATAP_GRAPH_XINT);
    const std::vector<Circle> yint = Circles(DATAP_GRAPH_YINT);
    ASSERT_EQ(64u, xy.size());
    ASSERT_EQ(64u, yint.size());
    EXPECT_EQ(QRectF(QPointF(900, 1400), QPointF(1100, 1600)), xy[0].box);
    EXPECT_EQ(QRectF(QPointF(-290, 4700), QPointF(310, 5300)), xint[1].box);
    EXPECT_EQ(QRectF(QPointF(-20, 240), QPointF(100, 360)), yint[17].box);
    EXPECT_EQ(QRectF(QPointF(0, 0), QPointF(0, 0)), xy[63].box);  // an empty row, drawn too
    for (int k = 0; k < 64; ++k)
        EXPECT_EQ(static_cast<QRgb>(kRowPalette[k % 15]), xy[k].color) << "row " << k;

    // A new table replaces the circles instead of adding to them.
    TechVec = TeachTable{};
    InitGraphs();
    EXPECT_EQ(64, GraphPlotCount(DataPanel, DATAP_GRAPH_XY));
    Range(kAxisX, 0, 10000);
}

// Every GO press brings the circles up to date: an unchanged table keeps the circles drawn,
// a changed row, or a view emptied by anything else, is plotted again.
TEST_F(AxisWindowTest, CirclesFollowTheTableWithoutBeingPlottedAgainWhileItIsTheSame)
{
    Row(0, 1000, 1500, 800, 100);
    InitGraphs();
    auto* plot = ControlWidget(DataPanel, DATAP_GRAPH_XY)->findChild<QCustomPlot*>();
    ASSERT_NE(nullptr, plot);
    const QCPAbstractItem* first = plot->item(0);
    InitGraphs();
    EXPECT_EQ(first, plot->item(0));

    Row(0, 1000, 1500, 800, 150);
    InitGraphs();
    EXPECT_EQ(QRectF(QPointF(850, 1350), QPointF(1150, 1650)), Circles(DATAP_GRAPH_XY)[0].box);
    Range(kAxisX, 850, 1150);

    DeleteGraphPlot(DataPanel, DATAP_GRAPH_YINT, VAL_ALL_PLOTS, VAL_DELAYED_DRAW);
    InitGraphs();
    ASSERT_EQ(64u, Circles(DATAP_GRAPH_YINT).size());
    EXPECT_EQ(QRectF(QPointF(1350, 650), QPointF(1650, 950)), Circles(DATAP_GRAPH_YINT)[0].box);
}

// A table at the top of the 16-bit range: the ranges and windows are computed in 32 bits.
TEST_F(AxisWindowTest, RowsAtTheTopOfTheWordRangeDoNotWrapTheRanges)
{
    Row(0, 65535, 65000, 65535, 65535);
    InitGraphs();
    Range(kAxisX, 0, 131070);
    Range(kAxisY, -535, 130535);
    Live(-32768, 32767, 32767);
    const Window w = Of(DATAP_GRAPH_XY);
    EXPECT_LT(w.xMin, -32768);
    EXPECT_GT(w.xMax, 131070);
    EXPECT_EQ(w.xMax - w.xMin, w.yMax - w.yMin);
}

// The windows are square in data units; the plot areas must be square in pixels too, or every
// tolerance circle is drawn as an ellipse.
TEST_F(AxisWindowTest, ToleranceCirclesAreDrawnRoundInEverySideView)
{
    Row(0, 3000, 2000, 1500, 500);
    InitGraphs();
    Live(3100, 2100, 1400);
    for (int graph : {DATAP_GRAPH_XY, DATAP_GRAPH_XINT, DATAP_GRAPH_YINT}) {
        SCOPED_TRACE(graph);
        auto* plot = ControlWidget(DataPanel, graph)->findChild<QCustomPlot*>();
        ASSERT_NE(nullptr, plot);
        plot->grab();  // lays the hidden panel's plot out at its size
        RefreshGraph(DataPanel, graph);
        QCPItemEllipse* circle = nullptr;
        for (int i = 0; !circle && i < plot->itemCount(); ++i)
            circle = qobject_cast<QCPItemEllipse*>(plot->item(i));
        ASSERT_NE(nullptr, circle);
        const QRectF drawn = QRectF(circle->topLeft->pixelPosition(), circle->bottomRight->pixelPosition()).normalized();
        EXPECT_GT(drawn.width(), 20);
        EXPECT_NEAR(drawn.width(), drawn.height(), 1.5);
    }
}

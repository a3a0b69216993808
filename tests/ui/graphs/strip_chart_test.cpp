// The RGB strip chart: interleaved traces, points per screen, and what gets drawn.
#include <gtest/gtest.h>

#include <vector>

#include <qcustomplot.h>

#include "platform/controls.h"
#include "platform/graphs.h"
#include "platform/userint.h"
#include "platform/inspection.h"
#include "tests/support/panels_fixture.h"
#include "ui/panel_handles.h"
#include "ui/uir.h"

namespace {

class StripChartTest : public PanelsTest {
protected:
    std::vector<double> Trace(int trace) const
    {
        std::vector<double> v(1000);
        const int n = GetStripChartPoints(DataPanel, DATAP_STRIPCHART, trace, v.data(),
                                          static_cast<int>(v.size()));
        v.resize(n < 0 ? 0 : static_cast<size_t>(n));
        return v;
    }
    int Plot(const std::vector<double>& data, int start = 0, int skip = 0)
    {
        return PlotStripChart(DataPanel, DATAP_STRIPCHART, data.data(),
                              static_cast<int>(data.size()) - start, start, skip, VAL_DOUBLE);
    }
};

// A history as the live display keeps it: 100 triples R, G, B, oldest first.
std::vector<double> History(double offset)
{
    std::vector<double> h(300);
    for (int i = 0; i < 100; ++i) {
        h[3 * i] = offset + i;
        h[3 * i + 1] = offset + 1000 + i;
        h[3 * i + 2] = offset + 2000 + i;
    }
    return h;
}

}  // namespace

TEST_F(StripChartTest, WholeHistoryGivesOneHundredPointsPerTraceInOrder)
{
    for (int pass = 0; pass < 3; ++pass) {
        // Every pass plots the whole history again after setting the screen width.
        ASSERT_EQ(0, SetCtrlAttribute(DataPanel, DATAP_STRIPCHART, ATTR_POINTS_PER_SCREEN, 101));
        ASSERT_EQ(0, Plot(History(pass * 10)));
        for (int t = 0; t < 3; ++t) {
            const std::vector<double> trace = Trace(t);
            ASSERT_EQ(100u, trace.size()) << "pass " << pass << " trace " << t;
            for (int i = 0; i < 100; ++i)
                EXPECT_EQ(pass * 10 + t * 1000 + i, trace[static_cast<size_t>(i)]);
        }
    }
    int pps = 0;
    EXPECT_EQ(0, GetCtrlAttribute(DataPanel, DATAP_STRIPCHART, ATTR_POINTS_PER_SCREEN, &pps));
    EXPECT_EQ(101, pps);
}

TEST_F(StripChartTest, ChartScrollsKeepingTheNewestPointsPerScreen)
{
    SetCtrlAttribute(DataPanel, DATAP_STRIPCHART, ATTR_POINTS_PER_SCREEN, 4);
    Plot({1, 10, 100, 2, 20, 200, 3, 30, 300});
    EXPECT_EQ((std::vector<double>{1, 2, 3}), Trace(0));
    Plot({4, 40, 400, 5, 50, 500, 6, 60, 600});
    EXPECT_EQ((std::vector<double>{3, 4, 5, 6}), Trace(0));
    EXPECT_EQ((std::vector<double>{30, 40, 50, 60}), Trace(1));
    EXPECT_EQ((std::vector<double>{300, 400, 500, 600}), Trace(2));
}

TEST_F(StripChartTest, StartAndSkipPickTheElements)
{
    SetCtrlAttribute(DataPanel, DATAP_STRIPCHART, ATTR_POINTS_PER_SCREEN, 10);
    // From index 1, every second element: 1, 3, 5 | 7, 9, 11.
    const std::vector<double> data = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11};
    ASSERT_EQ(0, PlotStripChart(DataPanel, DATAP_STRIPCHART, data.data(), 6, 1, 1, VAL_DOUBLE));
    EXPECT_EQ((std::vector<double>{1, 7}), Trace(0));
    EXPECT_EQ((std::vector<double>{3, 9}), Trace(1));
    EXPECT_EQ((std::vector<double>{5, 11}), Trace(2));
}

TEST_F(StripChartTest, BadArgumentsAreRefusedAndAddNothing)
{
    const std::vector<double> data(300, 1.0);
    EXPECT_EQ(-1, PlotStripChart(DataPanel, DATAP_STRIPCHART, data.data(), 299, 0, 0, VAL_DOUBLE));
    EXPECT_EQ(-1, PlotStripChart(DataPanel, DATAP_STRIPCHART, data.data(), 300, 0, 0, 3));
    EXPECT_EQ(-1, PlotStripChart(DataPanel, DATAP_STRIPCHART, data.data(), -3, 0, 0, VAL_DOUBLE));
    EXPECT_EQ(-1, PlotStripChart(DataPanel, DATAP_STRIPCHART, data.data(), 3, -1, 0, VAL_DOUBLE));
    EXPECT_EQ(-1, PlotStripChart(DataPanel, DATAP_STRIPCHART, nullptr, 3, 0, 0, VAL_DOUBLE));
    EXPECT_EQ(-1, PlotStripChart(DataPanel, DATAP_GRAPH_XY, data.data(), 3, 0, 0, VAL_DOUBLE));
    EXPECT_TRUE(Trace(0).empty());
    EXPECT_EQ(-1, SetCtrlAttribute(DataPanel, DATAP_STRIPCHART, ATTR_POINTS_PER_SCREEN, 0));
    EXPECT_EQ(-1, SetCtrlAttribute(DataPanel, DATAP_GRAPH_XY, ATTR_POINTS_PER_SCREEN, 101));
}

TEST_F(StripChartTest, AxesFollowTheFileAndThePointsPerScreen)
{
    int mode;
    double lo, hi;
    // The vertical range comes from the user-interface file.
    ASSERT_EQ(0, GetAxisScalingMode(DataPanel, DATAP_STRIPCHART, VAL_LEFT_YAXIS, &mode, &lo, &hi));
    EXPECT_EQ(0.0, lo);
    EXPECT_EQ(4100.0, hi);
    SetCtrlAttribute(DataPanel, DATAP_STRIPCHART, ATTR_POINTS_PER_SCREEN, 101);
    ASSERT_EQ(0, GetAxisScalingMode(DataPanel, DATAP_STRIPCHART, VAL_XAXIS, &mode, &lo, &hi));
    EXPECT_EQ(0.0, lo);
    EXPECT_EQ(100.0, hi);
    EXPECT_EQ(-1, SetAxisScalingMode(DataPanel, DATAP_STRIPCHART, VAL_XAXIS, VAL_MANUAL, 0, 5));
    EXPECT_EQ(0, SetAxisScalingMode(DataPanel, DATAP_STRIPCHART, VAL_LEFT_YAXIS, VAL_MANUAL, 0, 5));
}

TEST_F(StripChartTest, RefreshDrawsTheNewestPointsAtTheRight)
{
    SetCtrlAttribute(DataPanel, DATAP_STRIPCHART, ATTR_POINTS_PER_SCREEN, 101);
    Plot(History(0));
    auto* plot = ControlWidget(DataPanel, DATAP_STRIPCHART)->findChild<QCustomPlot*>();
    ASSERT_NE(nullptr, plot);
    ASSERT_EQ(3, plot->graphCount());
    EXPECT_EQ(0, plot->graph(0)->data()->size());  // nothing drawn before the refresh
    for (int pass = 1; pass <= 2; ++pass) {
        SetCtrlAttribute(DataPanel, DATAP_STRIPCHART, ATTR_POINTS_PER_SCREEN, 101);
        Plot(History(pass));
        ASSERT_EQ(0, RefreshGraph(DataPanel, DATAP_STRIPCHART));
        for (int t = 0; t < 3; ++t) {
            const auto data = plot->graph(t)->data();
            ASSERT_EQ(100, data->size());
            EXPECT_EQ(0.0, data->at(0)->key);
            EXPECT_EQ(pass + t * 1000, data->at(0)->value);
            EXPECT_EQ(99.0, data->at(99)->key);
            EXPECT_EQ(pass + t * 1000 + 99, data->at(99)->value);
        }
    }
}

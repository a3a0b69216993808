#include "ui/live_display.h"

#include <algorithm>
#include <array>
#include <iterator>

#include "link/commands.h"
#include "params/parameter_set.h"
#include "platform/analysis.h"
#include "platform/controls.h"
#include "platform/graphs.h"
#include "platform/userint.h"
#include "ui/panel_handles.h"
#include "ui/row_palette.h"
#include "ui/uir.h"

namespace {

// Module state, touched only from the user-interface thread: the RGB history, the axis ranges
// InitGraphs computes from the teach table, and a count of the samples shown.
double history[kRgbHistorySize] = {};
struct Range {
    int32_t min = 0;
    int32_t max = 10000;
};
Range ranges[3];
uint64_t shownSamples = 0;

// The seven numeric displays and the text colour each had before they were greyed.
constexpr int kLiveDisplays[] = {DATAP_X, DATAP_Y, DATAP_INT, DATAP_COLNO, DATAP_R, DATAP_G, DATAP_B};
constexpr int kStaleColor = 0xA0A0A0;
constexpr char kStaleMark[] = "LINK FAILED";
bool stale = false;
int freshColors[std::size(kLiveDisplays)] = {};

void ShowFresh()
{
    stale = false;
    for (size_t i = 0; i < std::size(kLiveDisplays); ++i)
        SetCtrlAttribute(DataPanel, kLiveDisplays[i], ATTR_TEXT_COLOR, freshColors[i]);
    SetStripChartMark(DataPanel, DATAP_STRIPCHART, nullptr);
}

constexpr int kMargin = 25;          // axis units around the window on every side
constexpr int kPointsPerScreen = 101;
constexpr int32_t kEmptyMin = 10000; // start values: a table with nothing counted ends up
constexpr int32_t kEmptyMax = 0;     // swapped to 0 to 10000

// Rows whose colour is this close to the origin are empty or unusable; they are drawn, but
// must not pull the windows towards 0.
constexpr int32_t kCountedAbove = 10;

struct Window {
    int32_t span;
    int32_t centre;
};

// Span and centre of one axis so that both the taught range and the live value are inside.
// Halving truncates towards zero, as the integer division does.
Window AxisWindow(int32_t v, const Range& r)
{
    if (v > r.max) {
        const int32_t span = v - r.min;
        return {span, r.min + span / 2};
    }
    if (v < r.min) {
        const int32_t span = r.max - v;
        return {span, v + span / 2};
    }
    const int32_t span = r.max - r.min;
    return {span, r.min + span / 2};
}

// A square window around the two centres: both axes span 2h + 50, so circles stay round.
void ScaleGraph(int graph, const Window& horizontal, const Window& vertical)
{
    const int32_t h = std::max(horizontal.span, vertical.span) / 2;
    SetAxisScalingMode(DataPanel, graph, VAL_XAXIS, VAL_MANUAL, horizontal.centre - kMargin - h,
                       horizontal.centre + h + kMargin);
    SetAxisScalingMode(DataPanel, graph, VAL_LEFT_YAXIS, VAL_MANUAL, vertical.centre - kMargin - h,
                       vertical.centre + h + kMargin);
}

void PlotCircle(int graph, int32_t cx, int32_t cy, int32_t r, int color)
{
    PlotArc(DataPanel, graph, cx - r, cy - r, cx + r, cy + r, 0, 3600, color, VAL_TRANSPARENT);
}

// The teach table's circles as the side views show them. Every GO press, every read of the
// table and every teach step brings the views up to date; plotting 64 circles into three views
// and redrawing them costs milliseconds, so a table that has not changed is not plotted again.
struct Circle {
    int32_t x, y, in, r;
    bool operator==(const Circle&) const = default;
};
using Circles = std::array<Circle, kTeachRows>;
constexpr int kSideViews[] = {DATAP_GRAPH_XY, DATAP_GRAPH_XINT, DATAP_GRAPH_YINT};
Circles shownCircles{};
int circlesPanel = 0;  // the panel whose views show shownCircles; 0: none yet

// Whether the views show these circles already: the same table, on the same panel, and
// nothing else has changed the views' plots since.
bool CirclesShown(const Circles& circles)
{
    if (circlesPanel == 0 || circlesPanel != DataPanel || circles != shownCircles)
        return false;
    for (int graph : kSideViews)
        if (GraphPlotCount(DataPanel, graph) != kTeachRows)
            return false;
    return true;
}

}  // namespace

void MarkLiveDataStale()
{
    if (stale)
        return;
    stale = true;
    for (size_t i = 0; i < std::size(kLiveDisplays); ++i) {
        GetCtrlAttribute(DataPanel, kLiveDisplays[i], ATTR_TEXT_COLOR, &freshColors[i]);
        SetCtrlAttribute(DataPanel, kLiveDisplays[i], ATTR_TEXT_COLOR, kStaleColor);
    }
    SetStripChartMark(DataPanel, DATAP_STRIPCHART, kStaleMark);
}

bool LiveDataStale() { return stale; }

void ShowLiveValues()
{
    if (stale)
        ShowFresh();
    SetCtrlVal(DataPanel, DATAP_X, LiveValue(kLiveX));
    SetCtrlVal(DataPanel, DATAP_Y, LiveValue(kLiveY));
    SetCtrlVal(DataPanel, DATAP_INT, LiveValue(kLiveInt));
    SetCtrlVal(DataPanel, DATAP_COLNO, LiveValue(kLiveColorNo));
    SetCtrlVal(DataPanel, DATAP_R, LiveValue(kLiveR));
    SetCtrlVal(DataPanel, DATAP_G, LiveValue(kLiveG));
    SetCtrlVal(DataPanel, DATAP_B, LiveValue(kLiveB));
}

void AppendLiveHistory()
{
    Shift(history, kRgbHistorySize, -3, history);
    history[kRgbHistorySize - 3] = LiveValue(kLiveR);
    history[kRgbHistorySize - 2] = LiveValue(kLiveG);
    history[kRgbHistorySize - 1] = LiveValue(kLiveB);
    ++shownSamples;
}

void SetPanelData()
{
    ShowLiveValues();
    AppendLiveHistory();
}

void InitGraphs()
{
    for (Range& r : ranges)
        r = Range{kEmptyMin, kEmptyMax};
    Circles circles{};
    for (int k = 0; k < kTeachRows; ++k) {
        const TeachVector& row = TechVec[k];
        // Signed 32-bit: X - r of a colour near the origin goes below 0.
        const int32_t value[3] = {row.Cell0, row.Cell1, row.Cell2};
        const int32_t r = row.Cell3;
        circles[k] = Circle{value[kAxisX], value[kAxisY], value[kAxisInt], r};
        if (value[kAxisX] > kCountedAbove || value[kAxisY] > kCountedAbove) {
            for (int a = 0; a < 3; ++a) {
                ranges[a].min = std::min(ranges[a].min, value[a] - r);
                ranges[a].max = std::max(ranges[a].max, value[a] + r);
            }
        }
    }
    for (Range& r : ranges)
        if (r.max < r.min)
            std::swap(r.min, r.max);

    if (CirclesShown(circles))
        return;
    for (int graph : kSideViews)
        DeleteGraphPlot(DataPanel, graph, VAL_ALL_PLOTS, VAL_DELAYED_DRAW);
    for (int k = 0; k < kTeachRows; ++k) {
        const Circle& c = circles[k];
        const int color = kRowPalette[k % 15];
        PlotCircle(DATAP_GRAPH_XY, c.x, c.y, c.r, color);
        PlotCircle(DATAP_GRAPH_XINT, c.x, c.in, c.r, color);
        PlotCircle(DATAP_GRAPH_YINT, c.y, c.in, c.r, color);
    }
    shownCircles = circles;
    circlesPanel = DataPanel;
}

void ShowGraph3D()
{
    ShowSideViewPoint(LiveValue(kLiveX), LiveValue(kLiveY), LiveValue(kLiveInt));

    // Setting the points per screen empties the chart; the whole history is then plotted again,
    // newest sample at the right.
    SetCtrlAttribute(DataPanel, DATAP_STRIPCHART, ATTR_POINTS_PER_SCREEN, kPointsPerScreen);
    PlotStripChart(DataPanel, DATAP_STRIPCHART, history, kRgbHistorySize, 0, 0, VAL_DOUBLE);
}

void ShowSideViewPoint(int32_t x, int32_t y, int32_t in)
{
    const Window wx = AxisWindow(x, ranges[kAxisX]);
    const Window wy = AxisWindow(y, ranges[kAxisY]);
    const Window wi = AxisWindow(in, ranges[kAxisInt]);
    ScaleGraph(DATAP_GRAPH_XY, wx, wy);
    ScaleGraph(DATAP_GRAPH_XINT, wx, wi);
    ScaleGraph(DATAP_GRAPH_YINT, wy, wi);

    SetGraphCursor(DataPanel, DATAP_GRAPH_XY, 1, x, y);
    SetGraphCursor(DataPanel, DATAP_GRAPH_XINT, 1, x, in);
    SetGraphCursor(DataPanel, DATAP_GRAPH_YINT, 1, y, in);
}

const double* RgbHistory() { return history; }

void GraphRange(int axis, int32_t* min, int32_t* max)
{
    const Range r = axis >= 0 && axis < 3 ? ranges[axis] : Range{};
    if (min)
        *min = r.min;
    if (max)
        *max = r.max;
}

uint64_t ShownSampleCount() { return shownSamples; }

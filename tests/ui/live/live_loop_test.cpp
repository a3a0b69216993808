// GO and STOP against the simulated sensor over loopback TCP: the loop runs inside the GO
// callback, STOP is handled inside the exchange's wait, and the pass in progress is shown.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include <QApplication>
#include <QSpinBox>
#include <qcustomplot.h>

#include "link/commands.h"
#include "link/link_state.h"
#include "link/transports.h"
#include "link/sensor_context.h"
#include "params/program_state.h"
#include "platform/controls.h"
#include "platform/graphs.h"
#include "platform/inspection.h"
#include "platform/panels.h"
#include "platform/runtime.h"
#include "platform/tcp.h"
#include "platform/userint.h"
#include "sim/simulator.h"
#include "tests/support/panels_fixture.h"
#include "ui/live_callbacks.h"
#include "ui/live_display.h"
#include "ui/panel_handles.h"
#include "ui/uir.h"

namespace {

sim::Target Named(const char* name)
{
    sim::Target t;
    EXPECT_TRUE(sim::TargetByName(name, &t)) << name;
    return t;
}

struct Rgb {
    double r, g, b;
    bool operator==(const Rgb&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Rgb& c)
{
    return os << "(" << c.r << ", " << c.g << ", " << c.b << ")";
}

class LiveDisplayLoopTest : public PanelsTest {
protected:
    void SetUp() override
    {
        PanelsTest::SetUp();
        sensor.model().SetNoise(0);
        sensor.model().SetTarget(Named("red"));
        const int port = sensor.ListenTcp();
        ASSERT_GT(port, 0) << sensor.error();
        OpenTcpLink(port);
        sensor.SetLog([this](const std::string& line) {
            if (line.rfind("order 8 ", 0) != 0)
                return;
            ++liveRequests;
            if (onLive)
                onLive(liveRequests);
        });
    }
    void TearDown() override
    {
        sensor.Stop();
        PanelsTest::TearDown();
    }
    // Presses GO; the callback returns when the loop has ended.
    void Go()
    {
        liveRequests = 0;
        CBF_ButtonGo(MainPanel, MAINP_BUTTON_GO, EVENT_COMMIT, nullptr, 0, 0);
    }
    void Stop() { CBF_ButtonStop(MainPanel, MAINP_BUTTON_STOP, EVENT_COMMIT, nullptr, 0, 0); }

    static Rgb HistoryAt(int sample)  // 0 = oldest, 99 = newest
    {
        const double* h = RgbHistory();
        return {h[3 * sample], h[3 * sample + 1], h[3 * sample + 2]};
    }
    Rgb Shown() const
    {
        return {double(Value(DataPanel, DATAP_R)), double(Value(DataPanel, DATAP_G)),
                double(Value(DataPanel, DATAP_B))};
    }

    sim::Simulator sensor;
    int liveRequests = 0;
    // Called with the count of live-data requests of this GO, after the sensor has computed
    // its answer to the latest one and before it is sent.
    std::function<void(int)> onLive;
};

}  // namespace

// The sensor looks at red; the answer to request 4 is computed, then the target turns green,
// so only answer 5 is green; during pass 5 STOP is pressed and the target turns blue. Pass 5
// must be shown, and no pass 6.
TEST_F(LiveDisplayLoopTest, StopDuringAPassShowsThatPassAndEndsTheLoop)
{
    onLive = [this](int n) {
        if (n == 4)
            sensor.model().SetTarget(Named("green"));
        if (n == 5) {
            Stop();
            sensor.model().SetTarget(Named("blue"));
        }
    };
    const uint64_t before = ShownSampleCount();
    Go();
    EXPECT_EQ(5, liveRequests);
    EXPECT_EQ(5u, ShownSampleCount() - before);
    EXPECT_EQ(0, AcquisitionRunning);
    EXPECT_EQ(1, SensorConnected);

    const Rgb red = HistoryAt(98), green = HistoryAt(99);
    EXPECT_GT(green.g, green.r);
    EXPECT_GT(red.r, red.g);
    EXPECT_EQ(green, Shown());
    EXPECT_EQ(red, HistoryAt(95));
    // After the loop every operation control is enabled again.
    EXPECT_FALSE(Dimmed(MainPanel, MAINP_BUTTON_GO));
}

TEST_F(LiveDisplayLoopTest, GoAfterStopContinuesTheRetainedHistory)
{
    onLive = [this](int n) {
        if (n == 6)
            Stop();
    };
    Go();
    const Rgb red = HistoryAt(99);
    std::vector<Rgb> first;
    for (int i = 0; i < 100; ++i)
        first.push_back(HistoryAt(i));

    sensor.model().SetTarget(Named("blue"));
    onLive = [this](int n) {
        if (n == 3)
            Stop();
    };
    Go();
    EXPECT_EQ(3, liveRequests);
    // The first run's samples moved three places towards the start; the new ones follow them.
    for (int i = 0; i < 97; ++i)
        ASSERT_EQ(first[i + 3], HistoryAt(i)) << i;
    EXPECT_EQ(red, HistoryAt(96));
    const Rgb blue = HistoryAt(99);
    EXPECT_GT(blue.b, blue.r);
    EXPECT_EQ(blue, HistoryAt(97));
    EXPECT_EQ(blue, HistoryAt(98));

    // The strip chart shows the same: the red run, then the three blue samples.
    std::vector<double> reds(200);
    const int n = GetStripChartPoints(DataPanel, DATAP_STRIPCHART, 0, reds.data(), 200);
    ASSERT_EQ(100, n);
    EXPECT_EQ(red.r, reds[96]);
    EXPECT_EQ(blue.r, reds[99]);
}

// A link error ends the loop like STOP, and the displays keep the last good pass.
TEST_F(LiveDisplayLoopTest, BrokenAnswerEndsTheLoopKeepingTheLastGoodPass)
{
    sensor.faults().Add({sim::FaultKind::BadDataCrc, 8, 2, 1, 0});
    const uint64_t before = ShownSampleCount();
    Go();
    EXPECT_EQ(3, liveRequests);
    EXPECT_EQ(2u, ShownSampleCount() - before);
    EXPECT_EQ(0, AcquisitionRunning);
    EXPECT_EQ(HistoryAt(99), Shown());
    EXPECT_NE(std::string::npos, StatusBox().find("RECEIVED DATA FRAME IS INCORRECT!"));
}

// Values that stopped coming because the link failed look old: grey displays and a mark on
// the strip chart where the data ends, until the next good sample. STOP leaves them as they are.
TEST_F(LiveDisplayLoopTest, LinkFailureGreysTheValuesAndMarksTheChartUntilTheNextSample)
{
    constexpr int kDisplays[] = {DATAP_X, DATAP_Y, DATAP_INT, DATAP_COLNO, DATAP_R, DATAP_G, DATAP_B};
    auto colors = [&] {
        std::vector<int> c;
        for (int d : kDisplays) {
            int v = -1;
            GetCtrlAttribute(DataPanel, d, ATTR_TEXT_COLOR, &v);
            c.push_back(v);
        }
        return c;
    };
    auto mark = [] {
        char label[32] = "?";
        double x = -1;
        GetStripChartMark(DataPanel, DATAP_STRIPCHART, label, sizeof label, &x);
        return std::string(label) + "@" + std::to_string(static_cast<int>(x));
    };
    onLive = [this](int n) {
        if (n == 2)
            Stop();
    };
    Go();
    const std::vector<int> fresh = colors();
    EXPECT_FALSE(LiveDataStale());
    EXPECT_EQ("@-1", mark());

    sensor.faults().Add({sim::FaultKind::BadDataCrc, 8, 2, 1, 0});
    onLive = nullptr;
    Go();
    EXPECT_TRUE(LiveDataStale());
    EXPECT_EQ(std::vector<int>(std::size(kDisplays), 0xA0A0A0), colors());
    // At the newest sample, the right end of the 100 shown.
    EXPECT_EQ("LINK FAILED@99", mark());

    onLive = [this](int n) {
        if (n == 1)
            Stop();
    };
    SensorConnected = 1;
    Go();
    EXPECT_FALSE(LiveDataStale());
    EXPECT_EQ(fresh, colors());
    EXPECT_EQ("@-1", mark());
}

// Samples come far faster than a screen shows them; the displays and the graphs follow them
// while the loop runs (a few times a second at the least), not only when it ends.
TEST_F(LiveDisplayLoopTest, DisplaysFollowTheSamplesWhileTheLoopRuns)
{
    // The newest point of a trace as the strip chart last drew it.
    auto drawn = [](int trace) {
        auto* chart = ControlWidget(DataPanel, DATAP_STRIPCHART)->findChild<QCustomPlot*>();
        if (!chart || trace >= chart->graphCount() || chart->graph(trace)->data()->isEmpty())
            return -1.0;
        return (chart->graph(trace)->data()->constEnd() - 1)->value;
    };
    double started = -1, greenSince = -1;
    Rgb shownWhileRunning{};
    double drawnRed = -1, drawnGreen = -1;
    onLive = [&](int n) {
        if (n == 1)
            started = Timer();
        // A tenth of a second in, when the displays have been drawn a few times, the target
        // turns green.
        if (greenSince < 0 && started >= 0 && Timer() - started > 0.1) {
            sensor.model().SetTarget(Named("green"));
            greenSince = Timer();
        }
        // A fifth of a second after the target turned green, with the loop still running.
        if (greenSince >= 0 && Timer() - greenSince > 0.2 && AcquisitionRunning) {
            shownWhileRunning = Shown();
            drawnRed = drawn(0);
            drawnGreen = drawn(1);
            Stop();
        }
    };
    Go();
    ASSERT_GT(liveRequests, 3);
    EXPECT_GT(shownWhileRunning.g, shownWhileRunning.r);
    EXPECT_GT(drawnGreen, drawnRed);
    EXPECT_EQ(HistoryAt(99), Shown());
}

// While the loop runs, the displays are drawn in frames about thirty times a second (at least
// the 25 an operator needs), however many samples come in between. On a fast line a frame is
// drawn a display at a time, one in each wait for an answer, so the window's paint passes hold
// one display each; where an answer takes far longer than a frame (a slow serial line), the
// frame is drawn whole, in one paint pass.
TEST_F(LiveDisplayLoopTest, DisplaysAreDrawnAtTheScreensPaceADisplayAtATimeOrWholeOnASlowLine)
{
    sensor.model().SetNoise(40);  // every sample moves the values, the cursors and the traces
    DisplayPanel(MainPanel);
    DisplayPanel(DataPanel);
    ProcessSystemEvents();  // the windows' first paint
    QWidget* window = ControlWidget(DataPanel, DATAP_R)->window();

    // Paint passes of the window, and for each widget the passes in which it was painted.
    struct Counter : QObject {
        QWidget* window;
        int passes = 0;
        std::map<QObject*, std::vector<int>> painted;
        bool eventFilter(QObject* o, QEvent* e) override
        {
            if (e->type() == QEvent::UpdateRequest && o == window)
                ++passes;
            else if (e->type() == QEvent::Paint)
                painted[o].push_back(passes);
            return false;
        }
    };
    struct Frames {
        double seconds;
        size_t chart, red;  // passes that painted the strip chart, the red display
        int together;       // paints of another display in a pass that painted the chart
        int alone;          // passes that painted the chart and no other display
    };
    const auto run = [&] {
        Counter counter;
        counter.window = window;
        qApp->installEventFilter(&counter);
        double started = -1, stopped = -1;
        onLive = [&](int n) {
            if (n == 1)
                started = Timer();
            if (stopped < 0 && Timer() - started > 0.6) {
                stopped = Timer();
                Stop();
            }
        };
        Go();
        qApp->removeEventFilter(&counter);
        // The plots are made by the first drawing.
        QWidget* chart = ControlWidget(DataPanel, DATAP_STRIPCHART)->findChild<QCustomPlot*>();
        QWidget* sideView = ControlWidget(DataPanel, DATAP_GRAPH_XY)->findChild<QCustomPlot*>();
        QWidget* red = ControlWidget(DataPanel, DATAP_R);
        const std::vector<int>& chartPasses = counter.painted[chart];
        int together = 0, alone = 0;
        for (QWidget* w : {sideView, red})
            for (int pass : counter.painted[w])
                together += std::count(chartPasses.begin(), chartPasses.end(), pass) > 0;
        const auto paintedIn = [&](QWidget* w, int pass) {
            return std::count(counter.painted[w].begin(), counter.painted[w].end(), pass) > 0;
        };
        for (int pass : chartPasses)
            alone += !paintedIn(sideView, pass) && !paintedIn(red, pass);
        return Frames{stopped - started, chartPasses.size(), counter.painted[red].size(), together, alone};
    };

    const Frames fast = run();
    ASSERT_GT(liveRequests, 20);
    EXPECT_GE(fast.chart + 1, static_cast<size_t>(25 * fast.seconds)) << fast.seconds << " s";
    EXPECT_LE(fast.chart, static_cast<size_t>(34 * fast.seconds) + 2) << fast.seconds << " s";
    // Every frame shows the newest values.
    EXPECT_GE(fast.red + 1, static_cast<size_t>(25 * fast.seconds)) << fast.seconds << " s";
    // Apart from GO's own setup of the graphs and the rest of the last frame, drawn at once when
    // the loop ends, no pass paints the chart together with another display.
    EXPECT_LE(fast.together, 3);

    // Every answer a few frames' time late.
    sensor.faults().Add({sim::FaultKind::Late, 8, 0, sim::kEveryTime, 25});
    const Frames slow = run();
    ASSERT_GT(liveRequests, 10);
    EXPECT_GE(slow.chart + 1, static_cast<size_t>(25 * slow.seconds)) << slow.seconds << " s";
    EXPECT_GE(slow.red + 1, static_cast<size_t>(25 * slow.seconds)) << slow.seconds << " s";
    // All but the first frames, which learn how long a pass takes, are painted whole.
    EXPECT_LE(slow.alone, 3) << slow.chart << " frames";
}

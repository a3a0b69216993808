// The numeric displays and the RGB history behind the strip chart.
#include <gtest/gtest.h>

#include <QSpinBox>
#include <QTest>

#include <cstring>
#include <vector>

#include "link/commands.h"
#include "platform/analysis.h"
#include "platform/controls.h"
#include "platform/graphs.h"
#include "platform/userint.h"
#include "platform/inspection.h"
#include "platform/panels.h"
#include "tests/support/panels_fixture.h"
#include "ui/live_display.h"
#include "ui/panel_handles.h"
#include "ui/uir.h"

namespace {

class RgbHistoryTest : public PanelsTest {
protected:
    static void Sample(int16_t r, int16_t g, int16_t b, int16_t x = 0, int16_t y = 0,
                       int16_t in = 0, int16_t colour = 255)
    {
        const int16_t words[8] = {r, g, b, x, y, in, 0, colour};
        std::memcpy(LiveData, words, sizeof words);
        SetPanelData();
    }
    std::vector<double> Trace(int trace) const
    {
        std::vector<double> values(200);
        const int n = GetStripChartPoints(DataPanel, DATAP_STRIPCHART, trace, values.data(), 200);
        values.resize(n < 0 ? 0 : n);
        return values;
    }
};

}  // namespace

TEST_F(RgbHistoryTest, EachSampleShiftsTheHistoryAndLandsAtItsEnd)
{
    // 102 samples: the history then holds samples 2 to 101, oldest first.
    for (int k = 0; k < 102; ++k)
        Sample(k, 1000 + k, -2000 - k);
    const double* h = RgbHistory();
    for (int i = 0; i < 100; ++i) {
        ASSERT_EQ(2 + i, h[3 * i]) << i;
        ASSERT_EQ(1002 + i, h[3 * i + 1]) << i;
        ASSERT_EQ(-2002 - i, h[3 * i + 2]) << i;
    }

    // Three more: everything moves on by three samples, only the end is new.
    Sample(7, 8, 9);
    Sample(10, 11, 12);
    Sample(13, 14, 15);
    EXPECT_EQ(5, h[0]);
    EXPECT_EQ(101, h[3 * 96]);
    EXPECT_EQ((std::vector<double>{7, 8, 9, 10, 11, 12, 13, 14, 15}),
              std::vector<double>(h + 291, h + 300));
}

TEST_F(RgbHistoryTest, DisplaysShowTheSignedValuesOfTheRecord)
{
    Sample(4095, 12, -3, 1365, -7, 1370, 5);
    EXPECT_EQ(4095, Value(DataPanel, DATAP_R));
    EXPECT_EQ(12, Value(DataPanel, DATAP_G));
    EXPECT_EQ(-3, Value(DataPanel, DATAP_B));
    EXPECT_EQ(1365, Value(DataPanel, DATAP_X));
    EXPECT_EQ(-7, Value(DataPanel, DATAP_Y));
    EXPECT_EQ(1370, Value(DataPanel, DATAP_INT));
    EXPECT_EQ(5, Value(DataPanel, DATAP_COLNO));
}

// The loop writes the displays thousands of times a second; each reads back at once, but the
// widget takes only the last value, at the next screen refresh.
TEST_F(RgbHistoryTest, DisplaysReadBackAtOnceAndRedrawOncePerRefresh)
{
    auto* red = qobject_cast<QSpinBox*>(ControlWidget(DataPanel, DATAP_R));
    ASSERT_NE(nullptr, red);
    // The next frame comes within a refresh interval; a loaded machine may take longer.
    const auto shows = [red](int value) { return QTest::qWaitFor([&] { return red->value() == value; }, 2000); };
    Sample(1, 0, 0);
    ASSERT_TRUE(shows(1));
    for (int k = 2; k <= 500; ++k)
        Sample(k, 0, 0);
    EXPECT_EQ(500, Value(DataPanel, DATAP_R));
    EXPECT_EQ(1, red->value());
    EXPECT_TRUE(shows(500));
    // Beyond the file's range the display widens instead of clamping.
    Sample(-32768, 0, 0);
    Sample(-30000, 0, 0);
    EXPECT_TRUE(shows(-30000));
}

// A display draws its number itself, without the spin box's line edit: it looks exactly as a
// spin box with the same properties and value, also greyed, at the ends of its range and
// aligned to either side or the centre.
TEST_F(RgbHistoryTest, DisplaysLookAsTheSpinBoxTheyAre)
{
    auto* red = qobject_cast<QSpinBox*>(ControlWidget(DataPanel, DATAP_R));
    ASSERT_NE(nullptr, red);
    DisplayPanel(MainPanel);
    DisplayPanel(DataPanel);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(red->window()));
    QSpinBox twin(red->parentWidget());
    twin.setGeometry(red->geometry().translated(0, red->height() + 4));
    twin.setReadOnly(true);
    twin.setButtonSymbols(QAbstractSpinBox::NoButtons);
    twin.setFocusPolicy(Qt::NoFocus);
    twin.show();
    const auto same = [&](int value) {
        Sample(static_cast<int16_t>(value), 0, 0);
        ProcessDrawEvents();
        twin.setRange(red->minimum(), red->maximum());
        twin.setFont(red->font());
        twin.setPalette(red->palette());
        twin.setValue(value);
        // As a frame of the live loop leaves the display on the screen, and drawn whole.
        const QImage expected = DrawnAfresh(&twin);
        return OnScreen(red) == expected && DrawnAfresh(red) == expected;
    };
    for (int value : {0, 7, -3, 4095, 1365, -32768, 32767})
        EXPECT_TRUE(same(value)) << value;
    MarkLiveDataStale();
    EXPECT_TRUE(same(-120));
    SetCtrlAttribute(DataPanel, DATAP_R, ATTR_TEXT_COLOR, 0xC00000);  // as a file may colour it
    EXPECT_TRUE(same(7));
    // Aligned otherwise, as a file may give it.
    for (Qt::Alignment align : {Qt::AlignRight, Qt::AlignHCenter}) {
        red->setAlignment(align | Qt::AlignVCenter);
        twin.setAlignment(align | Qt::AlignVCenter);
        EXPECT_TRUE(same(-7)) << align;
        EXPECT_TRUE(same(32767)) << align;
    }
}

// Every pass plots the whole history again: the chart shows exactly the last 100 samples of
// each channel, newest at the right, however many passes came before.
TEST_F(RgbHistoryTest, StripChartShowsTheLastHundredSamplesPerChannel)
{
    for (int k = 0; k < 150; ++k) {
        Sample(k, 2 * k, 3 * k);
        ShowGraph3D();
    }
    const std::vector<double> red = Trace(0), green = Trace(1), blue = Trace(2);
    ASSERT_EQ(100u, red.size());
    ASSERT_EQ(100u, blue.size());
    EXPECT_EQ(50, red.front());
    EXPECT_EQ(149, red.back());
    EXPECT_EQ(298, green.back());
    EXPECT_EQ(3 * 50, blue.front());
    int points = 0;
    GetCtrlAttribute(DataPanel, DATAP_STRIPCHART, ATTR_POINTS_PER_SCREEN, &points);
    EXPECT_EQ(101, points);
}

TEST(ShiftOperation, MovesEitherWayWithZeroFillAndInPlace)
{
    double a[6] = {1, 2, 3, 4, 5, 6};
    ASSERT_EQ(0, Shift(a, 6, -3, a));
    EXPECT_EQ((std::vector<double>{4, 5, 6, 0, 0, 0}), std::vector<double>(a, a + 6));
    double b[6] = {1, 2, 3, 4, 5, 6}, out[6];
    ASSERT_EQ(0, Shift(b, 6, 2, out));
    EXPECT_EQ((std::vector<double>{0, 0, 1, 2, 3, 4}), std::vector<double>(out, out + 6));
    ASSERT_EQ(0, Shift(b, 6, -9, b));  // further than the array: all zero
    EXPECT_EQ((std::vector<double>(6, 0.0)), std::vector<double>(b, b + 6));
    EXPECT_EQ(-1, Shift(nullptr, 3, 1, out));
    EXPECT_EQ(-1, Shift(b, -1, 1, out));
}

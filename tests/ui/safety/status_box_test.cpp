// The status box keeps its newest line in view, on the real panels on the offscreen screen.
#include <gtest/gtest.h>

#include <QPlainTextEdit>
#include <QScrollBar>

#include <string>

#include "platform/controls.h"
#include "platform/panels.h"
#include "platform/runtime.h"
#include "platform/widgets.h"
#include "tests/support/panels_fixture.h"
#include "ui/panel_handles.h"
#include "ui/uir.h"

namespace {

class StatusBoxTest : public PanelsTest {
protected:
    void SetUp() override
    {
        PanelsTest::SetUp();
        box = qobject_cast<QPlainTextEdit*>(ControlWidget(ConnectPage, CONP_STATUSBOX));
        ASSERT_NE(nullptr, box);
    }
    static void Display()
    {
        DisplayPanel(DataPanel);
        DisplayPanel(MainPanel);
    }
    static void Append(int lines)
    {
        for (int i = 0; i < lines; ++i)
            SetCtrlVal(ConnectPage, CONP_STATUSBOX, ("line " + std::to_string(i) + "\n").c_str());
    }
    // The last line with text is inside the visible part of the box.
    bool NewestLineShown() const
    {
        for (int i = 0; i < 20; ++i)
            ProcessSystemEvents();
        const int bottom = box->cursorForPosition(QPoint(2, box->viewport()->height() - 2)).blockNumber();
        return bottom >= box->document()->blockCount() - 2;
    }
    QPlainTextEdit* box = nullptr;
};

}  // namespace

TEST_F(StatusBoxTest, NewestLineIsShownAfterEveryAppend)
{
    // At start-up the first messages come before the window is shown.
    Append(5);
    Display();
    Append(300);
    EXPECT_TRUE(NewestLineShown());
    // The operator scrolled back to read; the next message still comes into view.
    box->verticalScrollBar()->setValue(0);
    Append(1);
    EXPECT_TRUE(NewestLineShown());
    // One long line that wraps (or scrolls sideways) still leaves the end in view.
    SetCtrlVal(ConnectPage, CONP_STATUSBOX, (std::string(2000, 'x') + "\nlast\n").c_str());
    EXPECT_TRUE(NewestLineShown());
    // Messages that come while the parameter page is in front are in view on return.
    SetActiveTabPage(MainPanel, MAINP_TAB, 1);
    ProcessSystemEvents();
    Append(300);
    SetActiveTabPage(MainPanel, MAINP_TAB, 0);
    EXPECT_TRUE(NewestLineShown());
}

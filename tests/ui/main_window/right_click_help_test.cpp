// A right click on any operating control of the real window explains it in an "INFO!" pop-up
// and does nothing else.
#include <QMouseEvent>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QWidget>

#include <cstring>

#include "link/sensor_context.h"
#include "params/program_state.h"
#include "platform/controls.h"
#include "platform/userint.h"
#include "platform/inspection.h"
#include "tests/ui/main_window/main_window_fixture.h"
#include "ui/help_texts.h"
#include "ui/panel_handles.h"
#include "ui/uir.h"

namespace {

const char* HelpFor(const std::string& callback)
{
    for (size_t i = 0; i < kHelpTextCount; ++i)
        if (callback == kHelpTexts[i].callback)
            return kHelpTexts[i].text;
    return nullptr;
}

int PanelOf(int control)
{
    if (control >= 400)
        return DataPanel;
    if (control >= 300)
        return ParamPage;
    if (control >= 200)
        return ConnectPage;
    return MainPanel;
}

}  // namespace

TEST_F(MainWindowTest, RightClickOnEveryControlOnlyShowsItsHelp)
{
    StartConnected(0);
    SetCtrlAttribute(ConnectPage, CONP_BUTTON_ACCEPT, ATTR_DIMMED, 0);
    sensor.ClearRequests();
    const uint16_t target = TransferTarget;
    int checked = 0;
    for (const UirName& n : kUirControls) {
        if (n.id >= 600)
            continue;  // the parameter workbench: a window of its own, without help texts
        QWidget* w = ControlWidget(PanelOf(n.id), n.id);
        ASSERT_NE(nullptr, w) << n.name;
        const std::string callback = w->property("callback").toString().toStdString();
        if (callback.empty() || callback == "CBF_DispStatus")
            continue;
        const char* help = HelpFor(callback);
        ASSERT_NE(nullptr, help) << n.name << " " << callback;
        // The tab control's own area is its tab bar.
        QWidget* at = w;
        if (auto* tab = qobject_cast<QTabWidget*>(w))
            at = tab->tabBar();
        popups->answer(PopupKind::Message, 0);
        const size_t before = popups->shown().size();
        QTest::mouseClick(at, Qt::RightButton, {}, QPoint(5, 5));
        ASSERT_EQ(before + 1, popups->shown().size()) << n.name;
        EXPECT_EQ("INFO!", popups->shown().back().title) << n.name;
        EXPECT_EQ(help, popups->shown().back().message) << n.name;
        ++checked;
    }
    EXPECT_GE(checked, 30);
    EXPECT_TRUE(sensor.orders().empty()) << "a right click never talks to the sensor";
    EXPECT_EQ(target, TransferTarget);
    EXPECT_EQ(1, ActivePage());
}

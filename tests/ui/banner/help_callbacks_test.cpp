// The right-click help: an "INFO!" pop-up with the control's text, from a real right click on the
// real controls, and nothing for any other event.
#include <gtest/gtest.h>

#include <QFile>
#include <QRegularExpression>
#include <QTest>

#include <initializer_list>
#include <set>
#include <string>

#include "platform/popups.h"
#include "platform/runtime.h"
#include "platform/userint.h"
#include "platform/inspection.h"
#include "tests/support/panels_fixture.h"
#include "tests/support/popup_script.h"
#include "ui/help_callbacks.h"
#include "ui/help_texts.h"
#include "ui/panel_handles.h"
#include "ui/uir.h"

namespace {

const CallbackEntry kHelpOnly[] = {
    {"CBF_EditAverage", CBF_EditAverage, nullptr}, {"CBF_DispScanFreq", CBF_DispScanFreq, nullptr},
    {"CBF_DispX", CBF_DispX, nullptr},             {"CBF_DispY", CBF_DispY, nullptr},
    {"CBF_DispINT", CBF_DispINT, nullptr},         {"CBF_DispRGB", CBF_DispRGB, nullptr},
    {"CBF_DispCOL", CBF_DispCOL, nullptr},         {"CBF_Graph3D", CBF_Graph3D, nullptr},
};

// The panels with only the help-only callbacks bound, as the program binds them by name.
class HelpTest : public PanelsTest {
protected:
    void SetUp() override
    {
        RegisterCallbacks(kHelpOnly, std::size(kHelpOnly));
        PanelsTest::SetUp();
    }
    void TearDown() override
    {
        PanelsTest::TearDown();
        RegisterCallbacks(nullptr, 0);
    }
    static int Panel(int control) { return control >= 401 ? DataPanel : MainPanel; }
    static void Click(int control, Qt::MouseButton button)
    {
        QWidget* w = ControlWidget(Panel(control), control);
        ASSERT_NE(nullptr, w) << control;
        QTest::mouseClick(w, button, Qt::NoModifier, QPoint(3, 3));
        ProcessSystemEvents();
    }
};

}  // namespace

TEST(HelpTexts, KeepTheirLineBreaksAndTrailingBlanks)
{
    EXPECT_STREQ("All the parameters of the PC-User-Interface are transferred to the sensor or to a "
                 "selectable file. \nThe target of the parameter transfer is determined by the "
                 "select button (RAM, EEPROM, FILE). \n\nShortcut Key: F9. ",
                 kHelpButtonSend);
    EXPECT_STREQ("Select the Baudrate for data transfer. \n\nAttention! Sensor and user surface \n"
                 "must work with the same Baudrate. ",
                 kHelpEditSelectBaudrate);
    EXPECT_STREQ("Displays the green content of the color currently arriving at the receiver. ",
                 kHelpDispY);
    EXPECT_STREQ("Displays the red content of the color currently arriving at the receiver.",
                 kHelpDispX);
    EXPECT_STREQ("Disconnect from sensor.!", kHelpButtonDisconnect);
    EXPECT_STREQ("Displays the current detected color number in \naccordance with the row in the "
                 "TEACH TABLE. \n\nFailure condition is 255.",
                 kHelpDispCOL);
}

TEST(HelpTexts, EveryOperatingControlOfTheWindowHasOne)
{
    char dir[1024];
    GetProjectDir(dir, sizeof dir);
    QFile file(QString::fromUtf8(dir) + "/" + kUirFile);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString ui = QString::fromUtf8(file.readAll());
    std::set<std::string> withHelp;
    for (size_t i = 0; i < kHelpTextCount; ++i)
        withHelp.insert(kHelpTexts[i].callback);
    // The status display and the two panels explain nothing; everything else does.
    const std::set<std::string> without = {"CBF_DispStatus", "CBF_MAINP", "CBF_DATAP"};
    auto names = QRegularExpression(">(CBF_\\w+)<").globalMatch(ui);
    while (names.hasNext()) {
        const std::string name = names.next().captured(1).toStdString();
        // The parameter workbench (CBF_WBP, CBF_Wb..., CBF_Workbench...) is a window of its own
        // whose captions say what each control does; its callbacks show no help text.
        const bool workbench = name.rfind("CBF_Wb", 0) == 0 || name.rfind("CBF_WBP", 0) == 0 ||
                               name.rfind("CBF_Workbench", 0) == 0;
        if (!without.count(name) && !workbench) {
            EXPECT_TRUE(withHelp.count(name)) << name << " has no help text";
        }
    }
}

TEST(ShowHelpText, ShowsTheTextTitledInfoAndReturnsZero)
{
    PopupScript popups;
    popups.answer(PopupKind::Message, 0);
    EXPECT_EQ(0, ShowHelpText(kHelpButtonGo));
    ASSERT_EQ(1u, popups.shown().size());
    EXPECT_EQ("INFO!", popups.shown()[0].title);
    EXPECT_EQ("Starts data transfer from sensor to PC. \n\nShortcut Key: F11. ",
              popups.shown()[0].message);
}

TEST_F(HelpTest, ARightClickOnEachHelpOnlyControlShowsItsText)
{
    const struct {
        int control;
        const char* text;
    } cases[] = {
        {MAINP_AVERAGE, kHelpEditAverage},     {MAINP_SCANFREQ, kHelpDispScanFreq},
        {DATAP_X, kHelpDispX},                 {DATAP_Y, kHelpDispY},
        {DATAP_INT, kHelpDispINT},             {DATAP_R, kHelpDispRGB},
        {DATAP_G, kHelpDispRGB},               {DATAP_B, kHelpDispRGB},
        {DATAP_COLNO, kHelpDispCOL},           {DATAP_GRAPH_XY, kHelpGraph3D},
        {DATAP_GRAPH_XINT, kHelpGraph3D},      {DATAP_GRAPH_YINT, kHelpGraph3D},
        {DATAP_STRIPCHART, kHelpGraph3D},
    };
    for (const auto& c : cases) {
        PopupScript popups;
        popups.answer(PopupKind::Message, 0);
        Click(c.control, Qt::RightButton);
        ASSERT_EQ(1u, popups.shown().size()) << c.control;
        EXPECT_EQ("INFO!", popups.shown()[0].title) << c.control;
        EXPECT_EQ(c.text, popups.shown()[0].message) << c.control;
    }
}

TEST_F(HelpTest, AnyOtherEventPassesWithoutEffect)
{
    PopupScript popups;  // any pop-up fails the test
    Click(DATAP_X, Qt::LeftButton);
    Click(MAINP_AVERAGE, Qt::LeftButton);
    for (const CallbackEntry& e : kHelpOnly)
        for (int event : std::initializer_list<int>{EVENT_NONE, EVENT_COMMIT, EVENT_VAL_CHANGED, EVENT_LEFT_CLICK,
                          EVENT_LEFT_DOUBLE_CLICK, EVENT_RIGHT_DOUBLE_CLICK, EVENT_GOT_FOCUS,
                          EVENT_LOST_FOCUS, 999})
            EXPECT_EQ(0, e.control(MainPanel, 0, event, nullptr, 0, 0)) << e.name;
    EXPECT_TRUE(popups.shown().empty());
}

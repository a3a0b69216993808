// The run-time layer's promises that the rest of the program builds on.
#include <gtest/gtest.h>

#include <QFile>
#include <QRegularExpression>

#include "platform/controls.h"
#include "platform/panels.h"
#include "platform/popups.h"
#include "platform/runtime.h"
#include "platform/userint.h"
#include "tests/support/panels_fixture.h"
#include "tests/support/popup_script.h"
#include "ui/panel_handles.h"
#include "ui/uir.h"

TEST(UserInterfaceFile, HoldsEveryPanelAndControlTheProgramNames)
{
    char dir[1024];
    GetProjectDir(dir, sizeof dir);
    QFile file(QString::fromUtf8(dir) + "/" + kUirFile);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(file.readAll());
    for (const UirName& n : kUirPanels)
        EXPECT_TRUE(text.contains(QString("name=\"%1\"").arg(n.name))) << n.name;
    for (const UirName& n : kUirControls)
        EXPECT_TRUE(text.contains(QString("name=\"%1\"").arg(n.name))) << n.name;
}

TEST(LoadPanel, MissingFileOrPanelGivesANegativeHandle)
{
    EXPECT_LT(LoadPanel(0, "NoSuchFile.ui", MAINP), 0);
    EXPECT_LT(LoadPanel(0, kUirFile, 999), 0);
}

TEST(EventLoop, QuitBeforeRunReturnsAtOnce)
{
    QuitUserInterface(7);
    EXPECT_EQ(7, RunUserInterface());
}

class ControlsTest : public PanelsTest {};

TEST_F(ControlsTest, TextBoxAppendsAndResetEmpties)
{
    SetCtrlVal(ConnectPage, CONP_STATUSBOX, "TRY TO CONNECT!\n");
    SetCtrlVal(ConnectPage, CONP_STATUSBOX, "ab");
    SetCtrlVal(ConnectPage, CONP_STATUSBOX, "c\n\n");
    EXPECT_EQ("TRY TO CONNECT!\nabc\n\n", StatusBox());
    ResetTextBox(ConnectPage, CONP_STATUSBOX, "");
    EXPECT_EQ("", StatusBox());
}

TEST_F(ControlsTest, TextReadBackIsCutSafely)
{
    SetCtrlVal(DataPanel, DATAP_STATUS, "ÄÖÜ");  // two bytes each
    char small[4];
    GetCtrlVal(DataPanel, DATAP_STATUS, small, sizeof small);
    EXPECT_STREQ("Ä", small);
}

TEST_F(ControlsTest, TabPagesAndDimmingWork)
{
    EXPECT_EQ(0, SetActiveTabPage(MainPanel, MAINP_TAB, 1));
    EXPECT_EQ(1, ActivePage());
    SetCtrlAttribute(ConnectPage, CONP_BUTTON_ACCEPT, ATTR_DIMMED, 1);
    EXPECT_TRUE(Dimmed(ConnectPage, CONP_BUTTON_ACCEPT));
    SetCtrlAttribute(ConnectPage, CONP_BUTTON_ACCEPT, ATTR_DIMMED, 0);
    EXPECT_FALSE(Dimmed(ConnectPage, CONP_BUTTON_ACCEPT));
    EXPECT_EQ(-1, SetCtrlAttribute(ConnectPage, 99999, ATTR_DIMMED, 1));
}

TEST(Popups, HookSeesKindTitleTextAndAnswers)
{
    PopupScript script;
    script.answer(PopupKind::Confirm, 1).answer(PopupKind::Generic, 2, "seven and more text");
    EXPECT_EQ(1, ConfirmPopup("ATTENTION!", "Sure?"));
    char input[8];
    EXPECT_EQ(2, GenericMessagePopup("T", "How many?", "OK", "CANCEL", "", input, 7, 1, 1, 2));
    EXPECT_STREQ("seven a", input);
    ASSERT_EQ(2u, script.shown().size());
    EXPECT_EQ("ATTENTION!", script.shown()[0].title);
    EXPECT_EQ("How many?", script.shown()[1].message);
}

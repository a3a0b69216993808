// The connection page as the operator sees it: captions of the fields of one protocol only,
// a status box that wraps what it is told, and an IP address field whose completion never gets
// an address into the settings that the sensor was not reached at.
#include <QAbstractButton>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>
#include <QTextLayout>

#include <vector>

#include "platform/controls.h"
#include "platform/lists.h"
#include "platform/panels.h"
#include "platform/userint.h"
#include "platform/widgets.h"
#include "tests/ui/main_window/main_window_fixture.h"
#include "ui/connect_panel.h"
#include "ui/main_window.h"
#include "ui/panel_handles.h"
#include "ui/uir.h"

namespace {

class ConnectionPageTest : public MainWindowTest {
protected:
    QWidget* Page() const { return ControlWidget(ConnectPage, CONP_STATUSBOX)->parentWidget(); }
    QLineEdit* IpField() const
    {
        return static_cast<QComboBox*>(ControlWidget(ConnectPage, CONP_IPADDRESS))->lineEdit();
    }
    std::string HistoryEntry(int index) const
    {
        char label[256] = {};
        GetLabelFromIndex(ConnectPage, CONP_IPADDRESS, index, label, sizeof label);
        return label;
    }
    // The operator clears the field and types into it.
    void Type(const char* text)
    {
        QLineEdit* edit = IpField();
        edit->setFocus();
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Delete);
        QTest::keyClicks(edit, text);
    }
};

}  // namespace

TEST_F(ConnectionPageTest, OnlyTheFieldsOfTheChosenProtocolShowTheirCaptionsAndNothingOverlaps)
{
    for (int protocol : {1, 0}) {
        SCOPED_TRACE(protocol);
        SetCtrlVal(ConnectPage, CONP_PROTOCOL, protocol);
        CBF_EditCommunicationProtocol(ConnectPage, CONP_PROTOCOL, EVENT_COMMIT, nullptr, 0, 0);
        std::vector<QWidget*> shown;
        for (QWidget* w : Page()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            if (w->isVisibleTo(Page()))
                shown.push_back(w);
        ASSERT_GT(shown.size(), 8u);
        for (size_t i = 0; i < shown.size(); ++i)
            for (size_t j = i + 1; j < shown.size(); ++j)
                EXPECT_FALSE(shown[i]->geometry().intersects(shown[j]->geometry()))
                    << shown[i]->objectName().toStdString() << " over "
                    << shown[j]->objectName().toStdString();
    }
}

TEST_F(ConnectionPageTest, StatusBoxWrapsALineLongerThanItIsWide)
{
    SetActiveTabPage(MainPanel, MAINP_TAB, 0);
    DisplayPanel(MainPanel);
    auto* box = static_cast<QPlainTextEdit*>(ControlWidget(ConnectPage, CONP_STATUSBOX));
    SetCtrlVal(ConnectPage, CONP_STATUSBOX, "CHECK POWER SUPPLY AND COM SETTINGS. \nTRY TO CONNECT AGAIN!");
    box->grab();  // lays the text out at the box's width
    EXPECT_GT(box->document()->firstBlock().layout()->lineCount(), 1);
    EXPECT_EQ(0, box->horizontalScrollBar()->maximum());
}

// Connected at 127.0.0.1, the operator types the start of another address from the history.
// ACCEPT can no longer store anything: the field no longer holds the address the sensor was
// reached at. Committing the completed entry puts that entry, as listed, at the top of the
// history, and the settings written on close hold it.
TEST_F(ConnectionPageTest, CompletedAddressDimsAcceptAndGoesToTheHistoryAsCompleted)
{
    StartConnected(0);
    AddToIpHistory("Sensor-Hall-B");
    AddToIpHistory("127.0.0.1");
    DisplayPanel(MainPanel);
    SetActiveTabPage(MainPanel, MAINP_TAB, 0);
    SetCtrlAttribute(ConnectPage, CONP_BUTTON_ACCEPT, ATTR_DIMMED, 0);

    const std::string before = SettingsFileText();
    Type("sensor-h");
    ASSERT_EQ("sensor-hall-B", IpField()->text().toStdString());
    EXPECT_TRUE(Dim(ConnectPage, CONP_BUTTON_ACCEPT));
    static_cast<QAbstractButton*>(ControlWidget(ConnectPage, CONP_BUTTON_ACCEPT))->click();
    EXPECT_EQ(before, SettingsFileText()) << "ACCEPT stored an address the sensor was not reached at";

    // Leaving the field commits what it shows.
    QTest::keyClick(IpField(), Qt::Key_Tab);
    EXPECT_EQ("sensor-hall-B", HistoryEntry(0));
    EXPECT_EQ("127.0.0.1", HistoryEntry(1));

    // The same for the port number: typing is a change of the setting.
    SetCtrlAttribute(ConnectPage, CONP_BUTTON_ACCEPT, ATTR_DIMMED, 0);
    auto* port = static_cast<QLineEdit*>(ControlWidget(ConnectPage, CONP_PORTNUMBER));
    port->setFocus();
    QTest::keyClicks(port, "7");
    EXPECT_TRUE(Dim(ConnectPage, CONP_BUTTON_ACCEPT));

    CBF_MAINP(MainPanel, EVENT_CLOSE, nullptr, 0, 0);
    const std::string written = SettingsFileText();
    EXPECT_NE(std::string::npos, written.find("IP ADRESS = \"sensor-hall-B\"")) << written;
    EXPECT_NE(std::string::npos, written.find("IP ADDR 1 = \"sensor-hall-B\"")) << written;
}

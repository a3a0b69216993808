// The IP address field's history: most recent first, no duplicates, at most ten, and completion
// from it while typing.
#include <QComboBox>
#include <QLineEdit>
#include <QTest>

#include "platform/controls.h"
#include "platform/lists.h"
#include "platform/panels.h"
#include "platform/userint.h"
#include "platform/inspection.h"
#include "tests/ui/main_window/main_window_fixture.h"
#include "ui/connect_panel.h"
#include "ui/panel_handles.h"
#include "ui/uir.h"

class IpHistoryTest : public MainWindowTest {
protected:
    std::vector<std::string> Entries() const
    {
        int n = 0;
        GetNumListItems(ConnectPage, CONP_IPADDRESS, &n);
        std::vector<std::string> list;
        for (int i = 0; i < n; ++i) {
            char label[256];
            GetLabelFromIndex(ConnectPage, CONP_IPADDRESS, i, label, sizeof label);
            list.push_back(label);
        }
        return list;
    }
    QComboBox* Field() const { return static_cast<QComboBox*>(ControlWidget(ConnectPage, CONP_IPADDRESS)); }
    void Commit(const char* text)
    {
        SetCtrlVal(ConnectPage, CONP_IPADDRESS, text);
        CBF_StringIpAdress(ConnectPage, CONP_IPADDRESS, EVENT_COMMIT, nullptr, 0, 0);
    }
};

TEST_F(IpHistoryTest, EnteredAddressGoesToTheTopAndAnEqualOneMovesUp)
{
    SetCtrlAttribute(ConnectPage, CONP_BUTTON_ACCEPT, ATTR_DIMMED, 0);
    Commit("10.0.0.1");
    Commit("10.0.0.2");
    Commit("10.0.0.1");
    EXPECT_EQ((std::vector<std::string>{"10.0.0.1", "10.0.0.2"}), Entries());
    EXPECT_TRUE(Dim(ConnectPage, CONP_BUTTON_ACCEPT));
    EXPECT_EQ("10.0.0.1", Text(ConnectPage, CONP_IPADDRESS)) << "the field keeps what was entered";
    // Letter case counts for equality.
    Commit("Sensor");
    Commit("sensor");
    EXPECT_EQ(4u, Entries().size());
}

TEST_F(IpHistoryTest, TheEleventhAddressDropsTheOldest)
{
    for (int i = 1; i <= 11; ++i)
        Commit(("host" + std::to_string(i)).c_str());
    const auto list = Entries();
    ASSERT_EQ(10u, list.size());
    EXPECT_EQ("host11", list.front());
    EXPECT_EQ("host2", list.back());
}

TEST_F(IpHistoryTest, ChoosingAnEntryFromTheListCommitsIt)
{
    Commit("first");
    Commit("second");
    // What choosing "first" in the list does: the field shows it, then the choice is delivered.
    Field()->setCurrentIndex(1);
    emit Field()->activated(1);
    EXPECT_EQ((std::vector<std::string>{"first", "second"}), Entries());
}

TEST_F(IpHistoryTest, TypingIsCompletedFromTheHistoryWithoutRegardToCase)
{
    Commit("192.168.7.20");
    Commit("Sensor-Hall-B");
    DisplayPanel(MainPanel);
    QLineEdit* edit = Field()->lineEdit();
    edit->clear();
    edit->setFocus();
    QTest::keyClicks(edit, "sensor-h");
    EXPECT_EQ("sensor-hall-B", edit->text().toStdString());
    EXPECT_EQ("all-B", edit->selectedText().toStdString());
    // Deleting the completion does not bring it back at once.
    QTest::keyClick(edit, Qt::Key_Backspace);
    EXPECT_EQ("sensor-h", edit->text().toStdString());
}

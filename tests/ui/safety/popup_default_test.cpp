// The real pop-ups, answered from the keyboard: a stray Return never writes to the sensor or
// replaces a file, and the questions that only go on keep Yes under Return.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <cstdio>

#include "ui/connect_sequence.h"
#include "params/assistant_texts.h"
#include "params/parameter_set.h"
#include "params/parameter_file.h"
#include "params/parameter_file_path.h"
#include "platform/popups.h"
#include "tests/link/sim_line.h"
#include "tests/ui/safety/modal_keys.h"

TEST(PopupDefaults, ReturnAnswersYesOrNoAsEachQuestionDefaults)
{
    {
        ModalKeys keys({Qt::Key_Return});
        EXPECT_EQ(1, ConfirmPopup("ATTENTION!", "Go on?"));
        ASSERT_EQ(1u, keys.seen().size());
        EXPECT_EQ("Yes", keys.seen()[0].defaultButton);
    }
    {
        ModalKeys keys({Qt::Key_Return});
        EXPECT_EQ(0, ConfirmPopupDefaultNo("ATTENTION!", "Overwrite?"));
        ASSERT_EQ(1u, keys.seen().size());
        EXPECT_EQ("No", keys.seen()[0].defaultButton);
        EXPECT_EQ("ATTENTION!", keys.seen()[0].title);
        EXPECT_EQ("Overwrite?", keys.seen()[0].text);
    }
    {
        ModalKeys keys({Qt::Key_Escape});
        EXPECT_EQ(0, ConfirmPopupDefaultNo("ATTENTION!", "Overwrite?"));
    }
    {
        // Yes must still be reachable: Tab moves from No to Yes, Space presses it.
        QTimer later;
        QObject::connect(&later, &QTimer::timeout, [] {
            QWidget* top = QApplication::activeModalWidget();
            if (!top || !top->focusWidget())
                return;
            QTest::keyClick(top->focusWidget(), Qt::Key_Tab);
            QTest::keyClick(top->focusWidget(), Qt::Key_Space);
        });
        later.start(200);
        EXPECT_EQ(1, ConfirmPopupDefaultNo("ATTENTION!", "Overwrite?"));
    }
}

TEST(PopupDefaults, HookSeesWhichButtonReturnWouldChoose)
{
    std::vector<int> defaults;
    SetPopupHook([&](const PopupCall& call, std::string&) {
        defaults.push_back(call.defaultButton);
        return 0;
    });
    ConfirmPopup("", "a");
    ConfirmPopupDefaultNo("", "b");
    GenericMessagePopup("", "c", "CLOSE", "OFFLINE", nullptr, nullptr, 0, 1, 2, 1);
    SetPopupHook({});
    EXPECT_EQ((std::vector<int>{1, 2, 2}), defaults);
}

// Saving parameters over an existing file: Return at the dialog's question keeps the file.
TEST(PopupDefaults, ReturnAtTheReplaceQuestionKeepsTheFile)
{
    QTemporaryDir dir;
    const QString path = QDir(dir.path()).filePath("Parameter.ini");
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("kept\n");
    }
    std::snprintf(ParameterFilePath, sizeof ParameterFilePath, "%s", path.toUtf8().constData());
    // Return in the dialog chooses Parameter.ini, Return at the question, Escape leaves the
    // dialog, Return confirms "No file was selected!".
    ModalKeys keys({Qt::Key_Return, Qt::Key_Return, Qt::Key_Escape, Qt::Key_Return});
    SendParaToFile();
    EXPECT_EQ(0, keys.pending());
    ASSERT_EQ(4u, keys.seen().size());
    EXPECT_NE(std::string::npos, keys.seen()[1].text.find("already exists")) << keys.seen()[1].text;
    EXPECT_EQ("No", keys.seen()[1].defaultButton);
    EXPECT_EQ("No file was selected!", keys.seen()[3].text);
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ("kept\n", f.readAll().toStdString());
}

namespace {
class DefaultQuestionTest : public SimLineTest {};
}  // namespace

// The connection's question whether to send default parameters, on the real pop-up: Return
// sends nothing, the sensor's parameters are read and kept.
TEST_P(DefaultQuestionTest, ReturnAtTheDefaultsQuestionSendsNothing)
{
    FillConnectionPage();
    sensor.model().ram().Power = 777;
    sensor.model().eeprom().Power = 777;
    LanguageIndex = 1;
    ModalKeys keys({Qt::Key_Return});
    TryToConnect();
    ASSERT_EQ(1u, keys.seen().size());
    EXPECT_EQ(AssistantText(TxtSendDefaults, 1), keys.seen()[0].text);
    EXPECT_EQ("No", keys.seen()[0].defaultButton);
    EXPECT_EQ((std::vector<uint8_t>{7, 4, 2, 2}), sensor.orders());
    EXPECT_EQ(1, SensorConnected) << StatusBox();
    EXPECT_EQ(777, sensor.model().ram().Power);
    EXPECT_EQ(777, Para.Power);
}

INSTANTIATE_ON_BOTH_LINES(DefaultQuestionTest);

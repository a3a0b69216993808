// The banner on the real main panel: its four texts, the decoration's colour and the logo loaded
// from beside the program; and a start without the logo's bitmap.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdlib>

#include "platform/controls.h"
#include "platform/userint.h"
#include "platform/inspection.h"
#include "tests/support/panels_fixture.h"
#include "tests/support/popup_script.h"
#include "ui/banner.h"
#include "ui/panel_handles.h"
#include "ui/uir.h"

namespace {

const QColor kWhite(0xFF, 0xFF, 0xFF);
const QColor kBannerBlue(0x00, 0x80, 0xFF);

// Set in the copy of this program that runs without the bitmap beside it.
constexpr char kChildEnv[] = "DIROR_BANNER_WITHOUT_BITMAP";

class BannerTest : public PanelsTest {
protected:
    // The text message on the main panel showing exactly `text`, or null.
    QLabel* BannerText(const char* text) const
    {
        for (QLabel* l : PanelWidget(MainPanel)->findChildren<QLabel*>(Qt::FindDirectChildrenOnly))
            if (l->text() == QString::fromUtf8(text))
                return l;
        return nullptr;
    }
    QLabel* Logo() const { return qobject_cast<QLabel*>(ControlWidget(MainPanel, MAINP_LOGO)); }
    int Attribute(int control, int attribute) const
    {
        int v = -1;
        GetCtrlAttribute(MainPanel, control, attribute, &v);
        return v;
    }
};

}  // namespace

TEST_F(BannerTest, ShowsTheFourTextsWhereTheyBelongInWhiteDialogFont)
{
    PopupScript popups;  // the banner never asks or reports anything
    ShowLogo();

    struct Expected {
        const char* text;
        int left, top, points;
        const char* toolTip;
    } const expected[] = {
        {"CHROMIX5 VANTAGE Diror V1.0", 323, 29, 19, "CHROMIX5 VANTAGE Diror V1.0.3"},
        {"Velmora GmbH", 15, 6, 11, ""},
        {"Tel. +49 (0)000 000000-0", 15, 22, 11, ""},
        {"www.velmora.example", 15, 36, 11, ""},
    };
    const QString dialogFamily = QApplication::font("QMessageBox").family();
    for (const Expected& e : expected) {
        QLabel* label = BannerText(e.text);
        ASSERT_NE(nullptr, label) << e.text;
        EXPECT_EQ(QPoint(e.left, e.top), label->pos()) << e.text;
        EXPECT_EQ(e.points, label->font().pointSize()) << e.text;
        EXPECT_EQ(dialogFamily, label->font().family()) << e.text;
        EXPECT_EQ(kWhite, label->palette().color(QPalette::WindowText)) << e.text;
        EXPECT_FALSE(label->autoFillBackground()) << e.text << ": the ground must show through";
        EXPECT_EQ(QString::fromUtf8(e.toolTip), label->toolTip()) << e.text;
        // The text message takes its text's size, so nothing of the title is cut off.
        EXPECT_GE(label->width(), label->sizeHint().width()) << e.text;
        EXPECT_FALSE(label->isHidden()) << e.text;
    }
    EXPECT_TRUE(popups.shown().empty());
}

TEST_F(BannerTest, PaintsTheDecorationBlueAndShowsTheLogoLoadedBesideTheProgram)
{
    PopupScript popups;
    ASSERT_EQ(0, Attribute(MAINP_LOGO, ATTR_VISIBLE));
    ShowLogo();

    EXPECT_EQ(1, Attribute(MAINP_LOGO, ATTR_VISIBLE));
    EXPECT_EQ(6, Attribute(MAINP_LOGO, ATTR_TOP));
    EXPECT_EQ(325, Attribute(MAINP_LOGO, ATTR_LEFT));
    const QPixmap logo = Logo()->pixmap();
    ASSERT_FALSE(logo.isNull());
    EXPECT_EQ(QImage(QApplication::applicationDirPath() + "/" + kLogoFile).size(), logo.size());
    EXPECT_EQ(logo.size(), Logo()->size());

    // What the operator sees: the banner's ground is the decoration's blue, the title is white.
    const QImage shot = PanelWidget(MainPanel)->grab().toImage();
    EXPECT_EQ(kBannerBlue, shot.pixelColor(700, 30));
    const QRect title = BannerText("CHROMIX5 VANTAGE Diror V1.0")->geometry();
    bool whiteInTitle = false;
    for (int x = title.left(); x <= title.right() && !whiteInTitle; ++x)
        for (int y = title.top(); y <= title.bottom() && !whiteInTitle; ++y)
            whiteInTitle = shot.pixelColor(x, y) == kWhite;
    EXPECT_TRUE(whiteInTitle);
    EXPECT_TRUE(popups.shown().empty());
}

// Runs in a copy of this program in a folder without the bitmap (see the next test); skipped in
// the normal run.
TEST_F(BannerTest, WithoutTheBitmapTheLogoStaysEmptyAndNothingIsReported)
{
    if (!std::getenv(kChildEnv))
        GTEST_SKIP() << "runs inside StartingWithoutTheBitmapBesideTheProgram";
    ASSERT_FALSE(QFile::exists(QApplication::applicationDirPath() + "/" + kLogoFile));
    PopupScript popups;  // fails on any pop-up
    ShowLogo();
    EXPECT_TRUE(Logo()->pixmap().isNull());
    EXPECT_EQ(1, Attribute(MAINP_LOGO, ATTR_VISIBLE));
    EXPECT_NE(nullptr, BannerText("CHROMIX5 VANTAGE Diror V1.0"));
    EXPECT_NE(nullptr, BannerText("www.velmora.example"));
}

TEST(BannerStart, StartingWithoutTheBitmapBesideTheProgram)
{
    if (std::getenv(kChildEnv))
        GTEST_SKIP();
    // The program looks for its files beside itself: give a copy of it a folder of its own
    // with the user-interface file and no bitmap.
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString self = QApplication::applicationFilePath();
    const QString copy = dir.filePath("banner_tests");
    ASSERT_TRUE(QFile::copy(self, copy));
    ASSERT_TRUE(QFile::copy(QApplication::applicationDirPath() + "/" + kUirFile,
                            dir.filePath(kUirFile)));

    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(kChildEnv, "1");
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(copy, {"--gtest_filter=BannerTest.WithoutTheBitmapTheLogoStaysEmptyAndNothingIsReported"});
    ASSERT_TRUE(child.waitForFinished(60000));
    const QString out = QString::fromUtf8(child.readAll());
    EXPECT_EQ(QProcess::NormalExit, child.exitStatus()) << out.toStdString();
    EXPECT_EQ(0, child.exitCode()) << out.toStdString();
    EXPECT_TRUE(out.contains("[  PASSED  ] 1 test")) << out.toStdString();
}

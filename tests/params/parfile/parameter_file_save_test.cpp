// Saving the working copy: the exact text, the dialog, and what happens when it cannot be saved.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <csignal>
#include <cstring>
#include <string>

#include <sys/resource.h>

#include "params/parameter_file.h"
#include "params/parameter_file_path.h"
#include "params/parameter_set.h"
#include "platform/runtime.h"
#include "tests/params/parfile/parameter_file_fixture.h"
#include "tests/support/popup_script.h"

namespace {

// One teach section as a file with the defaults holds it.
std::string DefaultTeachSection(int row)
{
    return "[TEACH VECTOR " + std::to_string(row) +
           "]\r\nCELL 0 = 1\r\nCELL 1 = 1\r\nCELL 2 = 1\r\nCELL 3 = 1\r\nCELL 4 = 1\r\n"
           "GROUP = 1\r\nHOLD = 10\r\n\r\n";
}

// While it lives, no file of this process may grow beyond `bytes` (writes beyond fail with
// EFBIG instead of raising SIGXFSZ).
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        ::getrlimit(RLIMIT_FSIZE, &saved_);
        previous_ = std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{bytes, saved_.rlim_max};
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit()
    {
        ::setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, previous_);
    }

private:
    rlimit saved_{};
    void (*previous_)(int) = nullptr;
};

}  // namespace

using ParameterFileSave = ParameterFileTest;

TEST_F(ParameterFileSave, DefaultsGiveTheHeaderParametersAndSixtyFourTeachSections)
{
    LoadDefaultParaValues(1);
    const std::string path = PathOf("defaults.ini");
    PopupScript popups;
    popups.answer(PopupKind::FileSelect, 2, path);
    SendParaToFile();

    const std::string expectedStart =
        "[GENERAL INFO]\r\n"
        "FILE TYPE: = \"Parameter File\"\r\n"
        "DIROR VERSION: = \"CHROMIX5 VANTAGE Diror V1.0\"\r\n"
        "\r\n"
        "[PARAMETER]\r\n"
        "POWER = 500\r\n"
        "POWER MODE = 0\r\n"
        "AVERAGE = 256\r\n"
        "EVALUATION MODE = 1\r\n"
        "HOLD FAIL = 10\r\n"
        "INTLIM = 0\r\n"
        "MAX VEC NO = 1\r\n"
        "DIGITAL OUTMODE = 1\r\n"
        "TRIGGER = 0\r\n"
        "EXTERN TEACH = 0\r\n"
        "CALCULATION MODE = 3\r\n"
        "DYNWIN LO = 3200\r\n"
        "DYNWIN HI = 3300\r\n"
        "COLOR GROUP = 0\r\n"
        "LED MODE = 1\r\n"
        "GAIN = 6\r\n"
        "INTEGRAL = 1\r\n"
        "\r\n";
    std::string expected = expectedStart;
    for (int row = 0; row < kTeachRows; ++row)
        expected += DefaultTeachSection(row);
    EXPECT_EQ(expected, Slurp(path));
    EXPECT_STREQ(path.c_str(), ParameterFilePath);
}

TEST_F(ParameterFileSave, DialogStartsInTheFolderOfTheLastFileWithTheFixedChoices)
{
    QDir(dir_.path()).mkdir("last");
    std::strcpy(ParameterFilePath, PathOf("last/Old.ini").c_str());
    PopupScript popups;
    popups.answer(PopupKind::FileSelect, 0);
    popups.answer(PopupKind::Message, 0);
    SendParaToFile();

    ASSERT_EQ(2u, popups.shown().size());
    const PopupCall& dialog = popups.shown()[0];
    EXPECT_EQ("Parameter", dialog.title);
    EXPECT_EQ(PathOf("last/"), dialog.message);
    EXPECT_EQ("Parameter.ini", dialog.buttons[0]);
    EXPECT_EQ("*.ini", dialog.buttons[1]);
    EXPECT_EQ("ATTENTION!", popups.shown()[1].title);
    EXPECT_EQ("No file was selected!", popups.shown()[1].message);
    // A cancelled dialog leaves the last file as it was and writes nothing.
    EXPECT_STREQ(PathOf("last/Old.ini").c_str(), ParameterFilePath);
    EXPECT_TRUE(QDir(dir_.path() + "/last").isEmpty());
}

// An installed program cannot write beside itself: without an earlier file the dialog starts in
// the user's documents folder, or in the home folder when there is none.
// Without an earlier file the dialog starts where the settings file would be kept: beside the
// program when its folder can be written (as here), else in the documents folder.
TEST_F(ParameterFileSave, AnEmptyPathStartsBesideAWritableProgram)
{
    char program[1024];
    GetProjectDir(program, sizeof program);
    ParameterFilePath[0] = '\0';
    PopupScript popups;
    popups.answer(PopupKind::FileSelect, 0);
    popups.answer(PopupKind::Message, 0);
    EXPECT_EQ(0, SendParaToFile());

    ASSERT_FALSE(popups.shown().empty());
    EXPECT_EQ(std::string(program) + "/", popups.shown()[0].message);
    EXPECT_EQ(std::string(program) + "/Parameter.ini", std::string(ParameterFilePath));
}

// Every case below runs as root in CI, so only failures that permissions cannot override.
TEST_F(ParameterFileSave, ATargetThatIsAFolderIsReportedAndStaysAFolder)
{
    const std::string path = PathOf("Parameter.ini");
    ASSERT_TRUE(QDir(dir_.path()).mkdir("Parameter.ini"));
    PopupScript popups;
    popups.answer(PopupKind::FileSelect, 1, path);
    popups.answer(PopupKind::Message, 0);
    SendParaToFile();

    ASSERT_EQ(2u, popups.shown().size());
    EXPECT_EQ("ATTENTION!", popups.shown()[1].title);
    EXPECT_EQ(0u, popups.shown()[1].message.find("The parameter file could not be saved:\n" + path + "\n"))
        << popups.shown()[1].message;
    EXPECT_TRUE(QFileInfo(QString::fromStdString(path)).isDir());
    // No temporary file is left behind.
    EXPECT_EQ(QStringList{"Parameter.ini"}, QDir(dir_.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries));
}

TEST_F(ParameterFileSave, AMissingFolderIsReportedAndNothingIsCreated)
{
    const std::string path = PathOf("missing/Parameter.ini");
    PopupScript popups;
    popups.answer(PopupKind::FileSelect, 2, path);
    popups.answer(PopupKind::Message, 0);
    SendParaToFile();

    ASSERT_EQ(2u, popups.shown().size());
    EXPECT_EQ("ATTENTION!", popups.shown()[1].title);
    EXPECT_NE(std::string::npos, popups.shown()[1].message.find(path));
    EXPECT_FALSE(QFileInfo::exists(dir_.path() + "/missing"));
}

TEST_F(ParameterFileSave, AFailedSaveKeepsTheEarlierFileWhole)
{
    const std::string path = PathOf("Parameter.ini");
    const std::string earlier = Header() + ParameterSection(7);
    WriteFile(path, earlier);
    // Files may grow to 1000 bytes only, so the new file fails part-way; the earlier one must
    // come through untouched.
    LoadDefaultParaValues(1);
    PopupScript popups;
    popups.answer(PopupKind::FileSelect, 1, path);
    popups.answer(PopupKind::Message, 0);
    {
        FileSizeLimit limit(1000);
        SendParaToFile();
    }

    ASSERT_EQ(2u, popups.shown().size());
    const std::string& report = popups.shown()[1].message;
    EXPECT_EQ("ATTENTION!", popups.shown()[1].title);
    EXPECT_NE(std::string::npos, report.find(path));
    EXPECT_NE(std::string::npos, report.find("Error writing the file. (error -93)")) << report;
    EXPECT_EQ(earlier, Slurp(path));
    EXPECT_EQ(QStringList{"Parameter.ini"}, QDir(dir_.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries));
}

TEST_F(ParameterFileSave, ASuccessfulSaveReplacesTheEarlierFileSilently)
{
    const std::string path = PathOf("Parameter.ini");
    WriteFile(path, "old content\r\n");
    LoadDefaultParaValues(1);
    PopupScript popups;
    popups.answer(PopupKind::FileSelect, 1, path);
    SendParaToFile();

    EXPECT_EQ(0u, Slurp(path).find(Header() + "[PARAMETER]\r\nPOWER = 500\r\n"));
    EXPECT_EQ(QStringList{"Parameter.ini"}, QDir(dir_.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries));
}

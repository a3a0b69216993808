// Splitting paths into the parts the file dialog starts from, and the dialog itself.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QTemporaryDir>
#include <QTimer>

#include <cstring>
#include <string>

#include "platform/files.h"

TEST(SplitPath, KeepsTheTrailingSeparatorSoThePartsJoinBack)
{
    char drive[MAX_DRIVENAME_LEN];
    char dir[MAX_DIRNAME_LEN];
    char file[MAX_FILENAME_LEN];
    ASSERT_EQ(0, SplitPath("/opt/diror/Parameter.ini", drive, dir, file));
    EXPECT_STREQ("", drive);
    EXPECT_STREQ("/opt/diror/", dir);
    EXPECT_STREQ("Parameter.ini", file);

    ASSERT_EQ(0, SplitPath("Parameter.ini", drive, dir, file));
    EXPECT_STREQ("", dir);
    EXPECT_STREQ("Parameter.ini", file);

    ASSERT_EQ(0, SplitPath("/opt/diror/", drive, dir, nullptr));
    EXPECT_STREQ("/opt/diror/", dir);
}

TEST(SplitPath, RefusesPartsThatDoNotFitTheirBuffers)
{
    char drive[MAX_DRIVENAME_LEN];
    char dir[MAX_DIRNAME_LEN];
    char file[MAX_FILENAME_LEN];
    const std::string longDir = "/" + std::string(300, 'd') + "/x.ini";
    EXPECT_EQ(-1, SplitPath(longDir.c_str(), drive, dir, file));
    EXPECT_STREQ("", dir);
    EXPECT_STREQ("", file);
    // Exactly filling the buffer still fits.
    const std::string fits = std::string(MAX_DIRNAME_LEN - 2, 'd') + "/";
    EXPECT_EQ(0, SplitPath(fits.c_str(), nullptr, dir, nullptr));
    EXPECT_EQ(fits, dir);
    EXPECT_EQ(-1, SplitPath(nullptr, drive, dir, file));
}

// The real dialog, driven the moment it opens: an existing file, a new name, and Cancel.
TEST(FileSelectPopup, TellsExistingFilesFromNewNamesAndLeavesThePathOnCancel)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QFile existing(dir.filePath("there.ini"));
    ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
    existing.close();
    auto runWith = [&](const QString& name, char* path) {
        QTimer::singleShot(0, [name] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(nullptr, dialog);
            QDialog* asDialog = dialog;  // accept() is protected in QFileDialog
            if (name.isEmpty()) {
                asDialog->reject();
            } else {
                dialog->selectFile(name);
                asDialog->accept();
            }
        });
        const std::string start = dir.path().toStdString() + "/";
        return FileSelectPopup(start.c_str(), "Parameter.ini", "*.ini", "Parameter", VAL_LOAD_BUTTON,
                               0, 0, 1, 1, path);
    };
    char path[MAX_PATHNAME_LEN] = "unchanged";
    EXPECT_EQ(VAL_EXISTING_FILE_SELECTED, runWith("there.ini", path));
    EXPECT_EQ(dir.filePath("there.ini").toStdString(), path);
    EXPECT_EQ(VAL_NEW_FILE_SELECTED, runWith("fresh.ini", path));
    EXPECT_EQ(dir.filePath("fresh.ini").toStdString(), path);
    std::strcpy(path, "unchanged");
    EXPECT_EQ(VAL_NO_FILE_SELECTED, runWith(QString(), path));
    EXPECT_STREQ("unchanged", path);
}

// Splitting paths into the parts the file dialog starts from.
#include <gtest/gtest.h>

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

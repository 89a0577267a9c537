#include <gtest/gtest.h>

#include "support/Sandbox.h"
#include "wintk/FileSystem.h"
#include "wintk/TextList.h"

namespace {

TEST(FileSystem, FileAndFolderTestsTellThemApart)
{
    std::string root = MakeScratchFolder("fs");
    WriteFile(root + "file.txt", "x");
    MakeFolder(root + "sub");
    EXPECT_TRUE(PathIsFile(root + "file.txt"));
    EXPECT_FALSE(PathIsFolder(root + "file.txt"));
    EXPECT_TRUE(PathIsFolder(root + "sub"));
    EXPECT_TRUE(PathIsFolder(root + "sub\\"));
    EXPECT_FALSE(PathIsFile(root + "sub"));
    EXPECT_FALSE(PathIsFile(""));
    EXPECT_FALSE(PathIsFolder(""));
    EXPECT_FALSE(PathIsFile(root + "missing"));
    EXPECT_FALSE(PathIsFolder(root + "missing\\"));
    DeleteTree(root);
}

TEST(FileSystem, WindowsFolderEndsWithOneBackslash)
{
    char buffer[MAX_PATH] = {};
    GetWindowsDirectoryA(buffer, MAX_PATH);
    std::string windows = WindowsFolderPath();
    EXPECT_EQ(windows, std::string(buffer) + "\\");
    EXPECT_TRUE(PathIsFolder(windows));
}

TEST(FileSystem, BackslashHelpers)
{
    EXPECT_EQ(WithBackslash(""), "\\");
    EXPECT_EQ(WithBackslash("C:\\"), "C:\\");
    EXPECT_EQ(WithBackslash("C:\\Games\\EI"), "C:\\Games\\EI\\");
    EXPECT_EQ(AppendCharIfMissing("a|", '|'), "a|");
    EXPECT_EQ(AppendCharIfMissing("", '|'), "|");
}

TEST(FileSystem, AbsolutePathsNeedADriveOrAServer)
{
    EXPECT_TRUE(IsAbsolutePath("C:\\Games"));
    EXPECT_TRUE(IsAbsolutePath("d:\\"));
    EXPECT_TRUE(IsAbsolutePath("\\\\server\\share\\EI"));
    EXPECT_FALSE(IsAbsolutePath(".\\"));
    EXPECT_FALSE(IsAbsolutePath("Games\\EI"));
    EXPECT_FALSE(IsAbsolutePath("C:Games"));
    EXPECT_FALSE(IsAbsolutePath("\\Games"));
    EXPECT_FALSE(IsAbsolutePath("1:\\Games"));
    EXPECT_FALSE(IsAbsolutePath(""));
}

TEST(TextList, TakeTokenWalksAList)
{
    std::string list = "a|b||c";
    EXPECT_EQ(TakeToken(list, "|"), "a");
    EXPECT_EQ(list, "b||c");
    EXPECT_EQ(TakeToken(list, "|"), "b");
    EXPECT_EQ(TakeToken(list, "|"), "");
    EXPECT_EQ(TakeToken(list, "|"), "c");
    EXPECT_EQ(list, "");
    list = "a|";
    EXPECT_EQ(TakeToken(list, "|"), "a");
    EXPECT_EQ(list, "");
    list = "x;y|z";
    EXPECT_EQ(TakeToken(list, "|;"), "x");
    EXPECT_EQ(list, "y|z");
}

TEST(TextList, PositionsAreOneBased)
{
    EXPECT_EQ(CharPosition("abc", 'c'), 3);
    EXPECT_EQ(CharPosition("abc", 'x'), -1);
    EXPECT_EQ(FirstOfCharsPosition("abc", "xcb"), 2);
    EXPECT_EQ(FirstOfCharsPosition("", "a"), -1);
    EXPECT_EQ(TailFrom("abc", 0), "abc");
    EXPECT_EQ(TailFrom("abc", 3), "c");
    EXPECT_EQ(TailFrom("abc", 4), "");
}

} // namespace

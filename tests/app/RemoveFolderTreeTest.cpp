#include <gtest/gtest.h>

#include "app/Initer.h"
#include "support/Sandbox.h"

namespace {

class RemoveFolderTreeTest : public ::testing::Test {
protected:
    void SetUp() override { root = MakeScratchFolder("tree"); }
    void TearDown() override { DeleteTree(root); }
    std::string root;
};

TEST_F(RemoveFolderTreeTest, RemovesThreeLevelsWhateverTheNamesAndAttributes)
{
    std::string top = root + "Stavor\\";
    MakeFolder(top);
    WriteFile(top + "readonly.txt", "r");
    SetFileAttributesA((top + "readonly.txt").c_str(), FILE_ATTRIBUTE_READONLY);
    WriteFile(top + "hidden.sys", "h");
    SetFileAttributesA((top + "hidden.sys").c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    WriteFile(top + ".dotfile", "d");
    MakeFolder(top + ".dotdir");
    WriteFile(top + ".dotdir\\x", "x");
    MakeFolder(top + "with blank");
    WriteFile(top + "with blank\\a file.txt", "b");
    std::string cyrillic = top + "\xcf\xe0\xef\xea\xe0\\";  // "Папка"
    MakeFolder(cyrillic);
    WriteFile(cyrillic + "\xd4\xe0\xe9\xeb.txt", "c");       // "Файл.txt"
    MakeFolder(cyrillic + "Level3");
    WriteFile(cyrillic + "Level3\\deep.bin", "deep");
    SetFileAttributesA((cyrillic + "Level3").c_str(), FILE_ATTRIBUTE_READONLY);
    MakeFolder(top + "empty");

    RemoveFolderTree(top, true);

    EXPECT_FALSE(Exists(top));
    EXPECT_TRUE(Snapshot(root).empty());
}

TEST_F(RemoveFolderTreeTest, LockedFileKeepsItselfAndTheFoldersAboveIt)
{
    std::string top = root + "Stavor\\";
    MakeFolder(top);
    MakeFolder(top + "a");
    MakeFolder(top + "a\\b");
    WriteFile(top + "a\\b\\locked.dat", "in use");
    WriteFile(top + "a\\b\\free.dat", "free");
    WriteFile(top + "a\\sibling.dat", "s");
    MakeFolder(top + "other");
    WriteFile(top + "other\\o.dat", "o");
    WriteFile(top + "top.dat", "t");
    {
        LockedFile lock(top + "a\\b\\locked.dat");
        ASSERT_TRUE(lock.IsLocked());
        RemoveFolderTree(top, true);
    }
    TreeSnapshot expected = {
        {"Stavor", "<folder>"}, {"Stavor\\a", "<folder>"}, {"Stavor\\a\\b", "<folder>"},
        {"Stavor\\a\\b\\locked.dat", "in use"}};
    EXPECT_EQ(Snapshot(root), expected);
}

TEST_F(RemoveFolderTreeTest, MissingAndEmptyFolders)
{
    RemoveFolderTree(root + "missing\\", true);
    EXPECT_TRUE(Snapshot(root).empty());

    MakeFolder(root + "empty");
    RemoveFolderTree(root + "empty\\", true);
    EXPECT_FALSE(Exists(root + "empty"));

    MakeFolder(root + "kept");
    WriteFile(root + "kept\\f", "f");
    RemoveFolderTree(root + "kept\\", false);
    EXPECT_EQ(Snapshot(root), (TreeSnapshot{{"kept", "<folder>"}}));
}

TEST_F(RemoveFolderTreeTest, LinkInsideTheTreeIsRemovedButNeverFollowed)
{
    std::string target = root + "Elsewhere\\";
    MakeFolder(target);
    MakeFolder(target + "inner");
    WriteFile(target + "precious.txt", "keep me");
    WriteFile(target + "inner\\deep.txt", "keep me too");
    TreeSnapshot before = Snapshot(target);

    std::string top = root + "Stavor\\";
    MakeFolder(top);
    WriteFile(top + "backup.dat", "b");
    ASSERT_TRUE(MakeUnixLink(target, top + "link"));

    RemoveFolderTree(top, true);

    EXPECT_EQ(Snapshot(target), before);
    EXPECT_FALSE(Exists(top + "backup.dat"));
}

TEST_F(RemoveFolderTreeTest, OutermostFolderBeingALinkLeavesItsTargetAlone)
{
    std::string target = root + "Elsewhere\\";
    MakeFolder(target);
    WriteFile(target + "precious.txt", "keep me");
    ASSERT_TRUE(MakeUnixLink(target, root + "Stavor"));

    RemoveFolderTree(root + "Stavor\\", true);

    EXPECT_EQ(Snapshot(target), (TreeSnapshot{{"precious.txt", "keep me"}}));
}

} // namespace

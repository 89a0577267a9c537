#include <gtest/gtest.h>

#include <vector>

#include "app/GetInfAbCompForm.h"
#include "app/Initer.h"
#include "support/GameSetup.h"

namespace {

std::vector<long long> reported;

void RecordStage(void*)
{
    reported.push_back(ProgressStep);
}

class ProbeTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        InstallState = InstallStateRecord();
        reported.clear();
    }
    void Probe() { ProbeInstallation({RecordStage, nullptr}); }
    GameSetup pc{"probe"};
};

TEST_F(ProbeTest, NothingInstalledReportsThreeStagesInOrder)
{
    InstallState.WorkPath = "left by an earlier probe";
    InstallState.QuestsKeyExists = InstallState.WorkDirExists = true;
    Probe();
    EXPECT_EQ(reported, (std::vector<long long>{1, 2, 3}));
    EXPECT_EQ(ProgressStep, 3);
    EXPECT_FALSE(InstallState.WorkDirExists);
    EXPECT_FALSE(InstallState.QuestsKeyExists);
    EXPECT_FALSE(InstallState.NorvaneKeyExists);
    EXPECT_EQ(InstallState.WorkPath, "left by an earlier probe");
}

TEST_F(ProbeTest, FindsGameBackupAndBothInstallers)
{
    pc.RegisterGame(pc.Game);
    pc.InstallQuests();
    pc.InstallNorvane();
    Probe();
    EXPECT_EQ(InstallState.WorkPath, pc.Game);
    EXPECT_TRUE(InstallState.WorkDirExists);
    EXPECT_TRUE(InstallState.BackupDirExists);
    EXPECT_TRUE(InstallState.QuestsKeyExists);
    EXPECT_TRUE(InstallState.QuestsDirExists);
    EXPECT_EQ(InstallState.QuestsSetupDir, pc.Windows + "KalmirOriginal\\");
    EXPECT_TRUE(InstallState.NorvaneKeyExists);
    EXPECT_TRUE(InstallState.NorvaneDirExists);
    EXPECT_EQ(InstallState.NorvaneSetupDir, pc.Windows + "KalmirNorvane\\");
}

TEST_F(ProbeTest, WorkPathWithoutTrailingBackslashStillFindsTheBackup)
{
    std::string stored = pc.Game.substr(0, pc.Game.size() - 1);
    pc.RegisterGame(stored);
    pc.InstallQuests();
    MakeFolder(stored + "Stavor");  // a look-alike sibling: ...\GameStavor
    Probe();
    EXPECT_EQ(InstallState.WorkPath, stored);
    EXPECT_TRUE(InstallState.WorkDirExists);
    EXPECT_TRUE(InstallState.BackupDirExists);
    EXPECT_EQ(GameFolder(), pc.Game);
}

TEST_F(ProbeTest, UnusableWorkPaths)
{
    struct Case {
        const char* value;
        DWORD type;
        const char* expectedPath;
    } cases[] = {
        {".\\", REG_SZ, ".\\"},
        {"Game\\", REG_SZ, "Game\\"},
        {"", REG_SZ, ""},
        {"C:\\tessaly-test\\probe\\Game\\", REG_EXPAND_SZ, ""},
    };
    // Relative paths would resolve against the current folder: make them resolve to real
    // game folders with a backup, which the probe must still not accept.
    char previous[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, previous);
    SetCurrentDirectoryA(pc.Root.c_str());
    MakeFolder(pc.Root + "Stavor");
    MakeFolder(pc.Game + "Stavor");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        pc.RegisterGame(c.value, c.type);
        Probe();
        EXPECT_EQ(InstallState.WorkPath, c.expectedPath);
        EXPECT_TRUE(InstallState.WorkPathUnusable);
        EXPECT_FALSE(InstallState.WorkDirExists);
        EXPECT_FALSE(InstallState.BackupDirExists);
    }
    SetCurrentDirectoryA(previous);
}

TEST_F(ProbeTest, MissingSettingsKeepTheEarlierPath)
{
    InstallState.WorkPath = "earlier";
    MakeRegKey(HKEY_CURRENT_USER, GameKeyPath);
    Probe();
    EXPECT_TRUE(InstallState.WorkPathUnusable);
    MakeRegKey(HKEY_CURRENT_USER, PathSettingsPath);  // no "WORK PATH" value
    Probe();
    EXPECT_TRUE(InstallState.WorkPathUnusable);
    EXPECT_EQ(InstallState.WorkPath, "earlier");
    EXPECT_FALSE(InstallState.WorkDirExists);
}

TEST_F(ProbeTest, KeyAndFolderOfAnInstallerAreIndependent)
{
    MakeRegKey(HKEY_LOCAL_MACHINE, QuestsKeyPath);  // key without folder
    MakeFolder(pc.Windows + "KalmirNorvane");      // folder without key
    InstallState.NorvaneSetupDir = "untouched";
    Probe();
    EXPECT_TRUE(InstallState.QuestsKeyExists);
    EXPECT_FALSE(InstallState.QuestsDirExists);
    EXPECT_EQ(InstallState.QuestsSetupDir, pc.Windows + "KalmirOriginal\\");
    EXPECT_FALSE(InstallState.NorvaneKeyExists);
    EXPECT_FALSE(InstallState.NorvaneDirExists);
    EXPECT_EQ(InstallState.NorvaneSetupDir, "untouched");
}

TEST_F(ProbeTest, GameFolderMissingWhileRegistered)
{
    pc.RegisterGame(pc.Root + "Gone\\");
    Probe();
    EXPECT_FALSE(InstallState.WorkPathUnusable);
    EXPECT_FALSE(InstallState.WorkDirExists);
    EXPECT_FALSE(InstallState.BackupDirExists);
}

} // namespace

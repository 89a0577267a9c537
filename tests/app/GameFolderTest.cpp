// Where the game folders come from and which values of "WORK PATH" are refused: a user
// writes them, and the removal runs as administrator.
#include <gtest/gtest.h>

#include "app/DelQuestsForm.h"
#include "app/GetInfAbCompForm.h"
#include "app/Initer.h"
#include "support/GameSetup.h"
#include "support/VirtualCopies.h"

namespace {

const std::string OtherHive = "S-1-5-21-7-7-7-4344";

class GameFolders : public ::testing::Test {
protected:
    void SetUp() override { InstallState = InstallStateRecord(); }
    void TearDown() override { DeleteRegTree(HKEY_USERS, OtherHive); }
    static void Probe() { ProbeInstallation({}); }
    GameSetup pc{"game-folders"};
};

// The game folder named only in the hive of a logged-on user who is not the one that runs
// Tessaly, beside one named by the current user: both are cleaned.
TEST_F(GameFolders, EveryLoadedUsersGameFolderIsCleaned)
{
    pc.FillGameFolder();
    pc.InstallQuests();
    MakeTree(pc.Root, {{"Mine\\", ""}, {"Mine\\Stavor\\", ""}, {"Mine\\Stavor\\b.dat", "b"}, {"Mine\\Rikta.exe", "r"}, {"Mine\\keep.cfg", "k"}});
    SetRegString(HKEY_USERS, OtherHive + "\\" + PathSettingsPath, "WORK PATH", pc.Game);
    pc.RegisterGame(pc.Root + "Mine");
    TreeSnapshot before = Snapshot(pc.Root);

    Probe();
    EXPECT_EQ(InstallState.GameFolders, (std::vector<std::wstring>{Wide(pc.Root + "Mine\\"), Wide(pc.Game)}));
    EXPECT_TRUE(DeleteQuestLeftovers().empty());
    EXPECT_EQ(Snapshot(pc.Root), Without(before, {"Game\\Stavor", "Game\\Rikta.exe", "Game\\lexora.txt", "Mine\\Stavor", "Mine\\Rikta.exe"}));
    EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, QuestsKeyPath));
}

// Folders that hold what is not the game's, each with a backup folder and a service file in
// it that must stay: the value is named in the warning, the installer's own traces still go.
TEST_F(GameFolders, SystemFoldersAreRefusedAndNamed)
{
    VirtualCopies copies{pc.Root};
    char profile[MAX_PATH] = {};
    GetEnvironmentVariableA("USERPROFILE", profile, MAX_PATH);
    const std::string refused[] = {"C:\\", pc.Windows, std::string(profile) + "\\", pc.Root + "profile\\", copies.UserStore,
                                   "\\\\?\\" + pc.Game, "\\\\localhost\\C$\\" + pc.Game.substr(3), "Game\\"};
    pc.FillGameFolder();
    for (const std::string& value : refused) {
        SCOPED_TRACE(value);
        pc.InstallQuests();
        const bool madeHere = value.size() > 3 && value[1] == ':' && !Exists(value + "Stavor");
        if (madeHere)
            MakeTree(value, {{"Stavor\\", ""}, {"Stavor\\canary.dat", "c"}, {"lexora.txt", "canary"}});
        TreeSnapshot root = Snapshot(pc.Root), top = Snapshot("C:\\", false);
        pc.RegisterGame(value);
        Probe();
        KeptEntries kept = DeleteQuestLeftovers();
        ASSERT_EQ(kept.size(), 1u);
        EXPECT_EQ(kept[0].Path, Wide(value));
        EXPECT_EQ(kept[0].Reason, DWORD(ERROR_BAD_PATHNAME));
        EXPECT_EQ(Snapshot(pc.Root), root);
        EXPECT_EQ(Snapshot("C:\\", false), top);
        if (madeHere) {
            EXPECT_EQ(ReadFileBytes(value + "Stavor\\canary.dat"), "c");
            EXPECT_EQ(ReadFileBytes(value + "lexora.txt"), "canary");
            DeleteTree(value + "Stavor");
            DeleteFileA((value + "lexora.txt").c_str());
        }
        EXPECT_FALSE(Exists(pc.Windows + "KalmirOriginal"));
        EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, QuestsKeyPath));
    }
}

// A link above the game folder ("C:\tessaly-test\game-folders-link\" leads to the test's
// folder): nothing behind it is touched, the game folder is named and the key stays. A
// service file that is a link to a file elsewhere keeps that file whole.
TEST_F(GameFolders, NothingIsTakenThroughALink)
{
    pc.FillGameFolder();
    pc.InstallQuests();
    const std::string link = "C:\\tessaly-test\\game-folders-link";
    ASSERT_TRUE(MakeUnixLink(pc.Root, link));
    MakeTree(pc.Root, {{"Other\\", ""}, {"Other\\precious.txt", "keep"}});
    DeleteFileA((pc.Game + "lexora.txt").c_str());
    RunOnHost("ln -s '" + HostPath(pc.Root + "Other\\precious.txt") + "' '" + HostPath(pc.Game + "lexora.txt") + "'");
    TreeSnapshot before = Snapshot(pc.Root);

    for (const std::string& value : {link + "\\Game\\", pc.Game}) {
        SCOPED_TRACE(value);
        pc.RegisterGame(value);
        Probe();
        ASSERT_TRUE(InstallState.WorkDirExists);
        KeptEntries kept = DeleteQuestLeftovers();
        ASSERT_EQ(kept.size(), 1u);
        EXPECT_EQ(kept[0].Path, Wide(value == pc.Game ? pc.Game + "lexora.txt" : value));
        EXPECT_EQ(kept[0].Reason, DWORD(ERROR_FILE_INVALID));
        EXPECT_TRUE(RegKeyExists(HKEY_LOCAL_MACHINE, QuestsKeyPath));
    }
    EXPECT_EQ(ReadFileBytes(pc.Root + "Other\\precious.txt"), "keep");
    EXPECT_EQ(Snapshot(pc.Root), Without(before, {"Game\\Stavor", "Game\\Rikta.exe"}));
    DeleteTree(link);
}

// "WORK PATH" in 8.3 short names: the copies in the VirtualStore lie under the long names.
TEST_F(GameFolders, ShortNamesFindTheCopiesUnderTheLongNames)
{
    VirtualCopies copies{pc.Root};
    const std::string game = pc.Root + "Evil Islands Game\\";
    MakeTree(pc.Root, {{"Evil Islands Game\\", ""}, {"Evil Islands Game\\Stavor\\", ""}, {"Evil Islands Game\\Stavor\\b.dat", "b"}});
    copies.Make(copies.UserStore, game + "Stavor\\copy.dat");
    copies.Make(copies.UserStore, game + "Rikta.exe");
    MakeRegKey(HKEY_LOCAL_MACHINE, QuestsKeyPath);
    char shortName[MAX_PATH] = {};
    ASSERT_GT(GetShortPathNameA(game.c_str(), shortName, MAX_PATH), 0u);
    ASSERT_EQ(std::string(shortName).find("Evil Islands"), std::string::npos) << shortName;
    pc.RegisterGame(shortName);

    Probe();
    EXPECT_EQ(InstallState.GameFolders, std::vector<std::wstring>{Wide(game)});
    EXPECT_TRUE(DeleteQuestLeftovers().empty());
    EXPECT_FALSE(Exists(game + "Stavor") || Exists(VirtualCopies::In(copies.UserStore, game + "Stavor")) ||
                 Exists(VirtualCopies::In(copies.UserStore, game + "Rikta.exe")));
}

} // namespace

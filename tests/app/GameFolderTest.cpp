// Where the game folders come from and which values of "WORK PATH" are refused: a user
// writes them, and the removal runs as administrator.
#include <gtest/gtest.h>

#include <algorithm>

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
// Tessaly, beside the current user's, which is named in 8.3 short names (its copy in the
// VirtualStore lies under the long names): both are cleaned, and so is the copy.
TEST_F(GameFolders, EveryLoadedUsersGameFolderIsCleanedWhateverItsNames)
{
    VirtualCopies copies{pc.Root};
    pc.FillGameFolder();
    pc.InstallQuests();
    const std::string mine = pc.Root + "Evil Islands Mine\\";
    MakeFolder(mine);
    MakeTree(mine, {{"Stavor\\", ""}, {"Stavor\\b.dat", "b"}, {"Rikta.exe", "r"}, {"keep.cfg", "k"}});
    copies.Make(copies.UserStore, mine + "Stavor\\copy.dat");
    char shortName[MAX_PATH] = {};
    ASSERT_GT(GetShortPathNameA(mine.c_str(), shortName, MAX_PATH), 0u);
    ASSERT_EQ(std::string(shortName).find("Evil Islands"), std::string::npos) << shortName;
    SetRegString(HKEY_USERS, OtherHive + "\\" + PathSettingsPath, "WORK PATH", pc.Game);
    pc.RegisterGame(shortName);
    TreeSnapshot before = Snapshot(pc.Root);

    Probe();
    EXPECT_EQ(InstallState.GameFolders, (std::vector<std::wstring>{Wide(mine), Wide(pc.Game)}));
    EXPECT_TRUE(DeleteQuestLeftovers().empty());
    EXPECT_EQ(Snapshot(pc.Root), Without(before, {"Game\\Stavor", "Game\\Rikta.exe", "Game\\lexora.txt", "Evil Islands Mine\\Stavor",
                                                  "Evil Islands Mine\\Rikta.exe"}));
    EXPECT_FALSE(Exists(VirtualCopies::In(copies.UserStore, mine + "Stavor")));
}

// Folders that hold what is not the game's, each with a backup folder and a service file in
// it that must stay, and values that would reach another folder than they name: the value
// is named apart, the installer's own traces still go and the key with them. Among them a
// name that a listing's filter reads as a pattern ("Ga?e" beside "Game"), a drive made with
// DefineDosDevice (a link of its own), and a profile found by what it is, not by its name:
// USERPROFILE names a link to the folder that "WORK PATH" names.
TEST_F(GameFolders, SystemFoldersAreRefusedAndNamed)
{
    VirtualCopies copies{pc.Root};
    char profile[MAX_PATH] = {};
    GetEnvironmentVariableA("USERPROFILE", profile, MAX_PATH);
    const std::string moved = pc.Root + "moved-profile\\", profileLink = pc.Root + "profile-link";
    MakeFolder(moved);
    ASSERT_TRUE(MakeUnixLink(moved, profileLink));
    const std::string refused[] = {"C:\\", pc.Windows, std::string(profile) + "\\", pc.Root + "profile\\", copies.UserStore,
                                   "\\\\?\\" + pc.Game, "\\\\localhost\\C$\\" + pc.Game.substr(3), "Game\\", pc.Root + "Ga?e\\",
                                   "T:\\Game\\", moved};
    pc.FillGameFolder();
    for (const std::string& value : refused) {
        SCOPED_TRACE(value);
        pc.InstallQuests();
        const bool madeHere = value.size() > 3 && value[1] == ':' && value[0] != 'T' && value.find('?') == std::string::npos &&
                              !Exists(value + "Stavor");
        if (madeHere)
            MakeTree(value, {{"Stavor\\", ""}, {"Stavor\\canary.dat", "c"}, {"lexora.txt", "canary"}});
        TreeSnapshot root = Snapshot(pc.Root), top = Snapshot("C:\\", false);
        pc.RegisterGame(value);
        DefineDosDeviceA(0, "T:", pc.Root.c_str());
        SetEnvironmentVariableA("USERPROFILE", value == moved ? profileLink.c_str() : profile);
        Probe();
        KeptEntries kept = DeleteQuestLeftovers();
        SetEnvironmentVariableA("USERPROFILE", profile);
        DefineDosDeviceA(DDD_REMOVE_DEFINITION, "T:", nullptr);
        EXPECT_TRUE(kept.empty());
        ASSERT_EQ(InstallState.RefusedWorkPaths.size(), 1u);
        EXPECT_EQ(InstallState.RefusedWorkPaths[0].Path, Wide(value));
        EXPECT_EQ(InstallState.RefusedWorkPaths[0].Reason, DWORD(ERROR_BAD_PATHNAME));
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

    // The game folder through Z:, the unix root: its handle's final path names it on C:.
    std::string throughZ = "Z:" + HostPath(pc.Game) + "\\";
    std::replace(throughZ.begin(), throughZ.end(), '/', '\\');
    for (const std::string& value : {throughZ, link + "\\Game\\", pc.Game}) {
        SCOPED_TRACE(value);
        pc.RegisterGame(value);
        Probe();
        ASSERT_TRUE(InstallState.WorkDirExists);
        KeptEntries kept = DeleteQuestLeftovers();
        // Behind a link each trace is named by its own name, never by the link's target.
        const std::vector<std::string> named =
            value == pc.Game ? std::vector<std::string>{"lexora.txt"} : std::vector<std::string>{"Stavor\\", "Rikta.exe", "lexora.txt"};
        ASSERT_EQ(kept.size(), named.size());
        for (size_t i = 0; i < named.size(); ++i) {
            EXPECT_EQ(kept[i].Path, Wide((value == pc.Game ? pc.Game : value) + named[i]));
            EXPECT_EQ(kept[i].Reason, DWORD(ERROR_FILE_INVALID));
        }
        EXPECT_TRUE(RegKeyExists(HKEY_LOCAL_MACHINE, QuestsKeyPath));
    }
    EXPECT_EQ(ReadFileBytes(pc.Root + "Other\\precious.txt"), "keep");
    EXPECT_EQ(Snapshot(pc.Root), Without(before, {"Game\\Stavor", "Game\\Rikta.exe"}));
    DeleteTree(link);
}

} // namespace

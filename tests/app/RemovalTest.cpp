#include <gtest/gtest.h>

#include "app/DelNorvaneForm.h"
#include "app/DelQuestsForm.h"
#include "app/GetInfAbCompForm.h"
#include "app/Initer.h"
#include "support/GameSetup.h"

namespace {

// Everything under root, minus the given entries and whatever lies below them.
TreeSnapshot Without(TreeSnapshot tree, std::initializer_list<std::string> gone)
{
    for (const std::string& entry : gone) {
        for (auto it = tree.begin(); it != tree.end();) {
            bool below = it->first == entry || it->first.rfind(entry + "\\", 0) == 0;
            it = below ? tree.erase(it) : std::next(it);
        }
    }
    return tree;
}

class RemovalTest : public ::testing::Test {
protected:
    void SetUp() override { InstallState = InstallStateRecord(); }
    void Probe() { ProbeInstallation({}); }
    // Look-alike neighbours of the game folder that no removal may touch.
    void PlantNeighbours()
    {
        MakeFolder(pc.Root + "GameStavor");
        WriteFile(pc.Root + "GameStavor\\x.dat", "sibling named like game folder + Stavor");
        WriteFile(pc.Root + "GameRikta.exe", "sibling named like game folder + Rikta.exe");
        MakeFolder(pc.Root + "Stavor");
        WriteFile(pc.Root + "Stavor\\up.dat", "Stavor one level up");
        WriteFile(pc.Root + "Rikta.exe", "uninstaller name one level up");
        WriteFile(pc.Root + "lexora.txt", "service name one level up");
    }
    GameSetup pc{"removal"};
};

TEST_F(RemovalTest, QuestRemovalTakesExactlyTheQuestTraces)
{
    pc.RegisterGame(pc.Game);
    pc.FillGameFolder();
    PlantNeighbours();
    pc.InstallQuests();
    TreeSnapshot before = Snapshot(pc.Root);
    std::set<std::string> windowsBefore = ListNames(pc.Windows);

    Probe();
    DeleteQuestLeftovers();

    EXPECT_EQ(Snapshot(pc.Root), Without(before, {"Game\\Stavor", "Game\\Rikta.exe", "Game\\lexora.txt"}));
    windowsBefore.erase("KalmirOriginal");
    EXPECT_EQ(ListNames(pc.Windows), windowsBefore);
    EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, QuestsKeyPath));
    EXPECT_TRUE(RegKeyExists(HKEY_CURRENT_USER, PathSettingsPath));
}

TEST_F(RemovalTest, WorkPathWithoutBackslashStaysInsideTheGameFolder)
{
    pc.RegisterGame(pc.Game.substr(0, pc.Game.size() - 1));
    pc.FillGameFolder();
    PlantNeighbours();
    pc.InstallNorvane();
    TreeSnapshot before = Snapshot(pc.Root);

    Probe();
    DeleteNorvaneLeftovers();

    EXPECT_EQ(Snapshot(pc.Root),
              Without(before, {"Game\\Stavor", "Game\\Rikta.exe", "Game\\lexora.txt", "Game\\norvane_readme.txt"}));
    EXPECT_FALSE(Exists(pc.Windows + "KalmirNorvane"));
    EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, NorvaneKeyPath));
}

TEST_F(RemovalTest, QuestRemovalLeavesTheNorvaneVariant)
{
    pc.RegisterGame(pc.Game);
    pc.FillGameFolder();
    pc.InstallQuests();
    pc.InstallNorvane();
    TreeSnapshot norvaneBefore = Snapshot(pc.Windows + "KalmirNorvane\\");

    Probe();
    DeleteQuestLeftovers();

    EXPECT_FALSE(Exists(pc.Game + "Stavor"));
    EXPECT_FALSE(Exists(pc.Game + "Rikta.exe"));
    EXPECT_FALSE(Exists(pc.Game + "lexora.txt"));
    EXPECT_EQ(ReadFileBytes(pc.Game + "norvane_readme.txt"), "readme");
    EXPECT_EQ(Snapshot(pc.Windows + "KalmirNorvane\\"), norvaneBefore);
    EXPECT_TRUE(RegKeyExists(HKEY_LOCAL_MACHINE, NorvaneKeyPath));
    EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, QuestsKeyPath));
}

TEST_F(RemovalTest, ReadOnlyServiceFileStaysAndTheRestGoesOn)
{
    pc.RegisterGame(pc.Game);
    pc.InstallQuests();
    SetFileAttributesA((pc.Game + "Rikta.exe").c_str(), FILE_ATTRIBUTE_READONLY);

    Probe();
    DeleteQuestLeftovers();

    EXPECT_TRUE(Exists(pc.Game + "Rikta.exe"));
    EXPECT_FALSE(Exists(pc.Game + "lexora.txt"));
    EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, QuestsKeyPath));
}

TEST_F(RemovalTest, LockedBackupFileKeepsItsFoldersOnly)
{
    pc.RegisterGame(pc.Game);
    pc.InstallQuests();
    {
        LockedFile lock(pc.Game + "Stavor\\Maps\\zone1.mp");
        ASSERT_TRUE(lock.IsLocked());
        Probe();
        DeleteQuestLeftovers();
    }
    EXPECT_EQ(Snapshot(pc.Game), (TreeSnapshot{{"Stavor", "<folder>"},
                                               {"Stavor\\Maps", "<folder>"},
                                               {"Stavor\\Maps\\zone1.mp", "backup map"}}));
    EXPECT_FALSE(Exists(pc.Windows + "KalmirOriginal"));
    EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, QuestsKeyPath));
}

TEST_F(RemovalTest, InstallerWithoutGameTouchesNoGameFolder)
{
    pc.FillGameFolder();
    pc.InstallQuests();  // traces in the game folder, but the game is not registered
    TreeSnapshot before = Snapshot(pc.Root);

    Probe();
    DeleteQuestLeftovers();

    EXPECT_EQ(Snapshot(pc.Root), before);
    EXPECT_FALSE(Exists(pc.Windows + "KalmirOriginal"));
    EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, QuestsKeyPath));
}

TEST_F(RemovalTest, RelativeWorkPathTouchesNothingInTheCurrentFolder)
{
    char previous[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, previous);
    SetCurrentDirectoryA(pc.Game.c_str());
    pc.RegisterGame(".\\");
    pc.InstallQuests();
    TreeSnapshot before = Snapshot(pc.Root);

    Probe();
    DeleteQuestLeftovers();
    SetCurrentDirectoryA(previous);

    EXPECT_EQ(Snapshot(pc.Root), before);
    EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, QuestsKeyPath));
}

TEST_F(RemovalTest, LinkPlantedInTheBackupIsNotFollowed)
{
    pc.RegisterGame(pc.Game);
    pc.InstallQuests();
    std::string victim = pc.Root + "Victim\\";
    MakeFolder(victim);
    WriteFile(victim + "document.txt", "precious");
    MakeFolder(victim + "sub");
    WriteFile(victim + "sub\\more.txt", "also precious");
    ASSERT_TRUE(MakeUnixLink(victim, pc.Game + "Stavor\\junction"));
    TreeSnapshot victimBefore = Snapshot(victim);

    Probe();
    DeleteQuestLeftovers();

    EXPECT_EQ(Snapshot(victim), victimBefore);
    EXPECT_FALSE(Exists(pc.Game + "Stavor\\game.exe"));
}

TEST_F(RemovalTest, SecondRunFindsNothingAndChangesNothing)
{
    pc.RegisterGame(pc.Game);
    pc.FillGameFolder();
    pc.InstallNorvane();
    Probe();
    DeleteNorvaneLeftovers();
    TreeSnapshot after = Snapshot(pc.Root);

    Probe();
    EXPECT_FALSE(InstallState.NorvaneKeyExists);
    EXPECT_FALSE(InstallState.BackupDirExists);
    DeleteNorvaneLeftovers();
    EXPECT_EQ(Snapshot(pc.Root), after);
}

} // namespace

// The cleaning core on the real registry and disk of the test prefix: the probe, both
// removals and the walk that removes folder trees.
#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include "app/DelNorvaneForm.h"
#include "app/DelQuestsForm.h"
#include "app/GetInfAbCompForm.h"
#include "app/Initer.h"
#include "support/GameSetup.h"

namespace {

std::vector<long long> reported;

class Cleaning : public ::testing::Test {
protected:
    void SetUp() override { InstallState = InstallStateRecord(); }
    void Probe()
    {
        reported.clear();
        ProbeInstallation({[](void*) { reported.push_back(ProgressStep); }, nullptr});
    }
    GameSetup pc{"cleaning"};
};

// "WORK PATH" without its trailing backslash beside neighbours named like the game folder
// plus a trace, both variants installed: each removal takes its own traces and nothing
// else, and a second run finds nothing and changes nothing.
TEST_F(Cleaning, EachRemovalTakesExactlyItsTraces)
{
    pc.RegisterGame(pc.Game.substr(0, pc.Game.size() - 1));
    pc.FillGameFolder();
    pc.InstallQuests();
    pc.InstallNorvane();
    TreeSnapshot before = Snapshot(pc.Root), windows = Snapshot(pc.Windows, false);
    TreeSnapshot norvane = Snapshot(pc.Windows + "KalmirNorvane\\");

    Probe();
    EXPECT_EQ(reported, (std::vector<long long>{1, 2, 3}));
    EXPECT_TRUE(InstallState.WorkDirExists && InstallState.BackupDirExists);
    EXPECT_TRUE(InstallState.QuestsKeyExists && InstallState.QuestsDirExists);
    EXPECT_TRUE(InstallState.NorvaneKeyExists && InstallState.NorvaneDirExists);
    EXPECT_EQ(InstallState.QuestsSetupDir, Wide(pc.Windows + "KalmirOriginal\\"));
    EXPECT_EQ(InstallState.NorvaneSetupDir, Wide(pc.Windows + "KalmirNorvane\\"));

    DeleteQuestLeftovers();
    EXPECT_EQ(Snapshot(pc.Root), Without(before, {"Game\\Stavor", "Game\\Rikta.exe", "Game\\lexora.txt"}));
    EXPECT_EQ(Snapshot(pc.Windows, false), Without(windows, {"KalmirOriginal"}));
    EXPECT_EQ(Snapshot(pc.Windows + "KalmirNorvane\\"), norvane);
    EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, QuestsKeyPath));
    EXPECT_TRUE(RegKeyExists(HKEY_LOCAL_MACHINE, NorvaneKeyPath));

    // A folder where a service file was is not that file, even when empty.
    MakeTree(pc.Game, {{"lexora.txt\\", ""}});
    Probe();
    DeleteNorvaneLeftovers();
    TreeSnapshot after = Without(before, {"Game\\Stavor", "Game\\Rikta.exe", "Game\\lexora.txt", "Game\\norvane_readme.txt"});
    after.insert({"Game\\lexora.txt", "<folder>"});
    EXPECT_EQ(Snapshot(pc.Root), after);
    EXPECT_EQ(Snapshot(pc.Windows, false), Without(windows, {"KalmirOriginal", "KalmirNorvane"}));
    EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, NorvaneKeyPath));
    EXPECT_TRUE(RegKeyExists(HKEY_CURRENT_USER, PathSettingsPath));

    Probe();
    EXPECT_FALSE(InstallState.QuestsKeyExists || InstallState.NorvaneKeyExists || InstallState.BackupDirExists);
    DeleteQuestLeftovers();
    DeleteNorvaneLeftovers();
    EXPECT_EQ(Snapshot(pc.Root), after);
}

// Each variant's record is what its probe looks for and what its removal takes: traces named
// from the record alone make the variant present and go with its removal.
TEST_F(Cleaning, EachVariantsRecordIsWhatItsProbeFindsAndItsRemovalTakes)
{
    pc.RegisterGame(pc.Game);
    const struct {
        const InstallerVariant& Variant;
        const bool& Present;
        KeptEntries (*Remove)();
    } variants[] = {{QuestsVariant, InstallState.QuestsPresent, DeleteQuestLeftovers},
                    {NorvaneVariant, InstallState.NorvanePresent, DeleteNorvaneLeftovers}};
    for (const auto& v : variants) {
        const std::string key = std::string("Software\\") + v.Variant.KeyName, folder = pc.Windows + Narrow(v.Variant.FolderName);
        SetRegString(HKEY_LOCAL_MACHINE, key, "Version", "1");
        MakeTree(folder, {{"setup.ini", "setup"}});
        MakeTree(pc.Game + Narrow(BackupFolderName) + "\\", {{"game.exe", "backup"}});
        for (const wchar_t* const* name = v.Variant.ServiceFiles; *name; ++name)
            WriteFile(pc.Game + Narrow(*name), "trace");
        Probe();
        EXPECT_TRUE(v.Present) << key;
        EXPECT_TRUE(v.Remove().empty()) << key;
        EXPECT_EQ(Snapshot(pc.Root), (TreeSnapshot{{"Game", "<folder>"}})) << key;
        EXPECT_FALSE(Exists(folder) || RegKeyExists(HKEY_LOCAL_MACHINE, key)) << key;
    }
}

// Read-only is cleared right before the delete: the uninstaller goes like the rest. Mapped
// as a program image it cannot go: it stays read-only and is reported, the next file
// still goes, and the key stays as the mark of the unfinished removal.
TEST_F(Cleaning, ReadOnlyUninstallerGoesAndStaysAsItWasWhenItsDeleteFails)
{
    pc.RegisterGame(pc.Game);
    pc.InstallQuests();
    SetFileAttributesA((pc.Game + "Rikta.exe").c_str(), FILE_ATTRIBUTE_READONLY);
    Probe();
    EXPECT_TRUE(DeleteQuestLeftovers().empty());
    EXPECT_EQ(Snapshot(pc.Game), TreeSnapshot());
    EXPECT_FALSE(Exists(pc.Windows + "KalmirOriginal"));
    EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, QuestsKeyPath));

    pc.InstallQuests();
    const std::string uninstaller = pc.Game + "Rikta.exe";
    std::optional<MappedReadOnlyImage> image(std::in_place, uninstaller);
    ASSERT_TRUE(image->Ok());
    const DWORD attributes = GetFileAttributesA(uninstaller.c_str());
    Probe();
    KeptEntries kept = DeleteQuestLeftovers();
    EXPECT_EQ(GetFileAttributesA(uninstaller.c_str()), attributes);
    image.reset();
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_EQ(kept[0].Path, Wide(uninstaller));
    EXPECT_EQ(kept[0].Reason, DWORD(ERROR_ACCESS_DENIED));
    EXPECT_FALSE(Exists(pc.Game + "lexora.txt") || Exists(pc.Game + "Stavor") || Exists(pc.Windows + "KalmirOriginal"));
    EXPECT_TRUE(RegKeyExists(HKEY_LOCAL_MACHINE, QuestsKeyPath));
}

// Files held open by another program (opened without sharing) in the installer's folder and
// in the backup folder: they and their folders stay and are reported, the rest goes, and the
// key stays, so the next probe finds the variant. Once they are released, the same removal
// takes them and the key, and reports nothing.
TEST_F(Cleaning, HeldFilesKeepTheKeyUntilASecondRemovalTakesThem)
{
    pc.RegisterGame(pc.Game);
    pc.FillGameFolder();
    TreeSnapshot clean = Snapshot(pc.Root), windows = Snapshot(pc.Windows, false);
    pc.InstallQuests();
    const std::string setup = pc.Windows + "KalmirOriginal\\setup.ini", backup = pc.Game + "Stavor\\game.exe";
    HeldFiles held{setup, backup};
    ASSERT_TRUE(held.Ok());
    Probe();
    KeptEntries kept = DeleteQuestLeftovers();
    ASSERT_EQ(kept.size(), 2u);
    EXPECT_EQ(kept[0].Path, Wide(setup));
    EXPECT_EQ(kept[0].Reason, DWORD(ERROR_SHARING_VIOLATION));
    EXPECT_EQ(kept[1].Path, Wide(backup));
    EXPECT_EQ(kept[1].Reason, DWORD(ERROR_SHARING_VIOLATION));
    EXPECT_TRUE(RegKeyExists(HKEY_LOCAL_MACHINE, QuestsKeyPath));
    Probe();
    EXPECT_TRUE(InstallState.QuestsPresent && InstallState.QuestsKeyExists && InstallState.QuestsDirExists);
    held.Release();
    TreeSnapshot left = clean;
    left.insert({{"Game\\Stavor", "<folder>"}, {"Game\\Stavor\\game.exe", "backup"}});
    EXPECT_EQ(Snapshot(pc.Root), left);
    EXPECT_EQ(Snapshot(pc.Windows + "KalmirOriginal\\"), (TreeSnapshot{{"setup.ini", "quests"}}));

    EXPECT_TRUE(DeleteQuestLeftovers().empty());
    EXPECT_EQ(Snapshot(pc.Root), clean);
    EXPECT_EQ(Snapshot(pc.Windows, false), windows);
    EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, QuestsKeyPath));
    Probe();
    EXPECT_FALSE(InstallState.QuestsPresent);
}

// The installer may have written sub-keys; the key goes with all of them.
TEST_F(Cleaning, KeyWithSubKeysGoesWhole)
{
    SetRegString(HKEY_LOCAL_MACHINE, std::string(QuestsKeyPath) + "\\Components\\Maps", "Path", "C:\\x");
    SetRegString(HKEY_LOCAL_MACHINE, std::string(QuestsKeyPath) + "\\Uninstall", "Command", "Rikta.exe");
    Probe();
    ASSERT_TRUE(InstallState.QuestsPresent);
    EXPECT_TRUE(DeleteQuestLeftovers().empty());
    EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, QuestsKeyPath));
    EXPECT_TRUE(RegKeyExists(HKEY_LOCAL_MACHINE, "Software"));
}

// The program's own registry view: on 64-bit Windows a 32-bit program's
// HKLM\Software is Software\WOW6432Node, where the 32-bit installer wrote. A key of the
// same name in the other view is another program's: it is neither found nor removed.
TEST_F(Cleaning, KeysAreFoundAndRemovedInTheProgramsOwnRegistryViewOnly)
{
#ifdef _WIN64
    const REGSAM otherView = KEY_WOW64_32KEY;
#else
    BOOL wow64 = FALSE;
    IsWow64Process(GetCurrentProcess(), &wow64);
    if (!wow64)
        GTEST_SKIP() << "a 32-bit system has one registry view";
    const REGSAM otherView = KEY_WOW64_64KEY;
#endif
    struct OtherViewKey {
        REGSAM View;
        ~OtherViewKey()
        {
            HKEY software = nullptr;
            if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software", 0, KEY_ALL_ACCESS | View, &software) == ERROR_SUCCESS) {
                RegDeleteTreeA(software, "KalmirOriginal");
                RegCloseKey(software);
            }
        }
        bool Exists() const
        {
            HKEY key = nullptr;
            if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\KalmirOriginal\\Other", 0, KEY_READ | View, &key) != ERROR_SUCCESS)
                return false;
            RegCloseKey(key);
            return true;
        }
    } other{otherView};
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Software\\KalmirOriginal\\Other", 0, nullptr, 0, KEY_ALL_ACCESS | otherView,
                              nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(key);
    if (RegKeyExists(HKEY_LOCAL_MACHINE, QuestsKeyPath))
        GTEST_SKIP() << "both views share HKLM\\Software in this prefix";

    Probe();
    EXPECT_FALSE(InstallState.QuestsPresent) << "the other view's key was found";
    MakeRegKey(HKEY_LOCAL_MACHINE, std::string(QuestsKeyPath) + "\\Own");
    Probe();
    ASSERT_TRUE(InstallState.QuestsKeyExists);
    EXPECT_TRUE(DeleteQuestLeftovers().empty());
    EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, QuestsKeyPath));
    EXPECT_TRUE(other.Exists()) << "the other view's key was removed";
}

// A relative path would name a folder under the current one, which is made the test's
// root: there ".\" and "Game\" both hold a backup and service files that must stay.
TEST_F(Cleaning, UnusableWorkPathsLeaveEveryFolderAlone)
{
    const struct {
        std::string value;
        DWORD type;
        std::string read;
    } cases[] = {{".\\", REG_SZ, ".\\"}, {"Game\\", REG_SZ, "Game\\"}, {"", REG_SZ, ""}, {pc.Game, REG_EXPAND_SZ, ""}};
    char previous[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, previous);
    SetCurrentDirectoryA(pc.Root.c_str());
    pc.FillGameFolder();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value);
        pc.RegisterGame(c.value, c.type);
        pc.InstallQuests();
        TreeSnapshot before = Snapshot(pc.Root);
        Probe();
        EXPECT_EQ(InstallState.WorkPath, Wide(c.read));
        EXPECT_FALSE(InstallState.WorkDirExists || InstallState.BackupDirExists);
        DeleteQuestLeftovers();
        EXPECT_EQ(Snapshot(pc.Root), before);
        EXPECT_FALSE(Exists(pc.Windows + "KalmirOriginal"));
        EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, QuestsKeyPath));
    }
    SetCurrentDirectoryA(previous);
}

// "GameÉ" has no spelling in code page 1251; read through the ANSI calls it would become
// "GameE", a neighbour, whose backup and uninstaller must stay, as must the traces in the
// folder "Game" that the registry named before.
TEST_F(Cleaning, WorkPathOutsideTheAnsiCodePageNamesItsOwnFolder)
{
    const std::wstring game = Wide(pc.Root) + L"Game\u00c9\\";
    ASSERT_TRUE(CreateDirectoryW(game.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryW((game + L"Stavor").c_str(), nullptr));
    HANDLE file = CreateFileW((game + L"Rikta.exe").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    CloseHandle(file);
    MakeTree(pc.Root, {{"GameE\\", ""}, {"GameE\\Stavor\\", ""}, {"GameE\\Stavor\\b.dat", "b"}, {"GameE\\Rikta.exe", "r"}});
    pc.RegisterGame(pc.Game);
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, PathSettingsPath, 0, KEY_SET_VALUE, &key), ERROR_SUCCESS);
    RegSetValueExW(key, L"WORK PATH", 0, REG_SZ, reinterpret_cast<const BYTE*>(game.c_str()), DWORD((game.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
    pc.InstallQuests();
    // The ANSI listing of the root would show "GameÉ" as a second "GameE": each
    // neighbour is taken through its own path.
    TreeSnapshot neighbour = Snapshot(pc.Root + "GameE\\"), registered = Snapshot(pc.Game);

    Probe();
    EXPECT_EQ(InstallState.WorkPath, game);
    EXPECT_TRUE(InstallState.WorkDirExists && InstallState.BackupDirExists);
    EXPECT_TRUE(DeleteQuestLeftovers().empty());
    EXPECT_EQ(GetFileAttributesW((game + L"Stavor").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetFileAttributesW((game + L"Rikta.exe").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(Snapshot(pc.Root + "GameE\\"), neighbour);
    EXPECT_EQ(Snapshot(pc.Game), registered);
}

// A key without its folder and a folder without its key each make their variant present;
// each removal takes what there is of its variant.
TEST_F(Cleaning, KeysAndFoldersAreFoundEachOnItsOwn)
{
    pc.RegisterGame(pc.Root + "Gone\\");
    MakeRegKey(HKEY_LOCAL_MACHINE, QuestsKeyPath);
    MakeTree(pc.Windows, {{"KalmirNorvane\\", ""}, {"KalmirNorvane\\setup.ini", "norvane"}});
    Probe();
    EXPECT_FALSE(InstallState.WorkDirExists || InstallState.BackupDirExists);
    EXPECT_TRUE(InstallState.QuestsKeyExists && InstallState.QuestsPresent);
    EXPECT_FALSE(InstallState.QuestsDirExists);
    EXPECT_EQ(InstallState.QuestsSetupDir, Wide(pc.Windows + "KalmirOriginal\\"));
    EXPECT_FALSE(InstallState.NorvaneKeyExists);
    EXPECT_TRUE(InstallState.NorvaneDirExists && InstallState.NorvanePresent);
    EXPECT_TRUE(DeleteQuestLeftovers().empty());
    EXPECT_TRUE(DeleteNorvaneLeftovers().empty());
    EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, QuestsKeyPath));
    EXPECT_FALSE(Exists(pc.Windows + "KalmirNorvane"));
    Probe();
    EXPECT_FALSE(InstallState.QuestsPresent || InstallState.NorvanePresent);
}

// The backup folder and the service files belong to both variants: the removal of a variant
// that the probe did not find leaves them, and the other variant, alone.
TEST_F(Cleaning, RemovalOfAnAbsentVariantTakesNothing)
{
    pc.RegisterGame(pc.Game);
    pc.InstallQuests();
    TreeSnapshot before = Snapshot(pc.Root), windows = Snapshot(pc.Windows, false);
    Probe();
    ASSERT_FALSE(InstallState.NorvanePresent);
    EXPECT_TRUE(DeleteNorvaneLeftovers().empty());
    EXPECT_EQ(Snapshot(pc.Root), before);
    EXPECT_EQ(Snapshot(pc.Windows, false), windows);
    EXPECT_TRUE(RegKeyExists(HKEY_LOCAL_MACHINE, QuestsKeyPath));
}

// Every entry goes whatever its name or attributes, except a file held open, which keeps
// itself and the folders above it. Links are never entered: their target stays as it was
// (Wine cannot remove a unix link, so the links themselves are left out of the check).
TEST_F(Cleaning, TreeRemovalTakesAllButALockedFileAndNeverFollowsLinks)
{
    MakeTree(pc.Root, {{"Elsewhere\\", ""}, {"Elsewhere\\precious.txt", "keep"}, {"Elsewhere\\in\\", ""},
                       {"Elsewhere\\in\\deep.txt", "keep"}, {"Tree\\", ""}, {"Tree\\readonly.txt", "r"},
                       {"Tree\\hidden.sys", "h"}, {"Tree\\.dotfile", "d"}, {"Tree\\.dotdir\\", ""}, {"Tree\\.dotdir\\x", "x"},
                       {"Tree\\with blank\\", ""}, {"Tree\\with blank\\a file.txt", "b"}, {"Tree\\ro\\", ""},
                       {"Tree\\ro\\Level3\\", ""}, {"Tree\\ro\\Level3\\deep.bin", "d"}, {"Tree\\empty\\", ""}, {"Tree\\a\\", ""},
                       {"Tree\\a\\b\\", ""}, {"Tree\\a\\b\\locked.dat", "in use"}, {"Tree\\a\\b\\free.dat", "free"},
                       {"Tree\\a\\b\\c\\", ""}, {"Tree\\a\\b\\c\\next.dat", "after the locked file"}});
    SetFileAttributesA((pc.Root + "Tree\\readonly.txt").c_str(), FILE_ATTRIBUTE_READONLY);
    SetFileAttributesA((pc.Root + "Tree\\hidden.sys").c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    SetFileAttributesA((pc.Root + "Tree\\ro").c_str(), FILE_ATTRIBUTE_READONLY);
    SetFileAttributesA((pc.Root + "Tree\\ro\\Level3").c_str(), FILE_ATTRIBUTE_READONLY);
    ASSERT_TRUE(MakeUnixLink(pc.Root + "Elsewhere", pc.Root + "Tree\\a\\link"));
    ASSERT_TRUE(MakeUnixLink(pc.Root + "Elsewhere", pc.Root + "Outer"));
    TreeSnapshot expected = Without(Snapshot(pc.Root), {"Tree", "Outer"});
    expected.insert({{"Tree", "<folder>"}, {"Tree\\a", "<folder>"}, {"Tree\\a\\b", "<folder>"}, {"Tree\\a\\b\\locked.dat", "in use"}});

    SetFileAttributesA((pc.Root + "Tree\\a\\b\\locked.dat").c_str(), FILE_ATTRIBUTE_READONLY);
    DWORD lockedAttributes = GetFileAttributesA((pc.Root + "Tree\\a\\b\\locked.dat").c_str());
    ASSERT_TRUE(lockedAttributes & FILE_ATTRIBUTE_READONLY);
    HANDLE lock = CreateFileA((pc.Root + "Tree\\a\\b\\locked.dat").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(lock, INVALID_HANDLE_VALUE);
    KeptEntries tree = RemoveFolderTree(Wide(pc.Root + "Tree\\"), true);
    KeptEntries outer = RemoveFolderTree(Wide(pc.Root + "Outer\\"), true);
    KeptEntries missing = RemoveFolderTree(Wide(pc.Root + "Missing\\"), true);
    CloseHandle(lock);
    EXPECT_EQ(Without(Snapshot(pc.Root), {"Outer", "Tree\\a\\link"}), expected);
    EXPECT_EQ(GetFileAttributesA((pc.Root + "Tree\\a\\b\\locked.dat").c_str()), lockedAttributes);

    // What stays is reported, each entry once, and no folder merely for holding it. Wine
    // opens a link's target when asked for the link, so both links stay and are named.
    ASSERT_EQ(tree.size(), 2u);
    EXPECT_EQ(tree[0].Path, Wide(pc.Root + "Tree\\a\\b\\locked.dat"));
    EXPECT_EQ(tree[0].Reason, DWORD(ERROR_SHARING_VIOLATION));
    EXPECT_EQ(tree[1].Path, Wide(pc.Root + "Tree\\a\\link"));
    ASSERT_EQ(outer.size(), 1u);
    EXPECT_EQ(outer[0].Path, Wide(pc.Root + "Outer"));
    EXPECT_TRUE(missing.empty());
}

// Wine spells names of code page 1251 on the unix side only when its locale can (with
// ru_RU.UTF-8 installed); where it cannot, the case says so as skipped, not passed.
TEST_F(Cleaning, TreeRemovalTakesCyrillicNames)
{
    const std::string folder = "Tree\\\xcf\xe0\xef\xea\xe0\\"; // "Папка"
    MakeTree(pc.Root, {{"Tree\\", ""}, {folder, ""}, {folder + "\xd4\xe0\xe9\xeb.txt", "c"}, {folder + "Sub\\", ""}});
    if (!Exists(pc.Root + folder))
        GTEST_SKIP() << "Wine cannot store Cyrillic names here: the unix locale ru_RU.UTF-8 is missing";
    RemoveFolderTree(Wide(pc.Root + "Tree\\"), true);
    EXPECT_EQ(Snapshot(pc.Root), (TreeSnapshot{{"Game", "<folder>"}}));
}

} // namespace

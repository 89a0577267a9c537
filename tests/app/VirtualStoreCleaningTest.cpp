// The installer's traces as Windows would have copied them for a virtualized installer and
// game, in the current user's Classes hive and VirtualStore, in one more loaded user hive and
// in the VirtualStore of one more profile: the probe finds them, the removals take exactly
// them, and what stays is reported and keeps the keys.
#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "app/DelNorvaneForm.h"
#include "app/DelQuestsForm.h"
#include "app/GetInfAbCompForm.h"
#include "app/Initer.h"
#include "support/GameSetup.h"
#include "support/VirtualCopies.h"

namespace {

std::string RegText(HKEY root, const std::string& key, const char* name)
{
    char text[256] = {};
    DWORD size = sizeof text;
    if (RegGetValueA(root, key.c_str(), name, RRF_RT_REG_SZ, nullptr, text, &size) != ERROR_SUCCESS)
        return "<missing>";
    return text;
}

TreeSnapshot MachineSoftware()
{
    return KeySnapshot(HKEY_LOCAL_MACHINE, "Software", {"Classes", "Wow6432Node\\Classes"});
}

class VirtualStoreCleaning : public ::testing::Test {
protected:
    void SetUp() override { InstallState = InstallStateRecord(); }
    static void Probe() { ProbeInstallation({}); }

    GameSetup pc{"vstore"};
    VirtualCopies copies{pc.Root};
    const std::string hkcu = ClassesStore, hkcuWow = Wow64ClassesStore;
    const std::string otherUser = OtherUserStore, otherUserWow = std::string(OtherUserStore) + "WOW6432Node\\";
    // Relative to a store: the Windows folder and the game folder without their drive.
    const std::string windows = pc.Windows.substr(3), game = pc.Game.substr(3);
};

// Each copy alone, of the key or of the installer folder, in each place, makes the quests
// variant present and nothing else; names that only begin like the installer's, and a file
// where the Norvane folder would be, make nothing present.
TEST_F(VirtualStoreCleaning, EachCopyAloneMakesItsVariantPresent)
{
    MakeRegKey(HKEY_CURRENT_USER, hkcu + "KalmirOriginalX");
    MakeRegKey(HKEY_USERS, otherUserWow + "KalmirNorvaneX");
    copies.Make(copies.UserStore, pc.Windows + "KalmirOriginalX\\");
    copies.Make(copies.ProfileStore, pc.Windows + "KalmirNorvane", "a file, not the folder");
    Probe();
    EXPECT_FALSE(InstallState.QuestsPresent || InstallState.NorvanePresent);

    auto key = [](HKEY root, std::string path) {
        return [root, path](bool make) { make ? MakeRegKey(root, path) : DeleteRegTree(root, path); };
    };
    auto folder = [this](std::string store) {
        return [this, store](bool make) {
            make ? copies.Make(store, pc.Windows + "KalmirOriginal\\") : DeleteTree(VirtualCopies::In(store, pc.Windows + "KalmirOriginal"));
        };
    };
    const std::vector<std::pair<std::string, std::function<void(bool)>>> places = {
        {"current user's key", key(HKEY_CURRENT_USER, hkcu + "KalmirOriginal")},
        {"current user's WOW6432Node key", key(HKEY_CURRENT_USER, hkcuWow + "KalmirOriginal")},
        {"loaded hive's key", key(HKEY_USERS, otherUser + "KalmirOriginal")},
        {"loaded hive's WOW6432Node key", key(HKEY_USERS, otherUserWow + "KalmirOriginal")},
        {"current user's folder", folder(copies.UserStore)},
        {"other profile's folder", folder(copies.ProfileStore)},
    };
    for (const auto& [what, copy] : places) {
        copy(true);
        Probe();
        EXPECT_TRUE(InstallState.QuestsPresent) << what;
        EXPECT_FALSE(InstallState.QuestsKeyExists || InstallState.QuestsDirExists || InstallState.NorvanePresent) << what;
        copy(false);
        Probe();
        EXPECT_FALSE(InstallState.QuestsPresent) << what << " still found after it went";
    }
}

// Both variants installed for real and copied everywhere, beside neighbours in the stores
// and in the copy hives: each removal takes its traces and their copies and nothing else,
// byte for byte.
TEST_F(VirtualStoreCleaning, EachRemovalTakesExactlyItsCopies)
{
    pc.RegisterGame(pc.Game);
    pc.FillGameFolder();
    pc.InstallQuests();
    pc.InstallNorvane();
    for (const std::string& store : {copies.UserStore, copies.ProfileStore}) {
        copies.Make(store, pc.Windows + "KalmirOriginal\\Quests\\q1.qst");
        copies.Make(store, pc.Windows + "KalmirNorvane\\setup.ini");
        copies.Make(store, pc.Game + "Stavor\\Maps\\zone1.mp");
        for (const char* file : {"Rikta.exe", "lexora.txt", "norvane_readme.txt"})
            copies.Make(store, pc.Game + file);
        // Neighbours: alike names, another game, files beside the targets, one level up.
        copies.Make(store, pc.Windows + "KalmirOriginalX\\a.txt");
        copies.Make(store, pc.Windows + "OtherGame\\b.txt");
        copies.Make(store, pc.Game + "game.cfg");
        copies.Make(store, pc.Game + "lexora.txt.old");
        copies.Make(store, pc.Game + "Res\\Stavor\\keep.res");
        copies.Make(store, pc.Root + "GameStavor\\x.dat");
        copies.Make(store, pc.Root + "Stavor\\up.dat");
        copies.Make(store, pc.Root + "lexora.txt");
    }
    const std::vector<std::pair<HKEY, std::string>> questKeys = {{HKEY_CURRENT_USER, hkcu + "KalmirOriginal"},
                                                                 {HKEY_CURRENT_USER, hkcuWow + "KalmirOriginal"},
                                                                 {HKEY_USERS, otherUserWow + "KalmirOriginal"}};
    const std::vector<std::pair<HKEY, std::string>> norvaneKeys = {{HKEY_CURRENT_USER, hkcuWow + "KalmirNorvane"},
                                                                   {HKEY_USERS, otherUser + "KalmirNorvane"}};
    for (const auto& [root, path] : questKeys)
        SetRegString(root, path + "\\Sub", "Version", "1");
    for (const auto& [root, path] : norvaneKeys)
        MakeRegKey(root, path);
    SetRegString(HKEY_CURRENT_USER, hkcuWow + "KalmirOriginalX", "Keep", "x");
    SetRegString(HKEY_USERS, otherUserWow + "OtherGame", "Keep", "o");
    TreeSnapshot user = Snapshot(copies.UserStore), root = Snapshot(pc.Root), windowsFolder = Snapshot(pc.Windows, false);

    Probe();
    ASSERT_TRUE(InstallState.QuestsPresent && InstallState.NorvanePresent);
    EXPECT_TRUE(DeleteQuestLeftovers().empty());
    const std::string profile = copies.ProfileStore.substr(pc.Root.size());
    user = Without(user, {windows + "KalmirOriginal", game + "Stavor", game + "Rikta.exe", game + "lexora.txt"});
    root = Without(root, {"Game\\Stavor", "Game\\Rikta.exe", "Game\\lexora.txt", profile + windows + "KalmirOriginal",
                          profile + game + "Stavor", profile + game + "Rikta.exe", profile + game + "lexora.txt"});
    EXPECT_EQ(Snapshot(copies.UserStore), user);
    EXPECT_EQ(Snapshot(pc.Root), root);
    EXPECT_EQ(Snapshot(pc.Windows, false), Without(windowsFolder, {"KalmirOriginal"}));
    for (const auto& [hive, path] : questKeys)
        EXPECT_FALSE(RegKeyExists(hive, path)) << path;
    for (const auto& [hive, path] : norvaneKeys)
        EXPECT_TRUE(RegKeyExists(hive, path)) << path;
    EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, QuestsKeyPath));
    EXPECT_TRUE(RegKeyExists(HKEY_LOCAL_MACHINE, NorvaneKeyPath));

    Probe();
    EXPECT_FALSE(InstallState.QuestsPresent);
    ASSERT_TRUE(InstallState.NorvanePresent);
    EXPECT_TRUE(DeleteNorvaneLeftovers().empty());
    user = Without(user, {windows + "KalmirNorvane", game + "norvane_readme.txt"});
    root = Without(root, {"Game\\norvane_readme.txt", profile + windows + "KalmirNorvane", profile + game + "norvane_readme.txt"});
    EXPECT_EQ(Snapshot(copies.UserStore), user);
    EXPECT_EQ(Snapshot(pc.Root), root);
    for (const auto& [hive, path] : norvaneKeys)
        EXPECT_FALSE(RegKeyExists(hive, path)) << path;
    EXPECT_EQ(RegText(HKEY_CURRENT_USER, hkcuWow + "KalmirOriginalX", "Keep"), "x");
    EXPECT_EQ(RegText(HKEY_USERS, otherUserWow + "OtherGame", "Keep"), "o");
    EXPECT_TRUE(RegKeyExists(HKEY_CURRENT_USER, PathSettingsPath));

    Probe();
    EXPECT_FALSE(InstallState.QuestsPresent || InstallState.NorvanePresent);
}

// A copy held open by another program stays and is reported; the keys, the copies' and the
// real one, stay as the mark of the unfinished removal. Released, it goes with the keys.
TEST_F(VirtualStoreCleaning, HeldCopyKeepsTheKeysUntilASecondRemovalTakesIt)
{
    pc.InstallQuests();
    MakeRegKey(HKEY_CURRENT_USER, hkcu + "KalmirOriginal");
    copies.Make(copies.ProfileStore, pc.Windows + "KalmirOriginal\\setup.ini");
    const std::string held = VirtualCopies::In(copies.ProfileStore, pc.Windows + "KalmirOriginal\\setup.ini");
    HeldFiles file{held};
    ASSERT_TRUE(file.Ok());
    Probe();
    KeptEntries kept = DeleteQuestLeftovers();
    file.Release();
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_EQ(kept[0].Path, Wide(held));
    EXPECT_EQ(kept[0].Reason, DWORD(ERROR_SHARING_VIOLATION));
    EXPECT_FALSE(Exists(pc.Windows + "KalmirOriginal"));
    EXPECT_TRUE(RegKeyExists(HKEY_CURRENT_USER, hkcu + "KalmirOriginal"));
    EXPECT_TRUE(RegKeyExists(HKEY_LOCAL_MACHINE, QuestsKeyPath));

    Probe();
    ASSERT_TRUE(InstallState.QuestsPresent);
    EXPECT_TRUE(DeleteQuestLeftovers().empty());
    EXPECT_FALSE(Exists(held));
    EXPECT_FALSE(RegKeyExists(HKEY_CURRENT_USER, hkcu + "KalmirOriginal"));
    EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, QuestsKeyPath));
}

// Without a game folder the copies of its traces are not touched; the installer's copies
// go. A store whose folder on the way is a link is not walked through: the folder that the
// link leads to stays whole, and the copy is reported.
TEST_F(VirtualStoreCleaning, NoGameFolderNoGameCopiesAndNoWayThroughALink)
{
    MakeRegKey(HKEY_USERS, otherUser + "KalmirOriginal");
    copies.Make(copies.UserStore, pc.Windows + "KalmirOriginal\\setup.ini");
    copies.Make(copies.UserStore, pc.Game + "Stavor\\Maps\\zone1.mp");
    copies.Make(copies.UserStore, pc.Game + "lexora.txt");
    MakeTree(pc.Root, {{"elsewhere\\", ""}, {"elsewhere\\KalmirOriginal\\", ""}, {"elsewhere\\KalmirOriginal\\keep.me", "not a copy"}});
    ASSERT_TRUE(MakeUnixLink(pc.Root + "elsewhere", copies.ProfileStore + windows.substr(0, windows.size() - 1)));
    TreeSnapshot user = Snapshot(copies.UserStore), elsewhere = Snapshot(pc.Root + "elsewhere\\");

    Probe();
    ASSERT_TRUE(InstallState.QuestsPresent);
    KeptEntries kept = DeleteQuestLeftovers();
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_EQ(kept[0].Path, Wide(copies.ProfileStore + windows + "KalmirOriginal\\"));
    EXPECT_EQ(kept[0].Reason, DWORD(ERROR_FILE_INVALID));
    EXPECT_EQ(Snapshot(pc.Root + "elsewhere\\"), elsewhere);
    EXPECT_EQ(Snapshot(copies.UserStore), Without(user, {windows + "KalmirOriginal"}));
    EXPECT_TRUE(RegKeyExists(HKEY_USERS, otherUser + "KalmirOriginal")) << "the key went before the rest";

    DeleteTree(copies.ProfileStore + windows.substr(0, windows.size() - 1));
    Probe();
    EXPECT_TRUE(DeleteQuestLeftovers().empty());
    EXPECT_FALSE(RegKeyExists(HKEY_USERS, otherUser + "KalmirOriginal"));
    EXPECT_EQ(Snapshot(copies.UserStore), Without(user, {windows + "KalmirOriginal"}));
}

// A key copy that is a registry link, or lies below one, is not deleted through it: the keys
// that the links lead to stay whole, both copies are reported, and the real key stays.
TEST_F(VirtualStoreCleaning, KeyCopiesBehindRegistryLinksStay)
{
    const std::string target = "Software\\TessalyLinkTarget";
    SetRegString(HKEY_LOCAL_MACHINE, target + "\\KalmirOriginal\\Sub", "Keep", "t");
    MakeRegKey(HKEY_LOCAL_MACHINE, QuestsKeyPath);
    MakeRegKey(HKEY_CURRENT_USER, hkcu.substr(0, hkcu.size() - 1));
    ASSERT_TRUE(copies.MakeKeyLink(hkcu + "KalmirOriginal", L"\\Registry\\Machine\\Software\\TessalyLinkTarget\\KalmirOriginal"));
    ASSERT_TRUE(copies.MakeKeyLink(hkcuWow.substr(0, hkcuWow.size() - 1), L"\\Registry\\Machine\\Software\\TessalyLinkTarget"));
    ASSERT_EQ(RegText(HKEY_CURRENT_USER, hkcuWow + "KalmirOriginal\\Sub", "Keep"), "t") << "the links lead nowhere";
    ASSERT_EQ(RegText(HKEY_CURRENT_USER, hkcu + "KalmirOriginal\\Sub", "Keep"), "t") << "the links lead nowhere";

    Probe();
    ASSERT_TRUE(InstallState.QuestsPresent);
    KeptEntries kept = DeleteQuestLeftovers();
    EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, target + "\\KalmirOriginal\\Sub", "Keep"), "t");
    EXPECT_TRUE(RegKeyExists(HKEY_LOCAL_MACHINE, QuestsKeyPath));
    ASSERT_EQ(kept.size(), 2u);
    EXPECT_EQ(kept[0].Path, Wide("HKEY_CURRENT_USER\\" + hkcu + "KalmirOriginal"));
    EXPECT_EQ(kept[1].Path, Wide("HKEY_CURRENT_USER\\" + hkcuWow + "KalmirOriginal"));
    EXPECT_EQ(kept[0].Reason, DWORD(ERROR_FILE_INVALID));
    EXPECT_EQ(kept[1].Reason, DWORD(ERROR_FILE_INVALID));
    DeleteRegTree(HKEY_LOCAL_MACHINE, target);
}

// Registry links inside the installer's key and inside a key copy go as links: the key that
// they lead to stays whole, and nothing else under Software changes.
TEST_F(VirtualStoreCleaning, RegistryLinksInsideTheKeysGoAsLinks)
{
    const std::string target = "Software\\TessalyLinkTarget", quests = QuestsKeyPath;
    const std::wstring native = L"\\Registry\\Machine\\Software\\TessalyLinkTarget";
    SetRegString(HKEY_LOCAL_MACHINE, target + "\\Inner", "Keep", "t");
    SetRegString(HKEY_LOCAL_MACHINE, quests + "\\Sub", "Version", "1");
    SetRegString(HKEY_CURRENT_USER, hkcu + "KalmirOriginal\\Deep", "Version", "1");
    ASSERT_TRUE(copies.MakeKeyLink(quests + "\\Sub\\ToTarget", native, HKEY_LOCAL_MACHINE));
    ASSERT_TRUE(copies.MakeKeyLink(hkcu + "KalmirOriginal\\Deep\\ToTarget", native));
    ASSERT_EQ(RegText(HKEY_LOCAL_MACHINE, quests + "\\Sub\\ToTarget\\Inner", "Keep"), "t") << "the link leads nowhere";
    TreeSnapshot machine = MachineSoftware(), user = KeySnapshot(HKEY_CURRENT_USER, "Software");

    Probe();
    ASSERT_TRUE(InstallState.QuestsPresent);
    KeptEntries kept = DeleteQuestLeftovers();
    EXPECT_TRUE(kept.empty()) << Narrow(kept[0].Path);
    EXPECT_EQ(MachineSoftware(), Without(machine, {"KalmirOriginal"}));
    EXPECT_EQ(KeySnapshot(HKEY_CURRENT_USER, "Software"), Without(user, {hkcu.substr(9) + "KalmirOriginal"}));
    DeleteRegTree(HKEY_LOCAL_MACHINE, target);
}

// What cannot be opened as itself stays and is named, with the keys that lead to it; the real
// key stays while a copy stays. The rest of the registry stays as it was.
TEST_F(VirtualStoreCleaning, UnreadableKeysAndALinkedInstallerKeyStayAndAreNamed)
{
    const std::string quests = QuestsKeyPath, target = "Software\\TessalyLinkTarget";
    const struct {
        const char* What;
        HKEY Root;
        std::string Locked; // or the real key is a link to target
        std::string Named;
        DWORD Reason;
        std::string Gone; // below HKLM\Software
    } cases[] = {
        {"a key copy that nobody may read", HKEY_CURRENT_USER, hkcu + "KalmirOriginal", "HKEY_CURRENT_USER\\" + hkcu + "KalmirOriginal",
         ERROR_ACCESS_DENIED, ""},
        {"a sub-key of the real key that nobody may read", HKEY_LOCAL_MACHINE, quests + "\\Locked",
         "HKEY_LOCAL_MACHINE\\" + quests + "\\Locked", ERROR_ACCESS_DENIED, "KalmirOriginal\\Other"},
        {"the real key a registry link", HKEY_LOCAL_MACHINE, "", "HKEY_LOCAL_MACHINE\\" + quests, ERROR_FILE_INVALID, ""},
    };
    for (const auto& c : cases) {
        SetRegString(HKEY_LOCAL_MACHINE, target + "\\Inner", "Keep", "t");
        // Opened again and deleted however the case ends, so that no later test meets it (the
        // link goes with `copies`).
        struct Unlocked {
            HKEY Root;
            std::string Key;
            ~Unlocked()
            {
                if (Key.empty())
                    return;
                SetKeyLocked(Root, Key, false);
                DeleteRegTree(Root, Key);
                DeleteRegTree(HKEY_LOCAL_MACHINE, QuestsKeyPath);
            }
        } unlocked{c.Root, c.Locked};
        if (c.Locked.empty()) {
            ASSERT_TRUE(copies.MakeKeyLink(quests, L"\\Registry\\Machine\\Software\\TessalyLinkTarget", HKEY_LOCAL_MACHINE)) << c.What;
        } else {
            SetRegString(HKEY_LOCAL_MACHINE, quests + "\\Other", "Version", "1");
            SetRegString(c.Root, c.Locked + "\\In", "Version", "1");
            ASSERT_TRUE(SetKeyLocked(c.Root, c.Locked, true)) << c.What;
        }
        TreeSnapshot machine = MachineSoftware(), user = KeySnapshot(HKEY_CURRENT_USER, "Software");

        Probe();
        ASSERT_TRUE(InstallState.QuestsPresent) << c.What;
        KeptEntries kept = DeleteQuestLeftovers();
        ASSERT_EQ(kept.size(), 1u) << c.What;
        EXPECT_EQ(kept[0].Path, Wide(c.Named)) << c.What;
        EXPECT_EQ(kept[0].Reason, c.Reason) << c.What;
        EXPECT_EQ(MachineSoftware(), c.Gone.empty() ? machine : Without(machine, {c.Gone})) << c.What;
        EXPECT_EQ(KeySnapshot(HKEY_CURRENT_USER, "Software"), user) << c.What;
    }
    DeleteRegTree(HKEY_LOCAL_MACHINE, target);
}

// A VirtualStore moved to another place with a link, as a profile or AppData moved to
// another disk with a junction. With nothing behind the link, nothing is reported, the
// key goes and nothing is found afterwards. A copy behind it, or a folder on the way whose attributes cannot be read (here
// a unix link to a place the host denies; on Windows a junction whose owner denies reading
// it), is named as reached through a link and not touched, and the key stays.
TEST_F(VirtualStoreCleaning, AStoreBehindALinkIsReportedOnlyWithSomethingBehindIt)
{
    const std::string store = copies.ProfileStore.substr(0, copies.ProfileStore.size() - 1), moved = pc.Root + "moved-store\\";
    const std::string way = moved + windows.substr(0, windows.size() - 1);
    MakeFolder(moved);
    DeleteTree(store);
    ASSERT_TRUE(MakeUnixLink(moved, store));
    pc.InstallQuests();
    Probe();
    EXPECT_TRUE(DeleteQuestLeftovers().empty());
    EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, QuestsKeyPath));
    // Nor does it pass for a copy: both buttons are off after the removal.
    Probe();
    EXPECT_FALSE(InstallState.QuestsPresent || InstallState.NorvanePresent);

    for (bool unreadable : {false, true}) {
        SCOPED_TRACE(unreadable ? "an unreadable folder on the way" : "a copy");
        if (unreadable) {
            DeleteTree(way);
            RunOnHost("ln -s /proc/1/root '" + HostPath(way) + "'");
            ASSERT_TRUE(GetFileAttributesA(way.c_str()) == INVALID_FILE_ATTRIBUTES && GetLastError() == ERROR_ACCESS_DENIED);
        } else {
            MakeTree(moved, {{windows, ""}, {windows + "KalmirOriginal\\", ""}});
        }
        pc.InstallQuests();
        TreeSnapshot root = Snapshot(pc.Root);
        Probe();
        KeptEntries kept = DeleteQuestLeftovers();
        ASSERT_EQ(kept.size(), 1u);
        EXPECT_EQ(kept[0].Path, Wide(copies.ProfileStore + windows + "KalmirOriginal\\"));
        EXPECT_EQ(kept[0].Reason, DWORD(ERROR_FILE_INVALID));
        EXPECT_EQ(Snapshot(pc.Root), root);
        EXPECT_TRUE(RegKeyExists(HKEY_LOCAL_MACHINE, QuestsKeyPath));
    }
    DeleteTree(way);
}

} // namespace


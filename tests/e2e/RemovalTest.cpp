// Removals asked for in the real Tessaly.exe's main window, checked on the registry and
// disk of the test prefix.
#include <gtest/gtest.h>

#include "TessalyProcess.h"
#include "support/GameSetup.h"
#include "support/VirtualCopies.h"

namespace {

// Both variants installed: a No changes nothing; a Yes takes exactly the quest traces,
// leaves the game and the Norvane variant, and the refresh disables the quests button.
TEST(E2eRemoval, NoThenYesOnTheQuestsButtonWithBothVariants)
{
    GameSetup pc{"e2e-removal"};
    pc.RegisterGame(pc.Game);
    pc.FillGameFolder();
    pc.InstallQuests();
    pc.InstallNorvane();
    TreeSnapshot before = Snapshot(pc.Root), windows = Snapshot(pc.Windows, false);
    TreeSnapshot norvane = Snapshot(pc.Windows + "KalmirNorvane\\");
    TessalyProcess app;
    ASSERT_TRUE(app.Start());
    HWND quests = app.MainChild(QuestsCaption), norvaneButton = app.MainChild(NorvaneCaption);
    ASSERT_TRUE(IsWindowEnabled(quests) && IsWindowEnabled(norvaneButton));

    std::string text;
    PostMessageA(quests, BM_CLICK, 0, 0);
    HWND box = app.WaitMessageBox(text);
    ASSERT_TRUE(box);
    EXPECT_EQ(text, RemovalQuestion);
    size_t windowsMade = app.WindowsMadeSoFar();
    ASSERT_TRUE(app.Answer(box, IDNO));
    PauseServing(300);
    ASSERT_TRUE(app.WaitSettled());
    EXPECT_EQ(app.WindowsMadeSoFar(), windowsMade) << "a No ran a removal or a probe";
    EXPECT_TRUE(IsWindowEnabled(quests));
    EXPECT_EQ(Snapshot(pc.Root), before);
    EXPECT_EQ(Snapshot(pc.Windows, false), windows);
    EXPECT_TRUE(RegKeyExists(HKEY_LOCAL_MACHINE, QuestsKeyPath));

    ASSERT_TRUE(app.ConfirmRemoval(quests));
    ASSERT_TRUE(WaitUntil([&] { return !IsWindowEnabled(quests) && app.Settled(); }, 10000));
    EXPECT_TRUE(IsWindowEnabled(norvaneButton));
    EXPECT_EQ(Snapshot(pc.Root), Without(before, {"Game\\Stavor", "Game\\Rikta.exe", "Game\\lexora.txt"}));
    EXPECT_EQ(Snapshot(pc.Windows, false), Without(windows, {"KalmirOriginal"}));
    EXPECT_EQ(Snapshot(pc.Windows + "KalmirNorvane\\"), norvane);
    EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, QuestsKeyPath));
    EXPECT_TRUE(RegKeyExists(HKEY_LOCAL_MACHINE, NorvaneKeyPath));
    EXPECT_EQ(GetForegroundWindow(), app.Main());
}

// A removal started with the mouse disables the main window and the clicked button;
// afterwards the keys still reach the window: the other variant goes by its hot key, and
// Tab walks the ring past the two disabled buttons.
TEST(E2eRemoval, KeysStillWorkAfterARemovalStartedWithTheMouse)
{
    GameSetup pc{"e2e-focus"};
    pc.RegisterGame(pc.Game);
    pc.FillGameFolder();
    pc.InstallQuests();
    pc.InstallNorvane();
    TessalyProcess app;
    ASSERT_TRUE(app.Start());
    HWND quests = app.MainChild(QuestsCaption), norvane = app.MainChild(NorvaneCaption);

    ASSERT_TRUE(app.ConfirmRemoval(quests));
    ASSERT_TRUE(WaitUntil([&] { return !IsWindowEnabled(quests) && app.Settled(); }, 10000));
    ASSERT_TRUE(app.WaitFocusOnAControl()) << "the focus stays on the form itself or nowhere";
    EXPECT_NE(app.FocusedWindow(), quests) << "the disabled button kept the focus";

    std::string text;
    ASSERT_TRUE(app.PostKeyUp('N'));
    HWND box = app.WaitMessageBox(text);
    ASSERT_TRUE(box) << "N after a mouse removal asked nothing";
    ASSERT_TRUE(app.Answer(box, IDYES));
    ASSERT_TRUE(WaitUntil([&] { return !IsWindowEnabled(norvane) && app.Settled(); }, 10000));
    EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, NorvaneKeyPath));
    EXPECT_FALSE(Exists(pc.Windows + "KalmirNorvane"));

    ASSERT_TRUE(app.WaitFocusOnAControl());
    for (const char* next : {AboutButtonCaption, RefreshCaption, ExitCaption, AboutButtonCaption}) {
        HWND from = app.FocusedWindow();
        ASSERT_TRUE(app.PostKeyUp(VK_TAB));
        EXPECT_TRUE(WaitUntil([&] { return app.FocusedWindow() != from; }, 2000)) << "Tab from " << WindowText(from);
        EXPECT_EQ(WindowText(app.FocusedWindow()), next);
    }
}

// Only the quests variant, with enough backup files that its removal is still running
// when the progress window is closed by hand. The hot keys act on the focused control.
TEST(E2eRemoval, HotKeysAndAProgressWindowClosedByHand)
{
    GameSetup pc{"e2e-keys"};
    pc.RegisterGame(pc.Game);
    pc.FillGameFolder();
    pc.InstallQuests();
    ASSERT_TRUE(MakeManyFiles(pc.Game + "Stavor\\Many", 3000));
    TessalyProcess app;
    ASSERT_TRUE(app.Start());
    HWND quests = app.MainChild(QuestsCaption);
    ASSERT_FALSE(IsWindowEnabled(app.MainChild(NorvaneCaption)));

    size_t windowsMade = app.WindowsMadeSoFar();
    ASSERT_TRUE(app.PostKeyUp('N'));
    PauseServing(500);
    ASSERT_TRUE(app.WaitSettled());
    EXPECT_EQ(app.WindowsMadeSoFar(), windowsMade) << "N on the disabled Norvane button opened a window";

    std::string text;
    ASSERT_TRUE(app.PostKeyUp('Q'));
    HWND box = app.WaitMessageBox(text);
    ASSERT_TRUE(box) << "Q asked nothing";
    EXPECT_EQ(text, RemovalQuestion);
    ASSERT_TRUE(app.Answer(box, IDYES));
    HWND progress = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (progress = app.RemovalProgressWindow()) != nullptr; }, 5000));
    PostMessageA(progress, WM_CLOSE, 0, 0);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(progress); }, 3000));
    ASSERT_TRUE(Exists(pc.Game + "Stavor")) << "the removal ended before the window was closed: nothing was tested";

    ASSERT_TRUE(WaitUntil([&] { return !IsWindowEnabled(quests) && app.Settled(); }, 30000));
    EXPECT_FALSE(Exists(pc.Game + "Stavor"));
    EXPECT_FALSE(Exists(pc.Game + "Rikta.exe"));
    EXPECT_FALSE(Exists(pc.Windows + "KalmirOriginal"));
    EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, QuestsKeyPath));
    EXPECT_EQ(ReadFileBytes(pc.Game + "game.exe"), "MZ game");
}

// Files held open by another program (this test, without sharing) in the installer's
// folder and in the backup folder: the removal leaves them, the button stays enabled and
// one warning box owned by the main window names both. Pressed again after they were
// released, the button takes them and the key, quietly. Nothing else changes.
TEST(E2eRemoval, HeldFilesAreNamedAndASecondPressFinishesTheRemoval)
{
    GameSetup pc{"e2e-held"};
    pc.RegisterGame(pc.Game);
    pc.FillGameFolder();
    TreeSnapshot clean = Snapshot(pc.Root), windows = Snapshot(pc.Windows, false);
    pc.InstallQuests();
    const std::string setup = pc.Windows + "KalmirOriginal\\setup.ini", backup = pc.Game + "Stavor\\game.exe";
    HeldFiles held{setup, backup};
    ASSERT_TRUE(held.Ok());
    TessalyProcess app;
    ASSERT_TRUE(app.Start());
    HWND quests = app.MainChild(QuestsCaption);

    std::string text;
    ASSERT_TRUE(app.ConfirmRemoval(quests));
    HWND box = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (box = app.FindWindow("#32770", "Tessaly")) && IsWindowVisible(box); }, 10000))
        << "no warning after a removal that left files";
    ASSERT_TRUE(app.WaitMessageBox(text));
    EXPECT_EQ(GetWindow(box, GW_OWNER), app.Main());
    EXPECT_FALSE(IsWindowEnabled(app.Main())) << "the warning left the main window usable";
    EXPECT_EQ(text.find("Не всё удалось удалить. Осталось объектов: 2."), 0u) << text;
    EXPECT_NE(text.find(setup + "\u202C (занят другой программой)"), std::string::npos) << text;
    EXPECT_NE(text.find(backup + "\u202C (занят другой программой)"), std::string::npos) << text;
    EXPECT_NE(text.find("снова нажмите эту же кнопку"), std::string::npos) << text;
    ASSERT_TRUE(app.Answer(box, IDOK));
    ASSERT_TRUE(app.WaitSettled());
    EXPECT_TRUE(IsWindowEnabled(quests));
    EXPECT_TRUE(RegKeyExists(HKEY_LOCAL_MACHINE, QuestsKeyPath));
    held.Release();
    TreeSnapshot left = clean;
    left.insert({{"Game\\Stavor", "<folder>"}, {"Game\\Stavor\\game.exe", "backup"}});
    EXPECT_EQ(Snapshot(pc.Root), left);
    EXPECT_EQ(Snapshot(pc.Windows + "KalmirOriginal\\"), (TreeSnapshot{{"setup.ini", "quests"}}));

    // The warning gave the focus back to a control that takes the keys.
    ASSERT_TRUE(app.WaitFocusOnAControl());
    ASSERT_TRUE(app.PostKeyUp('Q'));
    ASSERT_TRUE(box = app.WaitMessageBox(text)) << "Q after the warning asked nothing";
    EXPECT_EQ(text, RemovalQuestion);
    ASSERT_TRUE(app.Answer(box, IDYES));
    // A second warning would keep the program from settling.
    EXPECT_TRUE(WaitUntil([&] { return !IsWindowEnabled(quests) && app.Settled(); }, 10000));
    EXPECT_EQ(app.FindWindow("#32770", nullptr), nullptr);
    EXPECT_EQ(Snapshot(pc.Root), clean);
    EXPECT_EQ(Snapshot(pc.Windows, false), windows);
    EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, QuestsKeyPath));
}

// The quests key with sub-keys and values goes whole; the Norvane variant, whose
// uninstaller removed its key and left its folder, has its button enabled, and its removal
// takes the folder and the shared traces. Nothing else changes; neither run warns.
TEST(E2eRemoval, KeyWithSubKeysAndAFolderWithoutItsKeyBothGo)
{
    GameSetup pc{"e2e-partial"};
    pc.RegisterGame(pc.Game);
    pc.FillGameFolder();
    TreeSnapshot clean = Snapshot(pc.Root), windows = Snapshot(pc.Windows, false);
    pc.InstallQuests();
    SetRegString(HKEY_LOCAL_MACHINE, std::string(QuestsKeyPath) + "\\Components\\Maps", "Path", pc.Game);
    pc.InstallNorvane();
    DeleteRegTree(HKEY_LOCAL_MACHINE, NorvaneKeyPath);
    TreeSnapshot norvaneLeft = Snapshot(pc.Windows + "KalmirNorvane\\");
    TessalyProcess app;
    ASSERT_TRUE(app.Start());
    HWND quests = app.MainChild(QuestsCaption), norvane = app.MainChild(NorvaneCaption);
    EXPECT_TRUE(IsWindowEnabled(quests));
    ASSERT_TRUE(IsWindowEnabled(norvane)) << "the folder without its key did not enable its button";

    ASSERT_TRUE(app.ConfirmRemoval(quests));
    ASSERT_TRUE(WaitUntil([&] { return !IsWindowEnabled(quests) && app.Settled(); }, 10000));
    EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, QuestsKeyPath));
    EXPECT_TRUE(IsWindowEnabled(norvane));
    EXPECT_EQ(Snapshot(pc.Windows + "KalmirNorvane\\"), norvaneLeft);

    ASSERT_TRUE(app.ConfirmRemoval(norvane));
    ASSERT_TRUE(WaitUntil([&] { return !IsWindowEnabled(norvane) && app.Settled(); }, 10000));
    EXPECT_EQ(Snapshot(pc.Root), clean);
    EXPECT_EQ(Snapshot(pc.Windows, false), windows);
    EXPECT_TRUE(RegKeyExists(HKEY_CURRENT_USER, PathSettingsPath));
}

// Only the copies that Windows made for a virtualized installer and game are there, no real
// key or folder: the quests button is enabled, and its removal takes the copies (the key's
// too) and leaves their neighbours and the game.
TEST(E2eRemoval, OnlyVirtualizedCopiesEnableTheButtonAndGo)
{
    GameSetup pc{"e2e-vstore"};
    VirtualCopies copies{pc.Root};
    pc.RegisterGame(pc.Game);
    pc.FillGameFolder();
    copies.Make(copies.UserStore, pc.Windows + "KalmirOriginal\\setup.ini");
    copies.Make(copies.UserStore, pc.Windows + "KalmirOriginalX\\setup.ini");
    copies.Make(copies.UserStore, pc.Game + "lexora.txt");
    copies.Make(copies.UserStore, pc.Game + "game.cfg");
    copies.Make(copies.ProfileStore, pc.Game + "Stavor\\game.dat");
    copies.Make(copies.ProfileStore, pc.Game + "Stavor.txt");
    const std::string key = std::string(Wow64ClassesStore) + "KalmirOriginal", neighbour = key + "X";
    MakeRegKey(HKEY_CURRENT_USER, key);
    MakeRegKey(HKEY_CURRENT_USER, neighbour);
    TreeSnapshot user = Snapshot(copies.UserStore), root = Snapshot(pc.Root), windows = Snapshot(pc.Windows, false);
    const std::string profile = copies.ProfileStore.substr(pc.Root.size());
    const std::string windowsCopy = pc.Windows.substr(3), gameCopy = pc.Game.substr(3);

    TessalyProcess app;
    ASSERT_TRUE(app.Start());
    HWND quests = app.MainChild(QuestsCaption);
    ASSERT_TRUE(IsWindowEnabled(quests));
    EXPECT_FALSE(IsWindowEnabled(app.MainChild(NorvaneCaption)));

    ASSERT_TRUE(app.ConfirmRemoval(quests));
    ASSERT_TRUE(WaitUntil([&] { return !IsWindowEnabled(quests) && app.Settled(); }, 10000));
    EXPECT_EQ(Snapshot(copies.UserStore), Without(user, {windowsCopy + "KalmirOriginal", gameCopy + "lexora.txt"}));
    EXPECT_EQ(Snapshot(pc.Root), Without(root, {profile + gameCopy + "Stavor"}));
    EXPECT_EQ(Snapshot(pc.Windows, false), windows);
    EXPECT_FALSE(RegKeyExists(HKEY_CURRENT_USER, key));
    EXPECT_TRUE(RegKeyExists(HKEY_CURRENT_USER, neighbour));
}

// "WORK PATH" values that name no folder: one name of 5,000 characters (Wine's
// GetLongPathNameW overflowed on it and the probe died), 40,000 characters in all, the game
// folder with a zero and more behind it, and 100 MB, which is refused unread. Each is named
// once, apart and escaped where it cannot be shown; the installer's traces still enable the
// button and go, the key with them, and the game folder stays. The program's memory does not
// grow with the value.
TEST(E2eRemoval, WorkPathsThatNameNoFolderAreNamedAndTheRestGoes)
{
    GameSetup pc{"e2e-no-folder"};
    pc.FillGameFolder();
    std::string longPath = "C:\\";
    while (longPath.size() < 40000)
        longPath += "aaaaaaa\\";
    const std::pair<std::string, std::string> cases[] = {{"C:\\" + std::string(5000, 'a') + "\\", "C:\\aaaaaaaa"},
                                                         {longPath, "C:\\aaaaaaa\\aaaaaaa\\"},
                                                         {pc.Game + std::string(1, '\0') + "evil", pc.Game + "\\u0000evil"},
                                                         {"C:\\" + std::string(100 << 20, 'b'), "C:\\bbbbbbbb"}};
    SIZE_T peaks[std::size(cases)] = {};
    for (size_t i = 0; i < std::size(cases); ++i) {
        const auto& [value, shown] = cases[i];
        pc.InstallQuests();
        pc.RegisterGame(value);
        TreeSnapshot game = Snapshot(pc.Game);
        TessalyProcess app;
        ASSERT_TRUE(app.Start(10000));
        std::string text;
        ASSERT_TRUE(app.ConfirmRemoval(app.MainChild(QuestsCaption))) << shown;
        HWND box = app.WaitMessageBox(text);
        ASSERT_TRUE(box);
        EXPECT_EQ(text.find("Всё найденное удалено.\n\n\u202D" + shown), 0u) << text;
        EXPECT_EQ(text.find(shown, text.find(shown) + 1), std::string::npos) << "named twice: " << text;
        EXPECT_TRUE(text.ends_with("\u202C (не может быть папкой игры, Tessaly её не трогает)\n")) << "it advises something: " << text;
        peaks[i] = app.PeakWorkingSet();
        ASSERT_TRUE(app.Answer(box, IDOK) && app.WaitSettled());
        EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, QuestsKeyPath) || Exists(pc.Windows + "KalmirOriginal")) << shown;
        EXPECT_EQ(Snapshot(pc.Game), game);
    }
    EXPECT_LT(peaks[3], peaks[0] + (8 << 20)) << "the 100 MB value was read";
}

// Under WOW64 (the 32-bit build in a 64-bit prefix, as on most players' Windows) the key that
// a 32-bit installer wrote, here the system's own 32-bit reg.exe, lies in the 32-bit view that
// Tessaly sees: it enables the button and goes.
TEST(E2eRemoval, UnderWow64TheKeyThatA32BitInstallerWroteGoes)
{
    BOOL wow64 = FALSE;
    if (!IsWow64Process(GetCurrentProcess(), &wow64) || !wow64)
        GTEST_SKIP() << "runs only in a 64-bit prefix, as a 32-bit program";
    GameSetup pc{"e2e-wow64"};
    DWORD code = 1;
    ASSERT_TRUE(RunProgram(L"C:\\windows\\syswow64\\reg.exe", L"add HKLM\\Software\\KalmirOriginal /v Version /d 1.0 /f", code));
    ASSERT_EQ(code, 0u);
    TessalyProcess app;
    ASSERT_TRUE(app.Start());
    HWND quests = app.MainChild(QuestsCaption);
    ASSERT_TRUE(app.ConfirmRemoval(quests)) << "the key did not enable the button";
    ASSERT_TRUE(WaitUntil([&] { return !IsWindowEnabled(quests) && app.Settled(); }, 10000));
    EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, QuestsKeyPath));
}

} // namespace

// Removals asked for in the real Tessaly.exe's main window, checked on the registry and
// disk of the test prefix.
#include <gtest/gtest.h>

#include "TessalyProcess.h"
#include "support/GameSetup.h"

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

    PostMessageA(quests, BM_CLICK, 0, 0);
    ASSERT_TRUE(box = app.WaitMessageBox(text));
    ASSERT_TRUE(app.Answer(box, IDYES));
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

    std::string text;
    PostMessageA(quests, BM_CLICK, 0, 0);
    HWND box = app.WaitMessageBox(text);
    ASSERT_TRUE(box);
    ASSERT_TRUE(app.Answer(box, IDYES));
    ASSERT_TRUE(WaitUntil([&] { return !IsWindowEnabled(quests) && app.Settled(); }, 10000));
    HWND focus = app.FocusedWindow();
    EXPECT_NE(focus, nullptr);
    EXPECT_NE(focus, app.Main()) << "the form itself has the focus";
    EXPECT_NE(focus, quests) << "the disabled button kept the focus";

    ASSERT_TRUE(app.PostKeyUp('N'));
    ASSERT_TRUE(box = app.WaitMessageBox(text)) << "N after a mouse removal asked nothing";
    ASSERT_TRUE(app.Answer(box, IDYES));
    ASSERT_TRUE(WaitUntil([&] { return !IsWindowEnabled(norvane) && app.Settled(); }, 10000));
    EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, NorvaneKeyPath));
    EXPECT_FALSE(Exists(pc.Windows + "KalmirNorvane"));

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

} // namespace

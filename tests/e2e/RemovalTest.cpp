// Removals asked for in Tessaly's main window, checked on the real registry and disk.
#include <gtest/gtest.h>

#include "Host.h"
#include "Poll.h"
#include "TessalyProcess.h"
#include "support/GameSetup.h"

namespace {

// A snapshot minus the given entries and everything below them.
TreeSnapshot Without(TreeSnapshot tree, std::initializer_list<std::string> gone)
{
    for (const std::string& entry : gone)
        std::erase_if(tree, [&](const auto& item) {
            return item.first == entry || item.first.rfind(entry + "\\", 0) == 0;
        });
    return tree;
}

class E2eRemoval : public ::testing::Test {
protected:
    void TearDown() override { app.Kill(); }

    // The game with its files, the given variants installed, Tessaly up after its probe.
    void InstallAndStart(bool quests, bool norvane)
    {
        pc.RegisterGame(pc.Game);
        pc.FillGameFolder();
        if (quests)
            pc.InstallQuests();
        if (norvane)
            pc.InstallNorvane();
        before = Snapshot(pc.Root);
        windowsBefore = ListNames(pc.Windows);
        StartApp();
    }
    void StartApp()
    {
        ASSERT_TRUE(app.Start());
        ASSERT_TRUE(app.WaitFirstProbe());
        quests = app.MainChild(QuestsCaption);
        norvane = app.MainChild(NorvaneCaption);
        ASSERT_TRUE(quests && norvane);
    }
    // Clicks the quests button and checks the confirmation that comes up.
    HWND AskQuestRemoval()
    {
        app.Click(quests);
        HWND box = app.WaitMessageBox();
        if (!box)
            return nullptr;
        EXPECT_EQ(TessalyProcess::MessageBoxText(box), RemovalQuestion);
        EXPECT_EQ(ClassOf(GetWindow(box, GW_OWNER)), "obj_App");
        return box;
    }
    // After a Yes: the refresh has disabled the quests button and every run has ended.
    bool WaitQuestRemovalDone(int timeoutMs = 10000)
    {
        return WaitUntil([&] { return !IsWindowEnabled(quests) && app.Settled(); }, timeoutMs);
    }

    GameSetup pc{"e2e-removal"};
    TessalyProcess app;
    HWND quests = nullptr, norvane = nullptr;
    TreeSnapshot before;
    std::set<std::string> windowsBefore;
};

TEST_F(E2eRemoval, NoChangesNothing)
{
    InstallAndStart(true, false);
    EXPECT_TRUE(IsWindowEnabled(quests));
    EXPECT_FALSE(IsWindowEnabled(norvane));

    HWND box = AskQuestRemoval();
    ASSERT_TRUE(box);
    size_t windowsMade = app.WindowsMadeSoFar();
    ASSERT_TRUE(app.Answer(box, IDNO));
    ASSERT_TRUE(app.WaitSettled());
    PauseServing(300);
    ASSERT_TRUE(app.WaitSettled());

    EXPECT_EQ(app.WindowsMadeSoFar(), windowsMade) << "a No ran a removal or a probe" << app.WindowsMadeAfter(windowsMade);
    EXPECT_TRUE(IsWindowEnabled(quests));
    EXPECT_EQ(Snapshot(pc.Root), before);
    EXPECT_EQ(ListNames(pc.Windows), windowsBefore);
    EXPECT_TRUE(RegKeyExists(HKEY_LOCAL_MACHINE, QuestsKeyPath));
}

TEST_F(E2eRemoval, YesRemovesExactlyTheQuestTracesAndRefreshes)
{
    InstallAndStart(true, false);
    ASSERT_TRUE(IsWindowEnabled(quests));

    HWND box = AskQuestRemoval();
    ASSERT_TRUE(box);
    ASSERT_TRUE(app.Answer(box, IDYES));
    ASSERT_TRUE(WaitQuestRemovalDone());

    EXPECT_EQ(Snapshot(pc.Root), Without(before, {"Game\\Stavor", "Game\\Rikta.exe", "Game\\lexora.txt"}));
    windowsBefore.erase("KalmirOriginal");
    EXPECT_EQ(ListNames(pc.Windows), windowsBefore);
    EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, QuestsKeyPath));
    EXPECT_TRUE(RegKeyExists(HKEY_CURRENT_USER, PathSettingsPath));
    EXPECT_FALSE(IsWindowEnabled(norvane));
    EXPECT_EQ(GetForegroundWindow(), app.Main());
}

TEST_F(E2eRemoval, QuestRemovalLeavesTheNorvaneVariant)
{
    InstallAndStart(true, true);
    ASSERT_TRUE(IsWindowEnabled(quests));
    ASSERT_TRUE(IsWindowEnabled(norvane));

    HWND box = AskQuestRemoval();
    ASSERT_TRUE(box);
    ASSERT_TRUE(app.Answer(box, IDYES));
    ASSERT_TRUE(WaitQuestRemovalDone());

    EXPECT_TRUE(IsWindowEnabled(norvane));
    EXPECT_EQ(Snapshot(pc.Root), Without(before, {"Game\\Stavor", "Game\\Rikta.exe", "Game\\lexora.txt"}));
    EXPECT_EQ(ReadFileBytes(pc.Game + "norvane_readme.txt"), "readme");
    EXPECT_EQ(ReadFileBytes(pc.Windows + "KalmirNorvane\\setup.ini"), "norvane");
    EXPECT_TRUE(RegKeyExists(HKEY_LOCAL_MACHINE, NorvaneKeyPath));
    EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, QuestsKeyPath));
    EXPECT_FALSE(Exists(pc.Windows + "KalmirOriginal"));
}

TEST_F(E2eRemoval, ClosingTheProgressWindowByHandStopsNothing)
{
    pc.RegisterGame(pc.Game);
    pc.FillGameFolder();
    pc.InstallQuests();
    // Enough backup files that the removal is still running when the window is closed.
    ASSERT_TRUE(MakeManyFiles(pc.Game + "Stavor\\Many", 3000));
    StartApp();
    DWORD asked = GetTickCount();

    HWND box = AskQuestRemoval();
    ASSERT_TRUE(box);
    ASSERT_TRUE(app.Answer(box, IDYES));
    HWND progress = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (progress = app.RemovalProgressWindow()) != nullptr; }, 5000));
    PostMessageA(progress, WM_CLOSE, 0, 0);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(progress); }, 3000));
    ASSERT_TRUE(Exists(pc.Game + "Stavor")) << "the removal ended before the window was closed: nothing was tested";

    ASSERT_TRUE(WaitQuestRemovalDone(30000));
    std::printf("removal of 3000 backup files: %lu ms\n", GetTickCount() - asked);
    EXPECT_TRUE(app.Running());
    EXPECT_FALSE(Exists(pc.Game + "Stavor"));
    EXPECT_FALSE(Exists(pc.Game + "Rikta.exe"));
    EXPECT_FALSE(Exists(pc.Windows + "KalmirOriginal"));
    EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, QuestsKeyPath));
    EXPECT_EQ(ReadFileBytes(pc.Game + "game.exe"), "MZ game");
}

} // namespace

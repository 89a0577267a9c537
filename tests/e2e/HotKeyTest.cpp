// The main window's keys with only the quests variant installed, released on the
// control that has the focus.
#include <gtest/gtest.h>

#include "Poll.h"
#include "TessalyProcess.h"
#include "support/GameSetup.h"

namespace {

class E2eKeys : public ::testing::Test {
protected:
    void SetUp() override
    {
        // Only the quests variant: its button enabled, the Norvane button disabled.
        pc.RegisterGame(pc.Game);
        pc.InstallQuests();
        ASSERT_TRUE(app.Start());
        ASSERT_TRUE(app.WaitFirstProbe());
        ASSERT_TRUE(IsWindowEnabled(app.MainChild(QuestsCaption)));
        ASSERT_FALSE(IsWindowEnabled(app.MainChild(NorvaneCaption)));
    }
    void TearDown() override { app.Kill(); }
    GameSetup pc{"e2e-hotkeys"};
    TessalyProcess app;
};

TEST_F(E2eKeys, NOnTheDisabledNorvaneButtonDoesNothing)
{
    size_t windowsMade = app.WindowsMadeSoFar();
    ASSERT_TRUE(app.PostKeyUp('N'));
    PauseServing(500);
    ASSERT_TRUE(app.WaitSettled());

    EXPECT_EQ(app.FindWindow("#32770", nullptr), nullptr);
    EXPECT_EQ(app.WindowsMadeSoFar(), windowsMade) << "N opened a window" << app.WindowsMadeAfter(windowsMade);
    EXPECT_TRUE(RegKeyExists(HKEY_LOCAL_MACHINE, QuestsKeyPath));
}

TEST_F(E2eKeys, QOnTheEnabledQuestsButtonAsksTheConfirmation)
{
    ASSERT_TRUE(app.PostKeyUp('Q'));
    HWND box = app.WaitMessageBox();
    ASSERT_TRUE(box) << "Q asked nothing";
    EXPECT_EQ(TessalyProcess::MessageBoxText(box), RemovalQuestion);
    ASSERT_TRUE(app.Answer(box, IDNO));
    ASSERT_TRUE(app.WaitSettled());
    EXPECT_TRUE(RegKeyExists(HKEY_LOCAL_MACHINE, QuestsKeyPath));
}

TEST_F(E2eKeys, TabFromExitStopsOnTheEnabledQuestsButton)
{
    HWND exit = app.MainChild(ExitCaption);
    // From the hidden check box: Quests (Norvane passed over), About, Refresh, Exit.
    for (int i = 0; i < 4; ++i) {
        HWND from = app.FocusedWindow();
        ASSERT_TRUE(app.PostKeyUp(VK_TAB));
        ASSERT_TRUE(WaitUntil([&] { return app.FocusedWindow() != from; }, 2000));
    }
    ASSERT_EQ(app.FocusedWindow(), exit);
    ASSERT_TRUE(app.PostKeyUp(VK_TAB));
    EXPECT_TRUE(WaitUntil([&] { return app.FocusedWindow() != exit; }, 2000));
    EXPECT_EQ(app.FocusedWindow(), app.MainChild(QuestsCaption));
}

} // namespace

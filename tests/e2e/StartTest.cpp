// Tessaly started on a computer without the installer's traces.
#include <gtest/gtest.h>

#include "Poll.h"
#include "TessalyProcess.h"
#include "support/GameSetup.h"

namespace {

class E2eStart : public ::testing::Test {
protected:
    void TearDown() override { app.Kill(); }
    GameSetup pc{"e2e-start"};
    TessalyProcess app;
};

TEST_F(E2eStart, NothingInstalledDisablesBothRemovalButtons)
{
    pc.RegisterGame(pc.Game);
    pc.FillGameFolder();
    ASSERT_TRUE(app.Start());
    ASSERT_TRUE(app.WaitFirstProbe());
    std::printf("start to main window ready: %.0f ms\n", app.MsToReady);
    RecordProperty("MsToReady", static_cast<int>(app.MsToReady));

    EXPECT_FALSE(IsWindowEnabled(app.MainChild(NorvaneCaption)));
    EXPECT_FALSE(IsWindowEnabled(app.MainChild(QuestsCaption)));
    EXPECT_TRUE(IsWindowEnabled(app.MainChild(ExitCaption)));
    EXPECT_TRUE(IsWindowEnabled(app.MainChild(RefreshCaption)));
    EXPECT_TRUE(IsWindowEnabled(app.MainChild(AboutButtonCaption)));
}

TEST_F(E2eStart, TabFromExitSkipsTheDisabledButtonsToAbout)
{
    ASSERT_TRUE(app.Start());
    ASSERT_TRUE(app.WaitFirstProbe());
    HWND checkBox = app.MainChild(CheckBoxCaption);
    HWND about = app.MainChild(AboutButtonCaption);
    HWND refresh = app.MainChild(RefreshCaption);
    HWND exit = app.MainChild(ExitCaption);
    ASSERT_EQ(app.FocusedWindow(), checkBox);

    // The ring from the hidden check box to Exit, then the step under test.
    for (HWND next : {about, refresh, exit, about}) {
        HWND from = app.FocusedWindow();
        ASSERT_TRUE(app.PostKeyUp(VK_TAB));
        EXPECT_TRUE(WaitUntil([&] { return app.FocusedWindow() != from; }, 2000))
            << "Tab from \"" << WindowText(from) << "\" moved nothing";
        EXPECT_EQ(WindowText(app.FocusedWindow()), WindowText(next));
    }
}

} // namespace

// The main window itself: its size and place, repaints, and how the process ends.
#include <gtest/gtest.h>

#include "Poll.h"
#include "TessalyProcess.h"
#include "support/GameSetup.h"

namespace {

class E2eWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        pc.RegisterGame(pc.Game);
        ASSERT_TRUE(app.Start());
        ASSERT_TRUE(app.WaitFirstProbe());
    }
    void TearDown() override { app.Kill(); }
    RECT Outer() const
    {
        RECT r = {};
        GetWindowRect(app.Main(), &r);
        return r;
    }
    GameSetup pc{"e2e-window"};
    TessalyProcess app;
};

TEST_F(E2eWindow, ClientAreaIs260HighAndTheWindowIsCentred)
{
    RECT client = {};
    GetClientRect(app.Main(), &client);
    RECT r = Outer();
    EXPECT_EQ(client.bottom - client.top, 260);
    EXPECT_EQ(r.right - r.left, 616);
    // Centred when built, before the first paint corrects the height of 287.
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 1024);
    EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), 768);
    EXPECT_EQ(r.left, (1024 - 616) / 2);
    EXPECT_EQ(r.top, (768 - 287) / 2);
}

TEST_F(E2eWindow, SizeIsLocked)
{
    // A sizing border that would size the window if nothing held it.
    ASSERT_TRUE(GetWindowLongA(app.Main(), GWL_STYLE) & WS_THICKFRAME);
    RECT r = Outer();
    const POINT border[] = {{r.left + 1, (r.top + r.bottom) / 2},  {r.right - 2, (r.top + r.bottom) / 2},
                            {(r.left + r.right) / 2, r.bottom - 2}, {r.left + 1, r.bottom - 2},
                            {r.right - 2, r.bottom - 2},           {r.left + 1, r.top + 1}};
    for (POINT p : border) {
        DWORD_PTR hit = HTNOWHERE;
        ASSERT_TRUE(SendMessageTimeoutA(app.Main(), WM_NCHITTEST, 0, MAKELPARAM(p.x, p.y), SMTO_NORMAL, 3000, &hit));
        EXPECT_TRUE(hit != HTNOWHERE && (hit < HTLEFT || hit > HTBOTTOMRIGHT)) << "hit code " << hit << " at "
                                                                                << p.x << "," << p.y;
    }
    MINMAXINFO info = {};
    DWORD_PTR answer = 0;
    ASSERT_TRUE(SendMessageTimeoutA(app.Main(), WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info), SMTO_NORMAL,
                                    3000, &answer));
    EXPECT_EQ(info.ptMinTrackSize.x, r.right - r.left);
    EXPECT_EQ(info.ptMinTrackSize.y, r.bottom - r.top);
    EXPECT_EQ(info.ptMaxTrackSize.x, r.right - r.left);
    EXPECT_EQ(info.ptMaxTrackSize.y, r.bottom - r.top);
}

TEST_F(E2eWindow, RepaintsAndMovesNeverProbeAgainOnlyRefreshDoes)
{
    HWND quests = app.MainChild(QuestsCaption);
    ASSERT_FALSE(IsWindowEnabled(quests));
    size_t windowsMade = app.WindowsMadeSoFar();
    // Installed after the first probe: only a new probe can enable the button.
    pc.InstallQuests();

    InvalidateRect(app.Main(), nullptr, TRUE);
    UpdateWindow(app.Main());
    RECT r = Outer();
    SetWindowPos(app.Main(), nullptr, r.left + 20, r.top + 10, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    RedrawWindow(app.Main(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    ASSERT_TRUE(WaitUntil([&] { return !GetUpdateRect(app.Main(), nullptr, FALSE) && app.Settled(); }, 3000))
        << "the repaint was never done";
    PauseServing(300);
    ASSERT_TRUE(app.WaitSettled());
    EXPECT_EQ(app.WindowsMadeSoFar(), windowsMade) << "a repaint opened a window" << app.WindowsMadeAfter(windowsMade);
    EXPECT_FALSE(IsWindowEnabled(quests));

    app.Click(app.MainChild(RefreshCaption));
    EXPECT_TRUE(WaitUntil([&] { return IsWindowEnabled(quests) && app.Settled(); }, 5000));
    EXPECT_GT(app.WindowsMadeSoFar(), windowsMade);
}

// The process has ended only when all its threads have, a worker included.
TEST_F(E2eWindow, ClosingTheMainWindowEndsTheProcessWithCodeZero)
{
    PostMessageA(app.Main(), WM_CLOSE, 0, 0);
    DWORD code = 0;
    ASSERT_TRUE(app.WaitExit(3000, code));
    EXPECT_EQ(code, 0u);
}

TEST_F(E2eWindow, ExitEndsTheProcessWithCodeZero)
{
    app.Click(app.MainChild(ExitCaption));
    DWORD code = 0;
    ASSERT_TRUE(app.WaitExit(3000, code));
    EXPECT_EQ(code, 0u);
}

// Wine reads the caption height from the registry when a process starts: a taller one
// gives Tessaly a frame of other than 27 pixels. Restored when the test ends.
class TallerCaption {
public:
    explicit TallerCaption(int pixels)
    {
        had_ = RegGetValueA(HKEY_CURRENT_USER, Key, Value, RRF_RT_REG_SZ, nullptr, saved_, &size_) == ERROR_SUCCESS;
        SetRegString(HKEY_CURRENT_USER, Key, Value, std::to_string(pixels));
    }
    ~TallerCaption()
    {
        if (had_)
            SetRegString(HKEY_CURRENT_USER, Key, Value, saved_);
        else
            RegDeleteKeyValueA(HKEY_CURRENT_USER, Key, Value);
    }
    TallerCaption(const TallerCaption&) = delete;
    TallerCaption& operator=(const TallerCaption&) = delete;

private:
    static constexpr const char* Key = "Control Panel\\Desktop\\WindowMetrics";
    static constexpr const char* Value = "CaptionHeight";
    char saved_[64] = "";
    DWORD size_ = sizeof saved_;
    bool had_ = false;
};

class E2eWindowFrame : public ::testing::Test {
protected:
    void TearDown() override { app.Kill(); }
    GameSetup pc{"e2e-frame"};
    TallerCaption caption{24};
    TessalyProcess app;
};

TEST_F(E2eWindowFrame, ATallerCaptionStillLeaves260ForTheClientArea)
{
    ASSERT_TRUE(app.Start());
    ASSERT_TRUE(app.WaitFirstProbe());
    RECT client = {}, r = {};
    GetClientRect(app.Main(), &client);
    GetWindowRect(app.Main(), &r);
    int frame = (r.bottom - r.top) - (client.bottom - client.top);
    ASSERT_NE(frame, 27) << "the caption height did not change: nothing was tested";
    EXPECT_EQ(client.bottom - client.top, 260);
    EXPECT_EQ(r.bottom - r.top, 260 + frame);
    EXPECT_TRUE(app.SizeLocked());
}

} // namespace

// The main window of the real Tessaly.exe on a computer without the installer's traces:
// its buttons and keys, its size and place, repaints, and how the process ends.
#include <gtest/gtest.h>

#include "TessalyProcess.h"
#include "support/GameSetup.h"

namespace {

TEST(E2eWindow, NothingInstalled)
{
    GameSetup pc{"e2e-window"};
    pc.RegisterGame(pc.Game);
    pc.FillGameFolder();
    TessalyProcess app;
    ASSERT_TRUE(app.Start());
    HWND main = app.Main(), quests = app.MainChild(QuestsCaption), about = app.MainChild(AboutButtonCaption);
    EXPECT_FALSE(IsWindowEnabled(app.MainChild(NorvaneCaption)));
    EXPECT_FALSE(IsWindowEnabled(quests));

    // Tab along the ring from the hidden check box to Exit, then past both disabled buttons.
    for (HWND next : {about, app.MainChild(RefreshCaption), app.MainChild(ExitCaption), about}) {
        HWND from = app.FocusedWindow();
        ASSERT_TRUE(app.PostKeyUp(VK_TAB));
        EXPECT_TRUE(WaitUntil([&] { return app.FocusedWindow() != from; }, 2000)) << "Tab from " << WindowText(from);
        EXPECT_EQ(WindowText(app.FocusedWindow()), WindowText(next));
    }

    // Client 260 high with the usual frame, centred as built (before the first paint
    // corrected the height of 287), and no size but its own from any border.
    RECT client, r;
    GetClientRect(main, &client);
    GetWindowRect(main, &r);
    EXPECT_EQ(client.bottom, 260);
    EXPECT_EQ(r.right - r.left, 668);
    EXPECT_EQ(r.left, (GetSystemMetrics(SM_CXSCREEN) - 668) / 2);
    EXPECT_EQ(r.top, (GetSystemMetrics(SM_CYSCREEN) - 287) / 2);
    ASSERT_TRUE(GetWindowLongA(main, GWL_STYLE) & WS_THICKFRAME) << "no sizing border: nothing to lock";
    LONG midX = (r.left + r.right) / 2, midY = (r.top + r.bottom) / 2;
    for (POINT p : {POINT{r.left + 1, midY}, POINT{r.right - 2, midY}, POINT{midX, r.bottom - 2}, POINT{r.left + 1, r.top + 1}}) {
        DWORD_PTR hit = HTNOWHERE;
        ASSERT_TRUE(SendMessageTimeoutA(main, WM_NCHITTEST, 0, MAKELPARAM(p.x, p.y), SMTO_NORMAL, 3000, &hit));
        EXPECT_TRUE(hit != HTNOWHERE && (hit < HTLEFT || hit > HTBOTTOMRIGHT)) << hit << " at " << p.x << "," << p.y;
    }
    MINMAXINFO info = {};
    DWORD_PTR answer = 0;
    ASSERT_TRUE(SendMessageTimeoutA(main, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info), SMTO_NORMAL, 3000, &answer));
    EXPECT_EQ(info.ptMinTrackSize.x, 668);
    EXPECT_EQ(info.ptMaxTrackSize.x, 668);
    EXPECT_EQ(info.ptMinTrackSize.y, r.bottom - r.top);
    EXPECT_EQ(info.ptMaxTrackSize.y, r.bottom - r.top);

    // Installed after the first probe: repaints and moves open nothing and leave the
    // button disabled; only Refresh probes again.
    pc.InstallQuests();
    size_t windowsMade = app.WindowsMadeSoFar();
    InvalidateRect(main, nullptr, TRUE);
    UpdateWindow(main);
    SetWindowPos(main, nullptr, r.left + 20, r.top + 10, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    RedrawWindow(main, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    ASSERT_TRUE(WaitUntil([&] { return !GetUpdateRect(main, nullptr, FALSE) && app.Settled(); }, 3000));
    PauseServing(300);
    EXPECT_EQ(app.WindowsMadeSoFar(), windowsMade) << "a repaint opened a window";
    EXPECT_FALSE(IsWindowEnabled(quests));
    PostMessageA(app.MainChild(RefreshCaption), BM_CLICK, 0, 0);
    EXPECT_TRUE(WaitUntil([&] { return IsWindowEnabled(quests) && app.Settled(); }, 5000));

    // The process is this build's exe itself, of the driver's own bits: a 32-bit build
    // tests the 32-bit program that players get, under WOW64 too.
    wchar_t image[MAX_PATH] = {};
    DWORD length = MAX_PATH;
    BOOL wow64 = FALSE, ownWow64 = FALSE;
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, app.Id());
    ASSERT_TRUE(process && QueryFullProcessImageNameW(process, 0, image, &length) && IsWow64Process(process, &wow64) &&
                IsWow64Process(GetCurrentProcess(), &ownWow64));
    CloseHandle(process);
    EXPECT_EQ(CompareStringOrdinal(image, -1, Wide(TESSALY_EXE).c_str(), -1, TRUE), CSTR_EQUAL) << Narrow(image);
    EXPECT_EQ(wow64, ownWow64);

    // The process has ended only when all its threads have, a worker included.
    PostMessageA(main, WM_CLOSE, 0, 0);
    DWORD code = 0;
    ASSERT_TRUE(app.WaitExit(3000, code));
    EXPECT_EQ(code, 0u);
}

// Wine reads the caption height from the registry when a process starts: a taller one
// gives Tessaly a frame of other than 27 pixels. The old value comes back at the end.
TEST(E2eWindow, TallerCaptionStillLeaves260ForTheClientAndExitEndsWithCodeZero)
{
    const char key[] = "Control Panel\\Desktop\\WindowMetrics", value[] = "CaptionHeight";
    char saved[64] = "";
    DWORD size = sizeof saved;
    bool had = RegGetValueA(HKEY_CURRENT_USER, key, value, RRF_RT_REG_SZ, nullptr, saved, &size) == ERROR_SUCCESS;
    SetRegString(HKEY_CURRENT_USER, key, value, "24");
    GameSetup pc{"e2e-frame"};
    TessalyProcess app;
    bool started = app.Start();
    if (had)
        SetRegString(HKEY_CURRENT_USER, key, value, saved);
    else
        RegDeleteKeyValueA(HKEY_CURRENT_USER, key, value);
    ASSERT_TRUE(started);

    RECT client, r;
    GetClientRect(app.Main(), &client);
    GetWindowRect(app.Main(), &r);
    ASSERT_NE(r.bottom - r.top - client.bottom, 27) << "the caption height did not change: nothing was tested";
    EXPECT_EQ(client.bottom, 260);

    PostMessageA(app.MainChild(ExitCaption), BM_CLICK, 0, 0);
    DWORD code = 0;
    ASSERT_TRUE(app.WaitExit(3000, code));
    EXPECT_EQ(code, 0u);
}

// The end of the Windows session frees every window and ends the process from inside the
// main form's window procedure, without waiting for the loop.
TEST(E2eWindow, EndOfTheSessionEndsTheProcessWithCodeZero)
{
    GameSetup pc{"e2e-session"};
    TessalyProcess app;
    ASSERT_TRUE(app.Start());
    PostMessageA(app.Main(), WM_ENDSESSION, FALSE, 0); // the session goes on: nothing happens
    PauseServing(200);
    DWORD code = 0;
    EXPECT_FALSE(app.WaitExit(0, code));
    PostMessageA(app.Main(), WM_ENDSESSION, TRUE, 0);
    ASSERT_TRUE(app.WaitExit(3000, code));
    EXPECT_EQ(code, 0u);
}

} // namespace

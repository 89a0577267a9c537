// The message loop, modal forms and minimising, with real windows and real queues.
#include <gtest/gtest.h>

#include <vector>

#include "support/GuiDriver.h"

namespace {

using Loop = WindowTest;

TEST_F(Loop, ModalEndsOnCloseOnAHandlersResultOrOnAQuitAndReenablesWhatItDisabled)
{
    Control* main = NewForm(app, "Main");
    Control* off = NewForm(app, "Already off");
    off->SetEnabled(false);
    Control* dialog = NewForm(app, "Dialog");
    Control* ok = NewButton(dialog, "OK");
    ok->OnClick = {[](void* form, Control*) { static_cast<Control*>(form)->ModalResult = 1; }, dialog};
    ASSERT_TRUE(app->CreateWindow());
    Control* windowless = NewForm(app, "No window yet");
    loop.EnterLoop(app);
    // Ends a display that nothing else ends, so that a fault fails fast instead of hanging.
    DelayedCall watchdog(3000, [&] { dialog->ModalResult = -99; });

    bool mainOn = true, windowlessOn = true, dialogOn = false;
    DelayedCall close(30, [&] {
        mainOn = IsWindowEnabled(main->Handle);
        windowlessOn = windowless->IsEnabled();
        dialogOn = IsWindowEnabled(dialog->Handle);
        dialog->Close();
    });
    EXPECT_EQ(dialog->ShowModal(), -1);
    EXPECT_FALSE(mainOn);
    EXPECT_FALSE(windowlessOn);
    EXPECT_TRUE(dialogOn);
    EXPECT_TRUE(IsWindowEnabled(main->Handle));
    EXPECT_TRUE(windowless->IsEnabled());
    EXPECT_FALSE(IsWindowEnabled(off->Handle)) << "was off before, stays off";
    EXPECT_TRUE(IsWindow(dialog->Handle)) << "closing only ends the display";

    DelayedCall quit(30, [] { PostQuitMessage(0); });
    EXPECT_EQ(dialog->ShowModal(), 0) << "a quit ends the display too";
    EXPECT_TRUE(Terminated);
    Terminated = false;

    DelayedCall click(30, [&] { PostMessageA(ok->Handle, BM_CLICK, 0, 0); });
    EXPECT_EQ(dialog->ShowModal(), 1);
    // The modal close handler is gone: a close now destroys the window, and the running
    // loop frees the form with it.
    HWND window = dialog->Handle;
    SendMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(app->Children->IndexOf(dialog), -1);
}

std::vector<WPARAM> seen; // the wParams of the WM_APPs that reached the form

bool RecordApp(void*, MSG& msg, LRESULT&)
{
    if (msg.message == WM_APP)
        seen.push_back(msg.wParam);
    return false;
}

TEST_F(Loop, ProcessMessagesRunsUntilTheQueueIsEmptyAndNotesAQuit)
{
    Control* form = NewForm(app, "Pump");
    ASSERT_TRUE(app->CreateWindow());
    loop.EnterLoop(app);
    seen.clear();
    form->OnMessage = {RecordApp, nullptr};
    HWND window = form->Handle;
    PostMessageA(window, WM_APP, 0, 0);
    PostMessageA(window, WM_NULL, 0, 0);
    PostMessageA(window, WM_APP, 1, 0);
    app->ProcessMessages();
    EXPECT_EQ(seen, std::vector<WPARAM>{0}) << "a WM_NULL ends the call";
    app->ProcessMessages();
    EXPECT_EQ(seen, (std::vector<WPARAM>{0, 1}));

    // A quit in the middle of the queue: noted, not dispatched, and the rest still runs.
    PostMessageA(window, WM_APP, 2, 0);
    PostThreadMessageA(GetCurrentThreadId(), WM_QUIT, 0, 0);
    PostMessageA(window, WM_APP, 3, 0);
    app->ProcessMessages();
    EXPECT_TRUE(Terminated);
    EXPECT_EQ(seen, (std::vector<WPARAM>{0, 1, 2, 3}));
    MSG left;
    EXPECT_FALSE(PeekMessageA(&left, nullptr, 0, 0, PM_NOREMOVE | PM_QS_POSTMESSAGE));
}

TEST_F(Loop, RunReturnsAtOnceAndFreesTheApplicationWhenItsWindowCannotBeMade)
{
    Control* failing = NewApplication("No window");
    NewForm(failing, "Main");
    failing->Style |= WS_CHILD; // a child window without a parent is refused
    bool freed = false;
    failing->OnDestroy = {[](void* flag, BaseObject*) { *static_cast<bool*>(flag) = true; }, &freed};
    // Ends a loop that nothing else would end, so that a fault fails instead of hanging.
    DelayedCall watchdog(3000, [] { PostQuitMessage(0); });
    Control* variable = failing;
    EXPECT_FALSE(::Run(variable));
    EXPECT_FALSE(watchdog.Fired()) << "Run waited for a loop that had no window";
    EXPECT_EQ(variable, nullptr);
    EXPECT_TRUE(freed);
    EXPECT_EQ(CurrentApplication, nullptr);
}

// Minimises the application through its main form and reports where it was just before.
RECT MinimisedFrom(Control* app, Control* main)
{
    SendMessageA(main->Handle, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    DispatchPending(); // the form posts the command to the application
    EXPECT_TRUE(IsIconic(app->Handle));
    EXPECT_FALSE(IsWindowVisible(main->Handle)) << "the forms go with the application";
    WINDOWPLACEMENT placement = {};
    placement.length = sizeof placement;
    GetWindowPlacement(app->Handle, &placement);
    SendMessageA(app->Handle, WM_SYSCOMMAND, SC_RESTORE, 0);
    EXPECT_TRUE(IsWindowVisible(main->Handle));
    return placement.rcNormalPosition;
}

TEST_F(Loop, TheMainFormMinimisesTheApplicationAtItsAnchorWhichFallsBackWhenFreed)
{
    Control* main = NewForm(app, "Main");
    main->SetPosition(100, 120)->SetSize(300, 200);
    Control* progress = NewForm(app, "Progress");
    progress->SetPosition(400, 300)->SetSize(250, 100);
    ASSERT_TRUE(app->CreateWindow());
    loop.EnterLoop(app);
    main->TrackMinimize();
    progress->TrackMinimize();
    RECT from = MinimisedFrom(app, main);
    EXPECT_EQ(from.left, 400);
    EXPECT_EQ(from.top, 300);
    EXPECT_EQ(from.right - from.left, 250);
    Free(progress);
    EXPECT_EQ(app->MinimizeAnchor, main) << "back to the main form";
    from = MinimisedFrom(app, main);
    EXPECT_EQ(from.left, 100);
    EXPECT_EQ(from.top, 120);
    Free(main);
    EXPECT_EQ(app->MinimizeAnchor, nullptr);
}

} // namespace

// The message loop, modal forms and the minimise anchor, with real windows and real
// queues. The loops read the globals Terminated, LoopDepth and CurrentApplication; every
// test puts them back.
#include <gtest/gtest.h>

#include <vector>

#include "support/Gui.h"
#include "wintk/Control.h"

namespace {

class Loop : public ::testing::Test {
protected:
    ~Loop() override
    {
        globals.Restore();
        Free(app);
    }
    LoopGlobalsGuard globals;
    Control* app = NewApplication("Loop");
};

void EndWithOne(void* form, Control*)
{
    static_cast<Control*>(form)->ModalResult = 1;
}

TEST_F(Loop, ModalEndsWithMinusOneOnCloseAndWithAHandlersResult)
{
    NewForm(app, "Main");
    Control* dialog = NewForm(app, "Dialog");
    Control* ok = NewButton(dialog, "OK");
    ok->OnClick = {EndWithOne, dialog};
    ASSERT_TRUE(app->CreateWindow());
    globals.EnterLoop(app);
    // Ends a display that nothing else ends, so that a fault fails fast instead of hanging.
    DelayedCall watchdog(3000, [&] { dialog->ModalResult = -99; });

    DelayedCall close(30, [&] { dialog->Close(); });
    EXPECT_EQ(dialog->ShowModal(), -1);
    EXPECT_TRUE(close.Fired());
    EXPECT_TRUE(IsWindow(dialog->Handle)) << "closing only ends the display";
    EXPECT_EQ(app->Children->IndexOf(dialog), 1);
    EXPECT_FALSE(Terminated);

    DelayedCall click(30, [&] { PostMessageA(ok->Handle, BM_CLICK, 0, 0); });
    EXPECT_EQ(dialog->ShowModal(), 1);
    HWND window = dialog->Handle;
    EXPECT_TRUE(IsWindow(window));
    // The modal close handler is gone: a close now destroys the window, and the running
    // loop frees the form with it.
    SendMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(app->Children->IndexOf(dialog), -1);
}

TEST_F(Loop, ModalDisablesTheOtherFormsAndEnablesExactlyThoseAgain)
{
    Control* main = NewForm(app, "Main");
    Control* off = NewForm(app, "Already off");
    off->SetEnabled(false);
    Control* dialog = NewForm(app, "Dialog");
    ASSERT_TRUE(app->CreateWindow());
    Control* windowless = NewForm(app, "No window yet");
    globals.EnterLoop(app);
    DelayedCall watchdog(3000, [&] { dialog->ModalResult = -99; });

    bool mainOn = true, offOn = true, windowlessOn = true, dialogOn = false;
    DelayedCall look(30, [&] {
        mainOn = IsWindowEnabled(main->Handle);
        offOn = IsWindowEnabled(off->Handle);
        windowlessOn = windowless->IsEnabled();
        dialogOn = IsWindowEnabled(dialog->Handle);
        dialog->Close();
    });
    EXPECT_EQ(dialog->ShowModal(), -1);
    EXPECT_FALSE(mainOn);
    EXPECT_FALSE(offOn);
    EXPECT_FALSE(windowlessOn);
    EXPECT_TRUE(dialogOn);
    EXPECT_TRUE(IsWindowEnabled(main->Handle));
    EXPECT_FALSE(IsWindowEnabled(off->Handle)) << "was off before, stays off";
    EXPECT_TRUE(windowless->IsEnabled());
    EXPECT_EQ(windowless->Handle, nullptr);
}

bool RecordAppMessages(void* context, MSG& msg, LRESULT&)
{
    if (msg.message >= WM_APP && msg.message < WM_APP + 16)
        static_cast<std::vector<UINT>*>(context)->push_back(msg.message - WM_APP);
    return false;
}

TEST_F(Loop, ProcessMessagesHandlesWhatWaitsAndNotesAQuit)
{
    Control* form = NewForm(app, "Pump");
    ASSERT_TRUE(app->CreateWindow());
    globals.EnterLoop(app);
    std::vector<UINT> seen;
    form->OnMessage = {RecordAppMessages, &seen};
    HWND window = form->Handle;

    InvalidateRect(window, nullptr, TRUE);
    PostMessageA(window, WM_APP, 0, 0);
    PostMessageA(window, WM_NULL, 0, 0);
    PostMessageA(window, WM_APP + 1, 0, 0);
    app->ProcessMessages();
    EXPECT_EQ(seen, std::vector<UINT>{0}) << "a WM_NULL ends the call";
    app->ProcessMessages();
    EXPECT_EQ(seen, (std::vector<UINT>{0, 1}));
    EXPECT_FALSE(GetUpdateRect(window, nullptr, FALSE)) << "the repaint was handled";
    EXPECT_FALSE(Terminated);

    // A quit in the middle of the queue: noted, not dispatched, and the rest still runs.
    PostMessageA(window, WM_APP + 2, 0, 0);
    PostThreadMessageA(GetCurrentThreadId(), WM_QUIT, 0, 0);
    PostMessageA(window, WM_APP + 3, 0, 0);
    app->ProcessMessages();
    EXPECT_TRUE(Terminated);
    EXPECT_EQ(seen, (std::vector<UINT>{0, 1, 2, 3}));
    MSG left;
    EXPECT_FALSE(PeekMessageA(&left, nullptr, 0, 0, PM_NOREMOVE | PM_QS_POSTMESSAGE)) << "the queue is empty";
    form->OnMessage = {};
}

TEST(LoopRun, QuitDuringAModalEndsItThenTheMainLoop)
{
    LoopGlobalsGuard globals;
    Terminated = false;
    Control* app = NewApplication("Run");
    Control* main = NewForm(app, "Main");
    Control* dialog = NewForm(app, "Dialog");
    int result = 99;
    bool mainOffDuring = false, mainOnAfter = false, terminatedAfter = false;
    DelayedCall open(30, [&] {
        result = dialog->ShowModal();
        mainOnAfter = IsWindowEnabled(main->Handle);
        terminatedAfter = Terminated;
    });
    DelayedCall look(100, [&] { mainOffDuring = !IsWindowEnabled(main->Handle); });
    DelayedCall quit(150, [] { PostQuitMessage(0); });
    DelayedCall watchdog(3000, [&] { dialog->ModalResult = -99; });
    ::Run(app);
    EXPECT_EQ(app, nullptr) << "freed and cleared by Run";
    EXPECT_TRUE(quit.Fired());
    EXPECT_EQ(result, 0);
    EXPECT_TRUE(mainOffDuring);
    EXPECT_TRUE(mainOnAfter);
    EXPECT_TRUE(terminatedAfter);
    EXPECT_EQ(CurrentApplication, nullptr);
}

RECT NormalPlace(Control* control)
{
    WINDOWPLACEMENT placement = {};
    placement.length = sizeof placement;
    GetWindowPlacement(control->Handle, &placement);
    return placement.rcNormalPosition;
}

// Minimises the application window and reports where it was just before.
RECT MinimisedFrom(Control* app)
{
    SendMessageA(app->Handle, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    EXPECT_TRUE(IsIconic(app->Handle));
    RECT place = NormalPlace(app);
    ShowWindow(app->Handle, SW_RESTORE);
    return place;
}

TEST_F(Loop, MinimiseAnchorFollowsTheFormsThatAreFreed)
{
    Control* main = NewForm(app, "Main");
    main->SetPosition(100, 120)->SetSize(300, 200);
    Control* progress = NewForm(app, "Progress");
    progress->SetPosition(400, 300)->SetSize(250, 100);
    ASSERT_TRUE(app->CreateWindow());
    globals.EnterLoop(app);
    main->TrackMinimize();
    progress->TrackMinimize();
    EXPECT_EQ(app->MinimizeAnchor, progress);

    RECT from = MinimisedFrom(app);
    EXPECT_EQ(from.left, 400);
    EXPECT_EQ(from.top, 300);
    EXPECT_EQ(from.right - from.left, 250);

    Free(progress);
    EXPECT_EQ(app->MinimizeAnchor, main) << "back to the main form";
    from = MinimisedFrom(app);
    EXPECT_EQ(from.left, 100);
    EXPECT_EQ(from.top, 120);

    Free(main);
    EXPECT_EQ(app->MinimizeAnchor, nullptr);
    MinimisedFrom(app); // without an anchor the window just minimises
}

} // namespace

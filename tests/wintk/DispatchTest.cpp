// How messages of real windows reach their controls: binding during creation, reflected
// notifications, closing, keys, and the attached handlers.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "support/GuiDriver.h"

namespace {

struct Seen {
    UINT Message;
    HWND Window;
    HWND HandleThen; // the control's Handle when the message reached it
    WPARAM WParam;
    LPARAM LParam;
};

// Everything that reaches a control's OnMessage, which lets every message go on.
struct MessageLog {
    Control* Owner = nullptr;
    std::vector<Seen> Messages;

    void Watch(Control* control)
    {
        Owner = control;
        control->OnMessage = {Record, this};
    }
    static bool Record(void* self, MSG& msg, LRESULT&)
    {
        auto* log = static_cast<MessageLog*>(self);
        log->Messages.push_back({msg.message, msg.hwnd, log->Owner->Handle, msg.wParam, msg.lParam});
        return false;
    }
    const Seen* Find(UINT message, HWND window) const
    {
        for (const Seen& seen : Messages)
            if (seen.Message == message && seen.Window == window)
                return &seen;
        return nullptr;
    }
};

void CountCall(void* counter, Control*)
{
    ++*static_cast<int*>(counter);
}

// What reached a button's standard window procedure, i.e. the default processing.
std::vector<std::pair<UINT, WPARAM>> ReachedDefault;
WNDPROC ButtonProc = nullptr;

LRESULT CALLBACK RecordingButtonProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if ((message >= WM_KEYFIRST && message <= WM_KEYLAST) || message >= WM_APP)
        ReachedDefault.push_back({message, wParam});
    return CallWindowProcA(ButtonProc, window, message, wParam, lParam);
}

void RecordDefaultOf(Control* button)
{
    ButtonProc = button->BaseWndProc;
    button->BaseWndProc = RecordingButtonProc;
    ReachedDefault.clear();
}

bool Reached(UINT message, WPARAM wParam)
{
    for (auto& [m, w] : ReachedDefault)
        if (m == message && w == wParam)
            return true;
    return false;
}

TEST(Dispatch, TheFirstMessagesOfANewWindowReachItsControlDuringCreation)
{
    CreationGlobalsGuard globals;
    MessageLog logs[2]; // outlives the application, whose destruction still sends messages
    ScopedApplication app("Dispatch");
    Control* form = NewForm(app, "First");
    Control* button = NewButton(form, "OK");
    logs[0].Watch(form);
    logs[1].Watch(button);
    ASSERT_TRUE(app->CreateWindow());
    for (const MessageLog& log : logs) {
        ASSERT_FALSE(log.Messages.empty());
        const Seen& first = log.Messages.front();
        EXPECT_EQ(first.Window, log.Owner->Handle);
        EXPECT_EQ(first.HandleThen, first.Window) << "bound before its first message was handled";
        // Sent only from inside CreateWindowExA.
        EXPECT_NE(log.Find(WM_NCCREATE, first.Window), nullptr);
        EXPECT_NE(log.Find(WM_CREATE, first.Window), nullptr);
    }
}

TEST(Dispatch, AWindowWithoutItsControlGoesToTheApplicationOrTheDefault)
{
    CreationGlobalsGuard globals;
    LoopGlobalsGuard loop;
    MessageLog appLog;
    ScopedApplication app("Dispatch");
    ASSERT_TRUE(app->CreateWindow());
    appLog.Watch(app);
    HINSTANCE instance = GetModuleHandleA(nullptr);

    CurrentApplication = app;
    HWND stray = CreateWindowExA(0, "obj_App", "stray", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, instance, nullptr);
    ASSERT_NE(stray, nullptr);
    EXPECT_NE(appLog.Find(WM_NCCREATE, stray), nullptr);
    DestroyWindow(stray);

    CurrentApplication = nullptr;
    appLog.Messages.clear();
    stray = CreateWindowExA(0, "obj_App", "second", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, instance, nullptr);
    ASSERT_NE(stray, nullptr);
    char text[16] = "";
    GetWindowTextA(stray, text, sizeof text);
    EXPECT_STREQ(text, "second");
    EXPECT_TRUE(appLog.Messages.empty());
    DestroyWindow(stray);
}

TEST(Dispatch, AButtonClickReachesOnClickThroughItsParentUnlessTheFocusIsMoving)
{
    CreationGlobalsGuard globals;
    MessageLog formLog;
    ScopedApplication app("Dispatch");
    Control* form = NewForm(app, "Click");
    Control* first = NewButton(form, "One");
    Control* second = NewButton(form, "Two");
    int firstClicks = 0, secondClicks = 0;
    first->OnClick = {CountCall, &firstClicks};
    second->OnClick = {CountCall, &secondClicks};
    formLog.Watch(form);
    ASSERT_TRUE(app->CreateWindow());

    PostMessageA(second->Handle, BM_CLICK, 0, 0);
    EXPECT_TRUE(PumpUntil([&] { return secondClicks == 1; }));
    EXPECT_EQ(firstClicks, 0);
    const Seen* command = formLog.Find(WM_COMMAND, form->Handle);
    ASSERT_NE(command, nullptr);
    EXPECT_EQ(command->WParam, MAKEWPARAM(second->ControlId, BN_CLICKED));
    EXPECT_EQ(command->LParam, reinterpret_cast<LPARAM>(second->Handle));

    second->FocusDepth = 1;
    SendMessageA(second->Handle, BM_CLICK, 0, 0);
    second->FocusDepth = 0;
    EXPECT_EQ(secondClicks, 1);
    SendMessageA(second->Handle, BM_CLICK, 0, 0);
    EXPECT_EQ(secondClicks, 2);
}

TEST(Dispatch, ALabelNotificationWithCodeZeroIsAClickNeverAChange)
{
    CreationGlobalsGuard globals;
    ScopedApplication app("Dispatch");
    Control* form = NewForm(app, "Label");
    Control* label = NewLabel(form, "label");
    int clicks = 0, changes = 0;
    label->OnClick = {CountCall, &clicks};
    label->OnChange = {CountCall, &changes};
    ASSERT_TRUE(app->CreateWindow());
    SendMessageA(label->Handle, WM_LBUTTONDOWN, MK_LBUTTON, 0); // the static sends STN_CLICKED
    EXPECT_EQ(clicks, 1);
    SendMessageA(form->Handle, WM_COMMAND, MAKEWPARAM(label->ControlId, STN_DBLCLK), reinterpret_cast<LPARAM>(label->Handle));
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(changes, 0);
}

struct CloseAnswer {
    bool Accept;
    int Asked = 0;
};

void AnswerClose(void* context, Control*, bool& accept)
{
    auto* answer = static_cast<CloseAnswer*>(context);
    ++answer->Asked;
    accept = answer->Accept;
}

bool TakeQuit(WPARAM& code)
{
    MSG msg;
    if (!PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE))
        return false;
    code = msg.wParam;
    return true;
}

TEST(Dispatch, OnCloseRefusesAFormOnlyWhileTheLoopRuns)
{
    CreationGlobalsGuard globals;
    LoopGlobalsGuard loop;
    ScopedApplication app("Dispatch");
    NewForm(app, "Main");
    Control* form = NewForm(app, "Second");
    CloseAnswer refuse{false};
    form->OnClose = {AnswerClose, &refuse};
    ASSERT_TRUE(app->CreateWindow());
    HWND window = form->Handle;

    LoopDepth = 1;
    SendMessageA(window, WM_CLOSE, 0, 0);
    SendMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(refuse.Asked, 2);
    EXPECT_TRUE(IsWindow(window));

    LoopDepth = 0;
    SendMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(refuse.Asked, 3);
    EXPECT_FALSE(IsWindow(window));
    WPARAM code;
    EXPECT_FALSE(TakeQuit(code)) << "closing a second form does not end the program";
}

TEST(Dispatch, ClosingTheMainFormClosesTheApplicationAndQuitsWithCodeZero)
{
    CreationGlobalsGuard globals;
    MessageLog appLog;
    ScopedApplication app("Dispatch");
    Control* main = NewForm(app, "Main");
    NewForm(app, "Second");
    CloseAnswer accept{true};
    main->OnClose = {AnswerClose, &accept};
    appLog.Watch(app);
    ASSERT_TRUE(app->CreateWindow());

    SendMessageA(main->Handle, WM_CLOSE, 0, 0);
    EXPECT_EQ(accept.Asked, 1);
    EXPECT_NE(appLog.Find(WM_CLOSE, app->Handle), nullptr);
    WPARAM code = 1;
    ASSERT_TRUE(TakeQuit(code));
    EXPECT_EQ(code, 0u);
    EXPECT_TRUE(IsWindow(main->Handle)) << "the loop's end frees the main form, not the close";

    SendMessageA(main->Handle, WM_CLOSE, 0, 0);
    EXPECT_EQ(accept.Asked, 1) << "OnClose is asked once";
    EXPECT_TRUE(TakeQuit(code));
}

TEST(Dispatch, MinimisingTheMainFormMinimisesTheApplicationWhoseRestoreReopensIt)
{
    CreationGlobalsGuard globals;
    ScopedApplication app("Dispatch");
    Control* main = NewForm(app, "Main");
    Control* second = NewForm(app, "Second");
    ASSERT_TRUE(app->CreateWindow());

    SendMessageA(second->Handle, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    EXPECT_TRUE(IsIconic(second->Handle)) << "another form minimises itself";
    EXPECT_FALSE(IsIconic(app->Handle));
    SendMessageA(second->Handle, WM_SYSCOMMAND, SC_RESTORE, 0);

    SendMessageA(main->Handle, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    EXPECT_TRUE(PumpUntil([&] { return IsIconic(app->Handle) != 0; }));
    EXPECT_FALSE(IsIconic(main->Handle));
    EXPECT_FALSE(IsWindowVisible(main->Handle));
    // The taskbar restores with SC_RESTORE; the owned forms get SW_PARENTOPENING.
    SendMessageA(app->Handle, WM_SYSCOMMAND, SC_RESTORE, 0);
    EXPECT_FALSE(IsIconic(app->Handle));
    EXPECT_TRUE(IsWindowVisible(main->Handle));
}

TEST(Dispatch, TabIsNeverTypedAndKeysWithCtrlOrAltReachTheDefault)
{
    CreationGlobalsGuard globals;
    ScopedApplication app("Dispatch");
    Control* form = NewForm(app, "Keys");
    Control* button = NewButton(form, "keys");
    Control* other = NewButton(form, "other");
    ASSERT_TRUE(app->CreateWindow());
    RecordDefaultOf(button);
    SetFocus(button->Handle);
    ASSERT_EQ(GetFocus(), button->Handle);
    {
        HeldKeys none({});
        SendMessageA(button->Handle, WM_CHAR, VK_TAB, 0);
        SendMessageA(button->Handle, WM_CHAR, 'a', 0);
        SendMessageA(button->Handle, WM_KEYDOWN, VK_TAB, 0);
    }
    EXPECT_FALSE(Reached(WM_CHAR, VK_TAB));
    EXPECT_TRUE(Reached(WM_CHAR, 'a'));
    EXPECT_TRUE(Reached(WM_KEYDOWN, VK_TAB));

    for (int modifier : {VK_CONTROL, VK_MENU}) {
        ReachedDefault.clear();
        HeldKeys held({modifier});
        SendMessageA(button->Handle, WM_CHAR, VK_TAB, 0);
        EXPECT_TRUE(Reached(WM_CHAR, VK_TAB)) << "modifier " << modifier;
    }

    // A key message for a control without the focus stops in the toolkit.
    SetFocus(other->Handle);
    ReachedDefault.clear();
    SendMessageA(button->Handle, WM_CHAR, 'b', 0);
    EXPECT_TRUE(ReachedDefault.empty());
}

std::vector<int> HandlerCalls;
int HeldButtonDestroys = 0;
int DestroysSeenInHandler = -1;

// Writes its number for WM_APP; number 2 handles the message when wParam is 1.
template <int Number>
bool NumberedHandler(Control*, MSG& msg, LRESULT& result)
{
    if (msg.message != WM_APP)
        return false;
    HandlerCalls.push_back(Number);
    result = 40 + Number;
    return Number == 2 && msg.wParam == 1;
}

bool FreeingHandler(Control* control, MSG& msg, LRESULT&)
{
    if (msg.message != WM_APP + 1)
        return false;
    Free(control);
    DestroysSeenInHandler = HeldButtonDestroys;
    return false;
}

void CountDestroy(void*, BaseObject*)
{
    ++HeldButtonDestroys;
}

TEST(Dispatch, HandlersRunLastAttachedFirstAndHoldTheirControl)
{
    CreationGlobalsGuard globals;
    LoopGlobalsGuard loop;
    ScopedApplication app("Dispatch");
    Control* form = NewForm(app, "Handlers");
    Control* button = NewButton(form, "held");
    ASSERT_TRUE(app->CreateWindow());
    RecordDefaultOf(button);
    button->AttachHandler(NumberedHandler<1>);
    button->AttachHandler(NumberedHandler<2>);
    HandlerCalls.clear();
    EXPECT_EQ(SendMessageA(button->Handle, WM_APP, 1, 0), 42);
    EXPECT_EQ(HandlerCalls, std::vector<int>{2});
    EXPECT_FALSE(Reached(WM_APP, 1));
    HandlerCalls.clear();
    SendMessageA(button->Handle, WM_APP, 0, 0);
    EXPECT_EQ(HandlerCalls, (std::vector<int>{2, 1}));
    EXPECT_TRUE(Reached(WM_APP, 0));

    // Once the loop has ended, only handlers attached to run then are asked.
    button->AttachHandler(NumberedHandler<3>, true);
    HandlerCalls.clear();
    Terminated = true;
    SendMessageA(button->Handle, WM_APP, 1, 0);
    Terminated = false;
    EXPECT_EQ(HandlerCalls, std::vector<int>{3});

    // A handler that frees its control: the control lives until the handlers are done,
    // and the message ends with it instead of going on to the default processing.
    HeldButtonDestroys = 0;
    button->OnDestroy = {CountDestroy, nullptr};
    button->AttachHandler(FreeingHandler);
    HWND window = button->Handle;
    SendMessageA(window, WM_APP + 1, 0, 0);
    EXPECT_EQ(DestroysSeenInHandler, 0);
    EXPECT_EQ(HeldButtonDestroys, 1);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(form->Children->Count, 0);
    EXPECT_FALSE(Reached(WM_APP + 1, 0));
}

} // namespace

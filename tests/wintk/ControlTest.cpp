// Building, creating and freeing controls, and how the messages of their real windows
// reach them: binding during creation, reflected notifications, closing, keys, handlers.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "support/GuiDriver.h"

namespace {

using Controls = WindowTest;

// The controls that WM_NCCREATE, sent only from inside CreateWindowExA, found bound.
std::vector<Control*> boundAtCreation;

bool NoteCreation(void* control, MSG& msg, LRESULT&)
{
    if (msg.message == WM_NCCREATE && static_cast<Control*>(control)->Handle == msg.hwnd)
        boundAtCreation.push_back(static_cast<Control*>(control));
    return false;
}

void Count(void* counter, Control*)
{
    ++*static_cast<int*>(counter);
}

TEST_F(Controls, IdsFrom32768TabOrderAndBindingBeforeCreationReturns)
{
    Control* form = NewForm(app, "Tabs");
    Control* label = NewLabel(form, "no tab stop");
    Control* button = NewButton(form, "first");
    Control* box = NewGroupBox(form, "box");
    Control* inBox = NewCheckBox(box, "in box");
    Control* other = NewButton(NewForm(app, "Other"), "other");
    EXPECT_EQ(label->TabOrder, 1);
    EXPECT_EQ(box->TabOrder, 3);
    EXPECT_EQ(inBox->TabOrder, 4) << "a group box's children count in their form";
    EXPECT_EQ(other->TabOrder, 1);
    EXPECT_EQ(form->CurrentControl, button);

    boundAtCreation.clear();
    form->OnMessage = {NoteCreation, form};
    button->OnMessage = {NoteCreation, button};
    ASSERT_TRUE(app->CreateWindow()); // a form given an identifier would fail: it is a menu
    EXPECT_EQ(boundAtCreation, (std::vector<Control*>{form, button}));
    EXPECT_EQ(GetDlgCtrlID(label->Handle), 0x8000) << "the first child of the program";
    EXPECT_EQ(GetDlgCtrlID(other->Handle), 0x8004);
    SetFocus(form->Handle);
    EXPECT_EQ(GetFocus(), button->Handle);
}

std::vector<std::string> deaths;

void RecordDeath(void* name, BaseObject*)
{
    deaths.push_back(static_cast<const char*>(name));
}

template <class T>
T* Named(T* object, const char* name)
{
    object->OnDestroy = {RecordDeath, const_cast<char*>(name)};
    return object;
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

// The code of a waiting WM_QUIT, taken out of the queue; -1 without one.
int TakeQuit()
{
    MSG msg;
    return PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) ? static_cast<int>(msg.wParam) : -1;
}

TEST_F(Controls, OnCloseRefusesAClosedFormIsFreedOnceAndClosingTheMainFormQuitsWithZero)
{
    Control* main = NewForm(app, "Main");
    Control* second = Named(NewForm(app, "Second"), "second");
    Named(NewButton(second, "OK"), "its button");
    CloseAnswer accept{true}, refuse{false}, application{true};
    main->OnClose = {AnswerClose, &accept};
    second->OnClose = {AnswerClose, &refuse};
    app->OnClose = {AnswerClose, &application};
    ASSERT_TRUE(app->CreateWindow());
    HWND window = second->Handle;
    LoopDepth = 1;
    SendMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(refuse.Asked, 1);
    EXPECT_TRUE(IsWindow(window));
    // Without a loop depth the refusal does not hold: the system destroys the window, and
    // with the application current that frees the form with it, once.
    LoopDepth = 0;
    CurrentApplication = app;
    deaths.clear();
    SendMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(deaths, (std::vector<std::string>{"second", "its button"}));
    EXPECT_EQ(app->Children->Count, 1);
    EXPECT_EQ(TakeQuit(), -1) << "closing another form does not end the program";

    SendMessageA(main->Handle, WM_CLOSE, 0, 0);
    EXPECT_EQ(accept.Asked, 1);
    EXPECT_EQ(application.Asked, 1) << "the application is closed too";
    EXPECT_EQ(TakeQuit(), 0);
    EXPECT_TRUE(IsWindow(main->Handle)) << "the loop's end frees the main form, not the close";
}

TEST_F(Controls, FreeingAFormFreesItsHoldersThenItsChildrenLastFirst)
{
    deaths.clear();
    Control* form = Named(NewForm(app, "Second"), "form");
    Control* first = Named(NewButton(form, "1"), "button 1");
    Control* box = Named(NewGroupBox(form, "box"), "box");
    Named(NewLabel(box, "in box"), "label in box");
    Named(NewButton(form, "3"), "button 3");
    // Records of the program that hold a form's windows die with it.
    AttachAutoFree(form, Named(NewObject<BaseObject>(), "holder 1"));
    AttachAutoFree(form, Named(NewObject<BaseObject>(), "holder 2"));
    ASSERT_TRUE(app->CreateWindow());
    HWND windows[] = {form->Handle, first->Handle, box->Handle};
    Free(form);
    EXPECT_EQ(deaths, (std::vector<std::string>{"form", "holder 2", "holder 1", "button 3", "box", "label in box", "button 1"}));
    for (HWND window : windows)
        EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(app->Children->Count, 0);
}

// Key messages and WM_APP messages that reached the button's own window procedure,
// which stands behind the toolkit's default processing.
std::vector<std::pair<UINT, WPARAM>> reachedDefault;
WNDPROC buttonProc = nullptr;

LRESULT CALLBACK RecordingButtonProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if ((message >= WM_KEYFIRST && message <= WM_KEYLAST) || message >= WM_APP)
        reachedDefault.push_back({message, wParam});
    return CallWindowProcA(buttonProc, window, message, wParam, lParam);
}

bool Reached(UINT message, WPARAM wParam)
{
    return std::find(reachedDefault.begin(), reachedDefault.end(), std::pair{message, wParam}) != reachedDefault.end();
}

// Writes its number for WM_APP; number 2 handles the message when wParam is 1. With
// wParam 2 it frees its control first and adds 10 when the control is destroyed already.
std::vector<int> handlerCalls;
template <int Number>
bool NumberedHandler(Control* control, MSG& msg, LRESULT& result)
{
    if (msg.message != WM_APP)
        return false;
    if (msg.wParam == 2)
        Free(control);
    handlerCalls.push_back(Number + 10 * static_cast<int>(deaths.size()));
    result = 40 + Number;
    return Number == 2 && msg.wParam == 1;
}

TEST_F(Controls, KeysClicksAndHandlersDecideWhatReachesTheControlAndTheDefaultProcessing)
{
    Control* form = NewForm(app, "Keys");
    Control* button = NewButton(form, "keys");
    Control* label = NewLabel(form, "label");
    ASSERT_TRUE(app->CreateWindow());
    buttonProc = button->BaseWndProc;
    button->BaseWndProc = RecordingButtonProc;
    SetFocus(button->Handle);
    ASSERT_EQ(GetFocus(), button->Handle);
    reachedDefault.clear();
    {
        HeldKeys none({});
        SendMessageA(button->Handle, WM_CHAR, VK_TAB, 0);
        SendMessageA(button->Handle, WM_CHAR, 'a', 0);
    }
    EXPECT_FALSE(Reached(WM_CHAR, VK_TAB)) << "Tab moves the focus, it is never typed";
    EXPECT_TRUE(Reached(WM_CHAR, 'a'));
    for (int modifier : {VK_CONTROL, VK_MENU}) {
        reachedDefault.clear();
        HeldKeys held({modifier});
        SendMessageA(button->Handle, WM_CHAR, VK_TAB, 0);
        EXPECT_TRUE(Reached(WM_CHAR, VK_TAB)) << "modifier " << modifier;
    }

    // A focused button clicks when Space goes up after it went down, and the click comes
    // back from the parent as WM_COMMAND; the key-up handler sits in between and can
    // consume the key (0) or change it.
    int clicks = 0;
    WPARAM replacement = 0;
    button->OnClick = {Count, &clicks};
    button->SetOnKeyUp({[](void* with, Control*, WPARAM& key, uint32_t) { key = *static_cast<WPARAM*>(with); }, &replacement});
    for (WPARAM key : {WPARAM(0), WPARAM('A'), WPARAM(VK_SPACE)}) {
        reachedDefault.clear();
        replacement = key;
        SendMessageA(button->Handle, WM_KEYDOWN, VK_SPACE, 0x00390001);
        SendMessageA(button->Handle, WM_KEYUP, VK_SPACE, 0xC0390001);
        EXPECT_EQ(Reached(WM_KEYUP, key), key != 0) << "key " << key;
        EXPECT_EQ(clicks, key == VK_SPACE ? 1 : 0) << "key " << key;
    }
    button->FocusDepth = 1; // a click while the focus is moving is none
    SendMessageA(button->Handle, BM_CLICK, 0, 0);
    button->FocusDepth = 0;
    // A label's click code is 0, like the codes it has not got: a click, never a change.
    int labelClicks = 0, labelChanges = 0;
    label->OnClick = {Count, &labelClicks};
    label->OnChange = {Count, &labelChanges};
    SendMessageA(label->Handle, WM_LBUTTONDOWN, MK_LBUTTON, 0);
    SendMessageA(form->Handle, WM_COMMAND, MAKEWPARAM(label->ControlId, STN_DBLCLK), reinterpret_cast<LPARAM>(label->Handle));
    EXPECT_EQ(labelClicks, 1);
    EXPECT_EQ(labelChanges, 0);
    EXPECT_EQ(clicks, 1);

    // A key message for a control without the focus stops in the toolkit.
    SetFocus(app->Handle);
    reachedDefault.clear();
    SendMessageA(button->Handle, WM_CHAR, 'b', 0);
    EXPECT_TRUE(reachedDefault.empty());

    // Handlers run last attached first, none once the loop has ended; one that handles the
    // message ends it. Freed by a handler, the control lives until the handlers are done,
    // and the message ends with it.
    button->AttachHandler(NumberedHandler<1>);
    button->AttachHandler(NumberedHandler<2>);
    deaths.clear();
    handlerCalls.clear();
    Named(button, "button");
    EXPECT_EQ(SendMessageA(button->Handle, WM_APP, 1, 0), 42);
    Terminated = true;
    SendMessageA(button->Handle, WM_APP, 3, 0);
    Terminated = false;
    SendMessageA(button->Handle, WM_APP, 0, 0);
    SendMessageA(button->Handle, WM_APP, 2, 0);
    EXPECT_EQ(handlerCalls, (std::vector<int>{2, 2, 1, 2, 1}));
    EXPECT_EQ(deaths, std::vector<std::string>{"button"});
    EXPECT_FALSE(Reached(WM_APP, 1));
    EXPECT_TRUE(Reached(WM_APP, 0));
    EXPECT_FALSE(Reached(WM_APP, 2));
}

} // namespace

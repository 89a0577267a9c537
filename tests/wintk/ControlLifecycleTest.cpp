// Building controls, creating their windows and destroying both, on real windows.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "support/GuiDriver.h"

namespace {

// Read before any test builds a control: the counter's value at program start.
const uint16_t IdentifierAtStart = NextControlId;

using Journal = std::vector<std::string>;

// Names the objects it watches and writes their destroy notifications in order.
struct DeathLog {
    Journal Order;
    std::map<const BaseObject*, std::string> Names;

    template <class T>
    T* Watch(T* object, const char* name)
    {
        Names[object] = name;
        object->OnDestroy = {Record, this};
        return object;
    }
    static void Record(void* self, BaseObject* object)
    {
        auto* log = static_cast<DeathLog*>(self);
        log->Order.push_back(log->Names[object]);
    }
};

// A window-holder record of the program: a plain object that dies with its form.
struct Holder : BaseObject {
    Control* Form = nullptr;
};

// Every window creation and DestroyWindow call of this thread, in order (a CBT hook).
std::vector<HWND> CreatedWindows, DestroyCalls;

LRESULT CALLBACK RecordWindows(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HCBT_CREATEWND)
        CreatedWindows.push_back(reinterpret_cast<HWND>(wParam));
    if (code == HCBT_DESTROYWND)
        DestroyCalls.push_back(reinterpret_cast<HWND>(wParam));
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

class WindowRecorder {
public:
    WindowRecorder() : hook_(SetWindowsHookExA(WH_CBT, RecordWindows, nullptr, GetCurrentThreadId()))
    {
        CreatedWindows.clear();
        DestroyCalls.clear();
    }
    ~WindowRecorder() { UnhookWindowsHookEx(hook_); }
    WindowRecorder(const WindowRecorder&) = delete;
    WindowRecorder& operator=(const WindowRecorder&) = delete;

private:
    HHOOK hook_;
};

std::string ClassOf(HWND window)
{
    char name[64] = "";
    GetClassNameA(window, name, sizeof name);
    return name;
}

TEST(ControlLifecycle, ChildIdentifiersRunFrom32768AcrossFormsAndFormsTakeNone)
{
    EXPECT_EQ(IdentifierAtStart, 0x8000);
    CreationGlobalsGuard globals;
    ScopedApplication app("Lifecycle");
    const uint16_t first = NextControlId;
    Control* one = NewForm(app, "One");
    Control* a = NewButton(one, "a");
    Control* b = NewLabel(one, "b");
    Control* two = NewForm(app, "Two");
    Control* c = NewCheckBox(two, "c");
    EXPECT_EQ(NextControlId, first + 3);
    // A top-level window's identifier is its menu: a form given one would not be created.
    ASSERT_TRUE(app->CreateWindow());
    EXPECT_EQ(GetDlgCtrlID(a->Handle), first);
    EXPECT_EQ(GetDlgCtrlID(b->Handle), first + 1);
    EXPECT_EQ(GetDlgCtrlID(c->Handle), first + 2);
    EXPECT_EQ(GetMenu(one->Handle), nullptr);
}

TEST(ControlLifecycle, TabOrderCountsEveryChildOfAFormAndTheFirstTabStopTakesTheFocus)
{
    CreationGlobalsGuard globals;
    ScopedApplication app("Lifecycle");
    Control* form = NewForm(app, "Tabs");
    Control* label = NewLabel(form, "no tab stop");
    Control* first = NewButton(form, "first");
    Control* box = NewGroupBox(form, "box");
    Control* inBox = NewCheckBox(box, "in box");
    Control* fifth = NewLabel(box, "in box too");
    Control* last = NewButton(form, "last");
    Control* other = NewButton(NewForm(app, "Other"), "other");
    EXPECT_EQ(label->TabOrder, 1);
    EXPECT_EQ(inBox->TabOrder, 4);
    EXPECT_EQ(fifth->TabOrder, 5);
    EXPECT_EQ(last->TabOrder, 6);
    EXPECT_EQ(form->TabOrder, 6);
    EXPECT_EQ(box->TabOrder, 3) << "a group box does not count its children; the form does";
    EXPECT_EQ(other->TabOrder, 1);
    EXPECT_EQ(form->CurrentControl, first);

    ASSERT_TRUE(app->CreateWindow());
    SetFocus(form->Handle);
    EXPECT_EQ(GetFocus(), first->Handle);
}

TEST(ControlLifecycle, WindowsAreCreatedParentFirstThenChildrenInListOrder)
{
    CreationGlobalsGuard globals;
    ScopedApplication app("Lifecycle");
    Control* one = NewForm(app, "One");
    Control* a = NewButton(one, "a");
    Control* b = NewLabel(one, "b");
    Control* two = NewForm(app, "Two");
    Control* c = NewButton(two, "c");
    WindowRecorder recorder;
    ASSERT_TRUE(app->CreateWindow());
    // Wine adds windows of its own (the input method's) to a thread's first window.
    std::erase_if(CreatedWindows, [](HWND window) { return ClassOf(window).rfind("obj_", 0) != 0; });
    EXPECT_EQ(CreatedWindows, (std::vector<HWND>{app->Handle, one->Handle, a->Handle, b->Handle, two->Handle, c->Handle}));
    EXPECT_EQ(GetWindow(one->Handle, GW_OWNER), app->Handle);
    EXPECT_EQ(GetParent(b->Handle), one->Handle);
    EXPECT_EQ(ClassOf(one->Handle), "obj_Form");
    EXPECT_EQ(ClassOf(b->Handle), "obj_STATIC");
    EXPECT_EQ(GetPropA(b->Handle, "SELF_"), b);
}

TEST(ControlLifecycle, AHandleAskedForEarlyKeepsTheTreeHiddenUntilItIsCreated)
{
    CreationGlobalsGuard globals;
    ScopedApplication app("Lifecycle");
    Control* form = NewForm(app, "Early");
    Control* button = NewButton(form, "early");
    HWND window = button->GetHandle();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(GetParent(window), form->Handle);
    EXPECT_FALSE(IsWindowVisible(form->Handle));
    ASSERT_TRUE(app->CreateWindow());
    EXPECT_TRUE(IsWindowVisible(form->Handle));
    EXPECT_TRUE(IsWindowVisible(window));
}

TEST(ControlLifecycle, ACreationThatCannotWorkLeavesNoHandle)
{
    CreationGlobalsGuard globals;
    Control* orphan = NewForm(nullptr, "orphan");
    orphan->Style |= WS_CHILD; // a child window without a parent window
    Control* button = NewButton(orphan, "inside");
    EXPECT_FALSE(button->CreateWindow());
    EXPECT_EQ(button->Handle, nullptr);
    EXPECT_EQ(orphan->Handle, nullptr);
    EXPECT_EQ(button->Perform(WM_GETTEXTLENGTH, 0, 0), 0);
    Free(orphan);
}

TEST(ControlLifecycle, FreeingAFormFreesItsHoldersAndChildrenLastFirst)
{
    CreationGlobalsGuard globals;
    DeathLog deaths;
    ScopedApplication app("Lifecycle");
    Control* main = NewForm(app, "Main");
    Control* form = deaths.Watch(NewForm(app, "Second"), "form");
    Control* first = deaths.Watch(NewButton(form, "1"), "button 1");
    Control* box = deaths.Watch(NewGroupBox(form, "box"), "box");
    Control* inBox = deaths.Watch(NewLabel(box, "in box"), "label in box");
    Control* last = deaths.Watch(NewButton(form, "3"), "button 3");
    for (const char* name : {"holder 1", "holder 2"}) {
        Holder* holder = deaths.Watch(NewObject<Holder>(), name);
        holder->Form = form;
        AttachAutoFree(form, holder);
    }
    ASSERT_TRUE(app->CreateWindow());
    const std::vector<HWND> windows = {last->Handle, inBox->Handle, box->Handle, first->Handle, form->Handle};

    WindowRecorder recorder;
    Free(form);
    EXPECT_EQ(deaths.Order,
              (Journal{"form", "holder 2", "holder 1", "button 3", "box", "label in box", "button 1"}));
    EXPECT_EQ(DestroyCalls, windows) << "each window destroyed once, children before their parent";
    for (HWND window : windows)
        EXPECT_FALSE(IsWindow(window));
    ASSERT_EQ(app->Children->Count, 1);
    EXPECT_EQ((*app->Children)[0], main);
}

TEST(ControlLifecycle, AFormDestroyedByTheSystemIsFreedOnceWithoutASecondDestroyWindow)
{
    CreationGlobalsGuard globals;
    LoopGlobalsGuard loop;
    DeathLog deaths;
    ScopedApplication app("Lifecycle");
    Control* main = NewForm(app, "Main");
    Control* form = deaths.Watch(NewForm(app, "Second"), "form");
    deaths.Watch(NewButton(form, "OK"), "button");
    ASSERT_TRUE(app->CreateWindow());
    CurrentApplication = app;
    HWND window = form->Handle;
    {
        WindowRecorder recorder;
        ASSERT_TRUE(DestroyWindow(window));
        EXPECT_EQ(std::count(DestroyCalls.begin(), DestroyCalls.end(), window), 1);
    }
    EXPECT_EQ(deaths.Order, (Journal{"form", "button"}));
    ASSERT_EQ(app->Children->Count, 1);
    EXPECT_EQ((*app->Children)[0], main);
}

} // namespace

// Placement, size, icon, enabled state, focus, size lock, message properties and key
// events of real windows under Wine.
#include <gtest/gtest.h>

#include <vector>

#include "support/Gui.h"
#include "wintk/Control.h"

namespace {

const HICON NoIcon = reinterpret_cast<HICON>(~static_cast<UINT_PTR>(0));

class Geometry : public ::testing::Test {
protected:
    ~Geometry() override { Free(app); }
    Control* app = NewApplication("Geometry");
};

RECT WindowRect(Control* control)
{
    RECT r = {};
    GetWindowRect(control->Handle, &r);
    return r;
}

bool HasUpdateRegion(Control* control)
{
    return GetUpdateRect(control->Handle, nullptr, FALSE) != 0;
}

LRESULT HitTest(Control* control, int x, int y)
{
    return SendMessageA(control->Handle, WM_NCHITTEST, 0, MAKELPARAM(x, y));
}

TEST_F(Geometry, PositionBeforeCreationPlacesTheWindowThere)
{
    Control* placed = NewForm(app, "Placed");
    placed->SetPosition(385, 344)->SetSize(200, 100);
    EXPECT_EQ(placed->PositionSet, 3);
    // Setting the corner a form already has is no choice of position.
    Control* unplaced = NewForm(app, "Unplaced");
    RECT initial = unplaced->BoundsRect();
    unplaced->SetPosition(initial.left, initial.top);
    EXPECT_EQ(unplaced->PositionSet, 0);

    ASSERT_TRUE(app->CreateWindow());
    RECT r = WindowRect(placed);
    EXPECT_EQ(r.left, 385);
    EXPECT_EQ(r.top, 344);
    EXPECT_EQ(r.right - r.left, 200);
    EXPECT_EQ(r.bottom - r.top, 100);
    r = WindowRect(unplaced);
    EXPECT_FALSE(r.left == initial.left && r.top == initial.top) << "the system places it";
}

TEST_F(Geometry, SameBoundsChangeNothingOtherBoundsMoveAndRepaint)
{
    Control* form = NewForm(app, "Bounds");
    Control* button = NewButton(form, "Button");
    button->SetPosition(20, 30);
    ASSERT_TRUE(app->CreateWindow());
    ASSERT_EQ(form->PositionSet, 0);
    // A child's bounds are in its parent's client coordinates.
    RECT child = button->BoundsRect();
    EXPECT_EQ(child.left, 20);
    EXPECT_EQ(child.top, 30);

    ValidateRect(form->Handle, nullptr);
    ValidateRect(button->Handle, nullptr);
    RECT before = WindowRect(form);
    form->SetBoundsRect(form->BoundsRect());
    button->SetBoundsRect(button->BoundsRect());
    EXPECT_EQ(form->PositionSet, 0);
    EXPECT_FALSE(HasUpdateRegion(form));
    EXPECT_FALSE(HasUpdateRegion(button));
    RECT after = WindowRect(form);
    EXPECT_TRUE(EqualRect(&before, &after));

    RECT moved = before;
    OffsetRect(&moved, 10, 0);
    form->SetBoundsRect(moved);
    EXPECT_EQ(form->PositionSet, 1) << "only the left edge changed";
    EXPECT_EQ(WindowRect(form).left, before.left + 10);
    EXPECT_TRUE(HasUpdateRegion(form));
}

TEST_F(Geometry, ClientSizeAddsTheFrameOfTheRealWindow)
{
    Control* form = NewForm(app, "Client");
    // Before the window exists: the frame can only be measured on a window made now.
    form->SetPosition(50, 50)->SetClientSize(463, 71);
    ASSERT_NE(form->Handle, nullptr);
    EXPECT_FALSE(IsWindowVisible(form->Handle)) << "made on demand, shown only when created";
    RECT client;
    GetClientRect(form->Handle, &client);
    EXPECT_EQ(client.right, 463);
    EXPECT_EQ(client.bottom, 71);
    RECT frame = {0, 0, 0, 0};
    AdjustWindowRectEx(&frame, GetWindowLongA(form->Handle, GWL_STYLE), FALSE,
                       GetWindowLongA(form->Handle, GWL_EXSTYLE));
    EXPECT_EQ(form->Width(), 463 + frame.right - frame.left);
    EXPECT_EQ(form->Height(), 71 + frame.bottom - frame.top);

    // A group box keeps its caption band and border out of its client size.
    Control* group = NewGroupBox(form, "Group");
    group->SetClientSize(100, 50);
    GetClientRect(group->Handle, &client);
    EXPECT_EQ(client.right, 100 + 2 + 2);
    EXPECT_EQ(client.bottom, 50 + 22 + 2);
    EXPECT_EQ(group->ClientWidth(), 100);

    Control* label = NewLabel(form, "Label");
    int width = label->Width();
    label->SetSize(0, 13);
    EXPECT_EQ(label->Width(), width);
    EXPECT_EQ(label->Height(), 13);

    ASSERT_TRUE(app->CreateWindow());
    EXPECT_TRUE(IsWindowVisible(form->Handle));
}

TEST_F(Geometry, CenterWindowOnTheScreenAndInTheParent)
{
    // The test prefix has a virtual desktop of 1024 x 768.
    ASSERT_EQ(GetSystemMetrics(SM_CXSCREEN), 1024);
    ASSERT_EQ(GetSystemMetrics(SM_CYSCREEN), 768);
    Control* form = NewForm(app, "Centred");
    form->SetSize(200, 100)->CenterWindow();
    EXPECT_EQ(form->Left(), 412);
    EXPECT_EQ(form->Top(), 334);
    // Larger than the screen: the odd excess rounds toward minus infinity.
    Control* wide = NewForm(app, "Wide");
    wide->SetSize(1031, 771)->CenterWindow();
    EXPECT_EQ(wide->Left(), -4);
    EXPECT_EQ(wide->Top(), -2);

    form->SetClientSize(300, 200);
    Control* button = NewButton(form, "Centred");
    button->SetSize(64, 22)->CenterWindow();
    EXPECT_EQ(button->Left(), 118);
    EXPECT_EQ(button->Top(), 89);
}

bool RecordSetIcon(void* context, MSG& msg, LRESULT&)
{
    if (msg.message == WM_SETICON)
        static_cast<std::vector<LPARAM>*>(context)->push_back(msg.lParam);
    return false;
}

TEST_F(Geometry, NoIconSendsNullAndDestroysTheOldIcon)
{
    Control* form = NewForm(app, "Icon");
    HICON icon = CopyIcon(LoadIconA(nullptr, IDI_APPLICATION));
    ASSERT_NE(icon, nullptr);
    form->SetIcon(icon);
    ASSERT_NE(form->Handle, nullptr);
    ASSERT_EQ(SendMessageA(form->Handle, WM_GETICON, ICON_BIG, 0), reinterpret_cast<LRESULT>(icon));

    std::vector<LPARAM> sent;
    form->OnMessage = {RecordSetIcon, &sent};
    form->SetIcon(NoIcon);
    EXPECT_EQ(sent, std::vector<LPARAM>{0});
    EXPECT_EQ(SendMessageA(form->Handle, WM_GETICON, ICON_BIG, 0), 0);
    EXPECT_EQ(form->GetIcon(), nullptr);
    form->OnMessage = {};
    ICONINFO info = {};
    EXPECT_FALSE(GetIconInfo(icon, &info)) << "the replaced icon is destroyed";

    // Removed before creation: the window is made without a copy of the application's icon.
    app->SetIcon(CopyIcon(LoadIconA(nullptr, IDI_APPLICATION)));
    Control* bare = NewForm(app, "Bare");
    bare->SetIcon(NoIcon);
    ASSERT_TRUE(app->CreateWindow());
    EXPECT_EQ(SendMessageA(bare->Handle, WM_GETICON, ICON_BIG, 0), 0);
    EXPECT_EQ(bare->GetIcon(), nullptr);
}

TEST_F(Geometry, FocusRefusedByDisabledControlAndGroupBox)
{
    Control* form = NewForm(app, "Focus");
    Control* first = NewButton(form, "First");
    Control* disabled = NewButton(form, "Disabled");
    disabled->SetEnabled(false);
    Control* group = NewGroupBox(form, "Group");
    EXPECT_FALSE(disabled->IsEnabled());
    ASSERT_TRUE(app->CreateWindow());
    EXPECT_FALSE(IsWindowEnabled(disabled->Handle)) << "created disabled";

    form->Show();
    ASSERT_TRUE(first->Focus());
    ASSERT_EQ(GetFocus(), first->Handle);
    EXPECT_FALSE(disabled->Focus());
    EXPECT_FALSE(group->Focus());
    EXPECT_EQ(GetFocus(), first->Handle);

    disabled->SetEnabled(true);
    EXPECT_TRUE(IsWindowEnabled(disabled->Handle));
    EXPECT_TRUE(disabled->Focus());
    EXPECT_EQ(GetFocus(), disabled->Handle);
}

TEST_F(Geometry, SizeLockHoldsTheOuterSizeAndHidesTheSizingBorder)
{
    Control* form = NewForm(app, "Locked");
    form->SetPosition(100, 100)->SetSize(300, 200);
    ASSERT_TRUE(app->CreateWindow());
    RECT r = WindowRect(form);
    int middleY = (r.top + r.bottom) / 2;
    ASSERT_EQ(HitTest(form, r.right - 2, middleY), HTRIGHT) << "a sizing border to start with";

    int handlers = form->Handlers->Count;
    form->SetSizeLocked(true);
    form->SetSizeLocked(false);
    EXPECT_FALSE(GetWindowLongA(form->Handle, GWL_STYLE) & WS_THICKFRAME);
    form->SetSizeLocked(true);
    EXPECT_EQ(form->Handlers->Count, handlers + 2) << "one size-lock handler";
    EXPECT_TRUE(GetWindowLongA(form->Handle, GWL_STYLE) & WS_THICKFRAME);

    EXPECT_EQ(HitTest(form, r.right - 2, middleY), HTBORDER);
    EXPECT_EQ(HitTest(form, r.right - 2, r.bottom - 2), HTBORDER);
    EXPECT_EQ(HitTest(form, r.left + 150, r.top + 100), HTCLIENT);
    MINMAXINFO info = {};
    SendMessageA(form->Handle, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
    EXPECT_EQ(info.ptMinTrackSize.x, 300);
    EXPECT_EQ(info.ptMinTrackSize.y, 200);
    EXPECT_EQ(info.ptMaxTrackSize.x, 300);
    EXPECT_EQ(info.ptMaxTrackSize.y, 200);
    // The system itself then refuses another size.
    SetWindowPos(form->Handle, nullptr, 0, 0, 500, 400, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    EXPECT_EQ(form->Width(), 300);
    EXPECT_EQ(form->Height(), 200);

    form->SetSizeLocked(false);
    SetWindowPos(form->Handle, nullptr, 0, 0, 500, 400, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    EXPECT_EQ(form->Width(), 500) << "unlocked";
}

TEST_F(Geometry, ProgressPositionByMessagePropertyRepaintsOnlyWhenAsked)
{
    Control* form = NewForm(app, "Progress");
    Control* bar = NewProgressBar(form);
    ASSERT_TRUE(app->CreateWindow());
    bar->SetMessageProperty(0x84020408, 25);
    EXPECT_EQ(SendMessageA(bar->Handle, PBM_GETPOS, 0, 0), 25);

    // The bar repaints itself only when its position changes; keep it at 25.
    ValidateRect(bar->Handle, nullptr);
    bar->SetMessageProperty(0x04020408, 25);
    EXPECT_FALSE(HasUpdateRegion(bar));
    bar->SetMessageProperty(0x84020408, 25);
    EXPECT_TRUE(HasUpdateRegion(bar));
}

struct KeyProbe {
    WPARAM replaceWith = 0;
    WPARAM handlerSaw = 0;
    std::vector<WPARAM> defaultSaw; // key codes of the WM_KEYUPs that reached the button's own procedure
    int clicks = 0;
};

KeyProbe* currentProbe = nullptr;
WNDPROC buttonProcedure = nullptr;

// Stands in for the standard button procedure behind the toolkit's default processing.
LRESULT CALLBACK RecordingButtonProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_KEYUP)
        currentProbe->defaultSaw.push_back(wParam);
    return CallWindowProcA(buttonProcedure, window, message, wParam, lParam);
}

void OnKeyUp(void* context, Control*, WPARAM& key, uint32_t)
{
    auto* probe = static_cast<KeyProbe*>(context);
    probe->handlerSaw = key;
    key = probe->replaceWith;
}

void CountClick(void* context, Control*)
{
    ++static_cast<KeyProbe*>(context)->clicks;
}

// A focused button clicks when Space goes up after it went down; the key-up handler sits
// in between.
KeyProbe PressSpace(Control* app, WPARAM replaceWith)
{
    Control* form = NewForm(app, "Keys");
    Control* button = NewButton(form, "Space");
    KeyProbe probe;
    probe.replaceWith = replaceWith;
    button->OnClick = {CountClick, &probe};
    button->SetOnKeyUp({OnKeyUp, &probe});
    form->Show();
    button->Focus();
    EXPECT_EQ(GetFocus(), button->Handle);
    currentProbe = &probe;
    buttonProcedure = button->BaseWndProc;
    button->BaseWndProc = RecordingButtonProcedure;
    SendMessageA(button->Handle, WM_KEYDOWN, VK_SPACE, 0x00390001);
    SendMessageA(button->Handle, WM_KEYUP, VK_SPACE, 0xC0390001);
    button->BaseWndProc = buttonProcedure;
    ReleaseCapture();
    Free(form);
    return probe;
}

TEST_F(Geometry, KeyUpHandlerConsumesTheKeyBySettingItToZero)
{
    KeyProbe left = PressSpace(app, VK_SPACE);
    EXPECT_EQ(left.handlerSaw, static_cast<WPARAM>(VK_SPACE));
    EXPECT_EQ(left.defaultSaw, std::vector<WPARAM>{VK_SPACE});
    EXPECT_EQ(left.clicks, 1);

    KeyProbe consumed = PressSpace(app, 0);
    EXPECT_TRUE(consumed.defaultSaw.empty());
    EXPECT_EQ(consumed.clicks, 0);

    KeyProbe changed = PressSpace(app, 'A');
    EXPECT_EQ(changed.defaultSaw, std::vector<WPARAM>{'A'}) << "the default sees the changed key";
    EXPECT_EQ(changed.clicks, 0);
}

} // namespace

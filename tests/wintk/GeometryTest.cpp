// Placement, size, icon, enabled state, focus, size lock and message properties of real
// windows.
#include <gtest/gtest.h>

#include "support/GuiDriver.h"

namespace {

using Geometry = WindowTest;

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

TEST_F(Geometry, PlacementClientSizeAndCentring)
{
    Control* placed = NewForm(app, "Placed");
    placed->SetPosition(385, 344)->SetSize(200, 100);
    EXPECT_EQ(placed->PositionSet, 3);
    Control* form = NewForm(app, "Unplaced");
    RECT initial = form->BoundsRect();
    form->SetPosition(initial.left, initial.top); // the corner it has: no choice of position
    EXPECT_EQ(form->PositionSet, 0);
    // Before creation: the frame is measured on a window made now, hidden until created.
    form->SetClientSize(300, 200);
    EXPECT_FALSE(IsWindowVisible(form->Handle));
    Control* button = NewButton(form, "Button");
    ASSERT_TRUE(app->CreateWindow());
    EXPECT_TRUE(IsWindowVisible(form->Handle));
    RECT r = WindowRect(placed), expected = {385, 344, 585, 444};
    EXPECT_TRUE(EqualRect(&r, &expected));
    r = WindowRect(form);
    EXPECT_FALSE(r.left == initial.left && r.top == initial.top) << "the system places it";
    GetClientRect(form->Handle, &r);
    EXPECT_EQ(r.right, 300);
    EXPECT_EQ(r.bottom, 200);

    ValidateRect(form->Handle, nullptr);
    ValidateRect(button->Handle, nullptr);
    form->SetBoundsRect(form->BoundsRect());
    button->SetBoundsRect(button->BoundsRect());
    EXPECT_EQ(form->PositionSet, 0);
    EXPECT_FALSE(HasUpdateRegion(form));
    EXPECT_FALSE(HasUpdateRegion(button));
    RECT moved = WindowRect(form);
    OffsetRect(&moved, 10, 0);
    form->SetBoundsRect(moved);
    EXPECT_EQ(form->PositionSet, 1) << "only the left edge changed";
    EXPECT_EQ(WindowRect(form).left, moved.left);
    EXPECT_TRUE(HasUpdateRegion(form));

    button->SetSize(64, 22)->CenterWindow(); // in the parent's client area
    EXPECT_EQ(button->Left(), 118);
    EXPECT_EQ(button->Top(), 89);
    // On the test prefix's screen of 1024 x 768; larger than the screen, the odd excess
    // rounds toward minus infinity.
    form->SetSize(200, 100)->CenterWindow();
    EXPECT_EQ(form->Left(), 412);
    EXPECT_EQ(form->Top(), 334);
    form->SetSize(1031, 771)->CenterWindow();
    EXPECT_EQ(form->Left(), -4);
    EXPECT_EQ(form->Top(), -2);
}

TEST_F(Geometry, NoIconDisabledBeforeCreationFocusRefusedSizeLockAndMessageProperty)
{
    const HICON noIcon = reinterpret_cast<HICON>(~static_cast<UINT_PTR>(0));
    app->SetIcon(CopyIcon(LoadIconA(nullptr, IDI_APPLICATION)));
    Control* bare = NewForm(app, "Bare");
    bare->SetIcon(noIcon); // before creation: made without a copy of the application's
    Control* form = NewForm(app, "Icon");
    HICON icon = CopyIcon(LoadIconA(nullptr, IDI_APPLICATION));
    form->SetIcon(icon);
    form->SetIcon(noIcon);
    form->SetPosition(100, 100)->SetSize(300, 200);
    Control* first = NewButton(form, "First");
    Control* disabled = NewButton(form, "Disabled");
    disabled->SetEnabled(false);
    Control* group = NewGroupBox(form, "Group");
    Control* bar = NewProgressBar(form);
    ASSERT_TRUE(app->CreateWindow());
    for (Control* without : {bare, form}) {
        EXPECT_EQ(SendMessageA(without->Handle, WM_GETICON, ICON_BIG, 0), 0);
        EXPECT_EQ(without->GetIcon(), nullptr);
    }
    ICONINFO info = {};
    EXPECT_FALSE(GetIconInfo(icon, &info)) << "the replaced icon is destroyed";

    EXPECT_FALSE(IsWindowEnabled(disabled->Handle)) << "created disabled";
    form->Show();
    ASSERT_TRUE(first->Focus());
    EXPECT_FALSE(disabled->Focus());
    EXPECT_FALSE(group->Focus());
    EXPECT_EQ(GetFocus(), first->Handle);
    disabled->SetEnabled(true);
    EXPECT_TRUE(disabled->Focus());
    EXPECT_EQ(GetFocus(), disabled->Handle);

    auto hitTest = [&](int x, int y) { return SendMessageA(form->Handle, WM_NCHITTEST, 0, MAKELPARAM(x, y)); };
    ASSERT_EQ(hitTest(398, 200), HTRIGHT) << "a sizing border to start with";
    form->SetSizeLocked(true);
    EXPECT_EQ(hitTest(398, 200), HTBORDER);
    EXPECT_EQ(hitTest(398, 298), HTBORDER);
    EXPECT_EQ(hitTest(250, 200), HTCLIENT);
    SetWindowPos(form->Handle, nullptr, 0, 0, 500, 400, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    EXPECT_EQ(form->Width(), 300) << "the system refuses another size";
    form->SetSizeLocked(false);
    SetWindowPos(form->Handle, nullptr, 0, 0, 500, 400, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    EXPECT_EQ(form->Width(), 500);

    // The high word is the setter message; its top bit asks for a repaint.
    bar->SetMessageProperty(0x84020408, 25);
    EXPECT_EQ(SendMessageA(bar->Handle, PBM_GETPOS, 0, 0), 25);
    ValidateRect(bar->Handle, nullptr);
    bar->SetMessageProperty(0x04020408, 25); // the bar repaints itself only when it moves
    EXPECT_FALSE(HasUpdateRegion(bar));
    bar->SetMessageProperty(0x84020408, 25);
    EXPECT_TRUE(HasUpdateRegion(bar));

    // The progress bar's own call is the same property: the position set and a repaint.
    SendMessageA(bar->Handle, PBM_SETRANGE32, 0, 100);
    ValidateRect(bar->Handle, nullptr);
    bar->SetProgressPosition(25);
    EXPECT_TRUE(HasUpdateRegion(bar)) << "repainted even where the position stays";
    bar->SetProgressPosition(60);
    EXPECT_EQ(SendMessageA(bar->Handle, PBM_GETPOS, 0, 0), 60);
}

// A form moved to a monitor of twice the DPI: the suggested rectangle, children and fonts
// at twice their size; the size lock follows.
TEST_F(Geometry, DpiChangeTakesTheSuggestedRectangleAndRescalesChildrenAndFonts)
{
    Control* form = NewForm(app, "Dpi");
    form->SetPosition(100, 100)->SetSize(300, 200);
    Control* label = NewLabel(form, "label");
    label->SetPosition(8, 10)->SetSize(120, 14);
    SetFontHeight(label, DialogFontHeight);
    ASSERT_TRUE(app->CreateWindow());
    form->SetSizeLocked(true);
    const int dpi = form->CurrentDpi();
    RECT suggested = {50, 60, 50 + 600, 60 + 400};
    SendMessageW(form->Handle, WM_DPICHANGED, MAKEWPARAM(2 * dpi, 2 * dpi), reinterpret_cast<LPARAM>(&suggested));
    RECT r = WindowRect(form);
    EXPECT_TRUE(EqualRect(&r, &suggested));
    RECT expected = {MulDiv(16, dpi, 96), MulDiv(20, dpi, 96), MulDiv(256, dpi, 96), MulDiv(48, dpi, 96)};
    r = label->BoundsRect();
    EXPECT_TRUE(EqualRect(&r, &expected)) << r.left << "," << r.top << "," << r.right << "," << r.bottom;
    LOGFONTW font = {};
    GetObjectW(reinterpret_cast<HGDIOBJ>(SendMessageW(label->Handle, WM_GETFONT, 0, 0)), sizeof font, &font);
    EXPECT_EQ(font.lfHeight, MulDiv(2 * DialogFontHeight, dpi, 96));
    MINMAXINFO info = {};
    SendMessageW(form->Handle, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
    EXPECT_EQ(info.ptMaxTrackSize.x, 600);

    // Back without a suggested rectangle, as for a window that opens at another DPI than the
    // system's: it keeps its corner, and it and its children shrink by the same factor.
    ApplyDpi(form, dpi, nullptr);
    r = WindowRect(form);
    RECT back = {50, 60, 50 + 300, 60 + 200}, labelBack = {8 * dpi / 96, 10 * dpi / 96, 128 * dpi / 96, 24 * dpi / 96};
    EXPECT_TRUE(EqualRect(&r, &back)) << r.left << "," << r.top << "," << r.right << "," << r.bottom;
    r = label->BoundsRect();
    EXPECT_TRUE(EqualRect(&r, &labelBack)) << r.left << "," << r.top << "," << r.right << "," << r.bottom;
    SendMessageW(form->Handle, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
    EXPECT_EQ(info.ptMaxTrackSize.x, 300) << "the size lock stayed at the old size";
}

} // namespace

// Fonts copied from parent to child, background brushes shared along a colour chain, the
// GDI objects behind both, background erasing and the paint event, on real windows.
#include <gtest/gtest.h>

#include <vector>

#include "support/GuiDriver.h"
#include "wintk/Canvas.h"

namespace {

using Graphics = WindowTest;

HGDIOBJ WindowFont(Control* control)
{
    return reinterpret_cast<HGDIOBJ>(SendMessageA(control->Handle, WM_GETFONT, 0, 0));
}

LONG FontHeight(HGDIOBJ font)
{
    LOGFONTA description = {};
    GetObjectA(font, sizeof description, &description);
    return description.lfHeight;
}

bool Live(HGDIOBJ object)
{
    return GetObjectType(object) != 0;
}

TEST_F(Graphics, FontsAndBrushesAreSharedDownTheTreeUntilTheyDiffer)
{
    Control* form = NewForm(app, "Fonts");
    SetToolField(GetFont(form), 4, -11); // lfHeight
    Control* label = NewLabel(form, "Label");
    Control* group = NewGroupBox(form, "Group");
    group->Color = RGB(255, 0, 0);
    Control* inner = NewLabel(group, "Inner");
    ASSERT_TRUE(app->CreateWindow());
    HGDIOBJ shared = GetToolHandle(form->Font);
    for (Control* child : {label, group, inner})
        EXPECT_EQ(WindowFont(child), shared);
    EXPECT_EQ(label->Font->ToolHandle, nullptr) << "the copy owns no GDI font";

    SetToolField(label->Font, 4, -13);
    HGDIOBJ own = WindowFont(label);
    EXPECT_EQ(FontHeight(own), -13);
    EXPECT_EQ(GetToolHandle(form->Font), shared) << "the parent's font is untouched";
    SetToolField(form->Font, 4, -15);
    EXPECT_FALSE(Live(shared)) << "the parent's old font is deleted";
    for (Control* child : {group, inner}) {
        EXPECT_TRUE(Live(WindowFont(child)));
        EXPECT_EQ(FontHeight(WindowFont(child)), -11) << "the copies keep their description";
    }

    HBRUSH plain = BrushHook(label);
    EXPECT_EQ(plain, app->BackBrush) << "made by the top of the chain of equal colours";
    HBRUSH red = BrushHook(group);
    EXPECT_NE(red, plain);
    // A label's colour request goes to its parent, which reflects it to the label.
    label->TextColor = RGB(0, 128, 0);
    HDC dc = GetDC(label->Handle);
    EXPECT_EQ(SendMessageA(form->Handle, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(label->Handle)),
              reinterpret_cast<LRESULT>(plain));
    EXPECT_EQ(GetTextColor(dc), RGB(0, 128, 0));
    ReleaseDC(label->Handle, dc);
    group->Color = RGB(0, 0, 255); // now resolves differently: a new brush
    EXPECT_NE(BrushHook(group), red);
    EXPECT_FALSE(Live(red));
    EXPECT_TRUE(Live(plain));
}

// Live GDI objects of this process. Wine answers GetGuiResources with 0; there its table
// of 65536 entries is counted (it also accepts a handle whose upper word is 0).
int CountGdiObjects()
{
    if (DWORD count = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS))
        return static_cast<int>(count);
    int live = 0;
    for (UINT_PTR index = 1; index < 0x10000; ++index)
        live += Live(reinterpret_cast<HGDIOBJ>(index));
    return live;
}

// Everything the program's windows make: an icon copied to each form, fonts shared and
// separated, a coloured chain with its brush, surfaces in and out of paints.
void BuildShowAndFree()
{
    ScopedApplication app("Leak");
    app->Icon = CopyIcon(LoadIconA(nullptr, IDI_APPLICATION));
    Control* form = NewForm(app, "Leak");
    SetToolField(GetFont(form), 4, -11);
    Control* label = NewLabel(form, "Label");
    Control* group = NewGroupBox(form, "Group");
    group->Color = RGB(0, 128, 0);
    NewLabel(group, "Inner");
    SetToolField(GetFont(NewButton(form, "OK")), 4, -12);
    NewProgressBar(form)->SetMessageProperty(0x84020408, 50);
    form->SetOnPaint({[](void*, Control* control, HDC) {
                          const uint8_t state = DrawingSurface::HasDC | DrawingSurface::FontSelected | DrawingSurface::BrushSelected;
                          TextOutA(RequireState(GetCanvas(control), state), 4, 4, "text", 4);
                      },
                      nullptr});
    app->CreateWindow();
    UpdateWindow(form->Handle);
    DispatchPending();
    RequireState(GetCanvas(label), DrawingSurface::HasDC); // a window DC held at the end
    SetToolField(form->Font, 4, -13);
}

TEST_F(Graphics, NoGdiObjectLeftAfterWindowsAreBuiltAndFreed)
{
    // The first rounds fill the system's own caches (DCs, stock objects).
    BuildShowAndFree();
    BuildShowAndFree();
    int before = CountGdiObjects();
    ASSERT_GT(before, 0) << "the count works";
    for (int i = 0; i < 20; ++i)
        BuildShowAndFree();
    EXPECT_EQ(CountGdiObjects(), before);
}

// A memory DC with a 32-bit bitmap to paint into.
struct MemoryDC {
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bitmap;
    HGDIOBJ old;
    MemoryDC(int width, int height) : bitmap(CreateBitmap(width, height, 1, 32, nullptr)), old(SelectObject(dc, bitmap)) {}
    ~MemoryDC()
    {
        SelectObject(dc, old);
        DeleteObject(bitmap);
        DeleteDC(dc);
    }
};

// The DCs each paint got and the control's PaintDC when it ended.
std::vector<HDC> given, after;
bool outerStillDraws;

// The outer paint draws through the control's surface, posts a WM_PRINT with another DC
// (the context) to its own window and pumps, as the program's background runs do; then it
// draws again.
void PumpingPaint(void* inner, Control* control, HDC dc)
{
    given.push_back(dc);
    if (given.size() == 1) {
        RequireState(GetCanvas(control), DrawingSurface::HasDC);
        PostMessageA(control->Handle, WM_PRINT, reinterpret_cast<WPARAM>(inner), PRF_CLIENT);
        DispatchPending();
        outerStillDraws = SetPixel(dc, 0, 0, RGB(1, 2, 3)) != CLR_INVALID;
    }
    after.push_back(control->PaintDC);
}

// A label: its paint DC comes from the system's shared cache, where releasing it early
// disables it (a form's own class DC would hide that).
TEST_F(Graphics, NestedPaintKeepsTheOuterPaintDcAndTheFirstEraseCreatesTheChildren)
{
    Control* form = NewForm(app, "Paint");
    Control* label = NewLabel(form, "Nested");
    ASSERT_TRUE(app->CreateWindow());
    UpdateWindow(form->Handle);
    MemoryDC inner(50, 50);
    given.clear();
    after.clear();
    label->SetOnPaint({PumpingPaint, inner.dc});
    InvalidateRect(label->Handle, nullptr, FALSE);
    UpdateWindow(label->Handle);
    ASSERT_EQ(given.size(), 2u) << "outer and inner paint";
    EXPECT_EQ(after[0], inner.dc) << "the inner paint sees its own DC";
    EXPECT_EQ(after[1], given[0]) << "the outer paint gets its DC back";
    EXPECT_TRUE(outerStillDraws) << "nobody released the outer paint's DC";
    EXPECT_EQ(label->PaintDC, nullptr);
    EXPECT_EQ(label->Canvas->DC, nullptr) << "the surface let go of the paint DC";
    EXPECT_FALSE(GetUpdateRect(label->Handle, nullptr, FALSE)) << "the outer paint validated";

    Control* late = NewLabel(form, "Built after the form's window");
    PatBlt(inner.dc, 0, 0, 50, 50, BLACKNESS);
    SendMessageA(form->Handle, WM_ERASEBKGND, reinterpret_cast<WPARAM>(inner.dc), 0);
    EXPECT_TRUE(IsWindow(late->Handle));
    EXPECT_EQ(GetPixel(inner.dc, 1, 1), GetSysColor(COLOR_BTNFACE));
}

} // namespace

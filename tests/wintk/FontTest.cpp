// Fonts copied from parent to child, background brushes shared along a colour chain, and
// the GDI objects behind both, on real windows.
#include <gtest/gtest.h>

#include "support/Gui.h"
#include "wintk/Control.h"

namespace {

class Fonts : public ::testing::Test {
protected:
    ~Fonts() override { Free(app); }
    Control* app = NewApplication("Fonts");
};

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

TEST_F(Fonts, ChildCopySharesTheParentFontUntilItChanges)
{
    Control* form = NewForm(app, "Shared");
    GraphicTool* formFont = GetFont(form);
    SetToolField(formFont, 4, -11);
    Control* label = NewLabel(form, "Label");
    ASSERT_NE(label->Font, nullptr);
    ASSERT_NE(label->Font, formFont) << "a copy of its own";
    ASSERT_TRUE(app->CreateWindow());

    HGDIOBJ shared = GetToolHandle(formFont);
    EXPECT_EQ(GetToolHandle(label->Font), shared);
    EXPECT_EQ(label->Font->ToolHandle, nullptr) << "the copy owns no GDI font";
    EXPECT_EQ(WindowFont(label), shared);

    SetToolField(label->Font, 4, -13);
    HGDIOBJ own = GetToolHandle(label->Font);
    EXPECT_NE(own, shared);
    EXPECT_EQ(FontHeight(own), -13);
    EXPECT_EQ(WindowFont(label), own);
    EXPECT_EQ(GetToolHandle(formFont), shared) << "the parent's font is untouched";
    EXPECT_TRUE(IsLiveGdiObject(shared));

    // The same value again is no change: the font stays, nothing is deleted.
    SetToolField(label->Font, 4, -13);
    EXPECT_EQ(label->Font->ToolHandle, own);
    EXPECT_TRUE(IsLiveGdiObject(own));
    EXPECT_EQ(WindowFont(label), own);
}

TEST_F(Fonts, LabelFontSetBeforeCreationArrivesWithTheWindow)
{
    Control* form = NewForm(app, "Plain");
    Control* label = NewLabel(form, "Label");
    EXPECT_EQ(GetFont(label), GetFont(label)) << "made once";
    SetToolField(GetFont(label), 4, -11);
    EXPECT_EQ(label->Font->ToolHandle, nullptr) << "no GDI font before a window needs it";
    ASSERT_TRUE(app->CreateWindow());
    HGDIOBJ font = WindowFont(label);
    EXPECT_EQ(font, label->Font->ToolHandle);
    EXPECT_EQ(FontHeight(font), -11);
}

TEST_F(Fonts, ParentFontChangeLeavesNoWindowWithTheDeletedFont)
{
    Control* form = NewForm(app, "Parent");
    SetToolField(GetFont(form), 4, -11);
    Control* group = NewGroupBox(form, "Group");
    Control* inner = NewLabel(group, "Inner");
    ASSERT_TRUE(app->CreateWindow());
    HGDIOBJ old = GetToolHandle(form->Font);
    ASSERT_EQ(WindowFont(group), old);
    ASSERT_EQ(WindowFont(inner), old) << "shared down the chain";

    SetToolField(form->Font, 4, -13);
    EXPECT_FALSE(IsLiveGdiObject(old)) << "the parent's old font is deleted";
    for (Control* child : {group, inner}) {
        HGDIOBJ font = WindowFont(child);
        EXPECT_NE(font, old);
        EXPECT_TRUE(IsLiveGdiObject(font));
        EXPECT_EQ(FontHeight(font), -11) << "the copies keep their own description";
    }
    EXPECT_EQ(WindowFont(inner), WindowFont(group)) << "the inner copy still equals the group's";
}

TEST_F(Fonts, BrushSharedAlongAChainOfEqualColours)
{
    Control* form = NewForm(app, "Brushes");
    Control* first = NewLabel(form, "First");
    Control* second = NewLabel(form, "Second");
    Control* group = NewGroupBox(form, "Red");
    group->Color = RGB(255, 0, 0);
    Control* inner = NewLabel(group, "Inner");
    ASSERT_TRUE(app->CreateWindow());

    HBRUSH shared = BrushHook(first);
    EXPECT_EQ(shared, app->BackBrush);
    EXPECT_EQ(BrushHook(second), shared);
    EXPECT_EQ(form->BackBrush, nullptr) << "the form made none of its own";
    HBRUSH red = BrushHook(group);
    EXPECT_NE(red, shared);
    EXPECT_EQ(BrushHook(inner), red);
    LOGBRUSH description = {};
    GetObjectA(red, sizeof description, &description);
    EXPECT_EQ(description.lbColor, RGB(255, 0, 0));

    // The real colour request of a label goes to its parent, which reflects it.
    first->TextColor = RGB(0, 128, 0);
    HDC dc = GetDC(first->Handle);
    EXPECT_EQ(SendMessageA(form->Handle, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                           reinterpret_cast<LPARAM>(first->Handle)),
              reinterpret_cast<LRESULT>(shared));
    EXPECT_EQ(GetTextColor(dc), RGB(0, 128, 0));
    EXPECT_EQ(GetBkColor(dc), GetSysColor(COLOR_BTNFACE));
    EXPECT_EQ(SendMessageA(group->Handle, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                           reinterpret_cast<LPARAM>(inner->Handle)),
              reinterpret_cast<LRESULT>(red));
    EXPECT_EQ(GetBkColor(dc), RGB(255, 0, 0));
    ReleaseDC(first->Handle, dc);

    // A colour that now resolves differently replaces the brush; the old one is deleted.
    group->Color = RGB(0, 0, 255);
    HBRUSH blue = BrushHook(group);
    EXPECT_FALSE(IsLiveGdiObject(red));
    GetObjectA(blue, sizeof description, &description);
    EXPECT_EQ(description.lbColor, RGB(0, 0, 255));
    Free(group);
    EXPECT_FALSE(IsLiveGdiObject(blue)) << "owned by the group";
    EXPECT_TRUE(IsLiveGdiObject(shared));
}

void PaintWithCanvas(void*, Control* control, HDC)
{
    DrawingSurface* canvas = GetCanvas(control);
    HDC dc = RequireState(canvas, DrawingSurface::HasDC | DrawingSurface::FontSelected | DrawingSurface::BrushSelected);
    TextOutA(dc, 4, 4, "text", 4);
}

// Everything the program's windows make: an application icon copied to each form, fonts
// shared and separated, a coloured chain with its brush, surfaces in and out of paints.
void BuildShowAndFree()
{
    Control* app = NewApplication("Leak");
    app->Icon = CopyIcon(LoadIconA(nullptr, IDI_APPLICATION));
    Control* form = NewForm(app, "Leak");
    SetToolField(GetFont(form), 4, -11);
    Control* label = NewLabel(form, "Label");
    Control* group = NewGroupBox(form, "Group");
    group->Color = RGB(0, 128, 0);
    NewLabel(group, "Inner");
    SetToolField(GetFont(NewButton(form, "OK")), 4, -12);
    NewProgressBar(form)->SetMessageProperty(0x84020408, 50);
    form->SetOnPaint({PaintWithCanvas, nullptr});
    app->CreateWindow();
    UpdateWindow(form->Handle);
    DispatchPending();
    RequireState(GetCanvas(label), DrawingSurface::HasDC); // a window DC held at the end
    SetToolField(form->Font, 4, -13);
    Free(app);
}

TEST(GdiObjects, NoneLeftAfterWindowsAreBuiltAndFreed)
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

} // namespace

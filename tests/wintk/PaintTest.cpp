// Background erasing and the paint event, on real windows: the DC that OnPaint gets, and
// what a paint that pumps messages (as the program's background runs do) leaves behind.
#include <gtest/gtest.h>

#include <vector>

#include "support/Gui.h"
#include "wintk/Control.h"

namespace {

class Paint : public ::testing::Test {
protected:
    ~Paint() override { Free(app); }
    Control* app = NewApplication("Paint");
};

// A memory DC with a bitmap to paint into.
class MemoryDC {
public:
    MemoryDC(int width, int height)
    {
        HDC screen = GetDC(nullptr);
        dc_ = CreateCompatibleDC(screen);
        bitmap_ = CreateCompatibleBitmap(screen, width, height);
        ReleaseDC(nullptr, screen);
        old_ = SelectObject(dc_, bitmap_);
    }
    ~MemoryDC()
    {
        SelectObject(dc_, old_);
        DeleteObject(bitmap_);
        DeleteDC(dc_);
    }
    MemoryDC(const MemoryDC&) = delete;
    MemoryDC& operator=(const MemoryDC&) = delete;
    operator HDC() const { return dc_; }

private:
    HDC dc_;
    HBITMAP bitmap_;
    HGDIOBJ old_;
};

struct PaintLog {
    std::vector<HDC> given, current, canvas;
};

void LogPaint(void* context, Control* control, HDC dc)
{
    auto* log = static_cast<PaintLog*>(context);
    log->given.push_back(dc);
    log->current.push_back(control->PaintDC);
    log->canvas.push_back(RequireState(GetCanvas(control), DrawingSurface::HasDC));
}

TEST_F(Paint, PrintWithADcPaintsIntoItWithoutBeginPaint)
{
    Control* form = NewForm(app, "Print");
    PaintLog log;
    int handlers = form->Handlers->Count;
    form->SetOnPaint({LogPaint, &log});
    form->SetOnPaint({LogPaint, &log});
    EXPECT_EQ(form->Handlers->Count, handlers + 2) << "one paint handler";
    ASSERT_TRUE(app->CreateWindow());
    UpdateWindow(form->Handle);
    ASSERT_EQ(log.given.size(), 1u) << "a real paint calls OnPaint";
    EXPECT_NE(log.given[0], nullptr);
    EXPECT_EQ(log.canvas[0], log.given[0]) << "the surface draws into the paint DC";

    InvalidateRect(form->Handle, nullptr, FALSE);
    MemoryDC memory(50, 50);
    SendMessageA(form->Handle, WM_PRINT, reinterpret_cast<WPARAM>(static_cast<HDC>(memory)), PRF_CLIENT);
    ASSERT_EQ(log.given.size(), 2u);
    EXPECT_EQ(log.given[1], memory);
    EXPECT_EQ(log.current[1], memory);
    EXPECT_EQ(log.canvas[1], memory);
    EXPECT_TRUE(GetUpdateRect(form->Handle, nullptr, FALSE)) << "no BeginPaint validated the window";
    EXPECT_EQ(form->PaintDC, nullptr);
    ASSERT_NE(form->Canvas, nullptr);
    EXPECT_EQ(form->Canvas->DC, nullptr) << "the surface let go of the paint DC";
}

struct NestedLog {
    HDC inner = nullptr;
    std::vector<HDC> given, before, after;
    bool outerStillDraws = false;
    int depth = 0;
};

// The outer paint draws through the control's surface, posts a WM_PRINT to its own window
// and pumps, so that the inner paint runs inside it; then it draws again.
void PumpingPaint(void* context, Control* control, HDC dc)
{
    auto* log = static_cast<NestedLog*>(context);
    log->given.push_back(dc);
    log->before.push_back(control->PaintDC);
    if (log->depth++ == 0) {
        RequireState(GetCanvas(control), DrawingSurface::HasDC);
        PostMessageA(control->Handle, WM_PRINT, reinterpret_cast<WPARAM>(log->inner), PRF_CLIENT);
        DispatchPending();
        log->outerStillDraws = SetPixel(dc, 0, 0, RGB(1, 2, 3)) != CLR_INVALID;
    }
    log->after.push_back(control->PaintDC);
}

// A label: its paint DC comes from the system's shared cache, where releasing it early
// disables it (a form's own class DC would hide that).
TEST_F(Paint, NestedPaintLeavesTheOuterPaintDcInPlaceAndAlive)
{
    Control* form = NewForm(app, "Nested");
    Control* label = NewLabel(form, "Nested");
    NestedLog log;
    ASSERT_TRUE(app->CreateWindow());
    UpdateWindow(form->Handle);
    MemoryDC inner(50, 50);
    log.inner = inner;
    label->SetOnPaint({PumpingPaint, &log});
    InvalidateRect(label->Handle, nullptr, FALSE);
    UpdateWindow(label->Handle);

    ASSERT_EQ(log.given.size(), 2u) << "outer and inner paint";
    HDC outer = log.given[0];
    EXPECT_NE(outer, nullptr);
    EXPECT_EQ(log.given[1], inner);
    EXPECT_EQ(log.before[1], inner) << "the inner paint sees its own DC";
    // after[0] is the inner call's, after[1] the outer's once the pump returned.
    EXPECT_EQ(log.after[1], outer) << "the outer paint gets its DC back";
    EXPECT_TRUE(log.outerStillDraws) << "nobody released the outer paint's DC";
    EXPECT_EQ(label->PaintDC, nullptr);
    EXPECT_FALSE(GetUpdateRect(label->Handle, nullptr, FALSE)) << "the outer paint validated";
}

int erasesReachingDefault = 0;

bool CountErase(Control*, MSG& msg, LRESULT&)
{
    if (msg.message == WM_ERASEBKGND)
        ++erasesReachingDefault;
    return false;
}

TEST_F(Paint, FirstEraseCreatesTheChildWindowsAndFillsTheBackground)
{
    Control* form = NewForm(app, "Erase");
    ASSERT_TRUE(app->CreateWindow());
    Control* label = NewLabel(form, "Built after the form's window");
    ASSERT_EQ(label->Handle, nullptr);

    RECT client;
    GetClientRect(form->Handle, &client);
    MemoryDC memory(client.right, client.bottom);
    PatBlt(memory, 0, 0, client.right, client.bottom, BLACKNESS);
    // The message proc runs after the handlers: it sees the erase only when they pass it on.
    erasesReachingDefault = 0;
    form->MessageProc = CountErase;
    SendMessageA(form->Handle, WM_ERASEBKGND, reinterpret_cast<WPARAM>(static_cast<HDC>(memory)), 0);
    form->MessageProc = nullptr;

    EXPECT_NE(label->Handle, nullptr);
    EXPECT_TRUE(IsWindow(label->Handle));
    EXPECT_EQ(GetPixel(memory, 0, 0), GetSysColor(COLOR_BTNFACE));
    EXPECT_EQ(GetPixel(memory, client.right - 1, client.bottom - 1), GetSysColor(COLOR_BTNFACE));
    EXPECT_EQ(erasesReachingDefault, 1);
}

} // namespace

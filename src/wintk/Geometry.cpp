// Placement and size of a control: bounds, client area, centring, the size lock, and the
// one place where the layout's values are scaled to the window's DPI. Setters store first
// and apply when the window exists.
#include "Control.h"
#include "Utils.h"

namespace {

using DpiOfWindow = UINT(WINAPI*)(HWND);
DpiOfWindow dpiOfWindow = nullptr; // GetDpiForWindow (Windows 10 1607 and later)
bool dpiOfWindowLooked = false;

// Every child's place and size, at any depth, taken from one DPI to another; children
// that have no window yet keep theirs in their bounds.
void ScaleChildren(Control* control, int from, int to)
{
    for (int i = 0; i < control->Children->Count; ++i) {
        auto* child = static_cast<Control*>((*control->Children)[i]);
        RECT r = child->BoundsRect();
        child->SetBoundsRect({MulDiv(r.left, to, from), MulDiv(r.top, to, from), MulDiv(r.right, to, from),
                              MulDiv(r.bottom, to, from)});
        ScaleChildren(child, from, to);
    }
}

void ApplyFonts(Control* control)
{
    ApplyFont(control);
    for (int i = 0; i < control->Children->Count; ++i)
        ApplyFonts(static_cast<Control*>((*control->Children)[i]));
}

bool SizeLockHandler(Control* control, MSG& msg, LRESULT& result)
{
    if (!control->SizeLocked)
        return false;
    if (msg.message == WM_GETMINMAXINFO) {
        result = DefaultProcessing(control, msg);
        auto* info = reinterpret_cast<MINMAXINFO*>(msg.lParam);
        info->ptMinTrackSize = {control->SavedWidth, control->SavedHeight};
        info->ptMaxTrackSize = {control->SavedWidth, control->SavedHeight};
        return true;
    }
    if (msg.message == WM_NCHITTEST) {
        result = DefaultProcessing(control, msg);
        if (result >= HTLEFT && result <= HTBOTTOMRIGHT) {
            result = HTBORDER;
            return true;
        }
    }
    return false;
}

} // namespace

int WindowDpi(HWND window)
{
    if (!dpiOfWindowLooked) {
        dpiOfWindowLooked = true;
        // user32 is delay-loaded and may not be loaded yet, so it is asked for by loading it;
        // a KnownDLL, it always comes from System32.
        if (HMODULE user32 = LoadLibraryW(L"user32.dll"))
            dpiOfWindow = reinterpret_cast<DpiOfWindow>(
                reinterpret_cast<void*>(GetProcAddress(user32, "GetDpiForWindow")));
    }
    if (window && dpiOfWindow)
        if (UINT dpi = dpiOfWindow(window))
            return static_cast<int>(dpi);
    HDC dc = GetDC(window);
    int dpi = dc ? GetDeviceCaps(dc, LOGPIXELSY) : 0;
    if (dc)
        ReleaseDC(window, dc);
    return dpi > 0 ? dpi : LayoutDpi;
}

// A child is laid out at its top-level window's DPI.
int Control::CurrentDpi()
{
    Control* top = this;
    while (top->IsChild && top->Parent)
        top = top->Parent;
    if (!top->Dpi)
        top->Dpi = WindowDpi(top->Handle);
    return top->Dpi;
}

int Control::Scaled(int value)
{
    return ScaledToDpi(value, CurrentDpi());
}

void ApplyDpi(Control* control, int dpi, const RECT* suggested)
{
    const int from = control->CurrentDpi();
    control->Dpi = dpi;
    if (from != dpi) {
        RECT r = control->BoundsRect();
        RECT target = suggested ? *suggested
                                : RECT{r.left, r.top, r.left + MulDiv(r.right - r.left, dpi, from),
                                       r.top + MulDiv(r.bottom - r.top, dpi, from)};
        // The size lock would hold the window at its old size.
        control->SavedWidth = target.right - target.left;
        control->SavedHeight = target.bottom - target.top;
        control->SetBoundsRect(target);
        ScaleChildren(control, from, dpi);
    } else if (suggested) {
        control->SetBoundsRect(*suggested);
    }
    ApplyFonts(control);
}

RECT Control::BoundsRect()
{
    RECT r = {BoundsLeft, BoundsTop, BoundsRight, BoundsBottom};
    if (!Handle)
        return r;
    GetWindowRect(Handle, &r);
    if (IsChild) {
        if (!Parent)
            return r;
        POINT origin = {0, 0};
        if (Parent->Handle)
            ClientToScreen(Parent->Handle, &origin);
        OffsetRect(&r, -origin.x, -origin.y);
    }
    BoundsLeft = r.left;
    BoundsTop = r.top;
    BoundsRight = r.right;
    BoundsBottom = r.bottom;
    return r;
}

void Control::SetBoundsRect(const RECT& r)
{
    RECT current = BoundsRect();
    if (SameBytes(&current, &r, sizeof r))
        return;
    if (r.left != current.left)
        PositionSet |= LeftSet;
    if (r.top != current.top)
        PositionSet |= TopSet;
    BoundsLeft = r.left;
    BoundsTop = r.top;
    BoundsRight = r.right;
    BoundsBottom = r.bottom;
    if (Handle) {
        SetWindowPos(Handle, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top, SWP_NOZORDER | SWP_NOACTIVATE);
        Invalidate();
    }
}

int Control::Width()
{
    RECT r = BoundsRect();
    return r.right - r.left;
}

int Control::Height()
{
    RECT r = BoundsRect();
    return r.bottom - r.top;
}

void Control::SetLeft(int x)
{
    RECT r = BoundsRect();
    SetBoundsRect({x, r.top, x + (r.right - r.left), r.bottom});
}

void Control::SetTop(int y)
{
    RECT r = BoundsRect();
    SetBoundsRect({r.left, y, r.right, y + (r.bottom - r.top)});
}

void Control::SetWidth(int w)
{
    RECT r = BoundsRect();
    SetBoundsRect({r.left, r.top, r.left + w, r.bottom});
}

void Control::SetHeight(int h)
{
    RECT r = BoundsRect();
    SetBoundsRect({r.left, r.top, r.right, r.top + h});
}

Control* Control::SetPosition(int left, int top)
{
    SetLeft(Scaled(left));
    SetTop(Scaled(top));
    return this;
}

Control* Control::SetSize(int width, int height)
{
    if (width > 0)
        SetWidth(Scaled(width));
    if (height > 0)
        SetHeight(Scaled(height));
    return this;
}

RECT Control::ClientRect()
{
    RECT r = {BoundsLeft, BoundsTop, BoundsRight, BoundsBottom};
    if (HWND window = GetHandle())
        GetClientRect(window, &r);
    r.left += Scaled(ClientLeft);
    r.top += Scaled(ClientTop);
    r.right -= Scaled(ClientRight);
    r.bottom -= Scaled(ClientBottom);
    return r;
}

int Control::ClientWidth()
{
    RECT r = ClientRect();
    return r.right - r.left;
}

int Control::ClientHeight()
{
    RECT r = ClientRect();
    return r.bottom - r.top;
}

// The client size is read first: it creates the window, whose real frame then counts.
void Control::SetClientWidth(int w)
{
    int client = ClientWidth();
    SetWidth(w + Width() - client);
}

void Control::SetClientHeight(int h)
{
    int client = ClientHeight();
    SetHeight(h + Height() - client);
}

Control* Control::SetClientSize(int width, int height)
{
    if (width > 0)
        SetClientWidth(Scaled(width));
    if (height > 0)
        SetClientHeight(Scaled(height));
    return this;
}

Control* Control::CenterWindow()
{
    RECT reference = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    if (IsChild && Parent)
        reference = Parent->ClientRect();
    // Placed by the program, not by the system: a window made here is not made where the
    // system would put a window nobody placed.
    GetHandle();
    int w = Width();
    SetLeft((reference.right - reference.left - w) >> 1);
    int h = Height();
    SetTop((reference.bottom - reference.top - h) >> 1);
    return this;
}

void Control::SetSizeLocked(bool lock)
{
    if (SizeLocked == lock)
        return;
    SizeLocked = lock;
    SetStyle(lock ? (Style | WS_THICKFRAME) : (Style & ~WS_THICKFRAME));
    GetHandle();
    SavedWidth = Width();
    SavedHeight = Height();
    AttachHandler(SizeLockHandler);
}

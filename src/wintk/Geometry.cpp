// Placement and size of a control: bounds, client area, centring and the size lock.
// Setters store first and apply when the window exists.
#include "Control.h"
#include "Utils.h"

namespace {

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
    SetLeft(left);
    SetTop(top);
    return this;
}

Control* Control::SetSize(int width, int height)
{
    if (width > 0)
        SetWidth(width);
    if (height > 0)
        SetHeight(height);
    return this;
}

RECT Control::ClientRect()
{
    RECT r = {BoundsLeft, BoundsTop, BoundsRight, BoundsBottom};
    if (HWND window = GetHandle())
        GetClientRect(window, &r);
    r.left += ClientLeft;
    r.top += ClientTop;
    r.right -= ClientRight;
    r.bottom -= ClientBottom;
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
        SetClientWidth(width);
    if (height > 0)
        SetClientHeight(height);
    return this;
}

Control* Control::CenterWindow()
{
    RECT reference = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    if (IsChild && Parent)
        reference = Parent->ClientRect();
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

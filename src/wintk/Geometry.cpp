// Placement, caption, visibility, enabled state, focus, icon, styles and the small
// property operations of a control. Setters store first and apply when the window exists.
#include <cstdlib>
#include <cstring>

#include "Control.h"
#include "Utils.h"

const HICON NoIcon = reinterpret_cast<HICON>(~static_cast<UINT_PTR>(0));

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
        PositionSet |= 1;
    if (r.top != current.top)
        PositionSet |= 2;
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

std::string Control::Caption()
{
    if (!Handle)
        return NonNullText(CaptionText);
    int length = GetWindowTextLengthA(Handle);
    std::string text(length, '\0');
    if (length > 0)
        GetWindowTextA(Handle, text.data(), length + 1);
    return text;
}

void Control::SetCaption(const char* text)
{
    text = NonNullText(text);
    std::free(CaptionText);
    CaptionText = static_cast<char*>(std::malloc(std::strlen(text) + 1));
    CopyText(CaptionText, text);
    if (Handle) {
        SetWindowTextA(Handle, CaptionText);
        Invalidate();
    }
}

void Control::ApplyVisible(bool visible)
{
    Style = visible ? (Style | WS_VISIBLE) : (Style & ~WS_VISIBLE);
    Visible = visible;
    if (Handle) {
        ShowWindow(Handle, visible ? SW_SHOW : SW_HIDE);
        if (!visible)
            ShowOnCreate = false;
    }
}

void Control::SetVisible(bool visible)
{
    VisibleSet = true;
    ApplyVisible(visible);
}

void Control::Show()
{
    CreateWindow();
    SetVisible(true);
    SetForegroundWindow(Handle);
    Focus();
}

bool Control::IsEnabled()
{
    if (Handle)
        return IsWindowEnabled(Handle);
    return !(Style & WS_DISABLED);
}

void Control::SetEnabled(bool enabled)
{
    if (IsEnabled() == enabled)
        return;
    Enabled = enabled;
    Style = enabled ? (Style & ~WS_DISABLED) : (Style | WS_DISABLED);
    if (Handle)
        EnableWindow(Handle, enabled);
}

bool Control::Focus()
{
    if (!IsEnabled() || !TabStop)
        return false;
    ++FocusDepth;
    if (Handle)
        SetFocus(Handle);
    --FocusDepth;
    return true;
}

HICON Control::GetIcon()
{
    if (Icon == NoIcon)
        return nullptr;
    if (Icon)
        return Icon;
    if (!ApplicationCreated)
        return nullptr;
    if (IsApplication) {
        Icon = LoadIconA(GetModuleHandleA(nullptr), "MAINICON");
        return Icon;
    }
    Control* application = RootApplication();
    HICON shared = application ? application->GetIcon() : nullptr;
    if (!shared)
        return nullptr;
    Icon = static_cast<HICON>(CopyImage(shared, IMAGE_ICON, 0, 0, 0));
    return Icon;
}

void Control::SetIcon(HICON icon)
{
    if (icon == Icon)
        return;
    Icon = icon;
    LPARAM sent = icon == NoIcon ? 0 : reinterpret_cast<LPARAM>(icon);
    auto previous = reinterpret_cast<HICON>(Perform(WM_SETICON, ICON_BIG, sent));
    if (previous)
        DestroyIcon(previous);
}

// Stores a style word and, with a window, applies it and lets the frame follow.
static void StoreStyle(Control* control, DWORD& field, int index, DWORD value)
{
    if (value == field)
        return;
    field = value;
    if (control->Handle) {
        SetWindowLongA(control->Handle, index, value);
        SetWindowPos(control->Handle, nullptr, 0, 0, 0, 0,
                     SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
        control->Invalidate();
    }
}

void Control::SetStyle(DWORD style)
{
    StoreStyle(this, Style, GWL_STYLE, style);
}

void Control::SetExStyle(DWORD exStyle)
{
    StoreStyle(this, ExStyle, GWL_EXSTYLE, exStyle);
}

void Control::Invalidate()
{
    if (!Terminated && Handle)
        InvalidateRect(Handle, nullptr, TRUE);
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

void Control::SetMessageProperty(uint32_t code, uint32_t value)
{
    uint32_t setter = code >> 16;
    if (!setter)
        setter = code + 1;
    Perform(setter & 0x7FFF, value, 0);
    if (setter & 0x8000)
        Invalidate();
}

void Control::Click()
{
    if (Codes.Click != 0 || Codes.Enter == BN_SETFOCUS) {
        Perform(WM_COMMAND, MAKEWPARAM(ControlId, Codes.Click), reinterpret_cast<LPARAM>(GetHandle()));
    } else {
        Perform(WM_LBUTTONDOWN, MK_LBUTTON, 0);
        Perform(WM_LBUTTONUP, MK_LBUTTON, 0);
    }
}

void Control::SetOnPaint(PaintEvent event)
{
    OnPaint = event;
    AttachHandler(PaintHandler);
}

void Control::SetOnKeyUp(KeyEvent event)
{
    OnKeyUp = event;
    KeyProc = KeyDispatcher;
}

bool KeyDispatcher(Control* control, MSG& msg, LRESULT&)
{
    KeyEvent* event = nullptr;
    switch (msg.message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
        event = &control->OnKeyDown;
        break;
    case WM_KEYUP:
    case WM_SYSKEYUP:
        event = &control->OnKeyUp;
        break;
    case WM_CHAR:
        event = &control->OnChar;
        break;
    default:
        return false;
    }
    if (!*event)
        return false;
    (*event)(control, msg.wParam, GetShiftState());
    return msg.wParam == 0;
}

// Caption, visibility, enabled state, focus, icon, styles, invalidation, the integer
// properties and the font of a control. Setters store first and apply when the window exists.
#include <cstddef>

#include "Canvas.h"
#include "Control.h"
#include "Utils.h"

const HICON NoIcon = reinterpret_cast<HICON>(~static_cast<UINT_PTR>(0));

std::string Control::Caption()
{
    if (!Handle)
        return Utf8Text(CaptionText);
    int length = GetWindowTextLengthW(Handle);
    std::wstring text(length > 0 ? length + 1 : 1, L'\0');
    text.resize(length > 0 ? GetWindowTextW(Handle, text.data(), length + 1) : 0);
    return Utf8Text(text);
}

void Control::SetCaption(const char* text)
{
    CaptionText = WideText(text);
    if (Handle) {
        SetWindowTextW(Handle, CaptionText.c_str());
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
        SetWindowLongW(control->Handle, index, value);
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

void Control::SetMessageProperty(uint32_t code, uint32_t value)
{
    uint32_t setter = code >> 16;
    if (!setter)
        setter = code + 1;
    Perform(setter & ~RepaintAfterSet, value, 0);
    if (setter & RepaintAfterSet)
        Invalidate();
}

void Control::SetProgressMax(int maximum)
{
    Perform(PBM_SETRANGE32, 0, maximum);
}

void Control::SetProgressPosition(int position)
{
    SetMessageProperty(ProgressPositionProperty, static_cast<uint32_t>(position));
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

// Fonts ------------------------------------------------------------------------------

namespace {

// Children whose font is a copy of this control's were handed its GDI font while their
// descriptions were equal; give them theirs again before the old one can be deleted.
void RefreshSharedFonts(Control* control)
{
    for (int i = 0; i < control->Children->Count; ++i) {
        auto* child = static_cast<Control*>((*control->Children)[i]);
        if (child->Font && control->Font && child->Font->MasterTool == control->Font) {
            ApplyFont(child);
            RefreshSharedFonts(child);
        }
    }
}

} // namespace

GraphicTool* GetFont(Control* control)
{
    if (control->Font)
        return control->Font;
    control->Font = NewFont();
    control->Font->Description.ToolColor = control->TextColor;
    control->Font->OnToolChange = {FontChanged, control};
    return control->Font;
}

void SetFontHeight(Control* control, int32_t height)
{
    SetToolField(GetFont(control), offsetof(ToolDescription, LogFont) + offsetof(LOGFONTW, lfHeight), height);
}

void FontChanged(void* context, GraphicTool* tool)
{
    auto* control = static_cast<Control*>(context);
    control->TextColor = tool->Description.ToolColor;
    ApplyFont(control);
    RefreshSharedFonts(control);
    control->Invalidate();
}

// A font made for another DPI is made again; the old one goes only once the window and the
// children that shared it have the new one.
void ApplyFont(Control* control)
{
    GraphicTool* font = control->Font;
    if (!font)
        return;
    if (control->Handle) {
        HGDIOBJ stale = nullptr;
        if (int dpi = control->CurrentDpi(); font->Dpi != dpi) {
            stale = font->ToolHandle;
            font->ToolHandle = nullptr;
            font->Dpi = dpi;
        }
        control->TextColor = font->Description.ToolColor;
        control->Perform(WM_SETFONT, reinterpret_cast<WPARAM>(GetToolHandle(font)), 0xFFFF);
        if (stale) {
            RefreshSharedFonts(control);
            DeleteObject(stale);
        }
    }
    FreeIfSet(control->Canvas);
    control->Canvas = nullptr;
}

void InheritTools(Control* child, Control* parent)
{
    if (parent->Font) {
        child->Font = Assign(nullptr, parent->Font);
        child->Font->MasterTool = parent->Font;
        child->Font->OnToolChange = {FontChanged, child};
        FontChanged(child, child->Font);
    }
    if (parent->Brush) {
        child->Brush = Assign(nullptr, parent->Brush);
        child->Brush->MasterTool = parent->Brush;
        child->Brush->OnToolChange = {BrushChanged, child};
        BrushChanged(child, child->Brush);
    }
}

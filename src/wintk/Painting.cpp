// Background brushes, backgrounds of forms and group boxes, colours of child controls, and
// the paint event.
#include "Canvas.h"
#include "Control.h"

HBRUSH BrushHook(Control* control)
{
    while (control->Parent && control->Parent->Color == control->Color)
        control = control->Parent;
    COLORREF rgb = ColorToRGB(control->Color);
    if (control->BackBrush && rgb != control->BackBrushColor) {
        DeleteObject(control->BackBrush); // a system colour changed
        control->BackBrush = nullptr;
    }
    if (!control->BackBrush) {
        control->BackBrushColor = rgb;
        control->BackBrush = CreateSolidBrush(rgb);
    }
    return control->BackBrush;
}

void BrushChanged(void* context, GraphicTool* tool)
{
    auto* control = static_cast<Control*>(context);
    control->Color = tool->Description.ToolColor;
    if (control->BackBrush)
        DeleteObject(control->BackBrush);
    control->BackBrush = nullptr;
    control->Invalidate();
}

bool BackgroundPainter(Control* control, MSG& msg, LRESULT&)
{
    if (msg.message != WM_ERASEBKGND)
        return false;
    // Children that exist only as objects get their windows at the first erase.
    for (int i = 0; i < control->Children->Count; ++i)
        static_cast<Control*>((*control->Children)[i])->CreateWindow();
    auto dc = reinterpret_cast<HDC>(msg.wParam);
    SetBkMode(dc, OPAQUE);
    SetBkColor(dc, ColorToRGB(control->Color));
    SetBrushOrgEx(dc, 0, 0, nullptr);
    RECT r;
    GetClientRect(control->Handle, &r);
    FillRect(dc, &r, BrushHook(control));
    return false;
}

bool ReflectedColorAnswer(Control* control, MSG& msg, LRESULT& result)
{
    auto dc = reinterpret_cast<HDC>(msg.wParam);
    SetTextColor(dc, ColorToRGB(control->TextColor));
    if (control->Transparent) {
        SetBkMode(dc, TRANSPARENT);
        result = reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH));
    } else {
        SetBkMode(dc, OPAQUE);
        SetBkColor(dc, ColorToRGB(control->Color));
        result = reinterpret_cast<LRESULT>(BrushHook(control));
    }
    return true;
}

// OnPaint may run a nested message loop; the saved PaintDC keeps an outer paint intact.
bool PaintHandler(Control* control, MSG& msg, LRESULT& result)
{
    if (msg.message != WM_PAINT && msg.message != WM_PRINT)
        return false;
    if (!control->OnPaint)
        return false;
    HDC outer = control->PaintDC;
    PAINTSTRUCT ps;
    control->PaintDC = reinterpret_cast<HDC>(msg.wParam);
    if (!msg.wParam)
        control->PaintDC = BeginPaint(control->Handle, &ps);
    control->OnPaint(control, control->PaintDC);
    if (control->Canvas)
        SetDC(control->Canvas, nullptr);
    if (!msg.wParam)
        EndPaint(control->Handle, &ps);
    control->PaintDC = outer;
    result = 0;
    return true;
}

void Control::SetOnPaint(PaintEvent event)
{
    OnPaint = event;
    AttachHandler(PaintHandler);
}

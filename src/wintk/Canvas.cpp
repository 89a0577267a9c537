#include "Canvas.h"

#include "Control.h"

namespace {

HDC WindowDCGetter(void*, DrawingSurface* canvas)
{
    Control* owner = canvas->Owner;
    if (owner->PaintDC) {
        SetDC(canvas, owner->PaintDC);
        canvas->PaintDCHeld = true;
        return owner->PaintDC;
    }
    if (canvas->DC)
        return canvas->DC;
    return GetDC(owner->GetHandle());
}

void DeselectOnToolChange(void* canvas, GraphicTool*)
{
    DeselectTools(static_cast<DrawingSurface*>(canvas));
}

HDC CurrentDC(DrawingSurface* canvas)
{
    if (!canvas->DCGetter)
        return canvas->DC;
    HDC dc = canvas->DCGetter(canvas);
    SetDC(canvas, dc);
    return dc;
}

} // namespace

DrawingSurface* GetCanvas(Control* control)
{
    if (!control->Canvas) {
        DrawingSurface* canvas = NewObject<DrawingSurface>();
        canvas->Owner = control;
        canvas->DCGetter = {WindowDCGetter, nullptr};
        control->Canvas = canvas;
    }
    return control->Canvas;
}

void DrawingSurface::Destroy()
{
    SetDC(this, nullptr);
    BaseObject::Destroy();
}

void SetDC(DrawingSurface* canvas, HDC dc)
{
    if (dc == canvas->DC)
        return;
    if (canvas->DC) {
        DeselectTools(canvas);
        Control* owner = canvas->Owner;
        // A paint DC belongs to its BeginPaint, also when a nested paint has meanwhile
        // replaced the owner's PaintDC: releasing it would disable the outer paint's DC.
        if (!canvas->PaintDCHeld && (!owner || owner->PaintDC != canvas->DC)) {
            if (canvas->DCGetter.Proc == WindowDCGetter)
                ReleaseDC(owner ? owner->Handle : nullptr, canvas->DC);
            else
                DeleteDC(canvas->DC);
        }
        canvas->DC = nullptr;
        canvas->PaintDCHeld = false;
        canvas->CanvasState &= ~DrawingSurface::HasDC;
    }
    if (dc) {
        canvas->CanvasState |= DrawingSurface::HasDC;
        canvas->DC = dc;
        MoveToEx(dc, canvas->PenX, canvas->PenY, nullptr);
    }
}

// Fetched once per process, never freed.
static HGDIOBJ stockPen, stockBrush, stockFont;

void DeselectTools(DrawingSurface* canvas)
{
    const uint8_t selected = DrawingSurface::PenSelected | DrawingSurface::BrushSelected | DrawingSurface::FontSelected;
    if (!canvas->DC || !(canvas->CanvasState & selected))
        return;
    if (!stockFont) {
        stockPen = GetStockObject(BLACK_PEN);
        stockBrush = GetStockObject(NULL_BRUSH);
        stockFont = GetStockObject(SYSTEM_FONT);
    }
    SelectObject(canvas->DC, stockFont);
    SelectObject(canvas->DC, stockBrush);
    SelectObject(canvas->DC, stockPen);
    canvas->CanvasState &= ~selected;
}

// Only fonts exist as tools here; the pen and brush steps fall back to the owner's colours.
HDC RequireState(DrawingSurface* canvas, uint8_t wanted)
{
    if ((wanted & DrawingSurface::Notify) && canvas->OnCanvasChange)
        canvas->OnCanvasChange(canvas);
    wanted &= DrawingSurface::HasDC | DrawingSurface::PenSelected | DrawingSurface::BrushSelected |
              DrawingSurface::FontSelected;
    HDC dc = canvas->DC;
    if (wanted & DrawingSurface::HasDC) {
        dc = CurrentDC(canvas);
        if (!dc)
            return nullptr;
    }
    uint8_t missing = wanted & ~canvas->CanvasState;
    Control* owner = canvas->Owner;
    for (GraphicTool* tool : {canvas->FontTool, canvas->BrushTool, canvas->PenTool})
        if (tool)
            tool->OnToolChange = {DeselectOnToolChange, canvas};
    if (missing & DrawingSurface::FontSelected) {
        if (canvas->FontTool) {
            SelectObject(dc, GetToolHandle(canvas->FontTool));
            SetTextColor(dc, ColorToRGB(canvas->FontTool->Description.ToolColor));
        } else if (owner) {
            SetTextColor(dc, ColorToRGB(owner->TextColor));
        }
    }
    if ((missing & DrawingSurface::BrushSelected) && owner) {
        SetBkColor(dc, ColorToRGB(owner->Color));
        SetBkMode(dc, OPAQUE);
    }
    canvas->CanvasState |= missing;
    return dc;
}

void MoveTo(DrawingSurface* canvas, int x, int y)
{
    canvas->PenX = x;
    canvas->PenY = y;
    MoveToEx(RequireState(canvas, DrawingSurface::HasDC), x, y, nullptr);
}

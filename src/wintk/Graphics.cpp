#include "Graphics.h"

#include <cstddef>
#include <cstring>

#include "Control.h"
#include "Utils.h"

COLORREF ColorToRGB(ColorValue value)
{
    if (value & 0x80000000u)
        return GetSysColor(value & 0xFF);
    return value;
}

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

// Graphic tools ----------------------------------------------------------------------

namespace {

HGDIOBJ MakeFont(GraphicTool* tool)
{
    if (!tool->ToolHandle)
        tool->ToolHandle = CreateFontIndirectA(&tool->Description.LogFont);
    return tool->ToolHandle;
}

ToolDescription DefaultFont()
{
    ToolDescription d = {};
    d.ToolColor = SystemColor(COLOR_WINDOWTEXT);
    d.LogFont.lfCharSet = DEFAULT_CHARSET;
    std::strcpy(d.LogFont.lfFaceName, "MS Sans Serif");
    return d;
}

void NotifyToolChange(GraphicTool* tool)
{
    if (tool->OnToolChange)
        tool->OnToolChange(tool);
}

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

void GraphicTool::Destroy()
{
    if (ToolHandle)
        DeleteObject(ToolHandle);
    ToolHandle = nullptr;
    BaseObject::Destroy();
}

GraphicTool* NewFont()
{
    GraphicTool* tool = NewObject<GraphicTool>();
    tool->Factory = NewFont;
    tool->Kind = FontKind;
    tool->MakeHandle = MakeFont;
    tool->Description = DefaultFont();
    return tool;
}

void ReleaseHandle(GraphicTool* tool)
{
    HGDIOBJ old = tool->ToolHandle;
    tool->ToolHandle = nullptr;
    NotifyToolChange(tool);
    if (old) {
        DeleteObject(old);
        NotifyToolChange(tool);
    }
}

void SetToolField(GraphicTool* tool, int offset, int32_t value)
{
    auto* field = reinterpret_cast<unsigned char*>(&tool->Description) + offset;
    int32_t current;
    std::memcpy(&current, field, sizeof current);
    if (current == value)
        return;
    std::memcpy(field, &value, sizeof value);
    ReleaseHandle(tool);
}

HGDIOBJ GetToolHandle(GraphicTool* tool)
{
    if (tool->ToolHandle)
        return tool->ToolHandle;
    if (tool->MasterTool && SameBytes(&tool->MasterTool->Description, &tool->Description, sizeof(ToolDescription)))
        return GetToolHandle(tool->MasterTool);
    tool->ResolvedColor = ColorToRGB(tool->Description.ToolColor);
    tool->MakeHandle(tool);
    return tool->ToolHandle;
}

GraphicTool* Assign(GraphicTool* destination, GraphicTool* source)
{
    if (!source) {
        FreeIfSet(destination);
        return nullptr;
    }
    if (!destination)
        destination = source->Factory();
    if (destination == source)
        return destination;
    // Equal handles mean equal tools only when there are handles: two lazy tools have
    // none yet, and the copy must still take the source's description.
    if (destination->ToolHandle && destination->ToolHandle == source->ToolHandle)
        return destination;
    ReleaseHandle(destination);
    destination->Description = source->Description;
    ReleaseHandle(destination);
    return destination;
}

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
    SetToolField(GetFont(control), offsetof(ToolDescription, LogFont) + offsetof(LOGFONTA, lfHeight), height);
}

void FontChanged(void* context, GraphicTool* tool)
{
    auto* control = static_cast<Control*>(context);
    control->TextColor = tool->Description.ToolColor;
    ApplyFont(control);
    RefreshSharedFonts(control);
    control->Invalidate();
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

void ApplyFont(Control* control)
{
    if (!control->Font)
        return;
    if (control->Handle) {
        control->TextColor = control->Font->Description.ToolColor;
        control->Perform(WM_SETFONT, reinterpret_cast<WPARAM>(GetToolHandle(control->Font)), 0xFFFF);
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

// Drawing surface --------------------------------------------------------------------

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
    wanted &= 0x0F;
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

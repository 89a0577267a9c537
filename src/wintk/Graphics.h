#pragma once
// Colour values, font tools with lazily made GDI fonts, background brushes and the
// drawing surface a control may carry.
#include <cstdint>

#include "Object.h"
#include "Win.h"

class Control;

// Bit 31 set: a system colour whose index is the low 8 bits; otherwise an RGB value.
using ColorValue = uint32_t;
constexpr ColorValue SystemColor(int index) { return 0x80000000u | static_cast<uint32_t>(index); }
COLORREF ColorToRGB(ColorValue value);

// The 64 bytes that tools compare and copy as a whole.
struct ToolDescription {
    ColorValue ToolColor;
    LOGFONTA LogFont;
};
static_assert(sizeof(ToolDescription) == 64, "a tool description is 64 bytes");

enum : uint8_t { FontKind = 1 };

class GraphicTool : public BaseObject {
public:
    void Destroy() override;

    uint8_t Kind = 0;
    HGDIOBJ ToolHandle = nullptr;   // owned; null while a copy shares its master's
    GraphicTool* MasterTool = nullptr; // not owned: the parent control's tool this was copied from
    EventOf<void, GraphicTool*> OnToolChange;
    COLORREF ResolvedColor = 0;
    ToolDescription Description = {};
    GraphicTool* (*Factory)() = nullptr;
    HGDIOBJ (*MakeHandle)(GraphicTool* tool) = nullptr;
};

GraphicTool* NewFont();
HGDIOBJ GetToolHandle(GraphicTool* tool);
// Sets the 32-bit field at a byte offset of the description (4 = lfHeight).
void SetToolField(GraphicTool* tool, int offset, int32_t value);
GraphicTool* Assign(GraphicTool* destination, GraphicTool* source);
void ReleaseHandle(GraphicTool* tool);

// The brush a control's background is painted with; shared along a chain of equal colours.
HBRUSH BrushHook(Control* control);
GraphicTool* GetFont(Control* control);
void FontChanged(void* control, GraphicTool* tool);
void BrushChanged(void* control, GraphicTool* tool);
void ApplyFont(Control* control);
// Gives a new child its own copies of its parent's font and brush.
void InheritTools(Control* child, Control* parent);

// A device context with the owner's font and colours selected on demand.
class DrawingSurface : public BaseObject {
public:
    void Destroy() override;

    enum : uint8_t { HasDC = 1, PenSelected = 2, BrushSelected = 4, FontSelected = 8, Notify = 0x10 };

    Control* Owner = nullptr; // not owned
    HDC DC = nullptr;
    int PenX = 0, PenY = 0;
    GraphicTool* BrushTool = nullptr; // not owned
    GraphicTool* FontTool = nullptr;  // not owned
    GraphicTool* PenTool = nullptr;   // not owned
    uint8_t CanvasState = 0;
    EventOf<void, DrawingSurface*> OnCanvasChange;
    EventOf<HDC, DrawingSurface*> DCGetter;
    bool PaintDCHeld = false;
};

DrawingSurface* GetCanvas(Control* control);
HDC RequireState(DrawingSurface* canvas, uint8_t wanted);
void SetDC(DrawingSurface* canvas, HDC dc);
void DeselectTools(DrawingSurface* canvas);
void MoveTo(DrawingSurface* canvas, int x, int y);

#pragma once
// The drawing surface a control may carry: its device context with the owner's font and
// colours selected on demand.
#include <cstdint>

#include "Graphics.h"
#include "Object.h"
#include "Win.h"

class Control;

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

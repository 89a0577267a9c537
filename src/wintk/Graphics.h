#pragma once
// Colour values and the font tools with their lazily made GDI fonts. Knows nothing of
// controls: each tool tells its owner of a change through OnToolChange.
#include <cstdint>

#include "Object.h"
#include "Win.h"

// Bit 31 set: a system colour whose index is the low 8 bits; otherwise an RGB value.
using ColorValue = uint32_t;
constexpr ColorValue SystemColorFlag = 0x80000000u;
constexpr ColorValue SystemColor(int index) { return SystemColorFlag | static_cast<uint32_t>(index); }
COLORREF ColorToRGB(ColorValue value);

// What tools compare and copy as a whole.
struct ToolDescription {
    ColorValue ToolColor;
    LOGFONTW LogFont;
};
static_assert(sizeof(ToolDescription) == 96, "a tool description is 96 bytes");

// The face of every font the toolkit makes. Windows maps it to Tahoma, which has Cyrillic
// whatever the system's code page; "MS Sans Serif" has it only under code page 1251, and
// the message font under a Japanese code page is one without it.
inline constexpr wchar_t DialogFontFace[] = L"MS Shell Dlg 2";
// The character height of the dialog texts at 96 DPI (8 points).
constexpr int32_t DialogFontHeight = -11;

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
    int Dpi = 96; // the font's height is given for 96 DPI; its handle is made for this one
    GraphicTool* (*Factory)() = nullptr;
    HGDIOBJ (*MakeHandle)(GraphicTool* tool) = nullptr;
};

GraphicTool* NewFont();
HGDIOBJ GetToolHandle(GraphicTool* tool);
// Sets the 32-bit field at a byte offset of the description (4 = lfHeight).
void SetToolField(GraphicTool* tool, int offset, int32_t value);
GraphicTool* Assign(GraphicTool* destination, GraphicTool* source);
void ReleaseHandle(GraphicTool* tool);

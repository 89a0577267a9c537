#include "Graphics.h"

#include <cstring>
#include <cwchar>

#include "Utils.h"

COLORREF ColorToRGB(ColorValue value)
{
    if (value & SystemColorFlag)
        return GetSysColor(value & 0xFF);
    return value;
}

namespace {

HGDIOBJ MakeFont(GraphicTool* tool)
{
    if (!tool->ToolHandle) {
        LOGFONTW scaled = tool->Description.LogFont;
        scaled.lfHeight = MulDiv(scaled.lfHeight, tool->Dpi, 96);
        tool->ToolHandle = CreateFontIndirectW(&scaled);
    }
    return tool->ToolHandle;
}

ToolDescription DefaultFont()
{
    ToolDescription d = {};
    d.ToolColor = SystemColor(COLOR_WINDOWTEXT);
    d.LogFont.lfCharSet = DEFAULT_CHARSET;
    std::wcscpy(d.LogFont.lfFaceName, DialogFontFace);
    return d;
}

void NotifyToolChange(GraphicTool* tool)
{
    if (tool->OnToolChange)
        tool->OnToolChange(tool);
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
    if (tool->MasterTool && tool->MasterTool->Dpi == tool->Dpi && SameBytes(&tool->MasterTool->Description, &tool->Description, sizeof(ToolDescription)))
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

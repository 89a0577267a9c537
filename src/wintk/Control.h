#pragma once
// One native window with its object: fields, events, attached message handlers, and the
// operations of the toolkit on it. The window is created lazily and reaches its control
// through one shared window procedure.
#include <cstdint>
#include <string>

#include "Graphics.h"
#include "Object.h"
#include "Win.h"

class Control;
class DrawingSurface;

// Hooks and attached handlers: handled or not, with the result to answer.
using MessageHook = bool (*)(Control* control, MSG& msg, LRESULT& result);
using NotifyEvent = EventOf<void, Control*>;
using MessageEvent = EventOf<bool, MSG&, LRESULT&>;
using KeyEvent = EventOf<void, Control*, WPARAM&, uint32_t>;
using PaintEvent = EventOf<void, Control*, HDC>;
using CloseEvent = EventOf<void, Control*, bool&>;

// Toolkit-private messages.
enum : UINT {
    // Posted by a main form to itself when its window is destroyed: free the control.
    MsgFreeSelf = 0xB003,
    // A child's WM_COMMAND, sent back to the child by its parent; wParam and lParam as sent.
    MsgReflectedCommand = 0xB005,
    // Added to WM_CTLCOLORMSGBOX..WM_CTLCOLORSTATIC: the colour request sent on to the child
    // concerned (0xBD32..0xBD38).
    MsgReflectedCtlColor = 0xBC00,
    // Sent by a worker to the Application's window; lParam is the worker whose call to run.
    MsgSynchronize = 0x8FFF,
};

// SetMessageProperty codes: the setter message in the high word, with RepaintAfterSet
// when the control is to be repainted after it; the getter message in the low word.
constexpr uint32_t RepaintAfterSet = 0x8000;
constexpr uint32_t MessagePropertyCode(UINT setter, UINT getter, bool repaint)
{
    return ((setter | (repaint ? RepaintAfterSet : 0)) << 16) | getter;
}
constexpr uint32_t ProgressPositionProperty = MessagePropertyCode(PBM_SETPOS, PBM_GETPOS, true);
static_assert(ProgressPositionProperty == 0x84020408, "PBM_SETPOS with a repaint, PBM_GETPOS");

// The window property that binds a window to its control.
inline constexpr wchar_t SelfProperty[] = L"SELF_";
// WM_SYSCOMMAND's wParam: the command is in these bits, the low four are the system's own.
constexpr WPARAM SystemCommandMask = 0xFFF0;

// The bits of PositionSet: which edges were placed explicitly.
enum : uint8_t { LeftSet = 1, TopSet = 2 };

// Notification codes of a kind, compared in this order with the reflected WM_COMMAND.
struct NotifyCodes {
    WORD Click, Enter, Leave, Change, SelChange;
};

class Control : public BaseObject {
public:
    void Init() override;
    void Destroy() override;
    virtual void AttachToParent(Control* parent);
    virtual bool CreateWindow();
    virtual LRESULT WindowProc(MSG& msg);

    // Lifecycle and messages.
    HWND GetHandle();
    LRESULT Perform(UINT message, WPARAM wParam, LPARAM lParam);
    void AttachHandler(MessageHook handler, bool runWhenTerminated = false);
    void DetachHandler(MessageHook handler);
    bool IsMainForm() const;
    Control* ParentForm() const;
    Control* RootApplication();

    // Geometry, text and state. SetPosition, SetSize and SetClientSize take the layout's
    // values, for 96 DPI, and scale them to the window's DPI; the other calls are in pixels.
    int CurrentDpi();
    int Scaled(int value);
    RECT BoundsRect();
    void SetBoundsRect(const RECT& r);
    int Left() { return BoundsRect().left; }
    int Top() { return BoundsRect().top; }
    int Width();
    int Height();
    void SetLeft(int x);
    void SetTop(int y);
    void SetWidth(int w);
    void SetHeight(int h);
    Control* SetPosition(int left, int top);
    Control* SetSize(int width, int height);
    RECT ClientRect();
    int ClientWidth();
    int ClientHeight();
    void SetClientWidth(int w);
    void SetClientHeight(int h);
    Control* SetClientSize(int width, int height);
    Control* CenterWindow();
    std::string Caption();
    void SetCaption(const char* text);
    void SetVisible(bool visible);
    void Show();
    bool IsEnabled();
    void SetEnabled(bool enabled);
    bool Focus();
    HICON GetIcon();
    void SetIcon(HICON icon);
    void SetStyle(DWORD style);
    void SetExStyle(DWORD exStyle);
    void Invalidate();
    void SetSizeLocked(bool lock);
    void SetMessageProperty(uint32_t code, uint32_t value);
    // Of a progress bar: the range from 0, and the position (the bar is repainted).
    void SetProgressMax(int maximum);
    void SetProgressPosition(int position);
    void Click();
    void SetOnPaint(PaintEvent event);
    void SetOnKeyUp(KeyEvent event);

    // Application, loop and modal forms.
    void ProcessMessages();
    int ShowModal();
    void Close();
    bool IsActive();
    void Activate(bool activate);
    void Update();
    void TrackMinimize();
    void SetOnShow(NotifyEvent event);

    // Fields. Pointers to other controls do not own them unless stated.
    HWND Handle = nullptr;
    HWND FocusHandle = nullptr;
    UINT ClassStyle = 0;
    DWORD Style = 0;
    DWORD ExStyle = 0;
    HCURSOR Cursor = nullptr;
    HICON Icon = nullptr;                  // owned unless IconShared; all bits set = none
    bool IconShared = false;
    std::wstring CaptionText;
    uint8_t SizeKind = 0;
    int RestoreShowCmd = 0;
    DrawingSurface* Canvas = nullptr;      // owned
    WNDPROC BaseWndProc = nullptr;
    bool WindowGone = false;
    Control* Parent = nullptr;             // not owned: the owner in the tree
    bool Enabled = false, Visible = false, TabStop = false;
    int TabOrder = 0;
    PtrList* Children = nullptr;           // owned list of owned controls
    void (*PostHook)(Control*, MSG&, LRESULT&) = nullptr;
    HBRUSH BackBrush = nullptr;            // owned
    COLORREF BackBrushColor = 0;
    bool Destroying = false;
    int ControlId = 0;
    bool IsApplication = false, IsForm = false, IsChild = false, IsLabel = false, IsCommonControl = false;
    uint8_t PositionSet = 0;               // LeftSet, TopSet
    HDC PaintDC = nullptr;
    PtrList* Handlers = nullptr;           // owned: pairs (handler, run-when-terminated)
    NotifyEvent OnLeave;
    MessageHook HandlerChain = nullptr;
    MessageHook KeyProc = nullptr;
    void (*BeforeClick)(Control*) = nullptr;
    const wchar_t* BaseClassName = L"";
    MessageHook MessageProc = nullptr;
    bool Ctl3DChildren = false, Ctl3D = false;
    ColorValue TextColor = 0;
    GraphicTool* Font = nullptr;           // owned
    ColorValue Color = 0;
    GraphicTool* Brush = nullptr;          // owned
    int Margin = 0;
    int BoundsLeft = 0, BoundsTop = 0, BoundsRight = 0, BoundsBottom = 0;
    int ClientTop = 0, ClientBottom = 0, ClientLeft = 0, ClientRight = 0;
    bool Transparent = false;
    MessageEvent OnMessage;
    NotifyEvent OnClick;
    bool RightClick = false;
    Control* CurrentControl = nullptr;     // not owned: gets the focus when the form is activated
    bool VisibleSet = false;
    bool ShowOnCreate = false;
    uint8_t FocusDepth = 0;
    NotifyEvent OnChange, OnEnter;
    NotifyCodes Codes = {};
    KeyEvent OnChar, OnKeyUp, OnKeyDown;
    NotifyEvent OnSelChange;
    CloseEvent OnClose;
    void (*AfterCreate)(Control*) = nullptr;
    void (*OnChildChange)(Control* parent, Control* child) = nullptr;
    bool SizeLocked = false;
    int Dpi = 0;                           // of a top-level control: its layout's DPI; 0 until asked
    int SavedWidth = 0, SavedHeight = 0;
    PaintEvent OnPaint;
    int ModalResult = 0;
    bool (*MessageFilter)(Control* application, MSG& msg) = nullptr;
    Control* MinimizeAnchor = nullptr;     // not owned
    NotifyEvent OnShow;

private:
    void ApplyVisible(bool visible);
};

// Constructors of the kinds the program builds.
Control* NewApplication(const char* caption);
Control* NewForm(Control* parent, const char* caption);
Control* NewButton(Control* parent, const char* caption);
Control* NewCheckBox(Control* parent, const char* caption);
Control* NewLabel(Control* parent, const char* caption);
Control* NewGroupBox(Control* parent, const char* caption);
Control* NewProgressBar(Control* parent);

// The icon value that means "no icon" (all bits set).
extern const HICON NoIcon;

// Font and background brush of a control (ControlState.cpp, Painting.cpp).
// The brush a control's background is painted with; shared along a chain of equal colours.
HBRUSH BrushHook(Control* control);
// The control's own font, made on first use.
GraphicTool* GetFont(Control* control);
// Sets the character height (lfHeight) of the control's own font.
void SetFontHeight(Control* control, int32_t height);
// OnToolChange of a control's font and of its brush; the context is the control.
void FontChanged(void* control, GraphicTool* tool);
void BrushChanged(void* control, GraphicTool* tool);
void ApplyFont(Control* control);
// Gives a new child its own copies of its parent's font and brush.
void InheritTools(Control* child, Control* parent);

// The DPI of a window: GetDpiForWindow where the system has it, else the screen's
// LOGPIXELSY (Windows 7). Without a window, the system's DPI.
int WindowDpi(HWND window);
constexpr int LayoutDpi = 96; // the DPI that layout values are given for
inline int ScaledToDpi(int value, int dpi) { return MulDiv(value, dpi, LayoutDpi); }
// Takes a top-level control's windows to another DPI: the frame to the suggested rectangle
// (or its size scaled where there is none), every child's place and size, and the fonts.
void ApplyDpi(Control* control, int dpi, const RECT* suggested);

// Modal box titled with the running Application's caption, owned by owner's window or,
// without one, by the Application's. The owner is disabled while the box is up.
int ShowMessageBox(const char* text, uint32_t flags, Control* owner = nullptr);

// Toolkit state.
extern Control* PendingControl;     // whose CreateWindowExW is in progress
extern Control* CurrentApplication; // the Application while its loop runs
extern bool ApplicationCreated;
extern uint16_t NextControlId;
extern void (*AfterCreateHook)(Control*);
extern uint8_t LoopDepth;
extern bool Terminated;
extern MessageHook GlobalMessageHook;
extern MessageHook GlobalKeyHook;
extern void (*ResizeHook)(Control*);
extern HCURSOR OverrideCursor;
extern bool CursorLocked;
// Serves MsgSynchronize; lParam carries the waiting worker.
extern void (*SyncDispatcher)(LPARAM worker);

LRESULT CALLBACK SharedWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT DefaultProcessing(Control* control, MSG& msg);
void InitCommonControlsWith(DWORD flags);
// Runs the program's message loop; frees the application and clears the variable at the end.
// False, without waiting, when the application's window could not be made.
bool Run(Control*& application);

// Handlers attached by the constructors and setters.
bool ChildHandler(Control* control, MSG& msg, LRESULT& result);
bool FormHandler(Control* control, MSG& msg, LRESULT& result);
bool BackgroundPainter(Control* control, MSG& msg, LRESULT& result);
bool PaintHandler(Control* control, MSG& msg, LRESULT& result);
bool ReflectedColorAnswer(Control* control, MSG& msg, LRESULT& result);
bool KeyDispatcher(Control* control, MSG& msg, LRESULT& result);

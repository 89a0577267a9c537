#include "Control.h"

#include <cwchar>

#include "Canvas.h"

Control* PendingControl = nullptr;
Control* CurrentApplication = nullptr;
bool ApplicationCreated = false;
uint16_t NextControlId = 0x8000;
void (*AfterCreateHook)(Control*) = nullptr;

namespace {

const NotifyCodes ButtonCodes = {BN_CLICKED, BN_SETFOCUS, BN_KILLFOCUS, 0, 0};
const NotifyCodes LabelCodes = {STN_CLICKED, 0, 0, 0, 0};
// List view, tree view, bar, tab, up-down, progress, hot-key and animate classes (0xFF).
const DWORD AllCommonControlClasses = ICC_LISTVIEW_CLASSES | ICC_TREEVIEW_CLASSES | ICC_BAR_CLASSES | ICC_TAB_CLASSES |
                                      ICC_UPDOWN_CLASS | ICC_PROGRESS_CLASS | ICC_HOTKEY_CLASS | ICC_ANIMATE_CLASS;

Control* NewControl(Control* parent, const wchar_t* baseClass, bool ctl3D)
{
    Control* c = new Control;
    c->AttachToParent(parent);
    c->BaseClassName = baseClass;
    if (parent) {
        c->MessageProc = parent->MessageProc;
        c->Ctl3DChildren = parent->Ctl3DChildren;
        c->Ctl3D = parent->Ctl3DChildren && ctl3D;
        c->TextColor = parent->TextColor;
        c->Color = parent->Color;
        InheritTools(c, parent);
        c->Margin = parent->Margin;
        const int dpi = parent->CurrentDpi();
        c->BoundsLeft = ScaledToDpi(c->Margin, dpi);
        c->BoundsTop = ScaledToDpi(c->Margin + parent->ClientTop, dpi);
        c->BoundsRight = c->BoundsBottom = ScaledToDpi(c->Margin + 64, dpi);
    }
    return c;
}

Control* NewChild(Control* parent, const wchar_t* baseClass, DWORD style, const NotifyCodes* codes, bool ctl3D)
{
    Control* c = NewControl(parent, baseClass, ctl3D);
    c->IsChild = true;
    if (codes)
        c->Codes = *codes;
    c->Style = style | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
    if (c->Ctl3D) {
        c->Style &= ~WS_BORDER;
        c->ExStyle |= WS_EX_CLIENTEDGE;
    }
    c->Visible = (c->Style & WS_VISIBLE) != 0;
    c->Cursor = parent->Cursor;
    Control* form = c->ParentForm();
    if (form)
        c->TabOrder = ++form->TabOrder;
    if (style & WS_TABSTOP) {
        c->TabStop = true;
        if (form && !form->CurrentControl)
            form->CurrentControl = c;
    }
    c->ControlId = NextControlId++;
    c->AttachHandler(ChildHandler);
    return c;
}

void SetHeightDefault(Control* c, int height)
{
    c->BoundsBottom = c->BoundsTop + c->Scaled(height);
}

void TrimSystemMenu(Control* application)
{
    HMENU menu = GetSystemMenu(application->Handle, FALSE);
    EnableMenuItem(menu, SC_RESTORE, MF_GRAYED);
    DeleteMenu(menu, SC_SIZE, MF_BYCOMMAND);
    DeleteMenu(menu, SC_MOVE, MF_BYCOMMAND);
    DeleteMenu(menu, SC_MAXIMIZE, MF_BYCOMMAND);
}

// Focusing the application window hands the focus to the form that had it last.
bool ApplicationFocusHandler(Control* application, MSG& msg, LRESULT&)
{
    if (msg.message != WM_SETFOCUS || !application->CurrentControl)
        return false;
    application->CurrentControl->CreateWindow();
    SetFocus(application->CurrentControl->Handle);
    return true;
}

// Common-control notifications arrive at the parent; pass them on to the child's handlers.
bool NotifyForwarder(Control*, MSG& msg, LRESULT& result)
{
    if (msg.message != WM_NOTIFY)
        return false;
    auto* header = reinterpret_cast<NMHDR*>(msg.lParam);
    auto* child = static_cast<Control*>(GetPropW(header->hwndFrom, SelfProperty));
    if (!child || !child->HandlerChain)
        return false;
    MSG forwarded = msg;
    forwarded.hwnd = header->hwndFrom;
    return child->HandlerChain(child, forwarded, result);
}

bool CommonControlNotify(Control* control, MSG& msg, LRESULT&)
{
    if (msg.message != WM_NOTIFY)
        return false;
    auto* header = reinterpret_cast<NMHDR*>(msg.lParam);
    if (header->hwndFrom != control->Handle)
        return false;
    switch (header->code) {
    case NM_RCLICK:
        control->RightClick = true;
        [[fallthrough]];
    case NM_CLICK:
        if (control->OnClick)
            control->OnClick(control);
        control->RightClick = false;
        return false;
    case NM_KILLFOCUS:
        if (control->OnLeave)
            control->OnLeave(control);
        return false;
    case NM_RETURN:
    case NM_SETFOCUS:
        if (control->OnEnter)
            control->OnEnter(control);
        return false;
    }
    return false;
}

} // namespace

void Control::Init()
{
    ClassStyle = CS_OWNDC;
    Style = WS_OVERLAPPEDWINDOW | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
    ExStyle = WS_EX_CONTROLPARENT;
    Cursor = LoadCursorA(nullptr, IDC_ARROW);
    TextColor = SystemColor(COLOR_WINDOWTEXT);
    Color = SystemColor(COLOR_BTNFACE);
    Margin = 2;
    Ctl3D = Ctl3DChildren = true;
    Enabled = Visible = true;
    Children = NewPtrList();
    Handlers = NewPtrList();
}

void Control::AttachToParent(Control* parent)
{
    Init();
    if (!parent)
        return;
    Color = parent->Color;
    if (Parent) {
        Parent->Children->Remove(this);
        if (Parent->OnChildChange)
            Parent->OnChildChange(Parent, nullptr);
    }
    Parent = parent;
    parent->Children->Add(this);
    if (parent->OnChildChange)
        parent->OnChildChange(parent, this);
    Cursor = LoadCursorA(nullptr, IDC_ARROW);
}

Control* NewApplication(const char* caption)
{
    Control* c = NewControl(nullptr, L"App", true);
    c->Style = WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    c->ExStyle = WS_EX_APPWINDOW;
    c->IsApplication = true;
    ApplicationCreated = true;
    c->AfterCreate = TrimSystemMenu;
    c->AttachHandler(ApplicationFocusHandler);
    c->SetCaption(caption);
    return c;
}

Control* NewForm(Control* parent, const char* caption)
{
    Control* c = NewControl(parent, L"Form", true);
    c->ClassStyle |= CS_DBLCLKS;
    c->IsForm = true;
    c->AttachHandler(FormHandler);
    c->AttachHandler(BackgroundPainter);
    c->SetCaption(caption);
    return c;
}

Control* NewButton(Control* parent, const char* caption)
{
    Control* c = NewChild(parent, L"BUTTON", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHLIKE, &ButtonCodes, false);
    SetHeightDefault(c, 22);
    c->SetCaption(caption);
    return c;
}

Control* NewCheckBox(Control* parent, const char* caption)
{
    Control* c = NewChild(parent, L"BUTTON", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX, &ButtonCodes, false);
    SetHeightDefault(c, 22);
    c->BoundsRight = c->BoundsLeft + c->Scaled(72);
    c->SetCaption(caption);
    return c;
}

Control* NewLabel(Control* parent, const char* caption)
{
    Control* c = NewChild(parent, L"STATIC", WS_CHILD | WS_VISIBLE | SS_NOTIFY | SS_NOPREFIX | SS_LEFTNOWORDWRAP,
                          &LabelCodes, false);
    SetHeightDefault(c, 22);
    c->IsLabel = true;
    c->SetCaption(caption);
    return c;
}

Control* NewGroupBox(Control* parent, const char* caption)
{
    Control* c = NewChild(parent, L"BUTTON",
                          WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | WS_GROUP | WS_TABSTOP | BS_GROUPBOX,
                          &ButtonCodes, false);
    c->ExStyle |= WS_EX_CONTROLPARENT;
    c->TabStop = false;
    c->BoundsRight += c->Scaled(36);
    c->BoundsBottom += c->Scaled(78);
    c->ClientTop += 22;
    c->ClientLeft += 2;
    c->ClientRight += 2;
    c->ClientBottom += 2;
    c->AttachHandler(BackgroundPainter);
    c->SetCaption(caption);
    return c;
}

Control* NewProgressBar(Control* parent)
{
    InitCommonControlsWith(AllCommonControlClasses);
    Control* c = NewChild(parent, PROGRESS_CLASSW, WS_CHILD | WS_VISIBLE, nullptr, true);
    c->IsCommonControl = true;
    c->BoundsRight = c->BoundsLeft + c->Scaled(300);
    c->BoundsBottom = c->BoundsTop + c->Scaled(20);
    c->ControlId = 0;
    c->TextColor = SystemColor(COLOR_HIGHLIGHT);
    parent->AttachHandler(NotifyForwarder);
    c->AttachHandler(CommonControlNotify);
    return c;
}

Control* Control::ParentForm() const
{
    Control* form = Parent;
    while (form && form->IsChild)
        form = form->Parent;
    return form;
}

Control* Control::RootApplication()
{
    Control* root = this;
    while (root->Parent)
        root = root->Parent;
    return root->IsApplication ? root : nullptr;
}

bool Control::IsMainForm() const
{
    if (IsChild)
        return false;
    if (Parent)
        return !Parent->Parent && Parent->Children->Count > 0 && (*Parent->Children)[0] == this;
    return !ApplicationCreated || IsApplication;
}

namespace {

// Class styles that a copied standard class does not keep: whether windows get a private
// device context is the toolkit class's own choice, and its classes are never global.
const UINT NotInheritedClassStyles = CS_OWNDC | CS_CLASSDC | CS_PARENTDC | CS_GLOBALCLASS;

// The class of the control's kind: a copy of the standard class it is built on (whose
// procedure then gets the messages the toolkit leaves alone), or a plain class of its own.
WNDCLASSW KindClass(Control* control, HINSTANCE instance)
{
    WNDCLASSW wc = {};
    wc.style = control->ClassStyle;
    wc.lpfnWndProc = control->BaseWndProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    WNDCLASSW base;
    if (GetClassInfoW(instance, control->BaseClassName, &base)) {
        wc = base;
        wc.hInstance = instance;
        wc.style &= ~NotInheritedClassStyles;
        if (!control->BaseWndProc)
            control->BaseWndProc = base.lpfnWndProc;
    }
    return wc;
}

// Registers the class under its toolkit name, with the shared procedure, unless it is there.
bool RegisterOnce(WNDCLASSW wc, const wchar_t* className)
{
    WNDCLASSW existing;
    if (GetClassInfoW(wc.hInstance, className, &existing))
        return true;
    wc.lpszClassName = className;
    wc.lpfnWndProc = SharedWindowProc;
    return RegisterClassW(&wc) != 0;
}

void CreateChildren(Control* control)
{
    for (int i = 0; i < control->Children->Count; ++i)
        static_cast<Control*>((*control->Children)[i])->CreateWindow();
}

// Registers the kind's class when needed and makes the native window where the control's
// bounds say; null when either fails. The window procedure takes PendingControl as its own.
HWND NewNativeWindow(Control* control, HWND parentWindow)
{
    wchar_t className[64] = L"obj_";
    std::wcsncat(className, control->BaseClassName, 64 - 5);
    HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSW wc = KindClass(control, instance);
    if ((control->Style & WS_CHILD) && !parentWindow)
        return nullptr;
    if (!RegisterOnce(wc, className))
        return nullptr;

    int width = control->BoundsRight - control->BoundsLeft, height = control->BoundsBottom - control->BoundsTop;
    int x = control->BoundsLeft, y = control->BoundsTop;
    if (!width)
        width = CW_USEDEFAULT;
    if (!height)
        height = CW_USEDEFAULT;
    if (!control->IsChild && !(control->PositionSet & (LeftSet | TopSet)))
        x = y = CW_USEDEFAULT; // a top-level window nobody placed: the system places it

    PendingControl = control;
    HWND window = CreateWindowExW(control->ExStyle, className, control->CaptionText.c_str(), control->Style, x, y, width,
                                  height, parentWindow,
                                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(control->ControlId)), instance, nullptr);
    if (!window)
        PendingControl = nullptr;
    return window;
}

} // namespace

bool Control::CreateWindow()
{
    HWND parentWindow = nullptr;
    if (Parent) {
        parentWindow = Parent->GetHandle();
        if (!parentWindow)
            return false;
    }
    if (Handle) {
        CreateChildren(this);
        if (ShowOnCreate) {
            ApplyVisible(true);
            ShowOnCreate = false;
        }
        return true;
    }

    Handle = NewNativeWindow(this, parentWindow);
    if (!Handle)
        return false;
    SendMessageW(Handle, WM_UPDATEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS), 0);
    if (!GetPropW(Handle, SelfProperty)) {
        PendingControl = nullptr;
        SetPropW(Handle, SelfProperty, this);
    }
    if (!IsChild) {
        SendMessageW(Handle, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(GetIcon()));
        // Laid out for the system's DPI; a window that opened on a monitor of another follows it.
        if (int dpi = WindowDpi(Handle); dpi != CurrentDpi())
            ApplyDpi(this, dpi, nullptr);
    }
    if (AfterCreate)
        AfterCreate(this);
    if (AfterCreateHook)
        AfterCreateHook(this);
    ApplyFont(this);
    ApplyFont(this);
    CreateChildren(this);
    return true;
}

HWND Control::GetHandle()
{
    if (Handle)
        return Handle;
    if (!VisibleSet) {
        // Made only because someone needs the handle: stay hidden until created explicitly.
        Style &= ~WS_VISIBLE;
        Visible = false;
        CreateWindow();
        ShowOnCreate = true;
    } else {
        CreateWindow();
    }
    return Handle;
}

LRESULT Control::Perform(UINT message, WPARAM wParam, LPARAM lParam)
{
    return SendMessageW(GetHandle(), message, wParam, lParam);
}

void Control::Destroy()
{
    Control* form = ParentForm();
    if (form && form->CurrentControl == this)
        form->CurrentControl = nullptr;
    // Never leave the application's minimise anchor on a freed form.
    if (Control* application = RootApplication()) {
        if (application->MinimizeAnchor == this) {
            Control* first = application->Children->Count ? static_cast<Control*>((*application->Children)[0]) : nullptr;
            application->MinimizeAnchor = first != this ? first : nullptr;
        }
    }
    if (Handle)
        ShowWindow(Handle, SW_HIDE);
    RunDestroyNotifications();

    for (int i = Children->Count - 1; i >= 0; --i) {
        if (i >= Children->Count)
            continue;
        auto* child = static_cast<Control*>((*Children)[i]);
        // A child held by a running handler outlives this object: cut it loose.
        if (IsHeld(child))
            child->Parent = nullptr;
        Free(child);
    }
    Children->Clear();

    if (Destroying)
        return;
    Destroying = true;
    FreeIfSet(Font);
    Font = nullptr;
    FreeIfSet(Brush);
    Brush = nullptr;
    FreeIfSet(Canvas);
    Canvas = nullptr;

    if (Handle) {
        if (IsWindow(Handle)) {
            auto old = reinterpret_cast<HICON>(SendMessageW(Handle, WM_SETICON, ICON_BIG, 0));
            if (old && !IconShared)
                DestroyIcon(old);
            if (!WindowGone)
                DestroyWindow(Handle);
        }
        Handle = nullptr;
    }
    if (Parent) {
        if (Parent->CurrentControl == this)
            Parent->CurrentControl = nullptr;
        Parent->Children->Remove(this);
    }
    if (BackBrush)
        DeleteObject(BackBrush);
    Free(Handlers);
    Free(Children);
    BaseObject::Destroy();
}

#include <cstdlib>

#include "Control.h"
#include "Utils.h"

MessageHook GlobalMessageHook = nullptr;
MessageHook GlobalKeyHook = nullptr;
void (*ResizeHook)(Control*) = nullptr;
HCURSOR OverrideCursor = nullptr;
bool CursorLocked = false;
void (*SyncDispatcher)(LPARAM worker) = nullptr;

namespace {

// Walks the attached handlers, last attached first, until one handles the message.
bool RunHandlers(Control* control, MSG& msg, LRESULT& result)
{
    PtrList* handlers = control->Handlers;
    for (int i = handlers->Count - 2; i >= 0; i -= 2) {
        if (i + 1 >= handlers->Count)
            continue; // a handler detached itself or others
        bool runWhenTerminated = (*handlers)[i + 1] != nullptr;
        if (Terminated && !runWhenTerminated)
            continue;
        auto handler = reinterpret_cast<MessageHook>((*handlers)[i]);
        if (handler(control, msg, result))
            return true;
    }
    return false;
}

Control* TargetOf(HWND window)
{
    if (!window)
        return CurrentApplication;
    if (PendingControl) {
        Control* target = PendingControl;
        PendingControl = nullptr;
        target->Handle = window;
        SetPropW(window, SelfProperty, target);
        return target;
    }
    auto* target = static_cast<Control*>(GetPropW(window, SelfProperty));
    return target ? target : CurrentApplication;
}

bool IsDown(int key)
{
    return GetKeyState(key) < 0;
}

} // namespace

void Control::AttachHandler(MessageHook handler, bool runWhenTerminated)
{
    for (int i = 0; i < Handlers->Count; i += 2)
        if ((*Handlers)[i] == reinterpret_cast<void*>(handler))
            return;
    Handlers->Add(reinterpret_cast<void*>(handler));
    Handlers->Add(reinterpret_cast<void*>(static_cast<INT_PTR>(runWhenTerminated)));
    HandlerChain = RunHandlers;
}

void Control::DetachHandler(MessageHook handler)
{
    for (int i = 0; i < Handlers->Count; i += 2) {
        if ((*Handlers)[i] == reinterpret_cast<void*>(handler)) {
            Handlers->DeleteRange(i, 2);
            return;
        }
    }
}

LRESULT CALLBACK SharedWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    MSG msg = {};
    msg.hwnd = window;
    msg.message = message;
    msg.wParam = wParam;
    msg.lParam = lParam;
    Control* target = TargetOf(window);
    if (!target)
        return DefWindowProcW(window, message, wParam, lParam);
    return target->WindowProc(msg);
}

LRESULT DefaultProcessing(Control* control, MSG& msg)
{
    if (control->BaseWndProc)
        return CallWindowProcW(control->BaseWndProc, control->Handle, msg.message, msg.wParam, msg.lParam);
    return DefWindowProcW(msg.hwnd, msg.message, msg.wParam, msg.lParam);
}

namespace {

// How far a step of the dispatch got: not handled (go on, and in the end to the default
// procedure), handled (the result goes through PostHook), or done (the result as it is).
enum class Outcome { NotHandled, Handled, Done };

// Hooks, events and attached handlers, in that order.
Outcome RunHooks(Control* control, MSG& msg, LRESULT& result)
{
    if (GlobalMessageHook && GlobalMessageHook(control, msg, result))
        return Outcome::Handled;
    if (LoopDepth && CurrentApplication && CurrentApplication != control && CurrentApplication->OnMessage &&
        CurrentApplication->OnMessage(msg, result))
        return Outcome::Handled;
    if (control->OnMessage && control->OnMessage(msg, result))
        return Outcome::Handled;
    if (control->HandlerChain && !IsBeingDestroyed(control)) {
        ScopedHold hold(control);
        bool handled = control->HandlerChain(control, msg, result);
        if (hold.ReleaseNow())
            return Outcome::Done; // freed by a handler: gone now, nothing more to do
        if (handled)
            return Outcome::Handled;
    }
    if (control->MessageProc && control->MessageProc(control, msg, result))
        return Outcome::Handled;
    return Outcome::NotHandled;
}

// Who frees what, and when:
// - The program frees what it builds with Free; a Free while a dispatch holds the object
//   (RunHooks above) only marks it, and the end of that hold destroys it.
// - A form of the running Application whose window is destroyed under it (its close box,
//   DestroyWindow) is freed here, at WM_NCDESTROY; WindowGone stops a second DestroyWindow.
// - The main form is not freed there: it posts itself MsgFreeSelf and is freed when that
//   arrives, or else goes with the Application in Run's tear-down, children first.
// - The end of the Windows session frees the Application with every form at once and ends
//   the process from inside the window procedure: no loop runs after it.
Outcome HandleLifetimeMessage(Control* control, MSG& msg)
{
    switch (LOWORD(msg.message)) {
    case WM_NCDESTROY:
        RemovePropW(msg.hwnd, SelfProperty);
        if (control->IsApplication)
            return Outcome::NotHandled;
        if (control->IsMainForm()) {
            PostMessageW(msg.hwnd, MsgFreeSelf, 0, 0);
            return Outcome::NotHandled;
        }
        if (CurrentApplication && control->Parent == CurrentApplication) {
            control->WindowGone = true;
            Free(control);
            return Outcome::Done;
        }
        return Outcome::NotHandled;

    case MsgFreeSelf:
        control->Destroying = true; // the window is gone: Destroy runs only the notifications
        Free(control);
        return Outcome::Done;

    case WM_ENDSESSION: {
        // Forms only, and only while the loop still runs its handlers.
        if (!msg.wParam || !control->IsForm || Terminated)
            return Outcome::NotHandled;
        LoopDepth = 0;
        Control* application = CurrentApplication;
        CurrentApplication = nullptr;
        Terminated = true;
        FreeIfSet(application);
        std::exit(0);
    }
    }
    return Outcome::NotHandled;
}

Outcome HandleClose(Control* control)
{
    if (control->OnClose) {
        bool accept = true;
        control->OnClose(control, accept);
        if (!accept && LoopDepth)
            return Outcome::Handled;
    }
    control->OnClose = {};
    if (!control->IsMainForm() && !control->IsApplication)
        return Outcome::NotHandled;
    if (Control* application = control->RootApplication(); application && application != control)
        application->Perform(WM_CLOSE, 0, 0);
    PostQuitMessage(0);
    return Outcome::Handled;
}

Outcome HandleShowWindow(Control* control, MSG& msg)
{
    if (msg.lParam == SW_PARENTCLOSING) {
        HWND window = control->Handle;
        control->RestoreShowCmd =
            IsIconic(window) ? SW_SHOWMINNOACTIVE : IsZoomed(window) ? SW_SHOWMAXIMIZED : SW_SHOWNOACTIVATE;
    } else if (msg.lParam == SW_PARENTOPENING) {
        if (control->RestoreShowCmd) {
            ShowWindow(control->Handle, control->RestoreShowCmd);
            control->RestoreShowCmd = 0;
        }
        return Outcome::Handled;
    }
    return Outcome::NotHandled;
}

Outcome HandleKeyMessage(Control* control, MSG& msg, LRESULT& result)
{
    HWND focus = GetFocus();
    if (focus != control->FocusHandle && focus != control->Handle)
        return Outcome::Handled;
    if ((GlobalKeyHook && GlobalKeyHook(control, msg, result)) || (control->KeyProc && control->KeyProc(control, msg, result)))
        return Outcome::Handled;
    if (IsDown(VK_CONTROL) || IsDown(VK_MENU))
        return Outcome::NotHandled;
    if (LOWORD(msg.message) == WM_CHAR && msg.wParam == VK_TAB) {
        msg.wParam = 0; // Tab moves the focus; it is never typed
        return Outcome::Handled;
    }
    return Outcome::NotHandled;
}

Outcome HandleSize(Control* control, MSG& msg, LRESULT& result)
{
    result = DefaultProcessing(control, msg);
    control->SizeKind = static_cast<uint8_t>(msg.wParam);
    if (ResizeHook) {
        if (!control->IsForm && control->Parent)
            ResizeHook(control->Parent);
        ResizeHook(control);
    }
    return Outcome::Done;
}

// The main form's minimise is the application's: it goes to the application's window.
Outcome HandleMinimize(Control* control, MSG& msg)
{
    if ((msg.wParam & SystemCommandMask) != SC_MINIMIZE || !control->IsMainForm() || control->IsApplication)
        return Outcome::NotHandled;
    if (Control* application = control->RootApplication())
        PostMessageW(application->Handle, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    return Outcome::Handled;
}

// The messages the toolkit handles itself.
Outcome HandleMessage(Control* control, MSG& msg, LRESULT& result)
{
    UINT message = LOWORD(msg.message);
    switch (message) {
    case WM_NCDESTROY:
    case MsgFreeSelf:
    case WM_ENDSESSION:
        return HandleLifetimeMessage(control, msg);
    case WM_CLOSE:
        return HandleClose(control);
    case WM_SHOWWINDOW:
        return HandleShowWindow(control, msg);
    case WM_SIZE:
        return HandleSize(control, msg, result);
    case WM_SYSCOMMAND:
        return HandleMinimize(control, msg);
    case WM_DPICHANGED:
        if (control->IsChild)
            return Outcome::NotHandled;
        ApplyDpi(control, HIWORD(msg.wParam), reinterpret_cast<const RECT*>(msg.lParam));
        result = 0;
        return Outcome::Handled;
    case WM_SETFOCUS:
        if (!control->Focus())
            return Outcome::Handled;
        ++control->FocusDepth;
        result = DefaultProcessing(control, msg);
        --control->FocusDepth;
        return Outcome::Done;
    case WM_SETCURSOR:
        if (CursorLocked || GetCapture() || LOWORD(msg.lParam) != HTCLIENT)
            return Outcome::NotHandled;
        SetCursor(OverrideCursor ? OverrideCursor : control->Cursor);
        result = TRUE;
        return Outcome::Done;
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
        result = SendMessageW(reinterpret_cast<HWND>(msg.lParam), message + MsgReflectedCtlColor, msg.wParam, msg.lParam);
        return Outcome::Handled;
    case WM_COMMAND:
        if (!GetPropW(reinterpret_cast<HWND>(msg.lParam), SelfProperty))
            return Outcome::NotHandled;
        result = SendMessageW(reinterpret_cast<HWND>(msg.lParam), MsgReflectedCommand, msg.wParam, msg.lParam);
        return Outcome::Handled;
    case MsgSynchronize:
        if (SyncDispatcher)
            SyncDispatcher(msg.lParam);
        return Outcome::Handled;
    }
    if (message >= WM_KEYFIRST && message <= WM_SYSDEADCHAR)
        return HandleKeyMessage(control, msg, result);
    return Outcome::NotHandled;
}

} // namespace

LRESULT Control::WindowProc(MSG& msg)
{
    LRESULT result = 0;
    Outcome outcome = RunHooks(this, msg, result);
    if (outcome == Outcome::NotHandled)
        outcome = HandleMessage(this, msg, result);
    switch (outcome) {
    case Outcome::Handled:
        if (PostHook)
            PostHook(this, msg, result);
        return result;
    case Outcome::Done:
        return result; // the control may be gone: touch nothing
    case Outcome::NotHandled:
        break;
    }
    return DefaultProcessing(this, msg);
}

bool ChildHandler(Control* control, MSG& msg, LRESULT& result)
{
    UINT message = msg.message;
    if (message >= WM_CTLCOLORMSGBOX + MsgReflectedCtlColor && message <= WM_CTLCOLORSTATIC + MsgReflectedCtlColor)
        return ReflectedColorAnswer(control, msg, result);

    if (message == MsgReflectedCommand) {
        WORD code = HIWORD(msg.wParam);
        const NotifyCodes& codes = control->Codes;
        if (code == codes.Click) {
            if (control->FocusDepth == 0) {
                if (control->BeforeClick)
                    control->BeforeClick(control);
                if (control->OnClick)
                    control->OnClick(control);
            }
        } else if (code == codes.Enter) {
            if (control->OnEnter)
                control->OnEnter(control);
        } else if (code == codes.Leave) {
            if (control->OnLeave)
                control->OnLeave(control);
        } else if (code == codes.Change) {
            if (control->OnChange)
                control->OnChange(control);
        } else if (code == codes.SelChange) {
            NotifyEvent& event = control->OnSelChange ? control->OnSelChange : control->OnChange;
            if (event)
                event(control);
        } else {
            return false;
        }
        result = DefaultProcessing(control, msg);
        return true;
    }

    if (message == WM_SETFOCUS) {
        result = 0;
        Control* form = control->ParentForm();
        if (!form)
            return true;
        form->CurrentControl = control;
        return false;
    }
    return false;
}

void Control::SetOnKeyUp(KeyEvent event)
{
    OnKeyUp = event;
    KeyProc = KeyDispatcher;
}

bool KeyDispatcher(Control* control, MSG& msg, LRESULT&)
{
    KeyEvent* event = nullptr;
    switch (msg.message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
        event = &control->OnKeyDown;
        break;
    case WM_KEYUP:
    case WM_SYSKEYUP:
        event = &control->OnKeyUp;
        break;
    case WM_CHAR:
        event = &control->OnChar;
        break;
    default:
        return false;
    }
    if (!*event)
        return false;
    (*event)(control, msg.wParam, GetShiftState());
    return msg.wParam == 0;
}

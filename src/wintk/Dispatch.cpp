#include "Control.h"

MessageHook GlobalMessageHook = nullptr;
MessageHook GlobalKeyHook = nullptr;
void (*ResizeHook)(Control*) = nullptr;
HCURSOR OverrideCursor = nullptr;
bool CursorLocked = false;
void (*SyncDispatcher)(LPARAM worker) = nullptr;

namespace {

const char SelfProperty[] = "SELF_";

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
        SetPropA(window, SelfProperty, target);
        return target;
    }
    auto* target = static_cast<Control*>(GetPropA(window, SelfProperty));
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
        return DefWindowProcA(window, message, wParam, lParam);
    return target->WindowProc(msg);
}

LRESULT DefaultProcessing(Control* control, MSG& msg)
{
    if (control->BaseWndProc)
        return CallWindowProcA(control->BaseWndProc, control->Handle, msg.message, msg.wParam, msg.lParam);
    return DefWindowProcA(msg.hwnd, msg.message, msg.wParam, msg.lParam);
}

LRESULT Control::WindowProc(MSG& msg)
{
    LRESULT result = 0;
    auto handled = [&]() {
        if (PostHook)
            PostHook(this, msg, result);
        return result;
    };

    if (GlobalMessageHook && GlobalMessageHook(this, msg, result))
        return handled();
    if (LoopDepth && CurrentApplication && CurrentApplication != this && CurrentApplication->OnMessage &&
        CurrentApplication->OnMessage(msg, result))
        return handled();
    if (OnMessage && OnMessage(msg, result))
        return handled();
    if (HandlerChain && RefCount >= 0) {
        // Held while the handlers run; a Free meanwhile only marks it, and if that left
        // the chain's hold as the last one, the release destroys it and we are done.
        AddRef(this);
        bool chainHandled = HandlerChain(this, msg, result);
        if (RefCount == 1) {
            Release(this);
            return result;
        }
        Release(this);
        if (chainHandled)
            return handled();
    }
    if (MessageProc && MessageProc(this, msg, result))
        return handled();

    UINT message = LOWORD(msg.message);
    switch (message) {
    case WM_CLOSE:
        if (OnClose) {
            bool accept = true;
            OnClose(this, accept);
            if (!accept && LoopDepth)
                return handled();
        }
        OnClose = {};
        if (!IsMainForm() && !IsApplication)
            break;
        if (Control* application = RootApplication(); application && application != this)
            application->Perform(WM_CLOSE, 0, 0);
        PostQuitMessage(0);
        return handled();

    case WM_NCDESTROY:
        RemovePropA(msg.hwnd, SelfProperty);
        if (IsApplication)
            break;
        if (IsMainForm()) {
            PostMessageA(msg.hwnd, MsgFreeSelf, 0, 0);
            break;
        }
        if (CurrentApplication && Parent == CurrentApplication) {
            WindowGone = true;
            Free(this);
            return 0;
        }
        break;

    case MsgFreeSelf:
        Destroying = true;
        Free(this);
        return 0;

    case WM_SIZE: {
        result = DefaultProcessing(this, msg);
        SizeKind = static_cast<uint8_t>(msg.wParam);
        if (ResizeHook) {
            if (!IsForm && Parent)
                ResizeHook(Parent);
            ResizeHook(this);
        }
        return result;
    }

    case WM_SHOWWINDOW:
        if (msg.lParam == SW_PARENTCLOSING) {
            RestoreShowCmd = IsIconic(Handle) ? SW_SHOWMINNOACTIVE : IsZoomed(Handle) ? SW_SHOWMAXIMIZED : SW_SHOWNOACTIVATE;
        } else if (msg.lParam == SW_PARENTOPENING) {
            if (RestoreShowCmd) {
                ShowWindow(Handle, RestoreShowCmd);
                RestoreShowCmd = 0;
            }
            return handled();
        }
        break;

    case WM_SYSCOMMAND:
        if ((msg.wParam & 0xFFF0) == SC_MINIMIZE && IsMainForm() && !IsApplication) {
            if (Control* application = RootApplication())
                PostMessageA(application->Handle, WM_SYSCOMMAND, SC_MINIMIZE, 0);
            return handled();
        }
        break;

    case WM_SETFOCUS:
        if (Focus()) {
            ++FocusDepth;
            result = DefaultProcessing(this, msg);
            --FocusDepth;
            return result;
        }
        return handled();

    case WM_SETCURSOR:
        if (CursorLocked || GetCapture() || LOWORD(msg.lParam) != HTCLIENT)
            break;
        SetCursor(OverrideCursor ? OverrideCursor : Cursor);
        return TRUE;

    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
        result = SendMessageA(reinterpret_cast<HWND>(msg.lParam), message + MsgReflectedCtlColor, msg.wParam, msg.lParam);
        return handled();

    case WM_COMMAND:
        if (GetPropA(reinterpret_cast<HWND>(msg.lParam), SelfProperty)) {
            result = SendMessageA(reinterpret_cast<HWND>(msg.lParam), MsgReflectedCommand, msg.wParam, msg.lParam);
            return handled();
        }
        break;

    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_CHAR:
    case WM_DEADCHAR:
    case WM_SYSKEYDOWN:
    case WM_SYSKEYUP:
    case WM_SYSCHAR:
    case WM_SYSDEADCHAR: {
        HWND focus = GetFocus();
        if (focus != FocusHandle && focus != Handle)
            return handled();
        if ((GlobalKeyHook && GlobalKeyHook(this, msg, result)) || (KeyProc && KeyProc(this, msg, result)))
            return handled();
        if (IsDown(VK_CONTROL) || IsDown(VK_MENU))
            break;
        if (message == WM_CHAR && msg.wParam == VK_TAB) {
            msg.wParam = 0; // Tab moves the focus; it is never typed
            return handled();
        }
        break;
    }

    case MsgSynchronize:
        if (SyncDispatcher)
            SyncDispatcher(msg.lParam);
        return handled();
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

// The application's message loop, modal forms, activation, the form-level handlers, and
// the message box the application owns.
#include "Control.h"
#include "Utils.h"

uint8_t LoopDepth = 0;
bool Terminated = false;

namespace {

bool ModalCloseHandler(Control* form, MSG& msg, LRESULT& result)
{
    if (msg.message != WM_CLOSE)
        return false;
    if (form->ModalResult == 0)
        form->ModalResult = -1;
    result = 0;
    return true;
}

bool MinimizeHandler(Control*, MSG& msg, LRESULT&)
{
    if (msg.message != WM_SYSCOMMAND || (msg.wParam & SystemCommandMask) != SC_MINIMIZE)
        return false;
    if (CurrentApplication && CurrentApplication->MinimizeAnchor) {
        Control* anchor = CurrentApplication->MinimizeAnchor;
        SetWindowPos(CurrentApplication->Handle, nullptr, anchor->Left(), anchor->Top(), anchor->Width(), 0,
                     SWP_NOZORDER | SWP_NOREDRAW);
    }
    return false;
}

bool ShowHandler(Control* control, MSG& msg, LRESULT&)
{
    if (msg.message != WM_SHOWWINDOW || msg.hwnd != control->Handle)
        return false;
    bool wasVisible = IsWindowVisible(control->Handle);
    if (msg.wParam) {
        control->Visible = true;
        if (!wasVisible && control->OnShow)
            control->OnShow(control);
    } else {
        control->Visible = false;
    }
    return false;
}


} // namespace

// Takes one message; false when the queue was empty or the message was WM_NULL.
static bool ProcessMessage(Control* application)
{
    MSG msg;
    if (!PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
        return false;
    if (msg.message == WM_QUIT) {
        Terminated = true;
    } else if (!(application && application->MessageFilter && application->MessageFilter(application, msg))) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return LOWORD(msg.message) != 0;
}

void Control::ProcessMessages()
{
    while (ProcessMessage(this)) {
    }
}

bool Run(Control*& application)
{
    LoopDepth += 1;
    CurrentApplication = application;
    // Without the application's window no close could ever end the loop: tear down at once.
    bool started = application->CreateWindow();
    while (started && !Terminated) {
        WaitMessage();
        application->ProcessMessages();
    }
    Terminated = true;
    LoopDepth = 0;
    Control* running = CurrentApplication;
    CurrentApplication = nullptr;
    application = nullptr;
    if (running) {
        ScopedHold hold(running); // destroyed by the hold's release, not inside Free
        Free(running);
    }
    return started;
}

// The end of the session is handled with the other lifetime messages (Dispatch.cpp).
bool FormHandler(Control* form, MSG& msg, LRESULT&)
{
    if (msg.message != WM_SETFOCUS)
        return false;
    bool handled = false;
    if (form->CurrentControl) {
        form->CurrentControl->CreateWindow();
        SetFocus(form->CurrentControl->Handle);
        handled = true;
    }
    if (CurrentApplication && CurrentApplication != form)
        CurrentApplication->CurrentControl = form;
    return handled;
}

int Control::ShowModal()
{
    if (!Parent || IsChild) {
        Show();
        return 0;
    }
    Control* application = Parent;
    Control* reactivate = application->CurrentControl;
    AttachHandler(ModalCloseHandler);
    ModalResult = 0;
    PtrList* disabled = NewPtrList();
    for (int i = 0; i < application->Children->Count; ++i) {
        auto* form = static_cast<Control*>((*application->Children)[i]);
        if (form != this && form->IsEnabled()) {
            form->SetEnabled(false);
            disabled->Add(form);
        }
    }
    Show();
    while (!Terminated && ModalResult == 0) {
        WaitMessage();
        application->ProcessMessages();
    }
    DetachHandler(ModalCloseHandler);
    for (int i = 0; i < disabled->Count; ++i)
        static_cast<Control*>((*disabled)[i])->SetEnabled(true);
    Free(disabled);
    if (reactivate && reactivate->Handle)
        PostMessageW(reactivate->Handle, WM_ACTIVATE, WA_ACTIVE, 0);
    return ModalResult;
}

void Control::Close()
{
    if (Handle)
        PostMessageW(Handle, WM_CLOSE, 0, 0);
}

bool Control::IsActive()
{
    if (IsChild) {
        Control* form = ParentForm();
        return form && form->CurrentControl == this;
    }
    return Handle && GetForegroundWindow() == Handle;
}

void Control::Activate(bool activate)
{
    if (!activate)
        return;
    if (IsChild) {
        if (Control* form = ParentForm())
            form->CurrentControl = this;
        SetFocus(GetHandle());
    } else {
        SetForegroundWindow(GetHandle());
    }
}

void Control::Update()
{
    if (!Handle)
        return;
    UpdateWindow(Handle);
    for (int i = 0; i < Children->Count; ++i)
        static_cast<Control*>((*Children)[i])->Update();
}

void Control::TrackMinimize()
{
    Control* application = RootApplication();
    if (!application)
        application = this;
    application->MinimizeAnchor = this;
    application->AttachHandler(MinimizeHandler);
}

void Control::SetOnShow(NotifyEvent event)
{
    OnShow = event;
    AttachHandler(ShowHandler);
}

void InitCommonControlsWith(DWORD flags)
{
    INITCOMMONCONTROLSEX icc = {sizeof icc, flags};
    InitCommonControlsEx(&icc);
}

int ShowMessageBox(const char* text, uint32_t flags, Control* owner)
{
    HWND ownerWindow = owner ? owner->Handle : CurrentApplication ? CurrentApplication->Handle : nullptr;
    const wchar_t* caption = CurrentApplication ? CurrentApplication->CaptionText.c_str() : nullptr;
    return MessageBoxW(ownerWindow, WideText(text).c_str(), caption, flags);
}

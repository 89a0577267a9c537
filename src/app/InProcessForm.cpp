#include "InProcessForm.h"

#include "RunState.h"

ProgressWindow* CurrentProgressWindow = nullptr;

namespace {

const int ProbeStageCount = 3; // the probe reports its stages 1, 2 and 3
// An info line is as wide as its text: Tahoma at 8 points averages a little over 6 pixels
// a character in these texts, and 7 leaves room for the rounding of the font at any DPI.
const int InfoCharWidth = 7;
const int InfoLineHeight = 14;
const DWORD ModalFrame = WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE;
const DWORD MinMaxBoxes = WS_MINIMIZEBOX | WS_MAXIMIZEBOX;

Control* NewInfoLabel(Control* form, const char* caption, int top, int width)
{
    Control* label = NewLabel(form, caption)->SetPosition(128, top)->SetSize(width, InfoLineHeight);
    SetFontHeight(label, DialogFontHeight);
    return label;
}

void RunWithProgress(void* context, Control*, HDC);

} // namespace

ProgressWindow* BuildProgressWindow(Control* parent)
{
    auto* w = NewObject<ProgressWindow>();
    w->Form = NewForm(parent, "InProcessF")->SetClientSize(463, 71);
    AttachAutoFree(w->Form, w);
    w->Form->SetExStyle(w->Form->ExStyle | ModalFrame);
    w->Form->SetStyle(w->Form->Style & ~MinMaxBoxes);
    w->Info1Lab = NewInfoLabel(w->Form, "Info1Lab", 8, 65);
    w->Info2Lab = NewInfoLabel(w->Form, "Info2Lab", 24, 0);
    w->ProgressBar = NewProgressBar(w->Form)->SetPosition(3, 48)->SetSize(456, 0);
    w->Form->CenterWindow();
    w->Form->SetSizeLocked(true);
    w->Form->TrackMinimize();
    w->Form->SetIcon(NoIcon);
    // The user may close the progress window; the run must then leave it alone.
    w->Form->OnDestroy = {ClearReference<ProgressWindow>, &CurrentProgressWindow};
    CurrentProgressWindow = w;
    return w;
}

void FitInfoLines(ProgressWindow* window)
{
    for (Control* label : {window->Info1Lab, window->Info2Lab}) {
        int width = label->Scaled(InfoCharWidth * static_cast<int>(label->CaptionText.size()));
        label->SetWidth(width);
        label->SetLeft(window->Form->Width() / 2 - width / 2);
    }
}

CarrierDialog* BuildCarrierDialog(Control* parent, const RunKind& kind, NotifyEvent ended)
{
    auto* dialog = NewObject<CarrierDialog>();
    dialog->Kind = &kind;
    dialog->Ended = ended;
    dialog->OnDestroy = {ClearReference<CarrierDialog>, kind.Global};
    *kind.Global = dialog;
    dialog->Form = NewForm(parent, kind.Caption);
    if (kind.ClientSize)
        dialog->Form->SetClientSize(kind.Width, kind.Height);
    else
        dialog->Form->SetSize(kind.Width, kind.Height);
    AttachAutoFree(dialog->Form, dialog);
    if (kind.Analysis) {
        dialog->Form->SetExStyle(dialog->Form->ExStyle | ModalFrame);
        dialog->Form->SetVisible(false);
        dialog->Form->SetStyle(dialog->Form->Style & ~MinMaxBoxes);
    }
    dialog->Form->SetOnPaint({RunWithProgress, dialog});
    dialog->Worker = NewSelfFreeingThread({});
    dialog->Worker->OnExecute = {kind.Body, dialog};
    dialog->Form->CenterWindow();
    if (kind.Analysis)
        dialog->Form->SetSizeLocked(true);
    *kind.Pending = true;
    if (kind.Analysis)
        dialog->Form->SetIcon(NoIcon);
    return dialog;
}

namespace {

void ShowProgressStep()
{
    if (LastShownStep < ProgressStep) {
        LastShownStep = ProgressStep;
        if (CurrentProgressWindow)
            CurrentProgressWindow->ProgressBar->SetProgressPosition(static_cast<int>(ProgressShown));
    }
}

// Starts the worker and dispatches the UI thread's messages until the worker has ended.
// The worker is held from before its start until its end has been seen: it frees itself,
// and its handle must stay open for the poll.
void RunWorkerToItsEnd(Control* application, WorkerThread* worker, bool showSteps)
{
    ScopedHold hold(worker);
    worker->Resume();
    HANDLE ended = worker->ThreadHandle;
    for (;;) {
        if (showSteps)
            ShowProgressStep();
        application->ProcessMessages();
        if (WaitForSingleObject(ended, 0) != WAIT_TIMEOUT)
            break;
        // Sleep until a message (a sent Synchronize included) or the end of the worker.
        MsgWaitForMultipleObjectsEx(1, &ended, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    }
}

// The dialog's first paint: it hides itself and runs its worker behind the progress window.
void RunWithProgress(void* context, Control* form, HDC)
{
    auto* dialog = static_cast<CarrierDialog*>(context);
    const RunKind& kind = *dialog->Kind;
    if (!*kind.Pending)
        return;
    *kind.Pending = false;
    form->SetVisible(false);

    Control* application = form->Parent;
    ProgressWindow* progress = BuildProgressWindow(application);
    progress->Info1Lab->SetCaption(kind.Info);
    progress->Info2Lab->SetCaption(nullptr);
    progress->Form->SetCaption("Подождите...");
    FitInfoLines(progress);
    if (!kind.Analysis)
        progress->ProgressBar->SetVisible(false);
    progress->ProgressBar->SetProgressMax(kind.Analysis ? ProbeStageCount : 0);
    progress->ProgressBar->SetProgressPosition(0);
    ProgressStep = 0;
    ProgressShown = 0;
    LastShownStep = 0;
    progress->Form->Show();

    RunWorkerToItsEnd(application, dialog->Worker, kind.Analysis);

    if (dialog->Ended)
        dialog->Ended(form);
    if (CurrentProgressWindow)
        Free(CurrentProgressWindow->Form);
    form->Close();
}

} // namespace

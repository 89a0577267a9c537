#pragma once
// The progress window, and the background run that every carrier dialog performs at its
// first paint: show the progress window, run the worker, keep dispatching until it ends.
#include "wintk/Control.h"
#include "wintk/WorkerThread.h"

struct ProgressWindow : BaseObject {
    Control* Form = nullptr;        // owns the window and the controls below
    Control* Info1Lab = nullptr;    // not owned
    Control* Info2Lab = nullptr;    // not owned
    Control* ProgressBar = nullptr; // not owned
};
// The progress window of the run in progress; cleared when its form is freed.
extern ProgressWindow* CurrentProgressWindow;

ProgressWindow* BuildProgressWindow(Control* parent);
void FitInfoLines(ProgressWindow* window);

struct CarrierDialog;

// What distinguishes the three runs.
struct RunKind {
    const char* Caption;
    int Width, Height; // centred on the screen
    bool ClientSize;  // the size is the client area's, not the outer one
    bool Analysis;    // the probe: modal frame, hidden, fixed size, no icon, a progress bar
    bool* Pending;
    CarrierDialog** Global; // the unit's reference to its dialog, cleared when the dialog dies
    const char* Info;
    int (*Body)(void* dialog, WorkerThread* worker);
};

// A modal form that carries one background run; its first paint runs it.
struct CarrierDialog : BaseObject {
    Control* Form = nullptr;        // owns this record (AttachAutoFree)
    WorkerThread* Worker = nullptr; // frees itself when its body ends
    const RunKind* Kind = nullptr;  // not owned: a constant of the dialog's unit
    NotifyEvent Ended;              // the caller's, called with the form once the worker has ended
};

// ended is what the caller does with the run's result, before the progress window goes.
CarrierDialog* BuildCarrierDialog(Control* parent, const RunKind& kind, NotifyEvent ended = {});

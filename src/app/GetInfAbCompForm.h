#pragma once
// The installation probe, and the background run that shows its progress.
#include "InProcessForm.h"

// How the probe hands a finished stage to its caller: called once per stage, right
// after ProgressStep was set, and expected to return only when the UI has seen it.
struct StageReport {
    void (*Proc)(void* context) = nullptr;
    void* Context = nullptr;
};

// Fills InstallState from the registry and the disk; reports stages 1, 2 and 3. Reads only.
int ProbeInstallation(const StageReport& report);
// Runs on the UI thread: takes the step that the worker has just reported.
void CopyProgressStep();

extern CarrierDialog* ProbeDialog;
// What a probe run does once its worker has ended: the main window wires it to set its
// removal buttons from InstallState.
extern NotifyEvent ProbeRunEnded;
// The analysis dialog; its run probes, then calls ProbeRunEnded.
CarrierDialog* BuildProbeDialog(Control* parent);

#pragma once
// What the background runs share with the windows that start them, defined with the rest of
// the program-wide state in Initer.cpp.
#include <atomic>

// Probe progress: ProgressStep is written by the worker and read by the UI thread;
// the other two belong to the UI thread.
extern std::atomic<long long> ProgressStep;
extern long long ProgressShown;
extern long long LastShownStep;

// Set by a carrier dialog's build, cleared by its first paint.
extern bool ProbeRunPending, QuestsRunPending, NorvaneRunPending;
// Set at the end of the main window's build, cleared by its first paint.
extern bool MainFirstPaint;

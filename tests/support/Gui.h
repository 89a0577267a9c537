#pragma once
// Helpers for tests that drive real toolkit windows: pumping the queue until something
// happens, actions run later from inside a message loop, the toolkit's loop globals
// saved and restored, and a count of the process's live GDI objects.
#include <cstdint>
#include <functional>

#include "wintk/Control.h"

// Dispatches waiting messages (without the toolkit's loop) until done() holds or the
// timeout runs out; answers done() at the end.
bool PumpUntil(const std::function<bool()>& done, int timeoutMs = 2000);
// Dispatches every message that is waiting now.
void DispatchPending();

// Runs an action once, after a delay, from whatever message loop is running on this
// thread then (the toolkit's modal or main loop included). Destroying the object before
// it fired cancels it.
class DelayedCall {
public:
    DelayedCall(int delayMs, std::function<void()> action);
    ~DelayedCall();
    DelayedCall(const DelayedCall&) = delete;
    DelayedCall& operator=(const DelayedCall&) = delete;
    bool Fired() const { return fired_; }

private:
    static void CALLBACK OnTimer(HWND, UINT, UINT_PTR id, DWORD);
    UINT_PTR timer_ = 0;
    bool fired_ = false;
    std::function<void()> action_;
};

// Saves Terminated, LoopDepth and CurrentApplication and puts them back when destroyed
// (or at Restore), so that tests which run loops stay independent in one process.
// Restoring also drops what is left in this thread's queue.
class LoopGlobalsGuard {
public:
    LoopGlobalsGuard();
    ~LoopGlobalsGuard() { Restore(); }
    LoopGlobalsGuard(const LoopGlobalsGuard&) = delete;
    LoopGlobalsGuard& operator=(const LoopGlobalsGuard&) = delete;
    // Makes the globals look as they do while Run runs the application's loop.
    void EnterLoop(Control* application);
    void Restore();

private:
    bool terminated_;
    uint8_t loopDepth_;
    Control* currentApplication_;
    bool restored_ = false;
};

// Live GDI objects of this process. Wine answers GetGuiResources with 0 (not
// implemented); there the handle table is counted instead.
int CountGdiObjects();
// Whether a handle still names a live GDI object.
bool IsLiveGdiObject(HGDIOBJ object);

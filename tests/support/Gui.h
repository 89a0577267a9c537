#pragma once
// Helpers for tests on real toolkit windows: pumping the queue, actions run later from
// whatever loop runs then, and the loop globals put back.
#include <cstdint>
#include <functional>

#include "wintk/Control.h"

// Dispatches every message that waits now.
void DispatchPending();

// Runs an action once, after a delay, from the loop that runs on this thread then (the
// toolkit's modal or main loop included). Destroying the object first cancels it.
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

// Saves Terminated, LoopDepth and CurrentApplication and puts them back when destroyed,
// dropping what was posted meanwhile, so that tests which run loops stay independent.
class LoopGlobalsGuard {
public:
    LoopGlobalsGuard() = default;
    ~LoopGlobalsGuard();
    LoopGlobalsGuard(const LoopGlobalsGuard&) = delete;
    LoopGlobalsGuard& operator=(const LoopGlobalsGuard&) = delete;
    // Makes the globals look as they do while Run runs the application's loop.
    void EnterLoop(Control* application);

private:
    bool terminated_ = Terminated;
    uint8_t loopDepth_ = LoopDepth;
    Control* currentApplication_ = CurrentApplication;
};

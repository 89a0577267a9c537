#include "support/Gui.h"

#include <map>

// Thread timers carry no context: the call is found by its timer.
static std::map<UINT_PTR, DelayedCall*> pendingCalls;

void DispatchPending()
{
    for (MSG msg; PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE);) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

DelayedCall::DelayedCall(int delayMs, std::function<void()> action) : action_(std::move(action))
{
    timer_ = SetTimer(nullptr, 0, static_cast<UINT>(delayMs), OnTimer);
    pendingCalls[timer_] = this;
}

DelayedCall::~DelayedCall()
{
    if (!fired_) {
        KillTimer(nullptr, timer_);
        pendingCalls.erase(timer_);
    }
}

void CALLBACK DelayedCall::OnTimer(HWND, UINT, UINT_PTR id, DWORD)
{
    // A thread timer repeats: stop it before the action, which may itself run a loop.
    KillTimer(nullptr, id);
    auto found = pendingCalls.find(id);
    if (found == pendingCalls.end())
        return;
    DelayedCall* call = found->second;
    pendingCalls.erase(found);
    call->fired_ = true;
    call->action_();
}

void LoopGlobalsGuard::EnterLoop(Control* application)
{
    Terminated = false;
    LoopDepth = 1;
    CurrentApplication = application;
}

LoopGlobalsGuard::~LoopGlobalsGuard()
{
    Terminated = terminated_;
    LoopDepth = loopDepth_;
    CurrentApplication = currentApplication_;
    // Posted messages only: a pending WM_PAINT would be returned again and again.
    for (MSG msg; PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE | PM_QS_POSTMESSAGE);) {
    }
}

#include "support/Gui.h"

#include <map>

namespace {

std::map<UINT_PTR, DelayedCall*>& PendingCalls()
{
    static std::map<UINT_PTR, DelayedCall*> calls;
    return calls;
}

bool DispatchOne()
{
    MSG msg;
    if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
        return false;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
    return true;
}

} // namespace

bool PumpUntil(const std::function<bool()>& done, int timeoutMs)
{
    DWORD start = GetTickCount();
    while (!done()) {
        if (static_cast<int>(GetTickCount() - start) >= timeoutMs)
            return done();
        if (!DispatchOne())
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
    return true;
}

void DispatchPending()
{
    while (DispatchOne()) {
    }
}

DelayedCall::DelayedCall(int delayMs, std::function<void()> action) : action_(std::move(action))
{
    timer_ = SetTimer(nullptr, 0, static_cast<UINT>(delayMs), OnTimer);
    PendingCalls()[timer_] = this;
}

DelayedCall::~DelayedCall()
{
    if (!fired_) {
        KillTimer(nullptr, timer_);
        PendingCalls().erase(timer_);
    }
}

void CALLBACK DelayedCall::OnTimer(HWND, UINT, UINT_PTR id, DWORD)
{
    // A thread timer repeats: stop it before the action, which may itself run a loop.
    KillTimer(nullptr, id);
    auto found = PendingCalls().find(id);
    if (found == PendingCalls().end())
        return;
    DelayedCall* call = found->second;
    PendingCalls().erase(found);
    call->fired_ = true;
    call->action_();
}

LoopGlobalsGuard::LoopGlobalsGuard()
    : terminated_(Terminated), loopDepth_(LoopDepth), currentApplication_(CurrentApplication)
{
}

void LoopGlobalsGuard::EnterLoop(Control* application)
{
    Terminated = false;
    LoopDepth = 1;
    CurrentApplication = application;
}

void LoopGlobalsGuard::Restore()
{
    if (restored_)
        return;
    restored_ = true;
    Terminated = terminated_;
    LoopDepth = loopDepth_;
    CurrentApplication = currentApplication_;
    // Posted messages only: a pending WM_PAINT would be returned again and again.
    MSG msg;
    for (int i = 0; i < 10000 && PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE | PM_QS_POSTMESSAGE); ++i) {
    }
}

bool IsLiveGdiObject(HGDIOBJ object)
{
    return object && GetObjectType(object) != 0;
}

int CountGdiObjects()
{
    if (DWORD count = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS))
        return static_cast<int>(count);
    // Wine keeps GDI objects in a table of 65536 entries and also accepts a handle
    // whose upper word (the entry's generation) is 0.
    int live = 0;
    for (UINT_PTR index = 1; index < 0x10000; ++index)
        if (GetObjectType(reinterpret_cast<HGDIOBJ>(index)))
            ++live;
    return live;
}

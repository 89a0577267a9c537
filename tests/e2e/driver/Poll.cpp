#include "Poll.h"

#include "wintk/Win.h"

void ServeOwnQueue()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageA(&msg);
}

bool WaitUntil(const std::function<bool()>& done, int timeoutMs)
{
    const DWORD start = GetTickCount();
    for (;;) {
        ServeOwnQueue();
        if (done())
            return true;
        if (static_cast<int>(GetTickCount() - start) >= timeoutMs)
            return false;
        // Wakes early for a window event; otherwise tries again in 5 ms.
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    }
}

void PauseServing(int ms)
{
    WaitUntil([] { return false; }, ms);
    ServeOwnQueue();
}

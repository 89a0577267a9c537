#pragma once
// A native thread owned by an object: created suspended, runs OnExecute, and hands calls
// to the window thread through a message that the window thread serves in its loops.
#include <atomic>
#include <cstdint>

#include "Object.h"
#include "Win.h"

class WorkerThread : public BaseObject {
public:
    void Destroy() override;
    virtual int RunBody();

    void Resume();
    // Runs proc(context) on the window thread and returns when it has run there.
    void Synchronize(void (*proc)(void* context), void* context);
    void Terminate();
    DWORD WaitFor();

    bool Suspended = false;
    std::atomic<bool> Finished{false};
    HANDLE ThreadHandle = nullptr; // owned
    DWORD ThreadId = 0;
    EventOf<void, WorkerThread*> OnResume;
    EventOf<int, WorkerThread*> OnExecute;
    struct {
        void (*Proc)(void* context);
        void* Context;
    } SyncCall = {};
    bool AutoFree = false;
};

WorkerThread* NewThread();
// Frees itself on its own thread when OnExecute returns; resumed at once when execute is set.
WorkerThread* NewSelfFreeingThread(EventOf<int, WorkerThread*> execute);

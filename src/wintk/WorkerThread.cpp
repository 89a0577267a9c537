#include "WorkerThread.h"

#include "Control.h"

namespace {

DWORD WINAPI ThreadRoutine(void* parameter)
{
    return static_cast<DWORD>(static_cast<WorkerThread*>(parameter)->RunBody());
}

void DispatchSyncCall(LPARAM worker)
{
    auto* thread = reinterpret_cast<WorkerThread*>(worker);
    thread->SyncCall.Proc(thread->SyncCall.Context);
}

} // namespace

WorkerThread* NewThread()
{
    // The C run time of this toolchain is always thread-safe: nothing to switch on.
    WorkerThread* thread = NewObject<WorkerThread>();
    thread->Suspended = true;
    thread->ThreadHandle = CreateThread(nullptr, 0, ThreadRoutine, thread, CREATE_SUSPENDED, &thread->ThreadId);
    return thread;
}

WorkerThread* NewSelfFreeingThread(EventOf<int, WorkerThread*> execute)
{
    WorkerThread* thread = NewThread();
    thread->OnExecute = execute;
    thread->AutoFree = true;
    if (execute)
        thread->Resume();
    return thread;
}

int WorkerThread::RunBody()
{
    int result = OnExecute ? OnExecute(this) : 0;
    if (AutoFree) {
        Finished = true;
        FreeIfSet(this);
    }
    return result;
}

void WorkerThread::Resume()
{
    Suspended = false;
    DWORD previous = ResumeThread(ThreadHandle);
    if (previous > 1) {
        Suspended = true; // still suspended, or the call failed
        return;
    }
    if (OnResume)
        OnResume(this);
}

void WorkerThread::Synchronize(void (*proc)(void* context), void* context)
{
    SyncDispatcher = DispatchSyncCall;
    SyncCall = {proc, context};
    SendMessageW(CurrentApplication->Handle, MsgSynchronize, 0, reinterpret_cast<LPARAM>(this));
}

void WorkerThread::Terminate()
{
    TerminateThread(ThreadHandle, 0);
    Finished = true;
}

DWORD WorkerThread::WaitFor()
{
    // The body may free the object meanwhile; the hold's release then destroys it.
    ScopedHold hold(this);
    DWORD exitCode = 0xFFFFFFFF;
    if (ThreadHandle) {
        WaitForSingleObject(ThreadHandle, INFINITE);
        GetExitCodeThread(ThreadHandle, &exitCode);
    }
    return exitCode;
}

void WorkerThread::Destroy()
{
    if (!Finished) {
        Terminate();
        // Waited for directly: a hold taken now would destroy the object a second time.
        if (ThreadHandle)
            WaitForSingleObject(ThreadHandle, INFINITE);
    }
    if (ThreadHandle && ThreadHandle != INVALID_HANDLE_VALUE)
        CloseHandle(ThreadHandle);
    ThreadHandle = nullptr;
    BaseObject::Destroy();
}

// Threads owned by objects: starting, ending, freeing, and calls handed to the window thread.
#include <gtest/gtest.h>

#include <atomic>

#include "support/GuiDriver.h"
#include "wintk/WorkerThread.h"

namespace {

// Waits for the thread through a handle of the test's own (a self-freeing object closes
// its copy when it goes) and answers the exit code.
struct ThreadWatch {
    HANDLE handle = nullptr;
    explicit ThreadWatch(WorkerThread* thread)
    {
        DuplicateHandle(GetCurrentProcess(), thread->ThreadHandle, GetCurrentProcess(), &handle, 0, FALSE, DUPLICATE_SAME_ACCESS);
    }
    ~ThreadWatch() { CloseHandle(handle); }
    DWORD ExitCode()
    {
        DWORD code = 12345;
        EXPECT_EQ(WaitForSingleObject(handle, 5000), WAIT_OBJECT_0);
        GetExitCodeThread(handle, &code);
        return code;
    }
};

std::atomic<int> destroyed, served;
DWORD servedOn;

int SleepForever(void* started, WorkerThread*)
{
    SetEvent(static_cast<HANDLE>(started));
    for (;;)
        Sleep(1000);
}

TEST(WorkerThread, StartsSuspendedEndsWithItsResultFreesItselfOrIsTerminatedAndResumesOnce)
{
    destroyed = 0;
    WorkerThread* thread = NewSelfFreeingThread({});
    thread->OnExecute = {[](void*, WorkerThread*) { return 7; }, nullptr};
    thread->OnDestroy = {[](void*, BaseObject*) { ++destroyed; }, nullptr};
    ThreadWatch selfFreeing(thread);
    Sleep(50);
    EXPECT_EQ(destroyed.load(), 0) << "nothing may run before Resume";
    thread->Resume();
    EXPECT_EQ(selfFreeing.ExitCode(), 7u);
    EXPECT_EQ(destroyed.load(), 1);

    // Freed unfinished: killed inside its body, not while it is still starting up.
    HANDLE started = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    thread = NewThread();
    thread->OnExecute = {SleepForever, started};
    thread->Resume();
    ASSERT_EQ(WaitForSingleObject(started, 5000), WAIT_OBJECT_0);
    CloseHandle(started);
    ThreadWatch unfinished(thread);
    Free(thread);
    EXPECT_EQ(WaitForSingleObject(unfinished.handle, 0), WAIT_OBJECT_0) << "ended before Free returned";
    EXPECT_EQ(unfinished.ExitCode(), 0u);

    // Suspended once more from outside, it needs a second Resume.
    int resumed = 0;
    thread = NewThread();
    thread->OnResume = {[](void* count, WorkerThread*) { ++*static_cast<int*>(count); }, &resumed};
    SuspendThread(thread->ThreadHandle);
    thread->Resume();
    EXPECT_TRUE(thread->Suspended);
    EXPECT_EQ(resumed, 0);
    thread->Resume();
    EXPECT_FALSE(thread->Suspended);
    EXPECT_EQ(resumed, 1);
    EXPECT_EQ(thread->WaitFor(), 0u);
    Free(thread);
    thread = NewObject<WorkerThread>(); // without a thread
    EXPECT_EQ(thread->WaitFor(), 0xFFFFFFFFu);
    Free(thread);
}

// Hands two calls to the window thread, then, given a form, one that closes it.
int SynchronizeTwice(void* form, WorkerThread* thread)
{
    for (int i = 0; i < 2; ++i)
        thread->Synchronize([](void*) { servedOn = GetCurrentThreadId(); ++served; }, nullptr);
    if (form)
        thread->Synchronize([](void* f) { static_cast<Control*>(f)->Close(); }, form);
    return 0;
}

using Synchronize = WindowTest;

TEST_F(Synchronize, CallsAreServedOnTheWindowThreadInProcessMessagesAndInAModalLoop)
{
    ASSERT_TRUE(app->CreateWindow());
    loop.EnterLoop(app);
    served = 0;
    WorkerThread* thread = NewSelfFreeingThread({});
    thread->OnExecute = {SynchronizeTwice, nullptr};
    ThreadWatch pumped(thread);
    thread->Resume();
    while (MsgWaitForMultipleObjects(1, &pumped.handle, FALSE, 5000, QS_ALLINPUT) == WAIT_OBJECT_0 + 1)
        app->ProcessMessages();
    EXPECT_EQ(pumped.ExitCode(), 0u);
    EXPECT_EQ(served.load(), 2);
    EXPECT_EQ(servedOn, GetCurrentThreadId());

    Control* form = NewForm(app, "Modal");
    thread = NewSelfFreeingThread({});
    thread->OnExecute = {SynchronizeTwice, form};
    ThreadWatch modal(thread);
    DelayedCall start(10, [&] { thread->Resume(); });
    DelayedCall watchdog(3000, [&] { form->ModalResult = -99; }); // fails fast instead of hanging
    EXPECT_EQ(form->ShowModal(), -1) << "closed by the last call";
    EXPECT_EQ(modal.ExitCode(), 0u);
    EXPECT_EQ(served.load(), 4);
}

} // namespace

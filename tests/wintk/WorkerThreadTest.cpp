#include <gtest/gtest.h>

#include <atomic>

#include "support/Gui.h"
#include "support/GuiDriver.h"
#include "wintk/WorkerThread.h"

namespace {

HANDLE Duplicate(HANDLE handle)
{
    HANDLE copy = nullptr;
    DuplicateHandle(GetCurrentProcess(), handle, GetCurrentProcess(), &copy, 0, FALSE, DUPLICATE_SAME_ACCESS);
    return copy;
}

std::atomic<bool> destroyed{false};

void MarkDestroyed(void*, BaseObject*)
{
    destroyed = true;
}

int ReturnSeven(void*, WorkerThread*)
{
    return 7;
}

int SleepForever(void* started, WorkerThread*)
{
    SetEvent(static_cast<HANDLE>(started));
    for (;;)
        Sleep(1000);
}

TEST(WorkerThread, SelfFreeingBodyEndsWithItsResultAndTheObjectGoes)
{
    destroyed = false;
    WorkerThread* thread = NewSelfFreeingThread({});
    EXPECT_TRUE(thread->Suspended);
    thread->OnExecute = {ReturnSeven, nullptr};
    thread->OnDestroy = {MarkDestroyed, nullptr};
    HANDLE watch = Duplicate(thread->ThreadHandle);
    Sleep(50);
    EXPECT_FALSE(destroyed) << "nothing may run before Resume";

    thread->Resume();
    ASSERT_EQ(WaitForSingleObject(watch, 5000), WAIT_OBJECT_0);
    DWORD code = 0;
    GetExitCodeThread(watch, &code);
    EXPECT_EQ(code, 7u);
    EXPECT_TRUE(destroyed);
    CloseHandle(watch);
}

TEST(WorkerThread, ResumeOfADoublySuspendedThreadKeepsItSuspended)
{
    static int resumed;
    resumed = 0;
    WorkerThread* thread = NewThread();
    thread->OnResume = {[](void*, WorkerThread*) { ++resumed; }, nullptr};
    SuspendThread(thread->ThreadHandle);
    thread->Resume();
    EXPECT_TRUE(thread->Suspended);
    EXPECT_EQ(resumed, 0);
    thread->Resume();
    EXPECT_FALSE(thread->Suspended);
    EXPECT_EQ(resumed, 1);
    EXPECT_EQ(thread->WaitFor(), 0u);
    Free(thread);
}

TEST(WorkerThread, WaitForWithoutAThreadAnswersAtOnce)
{
    WorkerThread* thread = NewObject<WorkerThread>();
    EXPECT_EQ(thread->ThreadHandle, nullptr);
    EXPECT_EQ(thread->WaitFor(), 0xFFFFFFFFu);
    Free(thread);
}

TEST(WorkerThread, FreeingAnUnfinishedThreadTerminatesItWithCodeZero)
{
    // Killed inside its body, not while the thread is still starting up.
    HANDLE started = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    WorkerThread* thread = NewThread();
    thread->OnExecute = {SleepForever, started};
    thread->Resume();
    ASSERT_EQ(WaitForSingleObject(started, 5000), WAIT_OBJECT_0);
    CloseHandle(started);
    HANDLE watch = Duplicate(thread->ThreadHandle);
    Free(thread);
    ASSERT_EQ(WaitForSingleObject(watch, 0), WAIT_OBJECT_0);
    DWORD code = 1;
    GetExitCodeThread(watch, &code);
    EXPECT_EQ(code, 0u);
    CloseHandle(watch);
}

// The window thread's identity, as seen by the synchronised calls.
DWORD servedOn;
int served;

void RecordServingThread(void*)
{
    servedOn = GetCurrentThreadId();
    ++served;
}

int SynchronizeTwice(void* form, WorkerThread* thread)
{
    thread->Synchronize(RecordServingThread, nullptr);
    thread->Synchronize(RecordServingThread, nullptr);
    if (form)
        thread->Synchronize([](void* f) { static_cast<Control*>(f)->Close(); }, form);
    return 0;
}

class SynchronizeTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(app->CreateWindow());
        globals.EnterLoop(app);
        servedOn = 0;
        served = 0;
    }
    ScopedApplication app{"Sync"};
    LoopGlobalsGuard globals;
};

TEST_F(SynchronizeTest, ServedInsideProcessMessages)
{
    WorkerThread* thread = NewSelfFreeingThread({});
    thread->OnExecute = {SynchronizeTwice, nullptr};
    HANDLE watch = Duplicate(thread->ThreadHandle);
    thread->Resume();
    while (WaitForSingleObject(watch, 0) == WAIT_TIMEOUT) {
        app->ProcessMessages();
        MsgWaitForMultipleObjects(1, &watch, FALSE, 5000, QS_ALLINPUT);
    }
    CloseHandle(watch);
    EXPECT_EQ(served, 2);
    EXPECT_EQ(servedOn, GetCurrentThreadId());
}

TEST_F(SynchronizeTest, ServedInsideAModalLoop)
{
    Control* form = NewForm(app, "Modal");
    WorkerThread* thread = NewSelfFreeingThread({});
    thread->OnExecute = {SynchronizeTwice, form};
    HANDLE watch = Duplicate(thread->ThreadHandle);
    DelayedCall start(10, [&] { thread->Resume(); });
    EXPECT_EQ(form->ShowModal(), -1);
    EXPECT_EQ(WaitForSingleObject(watch, 5000), WAIT_OBJECT_0);
    CloseHandle(watch);
    EXPECT_EQ(served, 2);
    EXPECT_EQ(servedOn, GetCurrentThreadId());
}

} // namespace

#pragma once
// Waiting in the end-to-end tests: a condition is tried every few milliseconds until it
// holds or the time is up. This thread's queue is served meanwhile, because the window
// events of the process under test arrive there.
#include <functional>

// Dispatches whatever waits in this thread's queue.
void ServeOwnQueue();
// Tries done() until it holds or timeoutMs have passed; answers done() at the end.
bool WaitUntil(const std::function<bool()>& done, int timeoutMs);
// Lets time pass while the queue is served: for checks that something does NOT happen.
void PauseServing(int ms);

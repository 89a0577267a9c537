// Run-time support of Tessaly.exe: the stack canary and the checked buffer calls' failure
// path. libssp's own versions seed the canary with CryptGenRandom from a constructor, which
// loads advapi32's crypto provider DLLs before WinMain has restricted where DLLs come from.
// This one is seeded as Windows' own /GS cookie is: the clocks, the process and thread ids
// and an address that ASLR moves. The tests link libssp's.
// This file is compiled without the stack protector: its seeding runs before the canary
// is final, and functions that hold the old value on their stack must not see it change.
#include <windows.h>

#include <cstdint>

extern "C" {

uintptr_t __stack_chk_guard = 0x2B992DDF;

// A smashed stack or an overflowing checked copy: nothing of the process can be trusted
// any more, not even to show a box.
[[noreturn]] void __stack_chk_fail()
{
    TerminateProcess(GetCurrentProcess(), STATUS_STACK_BUFFER_OVERRUN);
    __builtin_unreachable();
}

[[noreturn]] void __chk_fail()
{
    __stack_chk_fail();
}

} // extern "C"

namespace {

__attribute__((constructor(101))) void SeedStackGuard()
{
    FILETIME time;
    GetSystemTimeAsFileTime(&time);
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    uintptr_t guard = (uintptr_t(time.dwHighDateTime) << 16) ^ time.dwLowDateTime;
    guard ^= GetCurrentProcessId() ^ (uintptr_t(GetCurrentThreadId()) << 8) ^ uintptr_t(GetTickCount64());
    guard ^= uintptr_t(counter.QuadPart) ^ (uintptr_t(counter.QuadPart >> 32) << 12);
    guard ^= reinterpret_cast<uintptr_t>(&counter);
    // A zero byte first, as in libssp's fallback: a string copy stops before the rest.
    __stack_chk_guard = guard << 8;
}

} // namespace

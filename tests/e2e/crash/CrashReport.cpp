// Started by the system as the prefix's AeDebug debugger ("crash_report.exe PID EVENT") when
// a program dies of an exception: attaches, lets the program raise the exception again,
// names the module whose code faulted, and ends the program with the exception's code. A
// fault in Tessaly's own code names tessaly.exe; one inside Wine names Wine's DLL; one
// outside every module (a call through a bad pointer) names none.
#include <windows.h>

#include <tlhelp32.h>

#include <cstdio>
#include <cstdlib>

#include "CrashReport.h"

namespace {

void ModuleOf(DWORD processId, ULONG_PTR address, char* name, size_t size)
{
    snprintf(name, size, "?");
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPMODULE | TH32CS_SNAPMODULE32, processId);
    MODULEENTRY32 module = {};
    module.dwSize = sizeof module;
    for (BOOL more = Module32First(snapshot, &module); more; more = Module32Next(snapshot, &module)) {
        const auto base = reinterpret_cast<ULONG_PTR>(module.modBaseAddr);
        if (address >= base && address - base < module.modBaseSize) {
            snprintf(name, size, "%s", CharLowerA(module.szModule));
            break;
        }
    }
    CloseHandle(snapshot);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3)
        return 2;
    const DWORD processId = strtoul(argv[1], nullptr, 10);
    HANDLE attached = reinterpret_cast<HANDLE>(static_cast<ULONG_PTR>(strtoull(argv[2], nullptr, 10)));
    if (!DebugActiveProcess(processId))
        return 1;
    SetEvent(attached);
    CloseHandle(attached);
    DEBUG_EVENT event;
    while (WaitForDebugEvent(&event, 20000)) {
        if (event.dwDebugEventCode == CREATE_PROCESS_DEBUG_EVENT)
            CloseHandle(event.u.CreateProcessInfo.hFile);
        if (event.dwDebugEventCode == LOAD_DLL_DEBUG_EVENT)
            CloseHandle(event.u.LoadDll.hFile);
        if (event.dwDebugEventCode == EXIT_PROCESS_DEBUG_EVENT)
            break;
        const EXCEPTION_RECORD& record = event.u.Exception.ExceptionRecord;
        if (event.dwDebugEventCode == EXCEPTION_DEBUG_EVENT && record.ExceptionCode != EXCEPTION_BREAKPOINT) {
            const auto address = reinterpret_cast<ULONG_PTR>(record.ExceptionAddress);
            HANDLE process = OpenProcess(PROCESS_TERMINATE, FALSE, processId);
            char module[MAX_PATH] = "";
            ModuleOf(processId, address, module, sizeof module);
            if (FILE* file = fopen(CrashReportFile, "a")) {
                fprintf(file, "%lu exception 0x%lx at 0x%llx in %s\n", processId, record.ExceptionCode,
                        static_cast<unsigned long long>(address), module);
                fclose(file);
            }
            TerminateProcess(process, record.ExceptionCode);
            CloseHandle(process);
        }
        ContinueDebugEvent(event.dwProcessId, event.dwThreadId, DBG_CONTINUE);
    }
    return 0;
}

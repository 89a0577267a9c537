// Stands in for comctl32.dll in a program's folder: when loaded, it leaves "<its path>.loaded"
// beside itself. It exports what a program that imports comctl32 for its classes needs.
#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH) {
        wchar_t path[MAX_PATH + 16] = {};
        DWORD length = GetModuleFileNameW(self, path, MAX_PATH);
        lstrcpyW(path + length, L".loaded");
        CloseHandle(CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    }
    return TRUE;
}

extern "C" __declspec(dllexport) void WINAPI InitCommonControls() {}
extern "C" __declspec(dllexport) BOOL WINAPI InitCommonControlsEx(const void*)
{
    return TRUE;
}

// Tessaly: removes the traces of Vorenta's add-on installer for "Проклятые Земли".
#include "MainForm.h"

namespace {

// The program runs as administrator, often from a Downloads folder where anything may lie
// beside it: no DLL may come from its own folder. Before WinMain the loader resolves only
// kernel32, ntdll and msvcrt, which Windows always takes from System32; user32, gdi32,
// advapi32 and comctl32 are delay-loaded (comctl32 through the manifest's side-by-side
// assembly), so they and everything they load come after this call, from System32.
// Windows 7 has the call only with KB2533623; without it the program goes on as before.
void LoadDllsFromSystem32Only()
{
    using SetDirectories = BOOL(WINAPI*)(DWORD);
    auto set = reinterpret_cast<SetDirectories>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories")));
    if (set)
        set(LOAD_LIBRARY_SEARCH_SYSTEM32);
    // The theme's drawing DLL is delay-loaded by uxtheme, and a system DLL's delay load may
    // search the program's folder first whatever the default directories say (Wine does):
    // loaded now by its full path in System32, it is found loaded then.
    wchar_t path[MAX_PATH + 16] = {};
    UINT length = GetSystemDirectoryW(path, MAX_PATH);
    if (length > 0 && length < MAX_PATH) {
        lstrcpyW(path + length, L"\\msimg32.dll");
        LoadLibraryExW(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    }
}

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    LoadDllsFromSystem32Only();
    Control* application = NewApplication("Tessaly");
    BuildMainWindow(application);
    // A program whose window could not be made has shown nothing: say so in the exit code.
    return Run(application) ? 0 : 1;
}

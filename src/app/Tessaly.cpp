// Tessaly: removes the traces of Vorenta's add-on installer for "Проклятые Земли".
#include "MainForm.h"

namespace {

// The program runs as administrator, often from a Downloads folder where anything may lie
// beside it: every DLL that it loads later comes from System32 only, never from its own
// folder (comctl32, which it imports, goes through the manifest's side-by-side assembly).
// Windows 7 has the call only with KB2533623; without it the program goes on as before.
void LoadDllsFromSystem32Only()
{
    using SetDirectories = BOOL(WINAPI*)(DWORD);
    auto set = reinterpret_cast<SetDirectories>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories")));
    if (set)
        set(LOAD_LIBRARY_SEARCH_SYSTEM32);
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

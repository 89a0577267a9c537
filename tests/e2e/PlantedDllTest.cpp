// Tessaly.exe runs as administrator, often from a Downloads folder: no DLL put beside it may
// ever be loaded. The loader searches as Windows does for a DLL that is not a KnownDLL: Wine's
// own order is its built-in DLL, and "native,builtin" for the program makes it look in the
// program's folder first. Set in the registry: WINEDLLOVERRIDES in a Windows parent's
// environment does not reach the child's loader.
#include <gtest/gtest.h>

#include <set>

#include "TessalyProcess.h"
#include "support/Sandbox.h"

namespace {

const char AppDefaults[] = "Software\\Wine\\AppDefaults\\";

// Windows' KnownDLLs from 7 to 11, which the loader always takes from System32, with ntdll,
// kernel32's kernelbase and combase (8 and later). Wine has no such list.
const std::set<std::string> KnownDlls = {
    "advapi32.dll", "clbcatq.dll", "combase.dll", "comdlg32.dll", "difxapi.dll", "gdi32.dll",   "imagehlp.dll", "imm32.dll",
    "kernel32.dll", "kernelbase.dll", "msctf.dll", "msvcrt.dll", "normaliz.dll", "nsi.dll", "ntdll.dll", "ole32.dll",
    "oleaut32.dll", "psapi.dll", "rpcrt4.dll", "sechost.dll", "setupapi.dll", "shell32.dll", "shlwapi.dll", "user32.dll",
    "wldap32.dll", "ws2_32.dll"};

std::string OwnFolder()
{
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder = path;
    return folder.substr(0, folder.rfind('\\') + 1);
}

// Every DLL that is not a KnownDLL and that the running program loads, and those that
// Windows loads for such a program's theme, version and crypto calls, is planted beside a
// copy of Tessaly.exe as a stand-in that leaves a mark when loaded: no mark may appear. The
// stand-in for comctl32 is loaded by a program that imports it with nothing in its way, so
// the check can see a load.
TEST(E2ePlantedDll, NoDllBesideTheProgramIsEverLoaded)
{
    const std::string build = OwnFolder(), folder = MakeScratchFolder("planted"), plant = build + "planted\\comctl32.dll";
    ASSERT_TRUE(CopyFileA((build + "planted\\plain_comctl32_user.exe").c_str(), (folder + "plain.exe").c_str(), FALSE));
    ASSERT_TRUE(CopyFileA((build + "Tessaly.exe").c_str(), (folder + "Tessaly.exe").c_str(), FALSE));
    std::set<std::string> planted = {"comctl32.dll", "version.dll", "uxtheme.dll", "dwmapi.dll",
                                     "msimg32.dll",  "cryptbase.dll", "winmm.dll"};
    {
        TessalyProcess app;
        ASSERT_TRUE(app.Start(10000, folder + "Tessaly.exe"));
        for (const std::string& dll : app.LoadedDlls())
            if (dll != "tessaly.exe" && !KnownDlls.count(dll))
                planted.insert(dll);
    }
    for (const std::string& dll : planted) {
        ASSERT_TRUE(CopyFileA(plant.c_str(), (folder + dll).c_str(), FALSE)) << dll;
        const std::string module = dll.ends_with(".dll") ? dll.substr(0, dll.size() - 4) : dll;
        for (const char* program : {"plain.exe", "Tessaly.exe"})
            SetRegString(HKEY_CURRENT_USER, std::string(AppDefaults) + program + "\\DllOverrides", module.c_str(), "native,builtin");
    }

    DWORD code = 0;
    EXPECT_TRUE(RunProgram(Wide(folder + "plain.exe"), L"", code));
    EXPECT_TRUE(Exists(folder + "comctl32.dll.loaded")) << "the plant was not loaded even where nothing stops it";
    for (const std::string& dll : planted)
        DeleteFileA((folder + dll + ".loaded").c_str());
    {
        TessalyProcess app;
        EXPECT_TRUE(app.Start(10000, folder + "Tessaly.exe")) << "Tessaly did not come up beside the plants";
        for (const std::string& dll : planted)
            EXPECT_FALSE(Exists(folder + dll + ".loaded")) << dll << " was loaded from the program's folder";
    }
    EXPECT_GT(planted.size(), 7u) << "the running program's own DLLs were not read";
    for (const char* program : {"plain.exe", "Tessaly.exe"})
        DeleteRegTree(HKEY_CURRENT_USER, std::string(AppDefaults) + program);
    DeleteTree(folder);
}

} // namespace

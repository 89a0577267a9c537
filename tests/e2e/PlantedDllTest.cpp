// Tessaly.exe runs as administrator, often from a Downloads folder: a comctl32.dll put beside
// it must never be loaded. The loader searches as Windows does: Wine's own order for comctl32
// is its built-in one, and "native,builtin" for the program makes it look in the program's
// folder first. Set in the registry: WINEDLLOVERRIDES in a Windows parent's environment does
// not reach the child's loader.
#include <gtest/gtest.h>

#include "TessalyProcess.h"
#include "support/Sandbox.h"

namespace {

const char AppDefaults[] = "Software\\Wine\\AppDefaults\\";

std::string OwnFolder()
{
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder = path;
    return folder.substr(0, folder.rfind('\\') + 1);
}

// The plant is loaded by a program that imports comctl32 with nothing else in its way (so
// the check sees a load), and not by a copy of Tessaly.exe in the same folder.
TEST(E2ePlantedDll, AComctl32BesideTheProgramIsNeverLoaded)
{
    const std::string build = OwnFolder(), folder = MakeScratchFolder("planted"), mark = folder + "comctl32.dll.loaded";
    ASSERT_TRUE(CopyFileA((build + "planted\\comctl32.dll").c_str(), (folder + "comctl32.dll").c_str(), FALSE));
    ASSERT_TRUE(CopyFileA((build + "planted\\plain_comctl32_user.exe").c_str(), (folder + "plain.exe").c_str(), FALSE));
    ASSERT_TRUE(CopyFileA((build + "Tessaly.exe").c_str(), (folder + "Tessaly.exe").c_str(), FALSE));
    for (const char* program : {"plain.exe", "Tessaly.exe"})
        SetRegString(HKEY_CURRENT_USER, std::string(AppDefaults) + program + "\\DllOverrides", "comctl32", "native,builtin");

    DWORD code = 0;
    EXPECT_TRUE(RunProgram(Wide(folder + "plain.exe"), L"", code));
    EXPECT_TRUE(Exists(mark)) << "the plant was not loaded even where nothing stops it";
    DeleteFileA(mark.c_str());
    {
        TessalyProcess app;
        EXPECT_TRUE(app.Start(10000, folder + "Tessaly.exe"));
        EXPECT_FALSE(Exists(mark));
    }
    for (const char* program : {"plain.exe", "Tessaly.exe"})
        DeleteRegTree(HKEY_CURRENT_USER, std::string(AppDefaults) + program);
    DeleteTree(folder);
}

} // namespace

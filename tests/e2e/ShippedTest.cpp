// The bytes players get: this build's Tessaly.exe itself, started as they start it, and the
// 32-bit program on 64-bit Windows (WOW64), where it sees the 32-bit view of the registry.
#include <gtest/gtest.h>

#include "TessalyProcess.h"
#include "support/GameSetup.h"

namespace {

bool Wow64()
{
    BOOL wow64 = FALSE;
    return IsWow64Process(GetCurrentProcess(), &wow64) && wow64;
}

TEST(E2eShipped, TheBuildsExeStartsToItsProbedWindowAndEndsWithCodeZero)
{
    GameSetup pc{"e2e-shipped"};
    pc.InstallQuests();
    TessalyProcess app;
    ASSERT_TRUE(app.Start()) << "no probed main window";
    EXPECT_TRUE(IsWindowEnabled(app.MainChild(QuestsCaption)));

    wchar_t image[MAX_PATH] = {};
    DWORD length = MAX_PATH;
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, app.Id());
    ASSERT_TRUE(process && QueryFullProcessImageNameW(process, 0, image, &length));
    BOOL wow64 = FALSE;
    IsWow64Process(process, &wow64);
    CloseHandle(process);
    EXPECT_EQ(CompareStringOrdinal(image, -1, Wide(TESSALY_EXE).c_str(), -1, TRUE), CSTR_EQUAL) << Narrow(image);
    // The same bits as this driver: a 32-bit build tests the 32-bit program.
    EXPECT_EQ(wow64, Wow64() ? TRUE : FALSE);

    PostMessageA(app.MainChild(ExitCaption), BM_CLICK, 0, 0);
    DWORD code = 1;
    ASSERT_TRUE(app.WaitExit(3000, code));
    EXPECT_EQ(code, 0u);
}

// The installer is a 32-bit program: under WOW64 its key lies in the 32-bit view
// (Software\WOW6432Node seen from the 64-bit side). A key of the same name in the 64-bit
// view is nothing the installer wrote, and stays.
TEST(E2eShipped, UnderWow64TheInstallersViewGoesAndTheOtherStays)
{
    if (!Wow64())
        GTEST_SKIP() << "runs only in a 64-bit prefix, as a 32-bit program";
    struct NativeKey {
        ~NativeKey() { RegDeleteKeyExA(HKEY_LOCAL_MACHINE, "Software\\KalmirOriginal", KEY_WOW64_64KEY, 0); }
        bool Exists() const
        {
            HKEY key = nullptr;
            if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\KalmirOriginal", 0, KEY_READ | KEY_WOW64_64KEY, &key))
                return false;
            RegCloseKey(key);
            return true;
        }
    } native;
    GameSetup pc{"e2e-wow64"};
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Software\\KalmirOriginal", 0, nullptr, 0, KEY_ALL_ACCESS | KEY_WOW64_64KEY,
                              nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(key);
    // Written by a 32-bit program of the system's own, as the installer wrote it.
    DWORD code = 1;
    ASSERT_TRUE(RunProgram(L"C:\\windows\\syswow64\\reg.exe",
                           L"add HKLM\\Software\\KalmirOriginal /v Version /d 1.0 /f", code));
    ASSERT_EQ(code, 0u);
    ASSERT_TRUE(RegKeyExists(HKEY_LOCAL_MACHINE, QuestsKeyPath));

    TessalyProcess app;
    ASSERT_TRUE(app.Start());
    HWND quests = app.MainChild(QuestsCaption);
    ASSERT_TRUE(IsWindowEnabled(quests)) << "the 32-bit view's key was not found";
    ASSERT_TRUE(app.ConfirmRemoval(quests));
    ASSERT_TRUE(WaitUntil([&] { return !IsWindowEnabled(quests) && app.Settled(); }, 10000));
    EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, QuestsKeyPath));
    EXPECT_TRUE(native.Exists()) << "the 64-bit view's key went too";
}

} // namespace

// Where the copies of a virtualized program's writes are looked for: the real profile
// folders and user hives of the test prefix, one more profile made by the test.
#include <gtest/gtest.h>

#include <algorithm>

#include "support/Sandbox.h"
#include "wintk/VirtualStore.h"

namespace {

const char TestProfileKey[] = "Software\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList\\S-1-5-21-7-7-7-4242";
const char TestHive[] = "S-1-5-21-7-7-7-4242_Classes";

std::string CurrentUserStore()
{
    char local[MAX_PATH] = {};
    GetEnvironmentVariableA("LOCALAPPDATA", local, MAX_PATH);
    return std::string(local) + "\\VirtualStore\\";
}

bool Lists(const std::vector<std::wstring>& folders, const std::string& folder)
{
    auto same = [&](const std::wstring& f) { return CompareStringOrdinal(f.c_str(), -1, Wide(folder).c_str(), -1, TRUE) == CSTR_EQUAL; };
    return std::count_if(folders.begin(), folders.end(), same) == 1;
}

bool Lists(const std::vector<RegistryPlace>& places, HKEY root, const std::string& prefix)
{
    return std::count_if(places.begin(), places.end(), [&](const RegistryPlace& p) { return p.Root == root && p.Prefix == prefix; }) == 1;
}

TEST(VirtualStore, CopiesOfDrivePathsOnly)
{
    const std::wstring store = L"C:\\users\\u\\AppData\\Local\\VirtualStore\\";
    EXPECT_EQ(VirtualizedPath(store, L"C:\\Windows\\KalmirOriginal\\"), store + L"Windows\\KalmirOriginal\\");
    EXPECT_EQ(VirtualizedPath(store, L"d:\\Program Files (x86)\\Game\\Rikta.exe"), store + L"Program Files (x86)\\Game\\Rikta.exe");
    // As Windows resolves them: ".." never leads out of the store.
    EXPECT_EQ(VirtualizedPath(store, L"C:\\Games\\..\\..\\..\\Windows\\KalmirOriginal\\"), store + L"Windows\\KalmirOriginal\\");
    EXPECT_EQ(VirtualizedPath(store, L"C:\\..\\Game\\.\\Stavor\\"), store + L"Game\\Stavor\\");
    for (const wchar_t* path : {L"\\\\server\\share\\Game\\", L"C:Game\\", L"\\Game\\", L"", L"C:"})
        EXPECT_EQ(VirtualizedPath(store, path), L"") << path;
    EXPECT_EQ(VirtualizedPath(L"", L"C:\\Windows\\"), L"");
}

// The current user's store and one of another profile, whose path the registry gives
// with an environment reference; a profile without a store adds nothing.
TEST(VirtualStore, FoldersOfTheCurrentUserAndOfEveryProfile)
{
    std::string profile = MakeScratchFolder("vs-profile");
    std::string created = CurrentUserStore();
    bool madeCurrent = !Exists(created);
    MakeFolder(created);
    SetRegString(HKEY_LOCAL_MACHINE, TestProfileKey, "ProfileImagePath", "%SystemDrive%\\tessaly-test\\vs-profile", REG_EXPAND_SZ);

    std::vector<std::wstring> folders = VirtualStoreFolders();
    EXPECT_TRUE(Lists(folders, created));
    EXPECT_FALSE(Lists(folders, profile + "AppData\\Local\\VirtualStore\\")) << "listed a store that does not exist";

    MakeFolder(profile + "AppData");
    MakeFolder(profile + "AppData\\Local");
    MakeFolder(profile + "AppData\\Local\\VirtualStore");
    folders = VirtualStoreFolders();
    EXPECT_TRUE(Lists(folders, created));
    EXPECT_TRUE(Lists(folders, profile + "AppData\\Local\\VirtualStore\\"));

    DeleteRegTree(HKEY_LOCAL_MACHINE, TestProfileKey);
    DeleteTree(profile);
    if (madeCurrent)
        RemoveDirectoryA(created.c_str());
}

// The current user's Classes and every loaded user hive under HKEY_USERS, each with and
// without WOW6432Node.
TEST(VirtualStore, KeyPlacesOfTheCurrentUserAndOfEveryLoadedHive)
{
    std::vector<RegistryPlace> places = VirtualStoreKeyPlaces();
    EXPECT_TRUE(Lists(places, HKEY_CURRENT_USER, "Software\\Classes\\VirtualStore\\MACHINE\\SOFTWARE\\"));
    EXPECT_TRUE(Lists(places, HKEY_CURRENT_USER, "Software\\Classes\\VirtualStore\\MACHINE\\SOFTWARE\\WOW6432Node\\"));

    MakeRegKey(HKEY_USERS, TestHive);
    ASSERT_TRUE(RegKeyExists(HKEY_USERS, TestHive)) << "this Wine cannot make a key under HKEY_USERS";
    MakeRegKey(HKEY_USERS, "S-1-5-21-7-7-7-4242");
    places = VirtualStoreKeyPlaces();
    std::string hive = std::string(TestHive) + "\\VirtualStore\\MACHINE\\SOFTWARE\\";
    EXPECT_TRUE(Lists(places, HKEY_USERS, hive));
    EXPECT_TRUE(Lists(places, HKEY_USERS, hive + "WOW6432Node\\"));
    EXPECT_FALSE(Lists(places, HKEY_USERS, "S-1-5-21-7-7-7-4242\\VirtualStore\\MACHINE\\SOFTWARE\\"))
        << "a user's own hive holds no Classes";
    DeleteRegTree(HKEY_USERS, TestHive);
    DeleteRegTree(HKEY_USERS, "S-1-5-21-7-7-7-4242");
}

} // namespace

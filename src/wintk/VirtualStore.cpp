#include "VirtualStore.h"

#include "FileSystem.h"
#include "FileDoor.h"
#include "Registry.h"

namespace {

const char KeyStore[] = "VirtualStore\\MACHINE\\SOFTWARE\\";
const char Wow64Node[] = "WOW6432Node\\";
const wchar_t FileStore[] = L"VirtualStore\\";

void AddKeyPlaces(std::vector<RegistryPlace>& places, HKEY root, const std::string& classes)
{
    std::string store = classes + KeyStore;
    places.push_back({root, store});
    places.push_back({root, store + Wow64Node});
}

std::vector<std::string> SubKeyNames(HKEY root, const char* path)
{
    std::vector<std::string> names;
    HKEY key = KeyOpenForRead(root, path);
    if (!key)
        return names;
    char name[256];
    for (DWORD i = 0;; ++i) {
        DWORD length = sizeof name;
        LONG answer = RegEnumKeyExA(key, i, name, &length, nullptr, nullptr, nullptr, nullptr);
        if (answer == ERROR_MORE_DATA)
            continue; // longer than any key name Windows makes: not one of ours
        if (answer != ERROR_SUCCESS)
            break;
        names.emplace_back(name, length);
    }
    KeyClose(key);
    return names;
}

// A REG_SZ or REG_EXPAND_SZ value, with references such as %SystemDrive% expanded.
std::wstring ReadExpandedValue(HKEY root, const char* path, const wchar_t* name)
{
    std::wstring text;
    HKEY key = KeyOpenForRead(root, path);
    DWORD type = 0, size = 0;
    if (key && RegQueryValueExW(key, name, nullptr, &type, nullptr, &size) == ERROR_SUCCESS &&
        (type == REG_SZ || type == REG_EXPAND_SZ)) {
        std::wstring stored((size + 1) / sizeof(wchar_t) + 1, L'\0');
        DWORD read = size;
        if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(stored.data()), &read) == ERROR_SUCCESS)
            text = stored.substr(0, stored.find(L'\0'));
    }
    KeyClose(key);
    if (type != REG_EXPAND_SZ || text.empty())
        return text;
    wchar_t expanded[MAX_PATH + 1] = {};
    DWORD length = ExpandEnvironmentStringsW(text.c_str(), expanded, MAX_PATH + 1);
    return length > 0 && length <= MAX_PATH + 1 ? std::wstring(expanded) : std::wstring();
}

// Each store is looked for once: the current user's is named by the environment and by the
// profile list both, and every look walks the way from the drive's root.
void AddFolderIfPresent(std::vector<std::wstring>& folders, std::vector<std::wstring>& looked,
                        const std::wstring& localAppData)
{
    if (!IsAbsolutePath(localAppData))
        return;
    std::wstring store = WithBackslash(localAppData) + FileStore;
    for (const std::wstring& known : looked)
        if (SamePath(known, store))
            return;
    looked.push_back(store);
    if (FolderThere(store))
        folders.push_back(store);
}

} // namespace

std::vector<RegistryPlace> VirtualStoreKeyPlaces()
{
    std::vector<RegistryPlace> places;
    AddKeyPlaces(places, HKEY_CURRENT_USER, "Software\\Classes\\");
    const std::string suffix = "_Classes";
    for (const std::string& hive : SubKeyNames(HKEY_USERS, nullptr))
        if (hive.size() > suffix.size() && hive.ends_with(suffix))
            AddKeyPlaces(places, HKEY_USERS, hive + "\\");
    return places;
}

std::vector<std::string> LoadedUserHives()
{
    std::vector<std::string> hives;
    for (const std::string& hive : SubKeyNames(HKEY_USERS, nullptr))
        if (hive.starts_with("S-1-5-21-") && !hive.ends_with("_Classes"))
            hives.push_back(hive);
    return hives;
}

std::vector<std::wstring> ProfileFolders()
{
    std::vector<std::wstring> folders;
    const std::string profiles = "Software\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList";
    for (const wchar_t* value : {L"ProfilesDirectory", L"Default", L"Public"}) {
        std::wstring folder = ReadExpandedValue(HKEY_LOCAL_MACHINE, profiles.c_str(), value);
        if (!folder.empty())
            folders.push_back(WithBackslash(folder));
    }
    for (const std::string& sid : SubKeyNames(HKEY_LOCAL_MACHINE, profiles.c_str())) {
        std::wstring home = ReadExpandedValue(HKEY_LOCAL_MACHINE, (profiles + "\\" + sid).c_str(), L"ProfileImagePath");
        if (!home.empty())
            folders.push_back(WithBackslash(home));
    }
    return folders;
}

std::vector<std::wstring> VirtualStoreFolders()
{
    std::vector<std::wstring> folders, looked;
    wchar_t buffer[MAX_PATH + 1] = {};
    DWORD length = GetEnvironmentVariableW(L"LOCALAPPDATA", buffer, MAX_PATH + 1);
    if (length > 0 && length <= MAX_PATH)
        AddFolderIfPresent(folders, looked, buffer);
    // The folder that holds the profiles has no store of its own: nothing is added for it.
    for (const std::wstring& profile : ProfileFolders())
        AddFolderIfPresent(folders, looked, profile + L"AppData\\Local");
    return folders;
}

std::wstring VirtualizedPath(const std::wstring& store, const std::wstring& path)
{
    // Only paths on a drive are redirected. Windows redirects the path as it resolves it:
    // "C:\Games\..\Windows\" is kept under store + "Windows\", and no ".." in path may lead
    // out of the store.
    if (store.empty() || !IsOnADrive(path))
        return std::wstring();
    const std::wstring full = FullPath(path);
    if (!IsOnADrive(full))
        return std::wstring();
    return store + full.substr(3);
}

KeptKeys RemoveKeyCopy(const RegistryPlace& place, const std::string& name)
{
    const size_t store = place.Prefix.find(KeyStore);
    if (store == std::string::npos) {
        KeptKeys kept;
        kept.Add(std::wstring(name.begin(), name.end()), ERROR_INVALID_PARAMETER);
        return kept;
    }
    return RemoveKeyTree(place.Root, place.Prefix.substr(0, store), place.Prefix.substr(store) + name);
}

#include "support/VirtualCopies.h"

#include <winternl.h>

// Deletes the key that the handle is open on; for a link opened with REG_OPTION_OPEN_LINK,
// the link itself (RegDeleteKey would reach its target).
extern "C" NTSTATUS NTAPI NtDeleteKey(HANDLE key);

namespace {

const char ProfileKey[] = "Software\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList\\S-1-5-21-7-7-7-4343";

void ClearCopyKeys()
{
    for (const std::string& store : {std::string(ClassesStore), std::string(Wow64ClassesStore)})
        for (const char* name : {"KalmirOriginal", "KalmirNorvane", "KalmirOriginalX", "OtherGame"})
            DeleteRegTree(HKEY_CURRENT_USER, store + name);
    DeleteRegTree(HKEY_USERS, std::string(OtherUserSid) + "_Classes");
}

} // namespace

VirtualCopies::VirtualCopies(const std::string& root)
{
    char local[MAX_PATH] = {};
    GetEnvironmentVariableA("LOCALAPPDATA", local, MAX_PATH);
    UserStore = std::string(local) + "\\VirtualStore\\";
    userStoreMade_ = !Exists(UserStore);
    classesStoreMade_ = !RegKeyExists(HKEY_CURRENT_USER, "Software\\Classes\\VirtualStore");
    MakeFolder(UserStore);
    ProfileStore = root + "profile\\AppData\\Local\\VirtualStore\\";
    MakeTree(root, {{"profile\\", ""}, {"profile\\AppData\\", ""}, {"profile\\AppData\\Local\\", ""}, {"profile\\AppData\\Local\\VirtualStore\\", ""}});
    SetRegString(HKEY_LOCAL_MACHINE, ProfileKey, "ProfileImagePath", root + "profile");
    ClearCopyKeys();
}

VirtualCopies::~VirtualCopies()
{
    for (auto link = links_.rbegin(); link != links_.rend(); ++link) {
        HKEY key = nullptr;
        if (RegOpenKeyExA(link->first, link->second.c_str(), REG_OPTION_OPEN_LINK, DELETE, &key) == ERROR_SUCCESS) {
            NtDeleteKey(key);
            RegCloseKey(key);
        }
    }
    ClearCopyKeys();
    DeleteRegTree(HKEY_LOCAL_MACHINE, ProfileKey);
    if (classesStoreMade_)
        DeleteRegTree(HKEY_CURRENT_USER, "Software\\Classes\\VirtualStore");
    if (userStoreMade_) {
        DeleteTree(UserStore);
        return;
    }
    for (const std::string& folder : made_)
        DeleteTree(folder);
}

void VirtualCopies::Make(const std::string& store, const std::string& path, const std::string& bytes)
{
    const std::string copy = In(store, path);
    for (size_t end = copy.find('\\', store.size()); end != std::string::npos; end = copy.find('\\', end + 1)) {
        const std::string folder = copy.substr(0, end);
        if (Exists(folder))
            continue;
        MakeFolder(folder);
        if (store == UserStore)
            made_.push_back(folder);
    }
    if (!copy.ends_with('\\'))
        WriteFile(copy, bytes);
}

bool VirtualCopies::MakeKeyLink(const std::string& path, const std::wstring& target, HKEY root)
{
    HKEY key = nullptr;
    if (RegCreateKeyExA(root, path.c_str(), 0, nullptr, REG_OPTION_CREATE_LINK | REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
        return false;
    links_.push_back({root, path});
    LONG set = RegSetValueExW(key, L"SymbolicLinkValue", 0, REG_LINK, reinterpret_cast<const BYTE*>(target.data()),
                              static_cast<DWORD>(target.size() * sizeof(wchar_t)));
    RegCloseKey(key);
    return set == ERROR_SUCCESS;
}

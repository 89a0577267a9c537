#include "support/VirtualCopies.h"

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

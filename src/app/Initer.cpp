#include "Initer.h"

#include "../wintk/FileSystem.h"
#include "../wintk/FolderHandles.h"
#include "../wintk/Registry.h"

InstallStateRecord InstallState;
std::atomic<long long> ProgressStep{0};
long long ProgressShown = 0;
long long LastShownStep = 0;
bool ProbeRunPending = false, QuestsRunPending = false, NorvaneRunPending = false;
bool MainFirstPaint = false;
void (*AfterFolderRead)(const std::wstring& folder) = nullptr;
KeptEntries RemovalLeftovers;

std::wstring GameFolder()
{
    return WithBackslash(InstallState.WorkPath);
}

namespace {

void AddKept(KeptEntries& to, const KeptEntries& more)
{
    to.insert(to.end(), more.begin(), more.end());
}

// The attributes that a program may set; the others (folder, link, compressed...) are
// the file system's own and are not handed back to it.
const DWORD SettableAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                                 FILE_ATTRIBUTE_TEMPORARY | FILE_ATTRIBUTE_OFFLINE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

bool IsReadOnly(DWORD attributes)
{
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY);
}

bool IsFolder(DWORD attributes)
{
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool IsMissing(DWORD error)
{
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

// One walk. Paths are built for the report and the test hook only: every entry is
// reached through its parent's handle by its name alone.
class TreeRemoval {
public:
    KeptEntries Kept;

    void Keep(const std::wstring& path, DWORD reason) { Kept.push_back({path, reason}); }

    // Clears read-only right before the deletion and puts it back when the deletion fails,
    // so that an entry that stays keeps its attributes.
    bool Delete(HANDLE entry, DWORD attributes, const std::wstring& path)
    {
        DWORD error = 0;
        bool readOnly = IsReadOnly(attributes);
        if (readOnly && !SetHandleAttributes(entry, attributes & SettableAttributes & ~FILE_ATTRIBUTE_READONLY, error)) {
            Keep(path, error);
            return false;
        }
        if (MarkForDeletion(entry, error))
            return true;
        DWORD ignored = 0;
        if (readOnly)
            SetHandleAttributes(entry, attributes & SettableAttributes, ignored);
        Keep(path, error);
        return false;
    }

    // folder is open on the folder at path (which ends with a backslash). Answers whether
    // everything inside went.
    bool RemoveContent(HANDLE folder, std::wstring& path)
    {
        const size_t keptBefore = Kept.size();
        std::vector<FolderEntry> entries;
        DWORD error = 0;
        if (!ReadFolderEntries(folder, entries, error))
            Keep(path, error); // what was read still goes
        if (AfterFolderRead)
            AfterFolderRead(path);

        for (int folders = 0; folders < 2; ++folders) {
            for (const FolderEntry& entry : entries) {
                if (IsFolder(entry.Attributes) != (folders == 1))
                    continue;
                // A name with a separator in it would lead the walk out of this folder;
                // the folder is named in the report instead.
                if (!IsPlainName(entry.Name)) {
                    Keep(path, ERROR_INVALID_NAME);
                    continue;
                }
                const size_t base = path.size();
                path += entry.Name;
                if (folders)
                    RemoveSubFolder(folder, entry, path);
                else
                    RemoveEntry(folder, entry, path);
                path.resize(base);
            }
        }
        return Kept.size() == keptBefore;
    }

private:
    // A file, or a link to one, which is opened and deleted as the link.
    void RemoveEntry(HANDLE parent, const FolderEntry& entry, const std::wstring& path)
    {
        DWORD error = 0;
        FileHandle handle = OpenEntry(parent, entry.Name, false, IsReadOnly(entry.Attributes), error);
        if (!handle) {
            if (!IsMissing(error))
                Keep(path, error);
            return;
        }
        Delete(handle.Get(), entry.Attributes, path);
    }

    // A listed link is deleted as it is and never entered, whatever the handle says.
    void RemoveSubFolder(HANDLE parent, const FolderEntry& entry, std::wstring& path)
    {
        const bool listedAsLink = IsLink(entry.Attributes);
        DWORD error = 0;
        FileHandle handle = OpenEntry(parent, entry.Name, !listedAsLink, IsReadOnly(entry.Attributes), error);
        HandleFacts facts = {};
        if (!handle || !QueryHandleFacts(handle.Get(), facts, error)) {
            if (!IsMissing(error))
                Keep(path, error);
            return;
        }
        if (IsLink(facts.Attributes)) {
            Delete(handle.Get(), facts.Attributes, path);
            return;
        }
        // The handle is not on the folder that was listed: a link whose target the system
        // opened although it was asked for the link itself (Wine does so), or a folder
        // swapped in since the listing. Neither is entered nor deleted.
        if (listedAsLink || !IsFolder(facts.Attributes) || (entry.Id && facts.Id && entry.Id != facts.Id)) {
            Keep(path, ERROR_FILE_INVALID);
            return;
        }
        path += L'\\';
        bool empty = RemoveContent(handle.Get(), path);
        path.pop_back();
        if (empty)
            Delete(handle.Get(), facts.Attributes, path);
    }
};

std::wstring WithoutTrailingBackslash(const std::wstring& folder)
{
    if (folder.size() > 3 && folder.back() == L'\\')
        return folder.substr(0, folder.size() - 1);
    return folder;
}

} // namespace

KeptEntries RemoveFolderTree(const std::wstring& folder, bool removeSelf)
{
    TreeRemoval removal;
    std::wstring self = WithoutTrailingBackslash(folder);
    // Asked by path too: Wine shows a unix link as a link only here, not on the handle.
    DWORD pathAttributes = GetFileAttributesW(self.c_str());
    DWORD error = 0;
    FileHandle handle = OpenFolderByPath(self, error);
    HandleFacts facts = {};
    if (!handle || !QueryHandleFacts(handle.Get(), facts, error)) {
        if (!IsMissing(error))
            removal.Keep(self, error);
        return removal.Kept;
    }
    if (IsLink(facts.Attributes)) {
        if (removeSelf)
            removal.Delete(handle.Get(), facts.Attributes, self);
        return removal.Kept;
    }
    // A link by its path, but the handle is on its target (Wine): leave both.
    if (IsLink(pathAttributes)) {
        removal.Keep(self, ERROR_FILE_INVALID);
        return removal.Kept;
    }
    if (!IsFolder(facts.Attributes))
        return removal.Kept;
    std::wstring path = WithBackslash(self);
    if (removal.RemoveContent(handle.Get(), path) && removeSelf)
        removal.Delete(handle.Get(), facts.Attributes, self);
    return removal.Kept;
}

KeptEntries RemoveFile(const std::wstring& path)
{
    TreeRemoval removal;
    DWORD attributes = GetFileAttributesW(path.c_str());
    DWORD error = attributes == INVALID_FILE_ATTRIBUTES ? GetLastError() : 0;
    if (attributes == INVALID_FILE_ATTRIBUTES && !IsMissing(error))
        removal.Keep(path, error);
    if (attributes == INVALID_FILE_ATTRIBUTES || IsFolder(attributes))
        return removal.Kept;
    FileHandle handle = OpenFileByPath(path, IsReadOnly(attributes), error);
    HandleFacts facts = {};
    if (!handle || !QueryHandleFacts(handle.Get(), facts, error)) {
        if (!IsMissing(error))
            removal.Keep(path, error);
        return removal.Kept;
    }
    // A folder put in the file's place since it was tested is not the file.
    if (!IsFolder(facts.Attributes))
        removal.Delete(handle.Get(), facts.Attributes, path);
    return removal.Kept;
}

std::string MachineKey(const char* name)
{
    return std::string("Software\\") + name;
}

bool KeyCopyPresent(const std::vector<RegistryPlace>& places, const char* name)
{
    for (const RegistryPlace& place : places)
        if (KeyPresent(place.Root, (place.Prefix + name).c_str()))
            return true;
    return false;
}

namespace {

// The key as the user knows it from the registry editor.
std::wstring KeyPathForReport(HKEY root, const std::wstring& key)
{
    const wchar_t* rootName = root == HKEY_LOCAL_MACHINE ? L"HKEY_LOCAL_MACHINE\\"
                              : root == HKEY_USERS       ? L"HKEY_USERS\\"
                                                         : L"HKEY_CURRENT_USER\\";
    return rootName + key;
}

void AddKeptKeys(KeptEntries& kept, HKEY root, const KeptKeys& keys)
{
    for (const KeptKey& key : keys)
        kept.push_back({KeyPathForReport(root, key.Path), key.Reason});
}

// The copies of the folder or file at path in every VirtualStore that the probe listed. A
// copy that lies behind a link is left where it is and reported.
void RemoveCopies(KeptEntries& kept, const std::wstring& path, bool folder)
{
    for (const std::wstring& store : InstallState.VirtualStores) {
        std::wstring copy = VirtualizedPath(store, path);
        if (copy.empty())
            continue;
        if (!ReachedWithoutLinks(store, copy)) {
            if (GetFileAttributesW(copy.c_str()) != INVALID_FILE_ATTRIBUTES)
                kept.push_back({copy, ERROR_FILE_INVALID});
            continue;
        }
        AddKept(kept, folder ? RemoveFolderTree(copy, true) : RemoveFile(copy));
    }
}

} // namespace

KeptEntries DeleteLeftovers(const Leftovers& leftovers)
{
    KeptEntries kept;
    if (leftovers.SetupDirExists)
        AddKept(kept, RemoveFolderTree(leftovers.SetupDir, true));
    if (leftovers.Present && !leftovers.SetupDir.empty())
        RemoveCopies(kept, leftovers.SetupDir, true);
    if (leftovers.Present && InstallState.BackupDirExists)
        AddKept(kept, RemoveFolderTree(GameFolder() + L"Stavor\\", true));
    if (leftovers.Present && InstallState.WorkDirExists) {
        RemoveCopies(kept, GameFolder() + L"Stavor\\", true);
        for (const wchar_t* const* name = leftovers.ServiceFiles; *name; ++name) {
            AddKept(kept, RemoveFile(GameFolder() + *name));
            RemoveCopies(kept, GameFolder() + *name, false);
        }
    }
    if (!kept.empty())
        return kept;
    for (const RegistryPlace& place : InstallState.VirtualKeyPlaces)
        AddKeptKeys(kept, place.Root, RemoveKeyCopy(place, leftovers.KeyName));
    if (kept.empty())
        AddKeptKeys(kept, HKEY_LOCAL_MACHINE, RemoveKeyTree(HKEY_LOCAL_MACHINE, "Software\\", leftovers.KeyName));
    return kept;
}

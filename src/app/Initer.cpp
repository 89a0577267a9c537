#include "Initer.h"

#include <utility>

#include "../wintk/FileSystem.h"
#include "../wintk/FileDoor.h"
#include "../wintk/Registry.h"

namespace {
const wchar_t* const QuestsServiceFiles[] = {L"Rikta.exe", L"lexora.txt", nullptr};
const wchar_t* const NorvaneServiceFiles[] = {L"Rikta.exe", L"norvane_readme.txt", L"lexora.txt", nullptr};
} // namespace

const InstallerVariant QuestsVariant = {"KalmirOriginal", L"KalmirOriginal\\", QuestsServiceFiles};
const InstallerVariant NorvaneVariant = {"KalmirNorvane", L"KalmirNorvane\\", NorvaneServiceFiles};
const wchar_t BackupFolderName[] = L"Stavor";

InstallStateRecord InstallState;
std::atomic<long long> ProgressStep{0};
long long ProgressShown = 0;
long long LastShownStep = 0;
bool ProbeRunPending = false, QuestsRunPending = false, NorvaneRunPending = false;
bool MainFirstPaint = false;
void (*AfterFolderRead)(const std::wstring& folder) = nullptr;
KeptEntries RemovalLeftovers, RemovalRefused;

namespace {

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

// One folder of the walk that is being emptied, once its files are gone: what remains is
// entered one listed entry at a time, and its listing's place is kept by its handle, so a
// level holds no names, whatever the folder holds.
struct Level {
    FileHandle Owned; // empty for the outermost folder, which its caller holds
    HANDLE Folder;
    DWORD Attributes;
    size_t PathSize;   // of its path, with the trailing backslash
    size_t KeptBefore; // entries kept when it was entered
    size_t Left;       // entries that its listing may still give
    bool First;        // the listing of what is left is yet to start
};

// One walk. Paths are built for the report and the test hook only: every entry is
// reached through its parent's handle by its name alone.
class TreeRemoval {
public:
    KeptEntries Kept;

    void Keep(const std::wstring& path, DWORD reason) { Kept.Add(path, reason); }

    // The entry name in parent, whose attributes (read from the entry's own handle) are
    // given, deleted by a delete-on-close open. Read-only is cleared right before, on a
    // handle that may only change attributes, and put back when the deletion fails, so that
    // an entry that stays keeps its attributes. A read-only file with more names than this one
    // is not changed: the user may have made it a name of a file that they cannot write.
    bool Delete(HANDLE parent, const std::wstring& name, HANDLE entry, DWORD attributes, EntryKind kind, const std::wstring& path)
    {
        DWORD error = 0;
        const bool readOnly = IsReadOnly(attributes);
        DWORD links = 0;
        if (readOnly && kind == EntryKind::File && (!QueryLinkCount(entry, links, error) || links > 1)) {
            Keep(path, links > 1 ? ERROR_TOO_MANY_LINKS : error);
            return false;
        }
        if (readOnly && !SetHandleAttributes(entry, attributes & SettableAttributes & ~FILE_ATTRIBUTE_READONLY, error)) {
            Keep(path, error);
            return false;
        }
        if (DeleteOnClose(parent, name, kind, error))
            return true;
        DWORD ignored = 0;
        if (readOnly)
            SetHandleAttributes(entry, attributes & SettableAttributes, ignored);
        Keep(path, error);
        return false;
    }

    // Deletes as Delete does; once the entry's own handle is closed too, the name must be
    // gone. One that is still there (another program holds it open with delete sharing, or
    // added to the folder) stays in the report.
    void DeleteAndConfirm(HANDLE parent, const std::wstring& name, FileHandle entry, DWORD attributes, EntryKind kind,
                          const std::wstring& path)
    {
        if (!Delete(parent, name, entry.Get(), attributes, kind, path))
            return;
        entry = FileHandle();
        DWORD error = 0;
        if (!EntryGone(parent, name, error))
            Keep(path, error);
    }

    // folder is open on the folder at path (which ends with a backslash). Answers whether
    // everything inside went. Depth first with a stack of its own: a tree of any depth
    // costs a handle and a few numbers per level, never the thread's stack.
    bool RemoveContent(HANDLE folder, std::wstring& path)
    {
        const size_t keptBefore = Kept.size();
        std::vector<Level> levels;
        Enter(levels, FileHandle(), folder, 0, path);
        while (!levels.empty()) {
            Level& level = levels.back();
            path.resize(level.PathSize);
            FolderEntry entry;
            if (!NextSubFolder(level, path, entry)) {
                Leave(levels, path);
                continue;
            }
            path += entry.Name;
            // No program could name this folder.
            if (path.size() + 1 > MaxPathLength) {
                Keep(path, ERROR_FILENAME_EXCED_RANGE);
                continue;
            }
            HandleFacts facts = {};
            FileHandle sub = OpenSubFolder(level.Folder, entry, path, facts);
            if (sub) {
                path += L'\\';
                HANDLE handle = sub.Get();
                Enter(levels, std::move(sub), handle, facts.Attributes, path);
            }
        }
        return Kept.size() == keptBefore;
    }

private:
    // Counts the folder's entries, which bounds what the walk takes from it, and deletes its
    // files, a listing batch at a time.
    void Enter(std::vector<Level>& levels, FileHandle owned, HANDLE folder, DWORD attributes, std::wstring& path)
    {
        const size_t keptBefore = Kept.size();
        size_t count = 0;
        DWORD error = 0;
        if (!CountFolderEntries(folder, count, error))
            Keep(path, error);
        if (AfterFolderRead)
            AfterFolderRead(path);
        const size_t taken = RemoveFiles(folder, path, count);
        levels.push_back({std::move(owned), folder, attributes, path.size(), keptBefore, taken, true});
    }

    // The files of the folder at path, of no more entries than budget (what the folder held
    // when it was counted): taking more would be taking what another program keeps adding,
    // which is left, and the folder named. Answers how many entries the listing of what
    // they leave may give (sub-folders, files that stayed or whose deletion is still
    // pending): as many as this took, none when it met no sub-folder. path is lent for the
    // files' paths and given back as it was.
    size_t RemoveFiles(HANDLE folder, std::wstring& path, size_t budget)
    {
        const size_t pathSize = path.size();
        size_t taken = 0;
        bool subFolders = false;
        std::vector<FolderEntry> entries;
        bool more = true;
        for (bool first = true; more; first = false) {
            DWORD error = 0;
            if (!ReadFolderBatch(folder, first, entries, more, error)) {
                Keep(path, error); // what was read still goes
                more = false;
            }
            for (const FolderEntry& entry : entries) {
                if (taken == budget) {
                    Keep(path.substr(0, pathSize - 1), ERROR_DIR_NOT_EMPTY);
                    return subFolders ? taken : 0;
                }
                ++taken;
                // A name with a separator in it would lead the walk out of this folder; the
                // folder is named in the report instead.
                if (!IsPlainName(entry.Name)) {
                    Keep(path, ERROR_INVALID_NAME);
                } else if (IsFolder(entry.Attributes)) {
                    subFolders = true;
                } else {
                    path += entry.Name;
                    RemoveEntry(folder, entry, path);
                    path.resize(pathSize);
                }
            }
        }
        return subFolders ? taken : 0;
    }

    // The next sub-folder of the folder, while its listing gives no more entries than its
    // files' removal took. What another program adds meanwhile keeps the folder from going,
    // and its deletion names it. What stayed of its files was named already.
    bool NextSubFolder(Level& level, const std::wstring& path, FolderEntry& entry)
    {
        while (level.Left > 0) {
            --level.Left;
            DWORD error = 0;
            bool more = false;
            if (!ReadNextEntry(level.Folder, std::exchange(level.First, false), entry, more, error)) {
                Keep(path, error);
                return false;
            }
            if (!more)
                return false;
            if (IsFolder(entry.Attributes) && IsPlainName(entry.Name))
                return true;
        }
        return false;
    }

    // The folder is done: emptied, it goes; the outermost one is its caller's.
    void Leave(std::vector<Level>& levels, std::wstring& path)
    {
        Level level = std::move(levels.back());
        levels.pop_back();
        if (levels.empty() || Kept.size() != level.KeptBefore)
            return;
        const size_t nameStart = levels.back().PathSize;
        path.pop_back();
        DeleteAndConfirm(levels.back().Folder, path.substr(nameStart), std::move(level.Owned), level.Attributes, EntryKind::Folder,
                         path);
    }

    // A file, or a link to one, which is deleted as the link. Read-only is asked of the
    // handle only where the listing says so; any other file goes in one open with
    // delete-on-close, which one made read-only since its listing refuses, unchanged.
    void RemoveEntry(HANDLE parent, const FolderEntry& entry, const std::wstring& path)
    {
        DWORD error = 0;
        if (!IsReadOnly(entry.Attributes)) {
            if (!DeleteOnClose(parent, entry.Name, EntryKind::File, error) && !IsMissing(error))
                Keep(path, error);
            return;
        }
        FileHandle handle = OpenEntry(parent, entry.Name, false, true, error);
        HandleFacts facts = {};
        if (!handle || !QueryHandleFacts(handle.Get(), facts, error)) {
            if (!IsMissing(error))
                Keep(path, error);
            return;
        }
        Delete(parent, entry.Name, handle.Get(), facts.Attributes, EntryKind::File, path);
    }

    // A listed link is deleted as it is and never entered, whatever the handle says.
    // Answers the sub-folder's handle when it is to be entered.
    FileHandle OpenSubFolder(HANDLE parent, const FolderEntry& entry, const std::wstring& path, HandleFacts& facts)
    {
        const bool listedAsLink = IsLink(entry.Attributes);
        DWORD error = 0;
        FileHandle handle = OpenEntry(parent, entry.Name, !listedAsLink, IsReadOnly(entry.Attributes), error);
        if (!handle || !QueryHandleFacts(handle.Get(), facts, error)) {
            if (!IsMissing(error))
                Keep(path, error);
            return FileHandle();
        }
        if (IsLink(facts.Attributes)) {
            Delete(parent, entry.Name, handle.Get(), facts.Attributes, EntryKind::Either, path);
            return FileHandle();
        }
        // The handle is not on the folder that was listed: a link whose target the system
        // opened although it was asked for the link itself (Wine does so), or a folder
        // swapped in since the listing. Neither is entered nor deleted.
        if (listedAsLink || !IsFolder(facts.Attributes) || (entry.Id && facts.Id && entry.Id != facts.Id)) {
            Keep(path, ERROR_FILE_INVALID);
            return FileHandle();
        }
        return handle;
    }
};

// The folder name inside parent, which is open on parentPath (ending with a backslash).
KeptEntries RemoveTreeIn(HANDLE parent, const std::wstring& parentPath, const std::wstring& name, bool removeSelf)
{
    TreeRemoval removal;
    const std::wstring self = parentPath + name;
    DWORD error = 0;
    FileHandle handle = OpenEntry(parent, name, true, true, error);
    HandleFacts facts = {};
    if (!handle || !QueryHandleFacts(handle.Get(), facts, error)) {
        // ERROR_DIRECTORY: a file where the folder was looked for is not the folder.
        if (!IsMissing(error) && error != ERROR_DIRECTORY)
            removal.Keep(self, error);
        return removal.Kept;
    }
    // Where the system opened a link's target although asked for the link (Wine), the
    // handle's final path names the target.
    if (!FinalPathIs(handle.Get(), self, error)) {
        removal.Keep(self, error);
        return removal.Kept;
    }
    if (!IsFolder(facts.Attributes))
        return removal.Kept;
    // A link in the folder's place goes as the link, never entered.
    std::wstring path = self + L'\\';
    const bool link = IsLink(facts.Attributes);
    if ((link || removal.RemoveContent(handle.Get(), path)) && removeSelf)
        removal.DeleteAndConfirm(parent, name, std::move(handle), facts.Attributes, link ? EntryKind::Either : EntryKind::Folder, self);
    return removal.Kept;
}

// The file name inside parent, which is open on parentPath (ending with a backslash).
KeptEntries RemoveFileIn(HANDLE parent, const std::wstring& parentPath, const std::wstring& name)
{
    TreeRemoval removal;
    const std::wstring path = parentPath + name;
    DWORD error = 0;
    FileHandle handle = OpenEntry(parent, name, false, true, error);
    HandleFacts facts = {};
    if (!handle || !QueryHandleFacts(handle.Get(), facts, error)) {
        if (!IsMissing(error))
            removal.Keep(path, error);
        return removal.Kept;
    }
    if (!FinalPathIs(handle.Get(), path, error)) {
        removal.Keep(path, error);
        return removal.Kept;
    }
    // A folder in the file's place is not the file.
    if (!IsFolder(facts.Attributes))
        removal.DeleteAndConfirm(parent, name, std::move(handle), facts.Attributes,
                                 IsLink(facts.Attributes) ? EntryKind::Either : EntryKind::File, path);
    return removal.Kept;
}

// The folder that holds path, opened without a link on the way; a missing one holds
// nothing. One reached through a link is reported in path's name when something lies at
// path behind it, or may: a link that leads to nothing blocks nothing.
FileHandle OpenParent(const std::wstring& path, std::wstring& parentPath, std::wstring& name, KeptEntries& kept)
{
    DWORD error = 0;
    FileHandle parent;
    if (SplitLastName(path, parentPath, name))
        parent = OpenFolderWithoutLinks(parentPath, error);
    else
        error = ERROR_BAD_PATHNAME;
    if (!parent && !IsMissing(error) && (error != ERROR_FILE_INVALID || AnythingBehindLinks(path)))
        kept.Add(path, error);
    return parent;
}

} // namespace

KeptEntries RemoveFolderTree(const std::wstring& folder, bool removeSelf)
{
    KeptEntries kept;
    std::wstring parentPath, name;
    FileHandle parent = OpenParent(folder, parentPath, name, kept);
    return parent ? RemoveTreeIn(parent.Get(), parentPath, name, removeSelf) : kept;
}

KeptEntries RemoveFile(const std::wstring& path)
{
    KeptEntries kept;
    std::wstring parentPath, name;
    FileHandle parent = OpenParent(path, parentPath, name, kept);
    return parent ? RemoveFileIn(parent.Get(), parentPath, name) : kept;
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

// Keys named as the user knows them from the registry editor.
void AddKeptKeys(KeptEntries& kept, HKEY root, const KeptKeys& keys)
{
    kept.Append(keys, root == HKEY_LOCAL_MACHINE ? L"HKEY_LOCAL_MACHINE\\"
                      : root == HKEY_USERS       ? L"HKEY_USERS\\"
                                                 : L"HKEY_CURRENT_USER\\");
}

// The copies of the folder or file at path in every VirtualStore that the probe listed. A
// copy is reached from its drive like any target: one whose way passes a link is left where
// it is and reported when anything lies behind the link, and so is one below a folder that
// cannot be checked.
void RemoveCopies(KeptEntries& kept, const std::wstring& path, bool folder)
{
    for (const std::wstring& store : InstallState.VirtualStores) {
        std::wstring copy = VirtualizedPath(store, path);
        if (!copy.empty())
            kept.Append(folder ? RemoveFolderTree(copy, true) : RemoveFile(copy));
    }
}

// The backup folder and the service files of one game folder, each reached through the
// game folder's handle, and their copies.
void RemoveFromGameFolder(KeptEntries& kept, const std::wstring& game, const wchar_t* const* serviceFiles)
{
    DWORD error = 0;
    FileHandle folder = OpenFolderWithoutLinks(game, error);
    if (!folder && !IsMissing(error) && error != ERROR_FILE_INVALID)
        kept.Add(game, error);
    // Behind a link on the way each trace is named by its own name, and only where it lies.
    auto leftBehindALink = [&](const std::wstring& path) {
        if (!folder && error == ERROR_FILE_INVALID && AnythingBehindLinks(path))
            kept.Add(path, error);
    };
    if (folder)
        kept.Append(RemoveTreeIn(folder.Get(), game, BackupFolderName, true));
    leftBehindALink(game + BackupFolderName + L'\\');
    RemoveCopies(kept, game + BackupFolderName + L'\\', true);
    for (const wchar_t* const* name = serviceFiles; *name; ++name) {
        if (folder)
            kept.Append(RemoveFileIn(folder.Get(), game, *name));
        leftBehindALink(game + *name);
        RemoveCopies(kept, game + *name, false);
    }
}

KeptEntries RemoveVariant(const Leftovers& leftovers)
{
    KeptEntries kept;
    if (leftovers.SetupDirExists)
        kept.Append(RemoveFolderTree(leftovers.SetupDir, true));
    if (leftovers.Present && !leftovers.SetupDir.empty())
        RemoveCopies(kept, leftovers.SetupDir, true);
    if (leftovers.Present)
        for (const std::wstring& game : InstallState.GameFolders)
            RemoveFromGameFolder(kept, game, leftovers.Variant.ServiceFiles);
    if (!kept.empty())
        return kept;
    for (const RegistryPlace& place : InstallState.VirtualKeyPlaces)
        AddKeptKeys(kept, place.Root, RemoveKeyCopy(place, leftovers.Variant.KeyName));
    if (kept.empty())
        AddKeptKeys(kept, HKEY_LOCAL_MACHINE, RemoveKeyTree(HKEY_LOCAL_MACHINE, "Software\\", leftovers.Variant.KeyName));
    return kept;
}

} // namespace

// A refused game folder is named apart and does not hold the keys back: nothing in it is
// ever touched, so no later run would finish there.
KeptEntries DeleteLeftovers(const Leftovers& leftovers)
{
    RemovalRefused = leftovers.Present ? InstallState.RefusedWorkPaths : KeptEntries();
    return RemoveVariant(leftovers);
}

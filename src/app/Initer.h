#pragma once
// Program-wide state of the cleaning runs, and the removal of folder trees.
#include <atomic>
#include <string>
#include <vector>

#include "../wintk/Kept.h"
#include "../wintk/VirtualStore.h"
#include "../wintk/Win.h"
#include "RunState.h"

// One variant of the installer: what it leaves besides the backup folder, which both share.
// The probe and the removals read the same record.
struct InstallerVariant {
    const char* KeyName;                // under HKEY_LOCAL_MACHINE\Software
    const wchar_t* FolderName;          // in the Windows folder, with a trailing backslash
    const wchar_t* const* ServiceFiles; // in the game folder, null-terminated
};
extern const InstallerVariant QuestsVariant, NorvaneVariant;
// The installer's backup folder in the game folder.
extern const wchar_t BackupFolderName[];

// The entries that a removal had to leave, each with the Windows error that kept it there:
// ERROR_SHARING_VIOLATION or ERROR_ACCESS_DENIED mostly; ERROR_INVALID_NAME for a folder
// (listed with its trailing backslash) that holds a name which cannot be joined to a path
// safely; ERROR_FILE_INVALID for a folder entry that is not what was listed, being
// replaced since or a link that the system would open only as its target;
// ERROR_DIR_NOT_EMPTY for a folder that gained entries while the removal ran;
// ERROR_DELETE_PENDING for a name still there after its deletion, held open by another
// program; ERROR_TOO_MANY_LINKS for a read-only file with other names (hard links), whose
// attributes are not changed; ERROR_BAD_PATHNAME for a "WORK PATH" that names no folder
// fit to be cleaned. A folder that stays only because of such an entry inside it is not
// listed itself. The top of a tree or a single file that lies behind a link, or whose way
// could not be checked, is listed with ERROR_FILE_INVALID.

// What the last probe found. Paths survive a probe; each is read only while its flag is set.
// A variant is present when anything of it was found (its key or its installer folder, or
// a copy of either in a VirtualStore): that enables its removal, which takes the backup
// folder and the service files too, with their copies.
struct InstallStateRecord {
    std::wstring WorkPath;         // the current user's "WORK PATH" of the game, as stored
    bool WorkPathUnusable = false; // probe-internal: that value names no usable game folder
    bool WorkDirExists = false;    // GameFolders holds one at least
    bool BackupDirExists = false;  // in one of them at least
    // The game folders of the current user and of every loaded user hive, each an existing
    // folder with long names and a trailing backslash, none twice; the values refused as
    // game folders (a drive root, a system or profile folder...), for the warning.
    std::vector<std::wstring> GameFolders;
    KeptEntries RefusedWorkPaths;
    bool NorvaneKeyExists = false;
    std::wstring NorvaneSetupDir;
    bool NorvaneDirExists = false;
    bool NorvanePresent = false;
    bool QuestsKeyExists = false;
    std::wstring QuestsSetupDir;
    bool QuestsDirExists = false;
    bool QuestsPresent = false;
    // Where the probe looked for copies; the removals take them from the same places.
    std::vector<std::wstring> VirtualStores;
    std::vector<RegistryPlace> VirtualKeyPlaces;
};
extern InstallStateRecord InstallState;

// What the last removal run left behind: written by its worker, read by the UI thread
// once it has seen that worker end.
extern KeptEntries RemovalLeftovers;
// The "WORK PATH" values that the last removal refused to look into, for the warning.
extern KeptEntries RemovalRefused;

// Deletes everything inside folder (a path ending with a backslash), in the order of each
// folder's listing, depth first, each folder after its content; then the folder itself
// when removeSelf is set. The folder is reached without following a link on the way (else
// it stays and is reported). Links inside are deleted as entries and never entered, also
// one swapped in while the removal runs (where the system opens a link only as its target,
// the link stays and is reported). The walk keeps no call stack per level: per level only
// the folder's handle, whose listing keeps its place, and a few numbers. Every deletion is
// a delete-on-close open, which never waits on another program's opportunistic lock.
// Returns what it could not delete.
KeptEntries RemoveFolderTree(const std::wstring& folder, bool removeSelf);
// For tests: called with each folder's path after its entries were counted, before any of
// them is touched.
extern void (*AfterFolderRead)(const std::wstring& folder);

// Deletes the file at path, reached without following a link on the way: read-only (as
// its handle says) is cleared right before the delete and put back when the delete fails;
// a read-only file with other names stays. A link goes as the link; a folder or nothing at
// path is left alone. Returns the file when it stayed, also when its name outlived the
// deletion.
KeptEntries RemoveFile(const std::wstring& path);

// The installer's key Software\<name> under HKEY_LOCAL_MACHINE.
std::string MachineKey(const char* name);
// Whether a copy of that key lies in one of the places.
bool KeyCopyPresent(const std::vector<RegistryPlace>& places, const char* name);

// What the probe found of one installer variant; both removal procedures run this same walk.
struct Leftovers {
    const InstallerVariant& Variant;
    bool Present; // the probe found the variant: only then are the shared traces its own
    bool SetupDirExists;
    const std::wstring& SetupDir;
};
// Each target goes with its copies in every VirtualStore that the probe listed. The keys
// mark an unfinished removal: they go last (the copies, then the real key) and only when
// nothing else stayed, so that the next probe finds the variant again. Returns what stayed
// (a key only when its own deletion failed).
KeptEntries DeleteLeftovers(const Leftovers& leftovers);

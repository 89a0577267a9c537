#include "GetInfAbCompForm.h"

#include <algorithm>

#include "../wintk/FileSystem.h"
#include "../wintk/FileDoor.h"
#include "../wintk/Registry.h"
#include "../wintk/ShortText.h"
#include "Initer.h"

namespace {

const char PathSettingsKey[] = "Software\\Nival Interactive\\EvilIslands\\Path Settings";
const wchar_t WorkPathValue[] = L"WORK PATH";

void ReportStage(const StageReport& report, long long stage)
{
    ProgressStep = stage;
    if (report.Proc)
        report.Proc(report.Context);
}

// Both folders end with a backslash.
bool SameOrUnder(const std::wstring& path, const std::wstring& folder)
{
    return !folder.empty() && path.size() >= folder.size() && SamePath(path.substr(0, folder.size()), folder);
}

// A folder of the system in long names, reached as the removal would; empty when it cannot be.
std::wstring LongFolderPath(const std::wstring& path)
{
    DWORD error = 0;
    std::wstring longPath;
    return OpenFolderWithoutLinks(path, error, &longPath) ? longPath : std::wstring();
}

std::wstring EnvironmentFolder(const wchar_t* name)
{
    wchar_t buffer[MAX_PATH + 1] = {};
    DWORD length = GetEnvironmentVariableW(name, buffer, MAX_PATH + 1);
    return length > 0 && length <= MAX_PATH ? WithBackslash(buffer) : std::wstring();
}

// Whether folder (long names, trailing backslash) is one that no removal may take its
// game's traces from: a drive root, the Windows folder or one in it, a profile or the
// folder of the profiles, Program Files itself, a VirtualStore or one in it. Each of
// these holds what is not the game's; a "WORK PATH" naming one is written by a user and
// possibly not the one who runs Tessaly. Folders are told by their identity, not by their
// names, each reached with the links on its way followed, as the door follows them: a
// profile moved to another disk with a junction is found at its new place too, and so is a
// game folder behind a link to one of these. A game folder whose identity, or that of a
// folder above it, cannot be read is refused.
bool IsForbiddenGameFolder(const std::wstring& folder)
{
    const std::wstring windows = LongFolderPath(WindowsFolderPath());
    std::vector<FileIdentity> upFrom;
    DWORD error = 0;
    if (folder.size() <= 3 || windows.empty() || !OpenFolderFollowingLinks(folder, error, &upFrom) || upFrom.empty())
        return true;
    auto is = [&](const std::wstring& known, bool orAbove) {
        FileIdentity identity;
        if (known.empty() || !IdentityOf(known, identity))
            return orAbove ? SameOrUnder(folder, known) : SamePath(folder, known);
        return orAbove ? std::find(upFrom.begin(), upFrom.end(), identity) != upFrom.end() : identity == upFrom.back();
    };
    std::vector<std::wstring> containers = InstallState.VirtualStores;
    containers.push_back(windows);
    for (const std::wstring& container : containers)
        if (is(container, true))
            return true;
    std::vector<std::wstring> system = ProfileFolders();
    for (const wchar_t* name : {L"ProgramFiles", L"ProgramFiles(x86)", L"ProgramW6432", L"USERPROFILE"})
        system.push_back(EnvironmentFolder(name));
    for (const std::wstring& known : system)
        if (is(known, false))
            return true;
    return false;
}

void Refuse(const std::wstring& value)
{
    // The current user's hive is loaded under HKEY_USERS too.
    const std::wstring excerpt = WarningExcerpt(value);
    for (const KeptEntry& refused : InstallState.RefusedWorkPaths)
        if (refused.Path == excerpt)
            return;
    InstallState.RefusedWorkPaths.Add(value, ERROR_BAD_PATHNAME);
}

// "WORK PATH" under root\hive as stored, a zero inside included; empty when it is missing or
// not REG_SZ. A value longer than any path is refused unread, named by its first characters.
std::wstring ReadWorkPath(HKEY root, const std::string& hive)
{
    HKEY key = KeyOpenForRead(root, (hive + PathSettingsKey).c_str());
    bool tooLong = false;
    std::wstring value = ReadStoredText(key, WorkPathValue, &tooLong);
    KeyClose(key);
    if (!tooLong)
        return value;
    Refuse(value + L"...");
    return std::wstring();
}

// One "WORK PATH": an existing folder on a local disk that is fit to be cleaned joins the
// game folders; any other value but a missing folder is refused and named. So is one that
// cannot name a folder at all (a zero in it, a name of more than 255 characters, more than
// 32,767 in all): no path function sees it. A value with a drive-relative, UNC or device
// form ("\\server\...", "\\?\...", "\\.\...") is refused too, and so is a relative one:
// it would name a folder relative to this program's current folder, not the game's. The
// folder is reached as the removal reaches it, without following a link: one behind a link
// or a folder that cannot be checked joins the game folders as it is written, and the
// removal names it.
void AddGameFolder(const std::wstring& value)
{
    InstallStateRecord& s = InstallState;
    if (value.empty())
        return;
    // FullPath would take a relative value for one in the current folder.
    const std::wstring full = IsOnADrive(value) && CanNameAFolder(value) ? WithBackslash(FullPath(value)) : std::wstring();
    DWORD error = 0;
    std::wstring folder;
    FileHandle handle = OpenFolderWithoutLinks(full, error, &folder);
    if (!handle && (IsMissing(error) || error == ERROR_DIRECTORY))
        return;
    if (!handle && error != ERROR_BAD_PATHNAME)
        folder = full;
    if (folder.empty() || IsForbiddenGameFolder(folder))
        return Refuse(value);
    for (const std::wstring& known : s.GameFolders)
        if (SamePath(known, folder))
            return;
    s.GameFolders.push_back(folder);
    s.WorkDirExists = true;
    s.BackupDirExists = s.BackupDirExists || FolderThere(folder + BackupFolderName + L'\\');
}

// The game folders of the current user and of every user whose hive is loaded: Tessaly
// may run elevated under another account than the one that plays.
void ProbeGame()
{
    InstallStateRecord& s = InstallState;
    s.WorkPath = ReadWorkPath(HKEY_CURRENT_USER, "");
    AddGameFolder(s.WorkPath);
    s.WorkPathUnusable = s.GameFolders.empty();
    for (const std::string& hive : LoadedUserHives())
        AddGameFolder(ReadWorkPath(HKEY_USERS, hive + "\\"));
}

// What the probe records of one installer variant.
struct VariantFlags {
    bool& KeyExists;
    std::wstring& SetupDir;
    bool& DirExists;
    bool& Present;
};

bool FolderCopyPresent(const std::wstring& folder)
{
    for (const std::wstring& store : InstallState.VirtualStores)
        if (FolderThere(VirtualizedPath(store, folder)))
            return true;
    return false;
}

// An installer variant: its key under HKEY_LOCAL_MACHINE\Software and its folder under
// Windows, each looked for on its own (a failed uninstaller may have removed the key and
// left the folder), and so are their copies in every VirtualStore, which the installer and
// the game see when they run virtualized. Whatever is found of it makes the variant present.
void ProbeInstaller(const InstallerVariant& variant, const VariantFlags& found)
{
    found.KeyExists = KeyPresent(HKEY_LOCAL_MACHINE, MachineKey(variant.KeyName).c_str());
    std::wstring windows = WindowsFolderPath();
    found.SetupDir = windows.empty() ? std::wstring() : windows + variant.FolderName;
    found.DirExists = !found.SetupDir.empty() && FolderThere(found.SetupDir);
    found.Present = found.KeyExists || found.DirExists || KeyCopyPresent(InstallState.VirtualKeyPlaces, variant.KeyName) ||
                    FolderCopyPresent(found.SetupDir);
}

} // namespace

int ProbeInstallation(const StageReport& report)
{
    ProgressStep = 0;
    InstallStateRecord& s = InstallState;
    s.WorkPathUnusable = s.WorkDirExists = s.BackupDirExists = false;
    s.GameFolders.clear();
    s.RefusedWorkPaths.clear();
    s.NorvaneKeyExists = s.NorvaneDirExists = s.NorvanePresent = false;
    s.QuestsKeyExists = s.QuestsDirExists = s.QuestsPresent = false;
    s.VirtualStores = VirtualStoreFolders();
    s.VirtualKeyPlaces = VirtualStoreKeyPlaces();

    ProbeGame();
    ReportStage(report, 1);
    ProbeInstaller(NorvaneVariant, {s.NorvaneKeyExists, s.NorvaneSetupDir, s.NorvaneDirExists, s.NorvanePresent});
    ReportStage(report, 2);
    ProbeInstaller(QuestsVariant, {s.QuestsKeyExists, s.QuestsSetupDir, s.QuestsDirExists, s.QuestsPresent});
    ReportStage(report, 3);
    return 0;
}

void CopyProgressStep()
{
    ProgressShown = ProgressStep;
}

// The probe run --------------------------------------------------------------------

CarrierDialog* ProbeDialog = nullptr;
NotifyEvent ProbeRunEnded;

namespace {

void CopyProgressStepCall(void*)
{
    CopyProgressStep();
}

// On the worker: the UI thread copies the step before the probe goes on.
void HandStageOver(void* dialog)
{
    static_cast<CarrierDialog*>(dialog)->Worker->Synchronize(CopyProgressStepCall, dialog);
}

int ProbeBody(void* dialog, WorkerThread*)
{
    return ProbeInstallation({HandStageOver, dialog});
}

const RunKind ProbeRun = {
    .Caption = "АналИз... но не мОчи ;)",
    .Width = 223, .Height = 43,
    .ClientSize = true,
    .Analysis = true,
    .Pending = &ProbeRunPending,
    .Global = &ProbeDialog,
    .Info = "Подождите, собираю информацию...",
    .Body = ProbeBody,
};

} // namespace

CarrierDialog* BuildProbeDialog(Control* parent)
{
    return BuildCarrierDialog(parent, ProbeRun, ProbeRunEnded);
}

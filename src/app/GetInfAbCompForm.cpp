#include "GetInfAbCompForm.h"

#include "../wintk/FileSystem.h"
#include "../wintk/Registry.h"
#include "Initer.h"

namespace {

const char GameKey[] = "Software\\Nival Interactive\\EvilIslands";
const char PathSettingsKey[] = "Software\\Nival Interactive\\EvilIslands\\Path Settings";
const wchar_t WorkPathValue[] = L"WORK PATH";

void ReportStage(const StageReport& report, long long stage)
{
    ProgressStep = stage;
    if (report.Proc)
        report.Proc(report.Context);
}

// A relative "WORK PATH" (".\" included) would name a folder relative to this program's
// current folder, not the game's: it is as unusable as a missing one.
void ProbeGame()
{
    InstallStateRecord& s = InstallState;
    if (!KeyPresent(HKEY_CURRENT_USER, GameKey))
        return;
    if (!KeyPresent(HKEY_CURRENT_USER, PathSettingsKey)) {
        s.WorkPathUnusable = true;
        return;
    }
    HKEY key = KeyOpenForRead(HKEY_CURRENT_USER, PathSettingsKey);
    if (!ValuePresent(key, WorkPathValue))
        s.WorkPathUnusable = true;
    KeyClose(key);
    if (s.WorkPathUnusable)
        return;

    key = KeyOpenForRead(HKEY_CURRENT_USER, PathSettingsKey);
    s.WorkPath = ReadStringValue(key, WorkPathValue);
    KeyClose(key);
    if (!IsAbsolutePath(s.WorkPath))
        s.WorkPathUnusable = true;
    if (!s.WorkPathUnusable && PathIsFolder(s.WorkPath)) {
        s.WorkDirExists = true;
        s.BackupDirExists = PathIsFolder(GameFolder() + L"Stavor\\");
    }
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
        if (PathIsFolder(VirtualizedPath(store, folder)))
            return true;
    return false;
}

// An installer variant: its key under HKEY_LOCAL_MACHINE\Software and its folder under
// Windows, each looked for on its own (a failed uninstaller may have removed the key and
// left the folder), and so are their copies in every VirtualStore, which the installer and
// the game see when they run virtualized. Whatever is found of it makes the variant present.
void ProbeInstaller(const char* keyName, const wchar_t* folderName, const VariantFlags& found)
{
    found.KeyExists = KeyPresent(HKEY_LOCAL_MACHINE, MachineKey(keyName).c_str());
    std::wstring windows = WindowsFolderPath();
    found.SetupDir = windows.empty() ? std::wstring() : windows + folderName;
    found.DirExists = PathIsFolder(found.SetupDir);
    found.Present = found.KeyExists || found.DirExists || KeyCopyPresent(InstallState.VirtualKeyPlaces, keyName) ||
                    FolderCopyPresent(found.SetupDir);
}

} // namespace

int ProbeInstallation(const StageReport& report)
{
    ProgressStep = 0;
    InstallStateRecord& s = InstallState;
    s.WorkPathUnusable = s.WorkDirExists = s.BackupDirExists = false;
    s.NorvaneKeyExists = s.NorvaneDirExists = s.NorvanePresent = false;
    s.QuestsKeyExists = s.QuestsDirExists = s.QuestsPresent = false;
    s.VirtualStores = VirtualStoreFolders();
    s.VirtualKeyPlaces = VirtualStoreKeyPlaces();

    ProbeGame();
    ReportStage(report, 1);
    ProbeInstaller("KalmirNorvane", L"KalmirNorvane\\", {s.NorvaneKeyExists, s.NorvaneSetupDir, s.NorvaneDirExists, s.NorvanePresent});
    ReportStage(report, 2);
    ProbeInstaller("KalmirOriginal", L"KalmirOriginal\\", {s.QuestsKeyExists, s.QuestsSetupDir, s.QuestsDirExists, s.QuestsPresent});
    ReportStage(report, 3);
    return 0;
}

void CopyProgressStep()
{
    ProgressShown = ProgressStep;
}

// The probe run --------------------------------------------------------------------

CarrierDialog* ProbeDialog = nullptr;

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
    return BuildCarrierDialog(parent, ProbeRun);
}

#pragma once
// Program-wide state of the cleaning runs, and the removal of folder trees.
#include <atomic>
#include <string>

// What the last probe found. Paths survive a probe; each is read only while its flag is set.
struct InstallStateRecord {
    std::string WorkPath;          // "WORK PATH" of the game, as stored
    bool WorkPathUnusable = false; // probe-internal: no usable game folder in the registry
    bool WorkDirExists = false;
    bool BackupDirExists = false;
    bool NorvaneKeyExists = false;
    std::string NorvaneSetupDir;
    bool NorvaneDirExists = false;
    bool QuestsKeyExists = false;
    std::string QuestsSetupDir;
    bool QuestsDirExists = false;
};
extern InstallStateRecord InstallState;

// Probe progress: ProgressStep is written by the worker and read by the UI thread;
// the other two belong to the UI thread.
extern std::atomic<long long> ProgressStep;
extern long long ProgressShown;
extern long long LastShownStep;

// Set by a carrier dialog's build, cleared by its first paint.
extern bool ProbeRunPending, QuestsRunPending, NorvaneRunPending;
// Set at the end of the main window's build, cleared by its first paint.
extern bool MainFirstPaint;

// The game folder as a prefix for names: the stored "WORK PATH" with exactly one
// trailing backslash, so "C:\Games\EI" yields "C:\Games\EI\Stavor\" and never "C:\Games\EIStavor\".
std::string GameFolder();

// Deletes everything inside folder (a path ending with a backslash), depth first, and
// then the folder itself when removeSelf is set. Links (junctions, symbolic links, mount
// points) are removed as entries and never descended into.
void RemoveFolderTree(const std::string& folder, bool removeSelf);
bool RemoveFolder(const std::string& path);

// What one installer variant left behind; both removal procedures run this same walk.
struct Leftovers {
    bool SetupDirExists;
    const std::string& SetupDir;
    const char* const* ServiceFiles; // null-terminated list of names in the game folder
    const char* Key;                 // under HKEY_LOCAL_MACHINE
};
void DeleteLeftovers(const Leftovers& leftovers);

#include "Initer.h"

#include <vector>

#include "../wintk/FileSystem.h"
#include "../wintk/Registry.h"

InstallStateRecord InstallState;
std::atomic<long long> ProgressStep{0};
long long ProgressShown = 0;
long long LastShownStep = 0;
bool ProbeRunPending = false, QuestsRunPending = false, NorvaneRunPending = false;
bool MainFirstPaint = false;

std::string GameFolder()
{
    return WithBackslash(InstallState.WorkPath);
}

bool RemoveFolder(const std::string& path)
{
    return RemoveDirectoryA(path.c_str()) != 0;
}

namespace {

struct Entry {
    std::string Name;
    bool Link;
};

// Names are collected first and deleted after FindClose, files before sub-folders, each
// group in enumeration order. Vectors keep the walk linear in the number of entries.
void RemoveLevel(const std::string& folder, bool removeSelf)
{
    std::vector<Entry> files, folders;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "*.*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            found.cFileName[MAX_PATH - 1] = 0;
            std::string name = found.cFileName;
            if (name == "." || name == "..")
                continue;
            DWORD attributes = GetFileAttributesA((folder + name).c_str());
            bool link = IsLinkAttributes(attributes) || IsLinkAttributes(found.dwFileAttributes);
            bool isFolder = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
            (isFolder ? folders : files).push_back({name, link});
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }

    for (const Entry& file : files) {
        std::string path = folder + file.Name;
        if (!PathIsFile(path))
            continue;
        // Resetting attributes on a link could reach its target; the link goes as it is.
        if (!file.Link)
            SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_ARCHIVE);
        DeleteFileA(path.c_str());
    }

    for (const Entry& sub : folders) {
        std::string path = folder + sub.Name + "\\";
        if (!PathIsFolder(path))
            continue;
        if (sub.Link) {
            RemoveFolder(folder + sub.Name); // removes the link, not what it points at
            continue;
        }
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_ARCHIVE);
        RemoveLevel(path, true);
    }

    if (removeSelf && PathIsFolder(folder))
        RemoveFolder(folder);
}

std::string WithoutTrailingBackslash(const std::string& folder)
{
    if (folder.size() > 3 && folder.back() == '\\')
        return folder.substr(0, folder.size() - 1);
    return folder;
}

} // namespace

void RemoveFolderTree(const std::string& folder, bool removeSelf)
{
    std::string self = WithoutTrailingBackslash(folder);
    if (PathIsLink(self)) {
        if (removeSelf)
            RemoveFolder(self);
        return;
    }
    RemoveLevel(folder, removeSelf);
}

void DeleteLeftovers(const Leftovers& leftovers)
{
    if (leftovers.SetupDirExists)
        RemoveFolderTree(leftovers.SetupDir, true);
    if (InstallState.BackupDirExists)
        RemoveFolderTree(GameFolder() + "Stavor\\", true);
    if (InstallState.WorkDirExists) {
        for (const char* const* name = leftovers.ServiceFiles; *name; ++name) {
            std::string path = GameFolder() + *name;
            if (PathIsFile(path))
                DeleteFileA(path.c_str());
        }
    }
    if (KeyPresent(HKEY_LOCAL_MACHINE, leftovers.Key))
        KeyRemove(HKEY_LOCAL_MACHINE, leftovers.Key);
}

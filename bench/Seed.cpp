#include "Seed.h"

#include <vector>

#include "wintk/Win.h"

namespace {

bool IsDotName(const char* name)
{
    return name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0));
}

// path ends with a backslash and is grown and cut back in place, so that building the
// names costs no allocation per entry beyond collecting them.
void SeedLevel(std::string& path, long& entries)
{
    const size_t base = path.size();
    std::vector<std::string> files, folders;
    WIN32_FIND_DATAA found;
    path += "*.*";
    HANDLE search = FindFirstFileA(path.c_str(), &found);
    path.resize(base);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            if (IsDotName(found.cFileName))
                continue;
            path += found.cFileName;
            DWORD attributes = GetFileAttributesA(path.c_str());
            path.resize(base);
            bool isFolder = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
            (isFolder ? folders : files).emplace_back(found.cFileName);
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }

    for (const std::string& name : files) {
        path += name;
        GetFileAttributesA(path.c_str());
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_ARCHIVE);
        DeleteFileA(path.c_str());
        path.resize(base);
        ++entries;
    }

    for (const std::string& name : folders) {
        path += name;
        path += '\\';
        GetFileAttributesA(path.c_str());
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_ARCHIVE);
        SeedLevel(path, entries);
        path.resize(base);
    }

    // The same trailing-backslash path that the earlier walk handed to both calls.
    GetFileAttributesA(path.c_str());
    RemoveDirectoryA(path.c_str());
    ++entries;
}

} // namespace

long SeedRemoveTree(const std::string& folder)
{
    // The earlier walk first asked whether the folder itself is a link.
    GetFileAttributesA(folder.substr(0, folder.size() - 1).c_str());
    std::string path = folder;
    path.reserve(4 * MAX_PATH);
    long entries = 0;
    SeedLevel(path, entries);
    return entries;
}

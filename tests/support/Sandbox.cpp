#include "support/Sandbox.h"

#include <cstdlib>
#include <vector>

std::string MakeScratchFolder(const std::string& name)
{
    CreateDirectoryA("C:\\tessaly-test", nullptr);
    std::string folder = "C:\\tessaly-test\\" + name + "\\";
    DeleteTree(folder);
    CreateDirectoryA(folder.c_str(), nullptr);
    return folder;
}

void MakeFolder(const std::string& path)
{
    CreateDirectoryA(path.c_str(), nullptr);
}

void WriteFile(const std::string& path, const std::string& bytes)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    DWORD written = 0;
    ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
}

std::string ReadFileBytes(const std::string& path)
{
    std::string bytes;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return "<unreadable>";
    char buffer[4096];
    DWORD read = 0;
    while (ReadFile(file, buffer, sizeof buffer, &read, nullptr) && read > 0)
        bytes.append(buffer, read);
    CloseHandle(file);
    return bytes;
}

bool Exists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

static std::string NoTrailingBackslash(std::string path)
{
    while (path.size() > 3 && path.back() == '\\')
        path.pop_back();
    return path;
}

static std::string UnixPath(const std::string& path)
{
    const char* prefix = std::getenv("WINEPREFIX");
    std::string unixPath = std::string(prefix ? prefix : "") + "/drive_c/" + NoTrailingBackslash(path).substr(3);
    for (char& c : unixPath)
        if (c == '\\')
            c = '/';
    return unixPath;
}

// Polls for up to five seconds.
static bool Eventually(bool (*done)(const std::string&), const std::string& path)
{
    for (int i = 0; i < 500; ++i) {
        if (done(path))
            return true;
        Sleep(10);
    }
    return false;
}

// Runs a shell command on the host. Wine does not let us wait for a unix process, so the
// command leaves a marker file when it is done and we wait for that.
static bool RunHost(const std::string& shellCommand)
{
    static int serial = 0;
    std::string marker = "C:\\tessaly-host-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++serial);
    std::string command = "Z:\\bin\\sh -c \"" + shellCommand + "; : > '" + UnixPath(marker) + "'\"";
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    std::vector<char> line(command.begin(), command.end());
    line.push_back(0);
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return false;
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
    bool done = Eventually(Exists, marker);
    DeleteFileA(marker.c_str());
    return done;
}

static bool IsLink(const std::string& path)
{
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

// The host's rm removes links as entries, sees dangling ones (which Wine hides) and
// ignores read-only bits: the one cleanup that cannot reach outside the tree.
void DeleteTree(const std::string& path)
{
    std::string self = NoTrailingBackslash(path);
    RunHost("rm -rf '" + UnixPath(self) + "'");
}

std::set<std::string> ListNames(const std::string& folder)
{
    std::set<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return names;
    do
        names.insert(found.cFileName);
    while (FindNextFileA(search, &found));
    FindClose(search);
    return names;
}

static void SnapshotInto(const std::string& root, const std::string& relative, TreeSnapshot& out)
{
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((root + relative + "*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return;
    std::vector<std::string> folders;
    do {
        std::string name = found.cFileName;
        if (name == "." || name == "..")
            continue;
        std::string entry = relative + name;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)
            out[entry] = "<link>";
        else if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            out[entry] = "<folder>";
            folders.push_back(entry + "\\");
        } else
            out[entry] = ReadFileBytes(root + entry);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    for (const std::string& folder : folders)
        SnapshotInto(root, folder, out);
}

TreeSnapshot Snapshot(const std::string& folder)
{
    TreeSnapshot out;
    SnapshotInto(folder, "", out);
    return out;
}

bool MakeUnixLink(const std::string& target, const std::string& linkPath)
{
    RunHost("ln -s '" + UnixPath(target) + "' '" + UnixPath(linkPath) + "'");
    return IsLink(NoTrailingBackslash(linkPath));
}

void SetRegString(HKEY root, const std::string& key, const char* name, const std::string& value, DWORD type)
{
    HKEY handle = nullptr;
    if (RegCreateKeyExA(root, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &handle, nullptr) != ERROR_SUCCESS)
        return;
    RegSetValueExA(handle, name, 0, type, reinterpret_cast<const BYTE*>(value.c_str()), static_cast<DWORD>(value.size() + 1));
    RegCloseKey(handle);
}

void MakeRegKey(HKEY root, const std::string& key)
{
    HKEY handle = nullptr;
    if (RegCreateKeyExA(root, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &handle, nullptr) == ERROR_SUCCESS)
        RegCloseKey(handle);
}

void DeleteRegTree(HKEY root, const std::string& key)
{
    RegDeleteTreeA(root, key.c_str());
    RegDeleteKeyA(root, key.c_str());
}

bool RegKeyExists(HKEY root, const std::string& key)
{
    HKEY handle = nullptr;
    if (RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS)
        return false;
    RegCloseKey(handle);
    return true;
}

LockedFile::LockedFile(const std::string& path)
    : handle_(CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr))
{
}

LockedFile::~LockedFile()
{
    if (handle_ != INVALID_HANDLE_VALUE)
        CloseHandle(handle_);
}

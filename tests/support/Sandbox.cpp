#include "support/Sandbox.h"

#include <cstdio>
#include <cstdlib>
#include <vector>

std::wstring Wide(const std::string& text)
{
    std::wstring wide(text.size(), L'\0');
    int length = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(), static_cast<int>(wide.size()));
    wide.resize(length > 0 ? length : 0);
    return wide;
}

std::string Narrow(const std::wstring& text)
{
    std::string narrow(text.size() * 2, '\0');
    int length = WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), narrow.data(),
                                     static_cast<int>(narrow.size()), nullptr, nullptr);
    narrow.resize(length > 0 ? length : 0);
    return narrow;
}

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

void MakeTree(const std::string& base, std::initializer_list<std::pair<std::string, std::string>> entries)
{
    for (const auto& [name, bytes] : entries) {
        if (name.ends_with('\\'))
            MakeFolder(base + name);
        else
            WriteFile(base + name, bytes);
    }
}

std::string ReadFileBytes(const std::string& path)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return "<unreadable>";
    std::string bytes(GetFileSize(file, nullptr), '\0');
    DWORD read = 0;
    ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
    CloseHandle(file);
    return bytes.substr(0, read);
}

bool Exists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string HostPath(std::string path)
{
    while (path.size() > 3 && path.back() == '\\')
        path.pop_back();
    const char* prefix = std::getenv("WINEPREFIX");
    std::string unixPath = std::string(prefix ? prefix : "") + "/drive_c/" + path.substr(3);
    for (char& c : unixPath)
        if (c == '\\')
            c = '/';
    return unixPath;
}

bool RunProgram(const std::wstring& program, const std::wstring& arguments, DWORD& exitCode, DWORD timeoutMs)
{
    std::wstring command = L"\"" + program + L"\" " + arguments;
    STARTUPINFOW si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessW(program.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return false;
    bool ended = WaitForSingleObject(pi.hProcess, timeoutMs) == WAIT_OBJECT_0 && GetExitCodeProcess(pi.hProcess, &exitCode);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return ended;
}

// Wine signals the handle of a unix process at once instead of when it ends, so the
// command leaves a marker file as its last act and the wait is for that file.
bool RunOnHost(const std::string& shellCommand, int timeoutMs)
{
    static int serial = 0;
    std::string marker = "C:\\tessaly-host-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++serial);
    std::string command = "Z:\\bin\\sh -c \"" + shellCommand + "; : > '" + HostPath(marker) + "'\"";
    std::vector<char> line(command.begin(), command.end());
    line.push_back(0);
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return false;
    // Wine starts a unix program without a Windows process: it answers no process handle,
    // and the thread handle is whatever lay in that memory, at times the value of a handle
    // of this process (once HKEY_LOCAL_MACHINE's), which a close would take away.
    if (pi.hProcess) {
        CloseHandle(pi.hProcess);
        CloseHandle(pi.hThread);
    }
    for (int waited = 0; !Exists(marker) && waited < timeoutMs; waited += 10)
        Sleep(10);
    return DeleteFileA(marker.c_str()) != 0; // fails when the marker never came

}

// The host's rm removes links as entries, sees dangling ones (which Wine hides) and
// ignores read-only bits: the one cleanup that cannot reach outside the tree.
void DeleteTree(const std::string& path)
{
    RunOnHost("rm -rf '" + HostPath(path) + "'");
}

// The UTF-8 bytes as printf escapes: the command line to the shell passes through the
// ANSI code page, which holds none of them.
static std::string PrintfEscaped(const std::wstring& name)
{
    int size = WideCharToMultiByte(CP_UTF8, 0, name.data(), static_cast<int>(name.size()), nullptr, 0, nullptr, nullptr);
    std::string utf8(size > 0 ? size : 0, '\0');
    WideCharToMultiByte(CP_UTF8, 0, name.data(), static_cast<int>(name.size()), utf8.data(), size, nullptr, nullptr);
    std::string escaped;
    char octal[8];
    for (unsigned char c : utf8) {
        if (c == '\\')
            c = '/';
        std::snprintf(octal, sizeof octal, "\\%03o", c);
        escaped += octal;
    }
    return escaped;
}

bool MakeOnHost(const std::string& base, std::initializer_list<std::wstring> names)
{
    std::string script = "cd '" + HostPath(base) + "'";
    for (const std::wstring& name : names) {
        bool folder = !name.empty() && name.back() == L'\\';
        std::wstring bare = folder ? name.substr(0, name.size() - 1) : name;
        script += std::string(" && ") + (folder ? "mkdir" : "touch") + " \\\"$(printf '" + PrintfEscaped(bare) + "')\\\"";
    }
    return RunOnHost(script);
}

bool MakeUnixLink(const std::string& target, const std::string& linkPath)
{
    RunOnHost("ln -s '" + HostPath(target) + "' '" + HostPath(linkPath) + "'");
    std::string self = linkPath.back() == '\\' ? linkPath.substr(0, linkPath.size() - 1) : linkPath;
    DWORD attributes = GetFileAttributesA(self.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

bool MakeManyFiles(const std::string& folder, int count)
{
    std::string target = HostPath(folder);
    return RunOnHost("mkdir -p '" + target + "' && cd '" + target + "' && seq -f f%05g.dat 1 " +
                     std::to_string(count) + " | xargs touch");
}

static void SnapshotInto(const std::string& root, const std::string& relative, bool deep, TreeSnapshot& out)
{
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((root + relative + "*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return;
    std::vector<std::string> folders;
    do {
        std::string name = found.cFileName, entry = relative + name;
        if (name == "." || name == "..")
            continue;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)
            out[entry] = "<link>";
        else if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            out[entry] = "<folder>";
            if (deep)
                folders.push_back(entry + "\\");
        } else
            out[entry] = deep ? ReadFileBytes(root + entry) : "";
    } while (FindNextFileA(search, &found));
    FindClose(search);
    for (const std::string& folder : folders)
        SnapshotInto(root, folder, deep, out);
}

TreeSnapshot Snapshot(const std::string& folder, bool deep)
{
    TreeSnapshot out;
    SnapshotInto(folder, "", deep, out);
    return out;
}

TreeSnapshot Without(TreeSnapshot tree, std::initializer_list<std::string> gone)
{
    for (const std::string& entry : gone)
        std::erase_if(tree, [&](const auto& item) { return item.first == entry || item.first.starts_with(entry + "\\"); });
    return tree;
}

void SetRegString(HKEY root, const std::string& key, const char* name, const std::string& value, DWORD type)
{
    HKEY handle = nullptr;
    if (RegCreateKeyExA(root, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &handle, nullptr) != ERROR_SUCCESS)
        return;
    if (name)
        RegSetValueExA(handle, name, 0, type, reinterpret_cast<const BYTE*>(value.c_str()), static_cast<DWORD>(value.size() + 1));
    RegCloseKey(handle);
}

void MakeRegKey(HKEY root, const std::string& key)
{
    SetRegString(root, key, nullptr, "");
}

void DeleteRegTree(HKEY root, const std::string& key)
{
    RegDeleteTreeA(root, key.c_str());
    RegDeleteKeyA(root, key.c_str());
}

namespace {

void KeySnapshotInto(HKEY parent, const std::string& name, const std::string& path, std::initializer_list<std::string> shallow,
                     TreeSnapshot& out)
{
    for (const std::string& skipped : shallow)
        if (CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, skipped.c_str(), -1, path.c_str(), -1) == CSTR_EQUAL) {
            out[path] = "<not read>";
            return;
        }
    HKEY key = nullptr;
    if (RegOpenKeyExA(parent, name.c_str(), REG_OPTION_OPEN_LINK, KEY_READ, &key) != ERROR_SUCCESS) {
        out[path] = "<locked>";
        return;
    }
    if (RegQueryValueExW(key, L"SymbolicLinkValue", nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS) {
        out[path] = "<link>";
        RegCloseKey(key);
        return;
    }
    std::string values;
    char valueName[16384];
    std::vector<BYTE> data(1 << 16);
    for (DWORD i = 0;; ++i) {
        DWORD nameLength = sizeof valueName, size = static_cast<DWORD>(data.size()), type = 0;
        if (RegEnumValueA(key, i, valueName, &nameLength, nullptr, &type, data.data(), &size) != ERROR_SUCCESS)
            break;
        values += std::string(valueName, nameLength) + "=" + std::to_string(type) + ":" + std::string(data.begin(), data.begin() + size) + "\n";
    }
    out[path] = "<key>" + values;
    char subName[256];
    for (DWORD i = 0;; ++i) {
        DWORD length = sizeof subName;
        if (RegEnumKeyExA(key, i, subName, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        KeySnapshotInto(key, subName, path.empty() ? subName : path + "\\" + subName, shallow, out);
    }
    RegCloseKey(key);
}

} // namespace

TreeSnapshot KeySnapshot(HKEY root, const std::string& key, std::initializer_list<std::string> shallow)
{
    TreeSnapshot out;
    KeySnapshotInto(root, key, "", shallow, out);
    return out;
}

bool SetKeyLocked(HKEY root, const std::string& key, bool locked)
{
    HKEY handle = nullptr;
    if (RegOpenKeyExA(root, key.c_str(), REG_OPTION_OPEN_LINK, WRITE_DAC, &handle) != ERROR_SUCCESS)
        return false;
    SECURITY_DESCRIPTOR descriptor;
    ACL empty;
    bool set = InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION) && InitializeAcl(&empty, sizeof empty, ACL_REVISION) &&
               SetSecurityDescriptorDacl(&descriptor, TRUE, locked ? &empty : nullptr, FALSE) &&
               RegSetKeySecurity(handle, DACL_SECURITY_INFORMATION, &descriptor) == ERROR_SUCCESS;
    RegCloseKey(handle);
    return set;
}

bool RegKeyExists(HKEY root, const std::string& key)
{
    HKEY handle = nullptr;
    if (RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS)
        return false;
    RegCloseKey(handle);
    return true;
}

MappedReadOnlyImage::MappedReadOnlyImage(const std::string& path)
{
    char system[MAX_PATH];
    UINT length = GetSystemDirectoryA(system, MAX_PATH);
    if (length == 0 || length >= MAX_PATH || !CopyFileA((std::string(system) + "\\version.dll").c_str(), path.c_str(), FALSE))
        return;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_EXECUTE, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    mapping_ = CreateFileMappingA(file, nullptr, PAGE_EXECUTE_READ | SEC_IMAGE, 0, 0, nullptr);
    CloseHandle(file);
    if (mapping_)
        view_ = MapViewOfFile(mapping_, FILE_MAP_READ, 0, 0, 0);
    readOnly_ = SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY) &&
                (GetFileAttributesA(path.c_str()) & FILE_ATTRIBUTE_READONLY);
}

MappedReadOnlyImage::~MappedReadOnlyImage()
{
    if (view_)
        UnmapViewOfFile(view_);
    if (mapping_)
        CloseHandle(mapping_);
}

HeldFiles::HeldFiles(std::initializer_list<std::string> paths)
{
    for (const std::string& path : paths) {
        HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        if (file == INVALID_HANDLE_VALUE)
            ok_ = false;
        else
            handles_.push_back(file);
    }
}

void HeldFiles::Release()
{
    for (HANDLE file : handles_)
        CloseHandle(file);
    handles_.clear();
}

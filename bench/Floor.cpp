#include "Floor.h"

#include <vector>

#include "wintk/Win.h"
#include <winternl.h>

extern "C" NTSTATUS NTAPI NtQueryDirectoryFile(HANDLE folder, HANDLE event, void* apc, void* apcContext, IO_STATUS_BLOCK* io,
                                               void* buffer, ULONG length, FILE_INFORMATION_CLASS kind, BOOLEAN single,
                                               UNICODE_STRING* mask, BOOLEAN restart);

namespace {

const ULONG ShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
const ULONG ListBytes = 64 * 1024;
const ULONG OpenOptions = FILE_OPEN_REPARSE_POINT | FILE_SYNCHRONOUS_IO_NONALERT | FILE_COMPLETE_IF_OPLOCKED;

HANDLE OpenChild(HANDLE parent, const std::wstring& name, ACCESS_MASK access, ULONG options)
{
    UNICODE_STRING objectName;
    objectName.Buffer = const_cast<PWSTR>(name.c_str());
    objectName.Length = objectName.MaximumLength = static_cast<USHORT>(name.size() * sizeof(wchar_t));
    OBJECT_ATTRIBUTES attributes;
    InitializeObjectAttributes(&attributes, &objectName, OBJ_CASE_INSENSITIVE, parent, nullptr);
    IO_STATUS_BLOCK io = {};
    HANDLE handle = nullptr;
    NtOpenFile(&handle, access | SYNCHRONIZE, &attributes, &io, ShareAll, options | OpenOptions);
    return handle;
}

bool List(HANDLE folder, void* buffer, ULONG bytes, bool single, bool restart)
{
    IO_STATUS_BLOCK io = {};
    return NtQueryDirectoryFile(folder, nullptr, nullptr, nullptr, &io, buffer, bytes, FileIdBothDirectoryInformation, single, nullptr,
                                restart) >= 0;
}

// folder, open on name inside parent: counted, its files deleted a listing batch at a time,
// its sub-folders, where it has any, entered one listed entry at a time, then itself deleted by a
// delete-on-close open and its absence confirmed.
void FloorLevel(HANDLE parent, const std::wstring& name, HANDLE folder, long& entries)
{
    std::vector<ULONGLONG> buffer(ListBytes / sizeof(ULONGLONG));
    for (bool restart = true; List(folder, buffer.data(), ListBytes, false, restart); restart = false) {
    }
    bool subFolders = false;
    for (bool restart = true; List(folder, buffer.data(), ListBytes, false, restart); restart = false) {
        for (const BYTE* at = reinterpret_cast<const BYTE*>(buffer.data());;) {
            const auto* info = reinterpret_cast<const FILE_ID_BOTH_DIR_INFO*>(at);
            const std::wstring child(info->FileName, info->FileNameLength / sizeof(wchar_t));
            if (!(info->FileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
                CloseHandle(OpenChild(folder, child, DELETE, FILE_NON_DIRECTORY_FILE | FILE_DELETE_ON_CLOSE));
                ++entries;
            } else if (child != L"." && child != L"..") {
                subFolders = true;
            }
            if (!info->NextEntryOffset)
                break;
            at += info->NextEntryOffset;
        }
    }
    ULONGLONG one[(sizeof(FILE_ID_BOTH_DIR_INFO) + 256 * sizeof(wchar_t)) / sizeof(ULONGLONG) + 1];
    const auto* info = reinterpret_cast<const FILE_ID_BOTH_DIR_INFO*>(one);
    for (bool restart = true; subFolders && List(folder, one, sizeof one, true, restart); restart = false) {
        const std::wstring child(info->FileName, info->FileNameLength / sizeof(wchar_t));
        if (child == L"." || child == L".." || !(info->FileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            continue;
        HANDLE sub = OpenChild(folder, child, FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES | FILE_TRAVERSE, FILE_DIRECTORY_FILE);
        if (!sub)
            continue;
        // What the walk asks of a sub-folder's handle: its attributes and its id.
        FILE_ATTRIBUTE_TAG_INFO tag;
        GetFileInformationByHandleEx(sub, FileAttributeTagInfo, &tag, sizeof tag);
        LARGE_INTEGER id;
        IO_STATUS_BLOCK io = {};
        NtQueryInformationFile(sub, &io, &id, sizeof id, static_cast<FILE_INFORMATION_CLASS>(6));
        FloorLevel(folder, child, sub, entries);
    }
    CloseHandle(OpenChild(parent, name, DELETE, FILE_DIRECTORY_FILE | FILE_DELETE_ON_CLOSE));
    CloseHandle(folder);
    if (HANDLE left = OpenChild(parent, name, FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES, 0))
        CloseHandle(left);
    ++entries;
}

} // namespace

long FloorRemoveTree(const std::wstring& folder)
{
    // RemoveFolderTree reaches the tree's parent through its drive's root; the floor opens
    // the parent by name, and the tree relative to it as the walk does.
    std::wstring self = folder.substr(0, folder.size() - 1);
    const size_t separator = self.rfind(L'\\');
    HANDLE parent = CreateFileW(self.substr(0, separator + 1).c_str(), FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES | SYNCHRONIZE, ShareAll,
                                nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    long entries = 0;
    if (parent == INVALID_HANDLE_VALUE)
        return entries;
    const std::wstring name = self.substr(separator + 1);
    if (HANDLE root = OpenChild(parent, name, FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES | FILE_TRAVERSE,
                                FILE_DIRECTORY_FILE))
        FloorLevel(parent, name, root, entries);
    CloseHandle(parent);
    return entries;
}

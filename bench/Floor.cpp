#include "Floor.h"

#include <vector>

#include "wintk/Win.h"
#include <winternl.h>

namespace {

const ULONG ShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
const DWORD ListBytes = 64 * 1024;

struct Listed {
    std::wstring Name;
    bool Folder;
};

HANDLE OpenChild(HANDLE parent, const std::wstring& name, bool folder)
{
    UNICODE_STRING objectName;
    objectName.Buffer = const_cast<PWSTR>(name.c_str());
    objectName.Length = objectName.MaximumLength = static_cast<USHORT>(name.size() * sizeof(wchar_t));
    OBJECT_ATTRIBUTES attributes;
    InitializeObjectAttributes(&attributes, &objectName, OBJ_CASE_INSENSITIVE, parent, nullptr);
    IO_STATUS_BLOCK io = {};
    HANDLE handle = nullptr;
    ULONG options = FILE_OPEN_REPARSE_POINT | FILE_OPEN_FOR_BACKUP_INTENT | FILE_SYNCHRONOUS_IO_NONALERT;
    // A file goes at its close (delete-on-close), as in RemoveFolderTree; a folder by its disposition.
    NtOpenFile(&handle, DELETE | SYNCHRONIZE | (folder ? FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES : 0), &attributes, &io, ShareAll,
               options | (folder ? FILE_DIRECTORY_FILE : FILE_NON_DIRECTORY_FILE | FILE_DELETE_ON_CLOSE));
    return handle;
}

void MarkAndClose(HANDLE handle)
{
    FILE_DISPOSITION_INFO disposition = {TRUE};
    SetFileInformationByHandle(handle, FileDispositionInfo, &disposition, sizeof disposition);
    CloseHandle(handle);
}

// folder is open; its entries, then itself, are deleted.
void FloorLevel(HANDLE folder, long& entries)
{
    FILE_ATTRIBUTE_TAG_INFO tag;
    GetFileInformationByHandleEx(folder, FileAttributeTagInfo, &tag, sizeof tag);
    LARGE_INTEGER id;
    IO_STATUS_BLOCK io = {};
    NtQueryInformationFile(folder, &io, &id, sizeof id, static_cast<FILE_INFORMATION_CLASS>(6));
    std::vector<Listed> listed;
    std::vector<ULONGLONG> buffer(ListBytes / sizeof(ULONGLONG));
    FILE_INFO_BY_HANDLE_CLASS kind = FileIdBothDirectoryRestartInfo;
    while (GetFileInformationByHandleEx(folder, kind, buffer.data(), ListBytes)) {
        kind = FileIdBothDirectoryInfo;
        const BYTE* at = reinterpret_cast<const BYTE*>(buffer.data());
        for (;;) {
            const auto* info = reinterpret_cast<const FILE_ID_BOTH_DIR_INFO*>(at);
            std::wstring name(info->FileName, info->FileNameLength / sizeof(wchar_t));
            if (name != L"." && name != L"..")
                listed.push_back({std::move(name), (info->FileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0});
            if (!info->NextEntryOffset)
                break;
            at += info->NextEntryOffset;
        }
    }
    for (int folders = 0; folders < 2; ++folders) {
        for (const Listed& entry : listed) {
            if (entry.Folder != (folders == 1))
                continue;
            HANDLE child = OpenChild(folder, entry.Name, entry.Folder);
            if (!child)
                continue;
            if (entry.Folder)
                FloorLevel(child, entries);
            else {
                CloseHandle(child);
                ++entries;
            }
        }
    }
    MarkAndClose(folder);
    ++entries;
}

} // namespace

long FloorRemoveTree(const std::wstring& folder)
{
    std::wstring self = folder.substr(0, folder.size() - 1);
    // RemoveFolderTree asks the path too whether the folder itself is a link.
    GetFileAttributesW(self.c_str());
    HANDLE root = CreateFileW(self.c_str(), DELETE | FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES | SYNCHRONIZE,
                              ShareAll, nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    long entries = 0;
    if (root != INVALID_HANDLE_VALUE)
        FloorLevel(root, entries);
    return entries;
}

#include "FileDoor.h"

#include <winioctl.h>
#include <winternl.h>

#include <cwchar>

#include "FileSystem.h"

namespace {

// Every open lets others read, write and delete alongside: the removal must not be the
// reason that another program's open fails, nor fail itself where sharing allows it.
const ULONG ShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
const ACCESS_MASK ListAccess = FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES | FILE_TRAVERSE | SYNCHRONIZE;
const NTSTATUS StatusOplockBreakInProgress = 0x00000108;

// Whatever answers an open, a pipe's server above all, may know who asks but never act as
// them.
SECURITY_QUALITY_OF_SERVICE IdentificationOnly = {sizeof(SECURITY_QUALITY_OF_SERVICE), SecurityIdentification,
                                                  SECURITY_STATIC_TRACKING, FALSE};

// The one open of the program: name relative to parent, or by itself with no parent (a
// drive's root alone).
FileHandle Open(HANDLE parent, const std::wstring& name, ACCESS_MASK access, ULONG options, DWORD& error)
{
    // A counted name holds at most 32,767 characters; a longer one would be cut to another.
    if (name.size() > MaxPathLength) {
        error = ERROR_FILENAME_EXCED_RANGE;
        return FileHandle();
    }
    UNICODE_STRING objectName;
    objectName.Buffer = const_cast<PWSTR>(name.c_str());
    objectName.Length = objectName.MaximumLength = static_cast<USHORT>(name.size() * sizeof(wchar_t));
    OBJECT_ATTRIBUTES attributes;
    InitializeObjectAttributes(&attributes, &objectName, OBJ_CASE_INSENSITIVE, parent, nullptr);
    attributes.SecurityQualityOfService = &IdentificationOnly;
    // An opportunistic lock that another program holds on the file would make the open wait
    // until that program lets go, which it may never do: the open completes at once instead.
    options |= FILE_OPEN_REPARSE_POINT | FILE_SYNCHRONOUS_IO_NONALERT | FILE_COMPLETE_IF_OPLOCKED;

    HANDLE handle = nullptr;
    IO_STATUS_BLOCK io = {};
    NTSTATUS status = NtOpenFile(&handle, access, &attributes, &io, ShareAll, options);
    if (status < 0) { // not NT_SUCCESS, which not every SDK's winternl.h defines
        error = RtlNtStatusToDosError(status);
        return FileHandle();
    }
    // The lock's break is under way, and what is done on the handle next may wait for it:
    // the file is held. A delete-on-close open only closes, which never waits; whether the
    // name went is seen afterwards.
    FileHandle opened(handle);
    if (status == StatusOplockBreakInProgress && !(options & FILE_DELETE_ON_CLOSE)) {
        error = ERROR_SHARING_VIOLATION;
        return FileHandle();
    }
    return opened;
}

// One plain name inside the folder of parent: never a path that passes other folders, whose
// links an open would follow.
FileHandle OpenRelative(HANDLE parent, const std::wstring& name, ACCESS_MASK access, ULONG options, DWORD& error)
{
    if (!parent || !IsPlainName(name)) {
        error = ERROR_BAD_PATHNAME;
        return FileHandle();
    }
    return Open(parent, name, access, options, error);
}

// Only a local disk: a network drive would be connected to with the administrator's
// credentials, and a drive made by subst is a link of its own.
bool IsLocalDisk(wchar_t drive)
{
    const wchar_t name[] = {drive, L':', L'\0'};
    wchar_t device[MAX_PATH] = {};
    const wchar_t disk[] = L"\\Device\\Harddisk";
    return QueryDosDeviceW(name, device, MAX_PATH) && wcsncmp(device, disk, wcslen(disk)) == 0;
}

// A path that can name something and lies on a local disk: the only kind that is opened.
bool OnALocalDisk(const std::wstring& path)
{
    return IsOnADrive(path) && CanNameAFolder(path) && IsLocalDisk(path[0]);
}

// The one open by name: the root of a local drive.
FileHandle OpenDriveRoot(wchar_t drive, DWORD& error)
{
    const wchar_t root[] = {L'\\', L'?', L'?', L'\\', drive, L':', L'\\', L'\0'};
    return Open(nullptr, root, ListAccess, FILE_DIRECTORY_FILE, error);
}

// A name that the listing's filter reads as itself and not as a pattern.
bool IsLiteralName(const std::wstring& name)
{
    return name.find_first_of(L"*?<>\"") == std::wstring::npos;
}

// name as the listing of folder has it: its long name (name may be the short one) and its
// attributes, which show a link even where an open would not (Wine). A name that is not
// listed but can be opened (Wine hides a link that it cannot follow from listings) is a way
// that is not safe: ERROR_FILE_INVALID.
bool ListedAs(HANDLE folder, const std::wstring& name, std::wstring& longName, DWORD& attributes, DWORD& error)
{
    if (!IsPlainName(name) || !IsLiteralName(name)) {
        error = ERROR_BAD_PATHNAME;
        return false;
    }
    FolderEntry entry;
    bool more = false;
    if (ReadNextEntry(folder, true, entry, more, error, &name) && more) {
        longName = entry.Name;
        attributes = entry.Attributes;
        return true;
    }
    if (more || !(error == ERROR_NO_MORE_FILES || error == ERROR_FILE_NOT_FOUND))
        return false;
    DWORD openError = 0;
    const bool opens = bool(OpenRelative(folder, name, FILE_READ_ATTRIBUTES | SYNCHRONIZE, 0, openError));
    error = opens || !IsMissing(openError) ? ERROR_FILE_INVALID : ERROR_PATH_NOT_FOUND;
    return false;
}

// "C:\A\B" as "A", "B": the components of a path on a drive, after its root.
std::vector<std::wstring> ComponentsOf(const std::wstring& path)
{
    std::vector<std::wstring> names;
    for (size_t start = 3; start < path.size();) {
        size_t end = path.find(L'\\', start);
        if (end == std::wstring::npos)
            end = path.size();
        names.push_back(path.substr(start, end - start));
        start = end + 1;
    }
    return names;
}

// The path of the object of handle on its drive ("C:\..."), empty when it has none: a
// "\\?\UNC\..." or volume GUID path is never a drive path.
std::wstring FinalPathOf(HANDLE handle)
{
    DWORD size = GetFinalPathNameByHandleW(handle, nullptr, 0, FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    std::wstring final(size, L'\0');
    DWORD length = size ? GetFinalPathNameByHandleW(handle, final.data(), size, FILE_NAME_NORMALIZED | VOLUME_NAME_DOS) : 0;
    const std::wstring local = L"\\\\?\\";
    if (length == 0 || length >= size || final.compare(0, local.size(), local) != 0 || !IsOnADrive(final.substr(local.size())))
        return std::wstring();
    return final.substr(local.size(), length - local.size());
}

// path (on a drive) with "." and ".." taken as the system takes them in a link's target, and
// nothing else changed: no name loses a trailing dot or space, as GetFullPathNameW would do.
std::wstring Resolved(const std::wstring& path)
{
    std::wstring resolved = path.substr(0, 3);
    for (const std::wstring& name : ComponentsOf(path)) {
        if (name == L"..") {
            if (resolved.size() > 3)
                resolved.erase(resolved.rfind(L'\\', resolved.size() - 2) + 1);
        } else if (!name.empty() && name != L".") {
            resolved += name + L'\\';
        }
    }
    return resolved;
}

// Where the link name inside folder (which is open on folderPath, a long path with a
// trailing backslash) leads, read from the link's own handle: a junction or symbolic link
// names it in its reparse data; a system that opened the target although asked for the link
// (Wine) has followed it already, and the handle's final path names it. Empty for anything
// else, or on any error: such a way is not followed.
std::wstring LinkTarget(HANDLE folder, const std::wstring& folderPath, const std::wstring& name)
{
    DWORD error = 0;
    FileHandle link = OpenRelative(folder, name, FILE_READ_ATTRIBUTES | SYNCHRONIZE, 0, error);
    if (!link)
        return std::wstring();
    std::vector<ULONGLONG> buffer(MAXIMUM_REPARSE_DATA_BUFFER_SIZE / sizeof(ULONGLONG));
    struct ReparseHeader {
        ULONG Tag;
        USHORT DataLength, Reserved, SubstituteOffset, SubstituteLength, PrintOffset, PrintLength;
    };
    const auto* data = reinterpret_cast<const ReparseHeader*>(buffer.data());
    DWORD read = 0;
    if (DeviceIoControl(link.Get(), FSCTL_GET_REPARSE_POINT, nullptr, 0, buffer.data(), MAXIMUM_REPARSE_DATA_BUFFER_SIZE,
                        &read, nullptr)) {
        const bool symbolic = data->Tag == IO_REPARSE_TAG_SYMLINK;
        if ((!symbolic && data->Tag != IO_REPARSE_TAG_MOUNT_POINT) || read < sizeof(ReparseHeader) + 4)
            return std::wstring();
        // A symbolic link has its flags before the names; a relative one starts at its folder.
        const BYTE* names = reinterpret_cast<const BYTE*>(data + 1) + (symbolic ? sizeof(ULONG) : 0);
        if (names + data->SubstituteOffset + data->SubstituteLength > reinterpret_cast<const BYTE*>(buffer.data()) + read)
            return std::wstring();
        const std::wstring target(reinterpret_cast<const wchar_t*>(names + data->SubstituteOffset),
                                  data->SubstituteLength / sizeof(wchar_t));
        if (symbolic && (*reinterpret_cast<const ULONG*>(data + 1) & 1))
            return target.empty() || target[0] == L'\\' ? std::wstring() : Resolved(folderPath + target);
        return target.compare(0, 4, L"\\??\\") == 0 ? target.substr(4) : std::wstring();
    }
    FILE_ATTRIBUTE_TAG_INFO tag;
    if (!GetFileInformationByHandleEx(link.Get(), FileAttributeTagInfo, &tag, sizeof tag) || IsLink(tag.FileAttributes))
        return std::wstring();
    return FinalPathOf(link.Get());
}

// The walk behind both ways to a folder. A followed link restarts the walk at its target,
// with the rest of the path behind it.
FileHandle Walk(std::wstring path, bool followLinks, DWORD& error, std::wstring* longPath, std::vector<FileIdentity>* upFrom)
{
    for (int links = 0;; ++links) {
        if (!OnALocalDisk(path)) {
            error = links ? ERROR_FILE_INVALID : ERROR_BAD_PATHNAME;
            return FileHandle();
        }
        FileHandle folder = OpenDriveRoot(path[0], error);
        if (!folder)
            return FileHandle();
        std::wstring meant = path.substr(0, 3);
        if (upFrom)
            upFrom->clear();
        const std::vector<std::wstring> names = ComponentsOf(path);
        std::wstring rest;
        for (size_t i = 0; i < names.size() && rest.empty(); ++i) {
            // Each component as the listing names it, then opened by that name: the way is
            // the one the listing shows, in long names. Where links are followed, one that
            // the listing hides but an open finds (Wine hides its own prefix) is looked at
            // through its handle, and the final path below tells where it led.
            std::wstring longName = names[i];
            DWORD listed = 0;
            if (!ListedAs(folder.Get(), names[i], longName, listed, error) && !(followLinks && error == ERROR_FILE_INVALID))
                return FileHandle();
            FileHandle next;
            FILE_ATTRIBUTE_TAG_INFO tag = {};
            if (!IsLink(listed)) {
                // Listing rights and traversal only: a folder that another program holds
                // without delete sharing (Wine's own C:\windows) is still passed.
                next = OpenRelative(folder.Get(), longName, ListAccess, FILE_DIRECTORY_FILE, error);
                if (!next)
                    return FileHandle();
                if (!GetFileInformationByHandleEx(next.Get(), FileAttributeTagInfo, &tag, sizeof tag))
                    tag.FileAttributes = FILE_ATTRIBUTE_REPARSE_POINT; // not known to be no link
            }
            if (IsLink(listed) || IsLink(tag.FileAttributes)) {
                const std::wstring target = followLinks && links < MaxLinksFollowed ? LinkTarget(folder.Get(), meant, longName) : L"";
                error = ERROR_FILE_INVALID;
                if (target.empty())
                    return FileHandle();
                rest = WithBackslash(target);
                for (size_t j = i + 1; j < names.size(); ++j)
                    rest += names[j] + L'\\';
                break;
            }
            FileIdentity identity = {};
            if (upFrom && !QueryIdentity(next.Get(), identity)) {
                error = ERROR_FILE_INVALID;
                return FileHandle();
            }
            if (upFrom)
                upFrom->push_back(identity);
            folder = std::move(next);
            meant += longName + L'\\';
        }
        if (!rest.empty()) {
            path = rest;
            continue;
        }
        // Wine opens a unix link's target without a word; only the final path shows it. Where
        // links are followed, that path is walked again like any link's target.
        if (!FinalPathIs(folder.Get(), meant, error)) {
            path = followLinks && links < MaxLinksFollowed ? FinalPathOf(folder.Get()) : L"";
            if (path.empty())
                return FileHandle();
            continue;
        }
        if (longPath)
            *longPath = meant;
        return folder;
    }
}

} // namespace

FileHandle OpenFolderWithoutLinks(const std::wstring& path, DWORD& error, std::wstring* longPath)
{
    return Walk(path, false, error, longPath, nullptr);
}

FileHandle OpenFolderFollowingLinks(const std::wstring& path, DWORD& error, std::vector<FileIdentity>* upFrom)
{
    return Walk(path, true, error, nullptr, upFrom);
}

bool IdentityOf(const std::wstring& path, FileIdentity& identity)
{
    DWORD error = 0;
    FileHandle folder = OpenFolderFollowingLinks(path, error);
    return folder && QueryIdentity(folder.Get(), identity);
}

bool AnythingBehindLinks(const std::wstring& path)
{
    std::wstring folder, name;
    if (!OnALocalDisk(path) || !SplitLastName(path, folder, name))
        return true;
    DWORD error = 0;
    FileHandle parent = OpenFolderFollowingLinks(folder, error);
    if (!parent)
        return !IsMissing(error);
    std::wstring longName;
    DWORD attributes = 0;
    return ListedAs(parent.Get(), name, longName, attributes, error) || !IsMissing(error);
}

bool FolderThere(const std::wstring& path)
{
    DWORD error = 0;
    if (OpenFolderWithoutLinks(path, error))
        return true;
    if (error == ERROR_FILE_INVALID)
        return AnythingBehindLinks(path);
    return !(IsMissing(error) || error == ERROR_DIRECTORY || error == ERROR_BAD_PATHNAME);
}

bool FinalPathIs(HANDLE handle, const std::wstring& path, DWORD& error)
{
    const std::wstring meant = path.size() > 3 && path.back() == L'\\' ? path.substr(0, path.size() - 1) : path;
    if (SamePath(FinalPathOf(handle), meant))
        return true;
    error = ERROR_FILE_INVALID;
    return false;
}

FileHandle OpenEntry(HANDLE parent, const std::wstring& name, bool asFolder, bool writeAttributes, DWORD& error)
{
    ACCESS_MASK access = FILE_READ_ATTRIBUTES | SYNCHRONIZE;
    if (asFolder)
        access |= FILE_LIST_DIRECTORY | FILE_TRAVERSE;
    if (writeAttributes)
        access |= FILE_WRITE_ATTRIBUTES;
    return OpenRelative(parent, name, access, asFolder ? FILE_DIRECTORY_FILE : 0, error);
}

bool DeleteOnClose(HANDLE parent, const std::wstring& name, EntryKind kind, DWORD& error)
{
    const ULONG options = kind == EntryKind::File ? FILE_NON_DIRECTORY_FILE : kind == EntryKind::Folder ? FILE_DIRECTORY_FILE : 0;
    return bool(OpenRelative(parent, name, DELETE | SYNCHRONIZE, options | FILE_DELETE_ON_CLOSE, error));
}

bool EntryGone(HANDLE parent, const std::wstring& name, DWORD& error)
{
    // Windows refuses to open a name whose deletion is pending (access denied), Wine opens
    // it: either way it is still there. A folder that lists an entry again gained it after
    // it was emptied (Wine finds that only when it closes the folder's last handle).
    FileHandle handle = OpenRelative(parent, name, FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES | SYNCHRONIZE, 0, error);
    if (!handle && IsMissing(error))
        return true;
    FolderEntry entry;
    bool more = false;
    DWORD listError = 0;
    error = handle && ReadNextEntry(handle.Get(), true, entry, more, listError) && more ? ERROR_DIR_NOT_EMPTY : ERROR_DELETE_PENDING;
    return false;
}

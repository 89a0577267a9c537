#include "FolderHandles.h"

#include <winioctl.h>
#include <winternl.h>

#include <cwchar>

#include "FileSystem.h"

namespace {

// Every open lets others read, write and delete alongside: the removal must not be the
// reason that another program's open fails, nor fail itself where sharing allows it.
const ULONG ShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
// Enough for some hundreds of entries per call; 8-byte aligned, as the entries are.
const size_t ListBufferBytes = 64 * 1024;

// FileInternalInformation: the file's 64-bit id, the one that directory listings give.
// Not every SDK's winternl.h names this class.
const FILE_INFORMATION_CLASS FileInternalInformationClass = static_cast<FILE_INFORMATION_CLASS>(6);

DWORD ErrorOf(NTSTATUS status)
{
    return RtlNtStatusToDosError(status);
}

} // namespace

FileHandle::~FileHandle()
{
    if (handle_)
        CloseHandle(handle_);
}

FileHandle& FileHandle::operator=(FileHandle&& other) noexcept
{
    if (this != &other) {
        if (handle_)
            CloseHandle(handle_);
        handle_ = other.handle_;
        other.handle_ = nullptr;
    }
    return *this;
}

bool IsPlainName(const std::wstring& name)
{
    if (name.empty() || name == L"." || name == L"..")
        return false;
    for (wchar_t c : name) {
        if (c == L'\\' || c == L'/' || c == L':' || c == L'\0')
            return false;
    }
    return true;
}

bool IsMissing(DWORD error)
{
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

bool IsLink(DWORD attributes)
{
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

namespace {

const NTSTATUS StatusOplockBreakInProgress = 0x00000108;

FileHandle OpenRelative(HANDLE parent, const std::wstring& name, ACCESS_MASK access, ULONG options, DWORD& error)
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
    // An opportunistic lock that another program holds on the file would make the open wait
    // until that program lets go, which it may never do: the open completes at once instead.
    options |= FILE_OPEN_REPARSE_POINT | FILE_OPEN_FOR_BACKUP_INTENT | FILE_SYNCHRONOUS_IO_NONALERT | FILE_COMPLETE_IF_OPLOCKED;

    HANDLE handle = nullptr;
    IO_STATUS_BLOCK io = {};
    NTSTATUS status = NtOpenFile(&handle, access, &attributes, &io, ShareAll, options);
    if (status < 0) { // not NT_SUCCESS, which not every SDK's winternl.h defines
        error = ErrorOf(status);
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

} // namespace

FileHandle OpenEntry(HANDLE parent, const std::wstring& name, bool asFolder, bool writeAttributes, DWORD& error)
{
    ACCESS_MASK access = DELETE | FILE_READ_ATTRIBUTES | SYNCHRONIZE;
    ULONG options = 0;
    if (asFolder) {
        access |= FILE_LIST_DIRECTORY;
        options |= FILE_DIRECTORY_FILE;
    }
    if (writeAttributes)
        access |= FILE_WRITE_ATTRIBUTES;
    return OpenRelative(parent, name, access, options, error);
}

bool DeleteOnClose(HANDLE parent, const std::wstring& name, DWORD& error)
{
    return bool(OpenRelative(parent, name, DELETE | SYNCHRONIZE, FILE_NON_DIRECTORY_FILE | FILE_DELETE_ON_CLOSE, error));
}

bool EntryGone(HANDLE parent, const std::wstring& name, DWORD& error)
{
    // Windows refuses to open a name whose deletion is pending (access denied), Wine opens
    // it: either way it is still there.
    FileHandle handle = OpenRelative(parent, name, FILE_READ_ATTRIBUTES | SYNCHRONIZE, 0, error);
    if (!handle && IsMissing(error))
        return true;
    error = ERROR_DELETE_PENDING;
    return false;
}

bool IdentityOf(const std::wstring& path, FileIdentity& identity)
{
    HANDLE opened = CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES, ShareAll, nullptr, OPEN_EXISTING,
                                FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (opened == INVALID_HANDLE_VALUE)
        return false;
    FileHandle handle(opened);
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(opened, &info))
        return false;
    identity = {info.dwVolumeSerialNumber, (ULONGLONG(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
    return true;
}

bool FinalPathIs(HANDLE handle, const std::wstring& path, DWORD& error)
{
    DWORD size = GetFinalPathNameByHandleW(handle, nullptr, 0, FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    std::wstring final(size, L'\0');
    DWORD length = size ? GetFinalPathNameByHandleW(handle, final.data(), size, FILE_NAME_NORMALIZED | VOLUME_NAME_DOS) : 0;
    if (length == 0 || length >= size) {
        error = ERROR_FILE_INVALID;
        return false;
    }
    final.resize(length);
    // "\\?\C:\..." for a drive; "\\?\UNC\..." or a volume GUID is never a drive path.
    const std::wstring local = L"\\\\?\\";
    std::wstring meant = path.size() > 3 && path.back() == L'\\' ? path.substr(0, path.size() - 1) : path;
    if (final.compare(0, local.size(), local) == 0 && SamePath(final.substr(local.size()), meant))
        return true;
    error = ERROR_FILE_INVALID;
    return false;
}

namespace {

extern "C" NTSTATUS NTAPI NtQueryDirectoryFile(HANDLE folder, HANDLE event, void* apc, void* apcContext, IO_STATUS_BLOCK* io,
                                               void* buffer, ULONG length, FILE_INFORMATION_CLASS kind, BOOLEAN single,
                                               UNICODE_STRING* mask, BOOLEAN restart);

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

// A name that the listing's filter reads as itself and not as a pattern.
bool IsLiteralName(const std::wstring& name)
{
    return name.find_first_of(L"*?<>\"") == std::wstring::npos;
}

// name as the listing of folder has it: its long name (name may be the short one) and its
// attributes, which show a link even where an open would not (Wine).
bool ListedAs(HANDLE folder, const std::wstring& name, std::wstring& longName, DWORD& attributes, DWORD& error)
{
    if (!IsPlainName(name) || !IsLiteralName(name)) {
        error = ERROR_BAD_PATHNAME;
        return false;
    }
    UNICODE_STRING mask;
    mask.Buffer = const_cast<PWSTR>(name.c_str());
    mask.Length = mask.MaximumLength = static_cast<USHORT>(name.size() * sizeof(wchar_t));
    // One entry: its record and a name of up to MaxNameLength characters.
    ULONGLONG buffer[(sizeof(FILE_ID_BOTH_DIR_INFO) + (MaxNameLength + 1) * sizeof(wchar_t)) / sizeof(ULONGLONG) + 1];
    IO_STATUS_BLOCK io = {};
    NTSTATUS status = NtQueryDirectoryFile(folder, nullptr, nullptr, nullptr, &io, buffer, sizeof buffer,
                                           FileIdBothDirectoryInformation, TRUE, &mask, TRUE);
    if (status < 0) {
        error = ErrorOf(status);
        if (error == ERROR_NO_MORE_FILES || error == ERROR_FILE_NOT_FOUND)
            error = ERROR_PATH_NOT_FOUND;
        return false;
    }
    const auto* info = reinterpret_cast<const FILE_ID_BOTH_DIR_INFO*>(buffer);
    longName.assign(info->FileName, info->FileNameLength / sizeof(wchar_t));
    attributes = info->FileAttributes;
    return true;
}

} // namespace

FileHandle OpenFolderWithoutLinks(const std::wstring& path, DWORD& error, std::wstring* longPath)
{
    if (!OnALocalDisk(path)) {
        error = ERROR_BAD_PATHNAME;
        return FileHandle();
    }
    const ACCESS_MASK access = FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES | FILE_TRAVERSE | SYNCHRONIZE;
    std::wstring meant = path.substr(0, 3);
    HANDLE drive = CreateFileW((L"\\\\?\\" + meant).c_str(), access, ShareAll, nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (drive == INVALID_HANDLE_VALUE) {
        error = GetLastError();
        return FileHandle();
    }
    FileHandle folder(drive);
    for (size_t start = 3; start < path.size();) {
        size_t end = path.find(L'\\', start);
        if (end == std::wstring::npos)
            end = path.size();
        const std::wstring name = path.substr(start, end - start);
        start = end + 1;
        // Each component as the listing names it, then opened by that name: the way is the
        // one the listing shows, in long names.
        std::wstring longName;
        DWORD listed = 0;
        if (!ListedAs(folder.Get(), name, longName, listed, error)) {
            // Not listed, yet there for an open (Wine hides a link that it cannot follow
            // from listings): the two disagree, and the way is not safe.
            DWORD openError = 0;
            if (error == ERROR_PATH_NOT_FOUND &&
                (OpenRelative(folder.Get(), name, FILE_READ_ATTRIBUTES | SYNCHRONIZE, 0, openError) || !IsMissing(openError)))
                error = ERROR_FILE_INVALID;
            return FileHandle();
        }
        if (IsLink(listed)) {
            error = ERROR_FILE_INVALID;
            return FileHandle();
        }
        // Listing rights and traversal only: a folder that another program holds without
        // delete sharing (Wine's own C:\windows) is still passed.
        FileHandle next = OpenRelative(folder.Get(), longName, access, FILE_DIRECTORY_FILE, error);
        FILE_ATTRIBUTE_TAG_INFO tag;
        if (!next)
            return FileHandle();
        if (!GetFileInformationByHandleEx(next.Get(), FileAttributeTagInfo, &tag, sizeof tag) || IsLink(tag.FileAttributes)) {
            error = ERROR_FILE_INVALID;
            return FileHandle();
        }
        folder = std::move(next);
        meant += longName + L'\\';
    }
    // Wine opens a unix link's target without a word; only the final path shows it.
    if (!FinalPathIs(folder.Get(), meant, error))
        return FileHandle();
    if (longPath)
        *longPath = meant;
    return folder;
}

namespace {

// Where the link at path leads, read without following it: true when it is a place on a
// local disk. A junction or symbolic link names it in its reparse data; a system that opens
// the target although asked for the link (Wine) has followed it already, and the handle's
// final path names it. Anything else, or any error, is no local place.
bool LeadsToALocalDisk(const std::wstring& path)
{
    HANDLE link = CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES, ShareAll, nullptr, OPEN_EXISTING,
                              FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (link == INVALID_HANDLE_VALUE)
        return false;
    FileHandle handle(link);
    std::vector<ULONGLONG> buffer(MAXIMUM_REPARSE_DATA_BUFFER_SIZE / sizeof(ULONGLONG));
    struct ReparseHeader {
        ULONG Tag;
        USHORT DataLength, Reserved, SubstituteOffset, SubstituteLength, PrintOffset, PrintLength;
    };
    const auto* data = reinterpret_cast<const ReparseHeader*>(buffer.data());
    DWORD read = 0;
    if (DeviceIoControl(link, FSCTL_GET_REPARSE_POINT, nullptr, 0, buffer.data(), MAXIMUM_REPARSE_DATA_BUFFER_SIZE, &read,
                        nullptr)) {
        const bool symbolic = data->Tag == IO_REPARSE_TAG_SYMLINK;
        if ((!symbolic && data->Tag != IO_REPARSE_TAG_MOUNT_POINT) || read < sizeof(ReparseHeader) + 4)
            return false;
        // A symbolic link has its flags before the names; a relative one stays on its volume.
        const BYTE* names = reinterpret_cast<const BYTE*>(data + 1) + (symbolic ? sizeof(ULONG) : 0);
        if (symbolic && (*reinterpret_cast<const ULONG*>(data + 1) & 1))
            return true;
        if (names + data->SubstituteOffset + data->SubstituteLength > reinterpret_cast<const BYTE*>(buffer.data()) + read)
            return false;
        const std::wstring target(reinterpret_cast<const wchar_t*>(names + data->SubstituteOffset),
                                  data->SubstituteLength / sizeof(wchar_t));
        return target.compare(0, 4, L"\\??\\") == 0 && OnALocalDisk(target.substr(4));
    }
    FILE_ATTRIBUTE_TAG_INFO tag;
    wchar_t final[MAX_PATH + 8] = {};
    if (!GetFileInformationByHandleEx(link, FileAttributeTagInfo, &tag, sizeof tag) || IsLink(tag.FileAttributes) ||
        GetFinalPathNameByHandleW(link, final, MAX_PATH, FILE_NAME_NORMALIZED | VOLUME_NAME_DOS) >= MAX_PATH)
        return false;
    const std::wstring target = final;
    return target.compare(0, 4, L"\\\\?\\") == 0 && OnALocalDisk(target.substr(4));
}

} // namespace

bool AnythingBehindLinks(const std::wstring& path)
{
    if (!OnALocalDisk(path))
        return true;
    // Each step is looked at only once every link before it is known to stay on local disks.
    for (size_t start = 3;;) {
        size_t end = path.find(L'\\', start);
        if (end == std::wstring::npos)
            end = path.size();
        const std::wstring step = path.substr(0, end);
        const DWORD attributes = GetFileAttributesW(step.c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES)
            return !IsMissing(GetLastError());
        if (IsLink(attributes) && !LeadsToALocalDisk(step))
            return true;
        if (end + 1 >= path.size())
            return true;
        start = end + 1;
    }
}

bool FolderThere(const std::wstring& path)
{
    DWORD error = 0;
    return OpenFolderWithoutLinks(path, error) || !(IsMissing(error) || error == ERROR_DIRECTORY || error == ERROR_BAD_PATHNAME);
}

bool QueryLinkCount(HANDLE handle, DWORD& links, DWORD& error)
{
    FILE_STANDARD_INFO standard;
    if (!GetFileInformationByHandleEx(handle, FileStandardInfo, &standard, sizeof standard)) {
        error = GetLastError();
        return false;
    }
    links = standard.NumberOfLinks;
    return true;
}

bool ReadFolderBatch(HANDLE folder, bool first, std::vector<FolderEntry>& entries, bool& more, DWORD& error)
{
    std::vector<ULONGLONG> buffer(ListBufferBytes / sizeof(ULONGLONG));
    const FILE_INFO_BY_HANDLE_CLASS kind = first ? FileIdBothDirectoryRestartInfo : FileIdBothDirectoryInfo;
    more = GetFileInformationByHandleEx(folder, kind, buffer.data(), static_cast<DWORD>(ListBufferBytes));
    if (!more) {
        DWORD last = GetLastError();
        if (last == ERROR_NO_MORE_FILES || last == ERROR_FILE_NOT_FOUND)
            return true;
        error = last;
        return false;
    }
    const BYTE* at = reinterpret_cast<const BYTE*>(buffer.data());
    for (;;) {
        const auto* info = reinterpret_cast<const FILE_ID_BOTH_DIR_INFO*>(at);
        std::wstring name(info->FileName, info->FileNameLength / sizeof(wchar_t));
        if (name != L"." && name != L"..")
            entries.push_back({std::move(name), info->FileAttributes, info->FileId.QuadPart});
        if (info->NextEntryOffset == 0)
            return true;
        at += info->NextEntryOffset;
    }
}

bool QueryHandleFacts(HANDLE handle, HandleFacts& facts, DWORD& error)
{
    // Two small queries: GetFileInformationByHandle would also ask for the volume, which
    // under Wine costs several times a whole folder's deletion.
    FILE_ATTRIBUTE_TAG_INFO tag;
    if (!GetFileInformationByHandleEx(handle, FileAttributeTagInfo, &tag, sizeof tag)) {
        error = GetLastError();
        return false;
    }
    LARGE_INTEGER id;
    IO_STATUS_BLOCK io = {};
    NTSTATUS status = NtQueryInformationFile(handle, &io, &id, sizeof id, FileInternalInformationClass);
    if (status < 0) {
        error = ErrorOf(status);
        return false;
    }
    facts.Attributes = tag.FileAttributes;
    facts.Id = id.QuadPart;
    return true;
}

bool SetHandleAttributes(HANDLE handle, DWORD attributes, DWORD& error)
{
    // Zero times leave the times as they are; zero attributes would too, hence NORMAL.
    FILE_BASIC_INFO basic = {};
    basic.FileAttributes = attributes ? attributes : FILE_ATTRIBUTE_NORMAL;
    if (!SetFileInformationByHandle(handle, FileBasicInfo, &basic, sizeof basic)) {
        error = GetLastError();
        return false;
    }
    return true;
}

bool MarkForDeletion(HANDLE handle, DWORD& error)
{
    FILE_DISPOSITION_INFO disposition = {TRUE};
    if (!SetFileInformationByHandle(handle, FileDispositionInfo, &disposition, sizeof disposition)) {
        error = GetLastError();
        return false;
    }
    return true;
}

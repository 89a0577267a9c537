#include "FolderHandles.h"

#include <winternl.h>

#include "FileSystem.h"

namespace {

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

void (*AfterListingBatch)(size_t entries) = nullptr;

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

bool QueryIdentity(HANDLE handle, FileIdentity& identity)
{
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(handle, &info))
        return false;
    identity = {info.dwVolumeSerialNumber, (ULONGLONG(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
    return true;
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

namespace {

extern "C" NTSTATUS NTAPI NtQueryDirectoryFile(HANDLE folder, HANDLE event, void* apc, void* apcContext, IO_STATUS_BLOCK* io,
                                               void* buffer, ULONG length, FILE_INFORMATION_CLASS kind, BOOLEAN single,
                                               UNICODE_STRING* mask, BOOLEAN restart);

// One call of the listing into buffer; false with error at its end or on a failure.
bool QueryListing(HANDLE folder, void* buffer, ULONG bytes, bool single, bool first, const std::wstring* only, DWORD& error)
{
    UNICODE_STRING mask;
    if (only) {
        mask.Buffer = const_cast<PWSTR>(only->c_str());
        mask.Length = mask.MaximumLength = static_cast<USHORT>(only->size() * sizeof(wchar_t));
    }
    IO_STATUS_BLOCK io = {};
    NTSTATUS status = NtQueryDirectoryFile(folder, nullptr, nullptr, nullptr, &io, buffer, bytes, FileIdBothDirectoryInformation,
                                           single, only ? &mask : nullptr, first);
    if (status < 0) { // not NT_SUCCESS, which not every SDK's winternl.h defines
        error = ErrorOf(status);
        return false;
    }
    return true;
}

bool ListingOver(DWORD error)
{
    return error == ERROR_NO_MORE_FILES || error == ERROR_FILE_NOT_FOUND;
}

FolderEntry EntryOf(const FILE_ID_BOTH_DIR_INFO* info)
{
    return {std::wstring(info->FileName, info->FileNameLength / sizeof(wchar_t)), info->FileAttributes, info->FileId.QuadPart};
}

bool IsDots(const FILE_ID_BOTH_DIR_INFO* info)
{
    const size_t length = info->FileNameLength / sizeof(wchar_t);
    return info->FileName[0] == L'.' && (length == 1 || (length == 2 && info->FileName[1] == L'.'));
}

} // namespace

bool ReadNextEntry(HANDLE folder, bool first, FolderEntry& entry, bool& more, DWORD& error, const std::wstring* only)
{
    // One record with a name of up to MaxNameLength characters.
    ULONGLONG buffer[(sizeof(FILE_ID_BOTH_DIR_INFO) + (MaxNameLength + 1) * sizeof(wchar_t)) / sizeof(ULONGLONG) + 1];
    const auto* info = reinterpret_cast<const FILE_ID_BOTH_DIR_INFO*>(buffer);
    for (;; first = false) {
        more = QueryListing(folder, buffer, sizeof buffer, true, first, only, error);
        if (!more)
            return ListingOver(error);
        if (!IsDots(info))
            break;
    }
    entry = EntryOf(info);
    return true;
}

bool ReadFolderBatch(HANDLE folder, bool first, std::vector<FolderEntry>& entries, bool& more, DWORD& error)
{
    std::vector<ULONGLONG> buffer(ListBufferBytes / sizeof(ULONGLONG));
    entries.clear();
    more = QueryListing(folder, buffer.data(), ListBufferBytes, false, first, nullptr, error);
    if (!more)
        return ListingOver(error);
    for (const BYTE* at = reinterpret_cast<const BYTE*>(buffer.data());;) {
        const auto* info = reinterpret_cast<const FILE_ID_BOTH_DIR_INFO*>(at);
        if (!IsDots(info))
            entries.push_back(EntryOf(info));
        if (info->NextEntryOffset == 0)
            break;
        at += info->NextEntryOffset;
    }
    if (AfterListingBatch)
        AfterListingBatch(entries.size());
    return true;
}

bool CountFolderEntries(HANDLE folder, size_t& count, DWORD& error)
{
    std::vector<FolderEntry> entries;
    count = 0;
    for (bool first = true, more = true; more; first = false) {
        if (!ReadFolderBatch(folder, first, entries, more, error))
            return false;
        count += entries.size();
    }
    return true;
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

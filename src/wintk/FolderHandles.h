#pragma once
// What is asked of handles that the file system's door (FileDoor.h) opened: a folder's
// listing, an entry's attributes, id and names, its attributes changed. Nothing here takes a
// path. Every operation answers with a flag and leaves a Windows error code.
#include <string>
#include <vector>

#include "Win.h"

// Owns one file or folder handle; null when nothing is open.
class FileHandle {
public:
    FileHandle() = default;
    explicit FileHandle(HANDLE handle) : handle_(handle) {}
    ~FileHandle();
    FileHandle(FileHandle&& other) noexcept : handle_(other.handle_) { other.handle_ = nullptr; }
    FileHandle& operator=(FileHandle&& other) noexcept;
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;

    HANDLE Get() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }

private:
    HANDLE handle_ = nullptr;
};

struct FolderEntry {
    std::wstring Name;
    DWORD Attributes;
    LONGLONG Id; // the file system's id of the entry; 0 where it has none
};

// What a handle says about the object it is open on.
struct HandleFacts {
    DWORD Attributes;
    LONGLONG Id;
};

// A name that is one plain component: not empty, not "." or "..", no '\', '/', ':' or zero.
bool IsPlainName(const std::wstring& name);
bool IsLink(DWORD attributes);
// Whether an error says that nothing lies at the name (or at a folder on its way).
bool IsMissing(DWORD error);

// Which object a handle is open on: its volume's serial number and its file id.
struct FileIdentity {
    DWORD Volume;
    ULONGLONG Id;
    bool operator==(const FileIdentity&) const = default;
};
bool QueryIdentity(HANDLE handle, FileIdentity& identity);
// The next entry of folder but "." and "..", in the order of the file system, after the
// last one read on the same handle; first starts from the beginning. Nothing is read ahead:
// the handle alone keeps the place, so a walk that goes down into a sub-folder and comes
// back holds no names of the folders it left. more turns false once the listing is over.
// only, a name without wildcards, asks for that entry alone (first must be set).
bool ReadNextEntry(HANDLE folder, bool first, FolderEntry& entry, bool& more, DWORD& error, const std::wstring* only = nullptr);
// The next entries of folder but "." and ".." in the order of the file system: what one
// listing buffer of 64 KiB holds (some hundreds), after those of the last call on the same
// handle; first starts from the beginning. more turns false once the listing is over.
bool ReadFolderBatch(HANDLE folder, bool first, std::vector<FolderEntry>& entries, bool& more, DWORD& error);
// How many entries folder holds but "." and "..", read a batch at a time: a folder of
// millions of entries is counted without holding them. Listing is far faster than making
// entries, so the count ends whatever another program adds meanwhile.
bool CountFolderEntries(HANDLE folder, size_t& count, DWORD& error);
// For tests: called with the number of entries of each batch that was read.
extern void (*AfterListingBatch)(size_t entries);
bool QueryHandleFacts(HANDLE handle, HandleFacts& facts, DWORD& error);
// How many names (hard links) the file of handle has.
bool QueryLinkCount(HANDLE handle, DWORD& links, DWORD& error);
bool SetHandleAttributes(HANDLE handle, DWORD attributes, DWORD& error);

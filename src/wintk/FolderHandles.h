#pragma once
// Files and folders reached by handle rather than by path: a folder's entries are read
// on its handle, and each entry is opened relative to that handle by its name alone.
// Entries are opened as themselves: a link is the link, never what it points at. Every
// operation answers with a flag or a null handle and leaves a Windows error code.
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

// The folder at path ("X:\...", a trailing backslash or not), opened for listing and
// reaching its entries without following any link on the way: from the drive's root, one
// component at a time as its parent's listing names it (short names are taken for their
// long ones), opened relative to its parent's handle and as itself. A component that the
// listing or its handle shows as a link, or a final path of the handle that is not the
// path in long names, fails with ERROR_FILE_INVALID, and so does an error while asking
// either. A path that cannot name a folder, or is not on a local disk (a network or subst
// drive), fails with ERROR_BAD_PATHNAME before anything is opened. longPath, when given,
// receives the path in long names with a trailing backslash.
FileHandle OpenFolderWithoutLinks(const std::wstring& path, DWORD& error, std::wstring* longPath = nullptr);
// Whether anything lies at path (on a drive), whose way passes a link: each link on the way
// is read without following it, and only where it leads to a place on a local disk is the
// way followed further, read-only, to look. True where that cannot be told (a link to a
// network, a device or an unreadable place, any error but "not found"). Only for deciding
// what to report: nothing is ever deleted through a link.
bool AnythingBehindLinks(const std::wstring& path);
// Whether a folder is at path, as OpenFolderWithoutLinks reaches it; one that cannot be
// reached for another reason than its absence or a file in its place counts as there.
bool FolderThere(const std::wstring& path);
// Which object a path leads to, whatever way leads there (links followed, read-only):
// its volume's serial number and its file id. A folder moved elsewhere with a junction is
// told by it as the same folder. False when it cannot be opened or asked.
struct FileIdentity {
    DWORD Volume;
    ULONGLONG Id;
    bool operator==(const FileIdentity&) const = default;
};
bool IdentityOf(const std::wstring& path, FileIdentity& identity);
// Whether the object of handle has path as its final path (long names, on a drive).
bool FinalPathIs(HANDLE handle, const std::wstring& path, DWORD& error);
// name (a plain name) inside the folder of parent, opened for deletion. asFolder asks for
// a folder whose entries can be read; writeAttributes adds the right to change attributes.
FileHandle OpenEntry(HANDLE parent, const std::wstring& name, bool asFolder, bool writeAttributes, DWORD& error);
// Deletes the file name (a plain name) inside the folder of parent, as itself, in one open
// with delete-on-close and its close: one call to the system fewer than an open, a
// disposition and a close. A read-only file refuses the open; a deletion that fails at the
// close (another program holds the file with delete sharing) is not seen here, but keeps
// the file's folder from going.
bool DeleteOnClose(HANDLE parent, const std::wstring& name, DWORD& error);
// Whether name no longer lies in parent, confirmed by an open that fails with "not found";
// a name that is still there, its deletion only pending, leaves ERROR_DELETE_PENDING.
bool EntryGone(HANDLE parent, const std::wstring& name, DWORD& error);
// The next entries of folder but "." and "..", in the order of the file system: what one
// listing buffer of 64 KiB holds (a few hundred entries at most), after those of the last
// call on the same handle; first starts from the beginning. more turns false once the
// listing is over. A folder of millions of entries is so read without holding them all.
bool ReadFolderBatch(HANDLE folder, bool first, std::vector<FolderEntry>& entries, bool& more, DWORD& error);
bool QueryHandleFacts(HANDLE handle, HandleFacts& facts, DWORD& error);
// How many names (hard links) the file of handle has.
bool QueryLinkCount(HANDLE handle, DWORD& links, DWORD& error);
bool SetHandleAttributes(HANDLE handle, DWORD attributes, DWORD& error);
// Marks the open entry for deletion; it goes when its last handle closes.
bool MarkForDeletion(HANDLE handle, DWORD& error);

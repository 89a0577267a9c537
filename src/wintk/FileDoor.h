#pragma once
// The one door to the file system. A user without administrator rights can write where the
// program deletes, and can turn any name there into a junction or an object-manager link to
// a pipe, a share or a device of their choosing. So only a local drive's root ("\??\C:\") is
// ever opened by name; everything below it is reached from that root one name at a time,
// each opened relative to its parent's handle, as itself (a link is the link, never what it
// points at), and every open asks to be served at identification level only, so that no
// pipe at its end may act as the administrator. Nothing outside this file opens, tests or
// deletes a file-system object by name. Every operation answers with a flag or a null
// handle and leaves a Windows error code.
#include <string>
#include <vector>

#include "FolderHandles.h"

// How many links in a row a way is followed through, where it is followed at all.
const int MaxLinksFollowed = 8;

// The folder at path ("X:\...", a trailing backslash or not), opened for listing and
// reaching its entries without following any link on the way: from the drive's root, one
// component at a time as its parent's listing names it (short names are taken for their
// long ones). A component that the listing or its handle shows as a link, or a final path
// of the handle that is not the path in long names, fails with ERROR_FILE_INVALID, and so
// does an error while asking either. A path that cannot name a folder, or is not on a local
// disk (a network or subst drive), fails with ERROR_BAD_PATHNAME before anything is opened.
// longPath, when given, receives the path in long names with a trailing backslash.
FileHandle OpenFolderWithoutLinks(const std::wstring& path, DWORD& error, std::wstring* longPath = nullptr);
// The same walk, but a link on the way is followed: its target, read from the link's own
// handle, is walked again from its drive's root, at most MaxLinksFollowed in a row, and only
// where it lies on a local disk. Read-only. upFrom, when given, receives the identities of
// the folders on its final way below the root, the folder reached last.
FileHandle OpenFolderFollowingLinks(const std::wstring& path, DWORD& error, std::vector<FileIdentity>* upFrom = nullptr);
// Which object the folder at path is, links on the way followed as above.
bool IdentityOf(const std::wstring& path, FileIdentity& identity);
// Whether anything lies at path (a folder or a file on a drive) once the links on its way
// are followed as above. True where that cannot be told (a link to a network or a device,
// too many links, any error but "not found"). Only for deciding what to report: nothing is
// ever deleted through a link.
bool AnythingBehindLinks(const std::wstring& path);
// Whether a folder is at path, as OpenFolderWithoutLinks reaches it; one behind a link counts
// only when something lies behind that link, and one that cannot be reached for another
// reason than its absence or a file in its place counts as there.
bool FolderThere(const std::wstring& path);
// Whether the object of handle has path as its final path (long names, on a drive).
bool FinalPathIs(HANDLE handle, const std::wstring& path, DWORD& error);

// name (a plain name) inside the folder of parent. asFolder opens a folder for listing and
// traversal; writeAttributes adds the right to change attributes. Never opened for deletion:
// a deletion is an open of its own (DeleteOnClose).
FileHandle OpenEntry(HANDLE parent, const std::wstring& name, bool asFolder, bool writeAttributes, DWORD& error);
// Deletes name (a plain name) inside the folder of parent, as itself, by an open with
// delete-on-close and its close: nothing is set on a handle afterwards, so nothing waits for
// another program to let go of an opportunistic lock. kind chooses a file, a folder (which
// goes only when empty) or either. A read-only entry refuses the open; a deletion that the
// close cannot finish (another handle still open) leaves the name until that handle closes.
enum class EntryKind { File, Folder, Either };
bool DeleteOnClose(HANDLE parent, const std::wstring& name, EntryKind kind, DWORD& error);
// Whether name no longer lies in parent, confirmed by an open that fails with "not found".
// A name that is still there leaves ERROR_DIR_NOT_EMPTY for a folder that holds entries
// again, else ERROR_DELETE_PENDING: its deletion waits for another program's handle.
bool EntryGone(HANDLE parent, const std::wstring& name, DWORD& error);

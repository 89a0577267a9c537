#pragma once
// Thin, read-mostly registry access. Nothing here raises or reports: a failure
// is a false flag, a null handle or an empty string.
#include <string>
#include <vector>

#include "Kept.h"
#include "Win.h"

HKEY KeyOpenForRead(HKEY root, const char* subKey);
bool KeyPresent(HKEY root, const char* subKey);
bool ValuePresent(HKEY key, const wchar_t* name);
// Text of a REG_SZ value, in wide characters as stored; empty for any other type, a
// missing value or a null key.
std::wstring ReadStringValue(HKEY key, const wchar_t* name);
// The longest path Windows takes, in characters: a longer value names no file or folder.
inline constexpr size_t LongestPath = 32767;
// The same value with every character stored but its terminating zeros: a zero inside stays.
// A value of more than LongestPath characters, by the size its first query reports, is
// not read whole (a user's own hive can hold one of hundreds of megabytes): only its first
// headChars characters come back, and tooLong says so.
std::wstring ReadStoredText(HKEY key, const wchar_t* name, bool* tooLong = nullptr, size_t headChars = 120);
void KeyClose(HKEY key);
// Whether a sub-key name of length characters, as a listing gave it, opens that very key:
// not with a zero in it (the name would end there) nor a backslash (it would be a path,
// possibly through a link). Only a crafted hive holds such names.
bool IsKeyNameAsListed(const wchar_t* name, size_t length);
// The keys that a removal had to leave: each its path below the root the removal was given,
// and the Windows error; ERROR_FILE_INVALID for a key that is a registry link or is reached
// through one, ERROR_INVALID_NAME for a sub-key whose name cannot be opened as listed (a
// zero or a backslash in it).
using KeptKeys = KeptEntries;

// Deletes the key root\path\below with its values and all its sub-keys, in this program's
// own registry view (a 32-bit program on 64-bit Windows sees HKLM\Software as
// Software\WOW6432Node, where a 32-bit installer wrote). path is trusted; each key of below
// is opened as itself, never as a registry link's target (REG_OPTION_OPEN_LINK), relative to
// its parent. A link on the way or at the top is not deleted and reported when the key lies
// behind it; a link inside the tree is deleted as the link. Any error while opening or
// checking a key keeps it. A key that stays only because a sub-key stayed is not listed
// itself. Nothing there is no error.
KeptKeys RemoveKeyTree(HKEY root, const std::string& path, const std::string& below);

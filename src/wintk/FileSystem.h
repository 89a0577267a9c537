#pragma once
// File-system tests and path helpers. Paths are wide strings, as the system keeps them;
// a folder path that is to be extended ends with a backslash.
#include <string>

// The Windows folder with a trailing backslash; empty when the system cannot say.
std::wstring WindowsFolderPath();
std::wstring AppendCharIfMissing(const std::wstring& s, wchar_t ch);
std::wstring WithBackslash(const std::wstring& s);
// "C:\..." or "\\server\...": a path that does not depend on the current folder.
bool IsAbsolutePath(const std::wstring& path);
// "X:\...": a path on a drive.
bool IsOnADrive(const std::wstring& path);
// Whether path can name a folder at all: no zero character, at most MaxPathLength
// characters, no name between separators longer than MaxNameLength. Asked of a value that a
// user wrote before any path function of the system sees it: some copy it whole into a
// buffer of their own.
const size_t MaxPathLength = 32767, MaxNameLength = 255;
bool CanNameAFolder(const std::wstring& path);
// Whether a and b name the same path, as the file system compares names (case ignored).
bool SamePath(const std::wstring& a, const std::wstring& b);
// "C:\Games\EI\Stavor\" as "C:\Games\EI\" and "Stavor"; false for a drive root or a path
// without a folder above its last name.
bool SplitLastName(const std::wstring& path, std::wstring& parent, std::wstring& name);
// path made full (GetFullPathNameW: "." and ".." resolved); empty when the system cannot.
std::wstring FullPath(const std::wstring& path);

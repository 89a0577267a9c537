#pragma once
// File-system tests and path helpers. Paths are wide strings, as the system keeps them;
// a folder path that is to be extended ends with a backslash.
#include <string>

bool PathIsFolder(const std::wstring& path);
// The Windows folder with a trailing backslash; empty when the system cannot say.
std::wstring WindowsFolderPath();
std::wstring AppendCharIfMissing(const std::wstring& s, wchar_t ch);
std::wstring WithBackslash(const std::wstring& s);
// "C:\..." or "\\server\...": a path that does not depend on the current folder.
bool IsAbsolutePath(const std::wstring& path);
// "X:\...": a path on a drive.
bool IsOnADrive(const std::wstring& path);
// Whether a and b name the same path, as the file system compares names (case ignored).
bool SamePath(const std::wstring& a, const std::wstring& b);
// path made full (GetFullPathNameW: "." and ".." resolved); empty when the system cannot.
std::wstring FullPath(const std::wstring& path);

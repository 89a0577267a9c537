#pragma once
// File-system tests and path helpers. Paths are byte strings in the ANSI code page;
// a folder path that is to be extended ends with a backslash.
#include <string>

bool PathIsFile(const std::string& path);
bool PathIsFolder(const std::string& path);
// A folder entry that is a junction, symbolic link or mount point.
bool PathIsLink(const std::string& path);
bool IsLinkAttributes(unsigned long attributes);
// The Windows folder with a trailing backslash; empty when the system cannot say.
std::string WindowsFolderPath();
std::string AppendCharIfMissing(const std::string& s, char ch);
std::string WithBackslash(const std::string& s);
// "C:\..." or "\\server\...": a path that does not depend on the current folder.
bool IsAbsolutePath(const std::string& path);

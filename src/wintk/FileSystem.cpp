#include "FileSystem.h"

#include "Win.h"

bool PathIsFile(const std::string& path)
{
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool PathIsFolder(const std::string& path)
{
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool IsLinkAttributes(unsigned long attributes)
{
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

bool PathIsLink(const std::string& path)
{
    return IsLinkAttributes(GetFileAttributesA(path.c_str()));
}

std::string WindowsFolderPath()
{
    char buffer[MAX_PATH + 1] = {};
    UINT length = GetWindowsDirectoryA(buffer, sizeof buffer);
    // A failed or truncated answer yields the empty string rather than "\", which
    // would turn every path built on it into one relative to the current drive.
    if (length == 0 || length >= sizeof buffer)
        return std::string();
    return WithBackslash(buffer);
}

std::string AppendCharIfMissing(const std::string& s, char ch)
{
    if (!s.empty() && s.back() == ch)
        return s;
    return s + ch;
}

std::string WithBackslash(const std::string& s)
{
    return AppendCharIfMissing(s, '\\');
}

bool IsAbsolutePath(const std::string& path)
{
    if (path.size() >= 3 && path[1] == ':' && path[2] == '\\') {
        char drive = path[0];
        return (drive >= 'A' && drive <= 'Z') || (drive >= 'a' && drive <= 'z');
    }
    return path.size() >= 2 && path[0] == '\\' && path[1] == '\\';
}

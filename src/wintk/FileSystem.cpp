#include "FileSystem.h"

#include "Win.h"

bool PathIsFolder(const std::wstring& path)
{
    DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::wstring WindowsFolderPath()
{
    wchar_t buffer[MAX_PATH + 1] = {};
    UINT length = GetWindowsDirectoryW(buffer, MAX_PATH + 1);
    // A failed or truncated answer yields the empty string rather than "\", which
    // would turn every path built on it into one relative to the current drive.
    if (length == 0 || length > MAX_PATH)
        return std::wstring();
    return WithBackslash(buffer);
}

std::wstring AppendCharIfMissing(const std::wstring& s, wchar_t ch)
{
    if (!s.empty() && s.back() == ch)
        return s;
    return s + ch;
}

std::wstring WithBackslash(const std::wstring& s)
{
    return AppendCharIfMissing(s, L'\\');
}

bool IsAbsolutePath(const std::wstring& path)
{
    if (path.size() >= 3 && path[1] == L':' && path[2] == L'\\') {
        wchar_t drive = path[0];
        return (drive >= L'A' && drive <= L'Z') || (drive >= L'a' && drive <= L'z');
    }
    return path.size() >= 2 && path[0] == L'\\' && path[1] == L'\\';
}

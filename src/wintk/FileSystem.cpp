#include "FileSystem.h"

#include "Win.h"

std::wstring WindowsFolderPath()
{
    wchar_t buffer[MAX_PATH + 1] = {};
    // The system's own folder: on a terminal server GetWindowsDirectory may answer a
    // private one in the user's profile.
    UINT length = GetSystemWindowsDirectoryW(buffer, MAX_PATH + 1);
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

bool IsOnADrive(const std::wstring& path)
{
    if (path.size() < 3 || path[1] != L':' || path[2] != L'\\')
        return false;
    wchar_t drive = path[0];
    return (drive >= L'A' && drive <= L'Z') || (drive >= L'a' && drive <= L'z');
}

bool CanNameAFolder(const std::wstring& path)
{
    if (path.size() > MaxPathLength)
        return false;
    size_t name = 0;
    for (wchar_t c : path) {
        if (c == L'\0')
            return false;
        name = c == L'\\' || c == L'/' ? 0 : name + 1;
        if (name > MaxNameLength)
            return false;
    }
    return true;
}

bool IsAbsolutePath(const std::wstring& path)
{
    return IsOnADrive(path) || (path.size() >= 2 && path[0] == L'\\' && path[1] == L'\\');
}

bool SamePath(const std::wstring& a, const std::wstring& b)
{
    return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

std::wstring FullPath(const std::wstring& path)
{
    DWORD size = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    std::wstring full(size, L'\0');
    DWORD length = size ? GetFullPathNameW(path.c_str(), size, full.data(), nullptr) : 0;
    if (length == 0 || length >= size)
        return std::wstring();
    full.resize(length);
    return full;
}

bool SplitLastName(const std::wstring& path, std::wstring& parent, std::wstring& name)
{
    const size_t end = !path.empty() && path.back() == L'\\' ? path.size() - 1 : path.size();
    const size_t separator = end ? path.rfind(L'\\', end - 1) : std::wstring::npos;
    if (separator == std::wstring::npos || separator + 1 >= end)
        return false;
    parent = path.substr(0, separator + 1);
    name = path.substr(separator + 1, end - separator - 1);
    return true;
}

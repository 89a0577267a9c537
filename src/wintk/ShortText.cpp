#include "ShortText.h"

std::wstring ShortenedInTheMiddle(const std::wstring& path, size_t limit)
{
    const std::wstring dots = L"...";
    if (path.size() <= limit)
        return path;
    const size_t half = (limit - dots.size()) / 2;
    // The start keeps its last backslash, the end begins with one.
    size_t headEnd = path.rfind(L'\\', half - 1);
    headEnd = headEnd == std::wstring::npos ? half : headEnd + 1;
    size_t tailStart = path.find(L'\\', path.size() - half);
    if (tailStart == std::wstring::npos)
        tailStart = path.size() - half;
    return path.substr(0, headEnd) + dots + path.substr(tailStart);
}

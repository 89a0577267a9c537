#include "ShortText.h"

namespace {

bool ShownAsItself(const std::wstring& text, size_t i)
{
    const wchar_t c = text[i];
    if (c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x061C || (c >= 0x200B && c <= 0x200F) || (c >= 0x2028 && c <= 0x202E) ||
        (c >= 0x2060 && c <= 0x206F) || c == 0xFEFF || (c >= 0xFFF9 && c <= 0xFFFB))
        return false;
    if (c >= 0xD800 && c <= 0xDBFF)
        return i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF;
    if (c >= 0xDC00 && c <= 0xDFFF)
        return i > 0 && text[i - 1] >= 0xD800 && text[i - 1] <= 0xDBFF;
    return true;
}

} // namespace

std::wstring WithInvisiblesEscaped(const std::wstring& text)
{
    const wchar_t digits[] = L"0123456789ABCDEF";
    std::wstring shown;
    shown.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (ShownAsItself(text, i)) {
            shown += text[i];
            continue;
        }
        const unsigned c = text[i];
        shown += L"\\u";
        for (int shift = 12; shift >= 0; shift -= 4)
            shown += digits[(c >> shift) & 0xF];
    }
    return shown;
}

std::wstring ShortenedInTheMiddle(const std::wstring& path, size_t limit)
{
    const std::wstring dots = L"...";
    if (path.size() <= limit)
        return path;
    const size_t half = (limit - dots.size()) / 2;
    // The start keeps its last backslash, the end begins with one, where that costs at most
    // half of either: a name of thousands of characters is cut inside itself.
    size_t headEnd = path.rfind(L'\\', half - 1);
    headEnd = headEnd == std::wstring::npos || headEnd + 1 < half / 2 ? half : headEnd + 1;
    size_t tailStart = path.find(L'\\', path.size() - half);
    if (tailStart == std::wstring::npos || tailStart > path.size() - half / 2)
        tailStart = path.size() - half;
    return path.substr(0, headEnd) + dots + path.substr(tailStart);
}

#include "ShortText.h"

namespace {

#include "UnicodeTables.h" // HiddenCharacters, CombiningMarks: made from the Unicode data at build time

// One number of a packed table (cmake/UnicodeTables.sh), seven bits a byte, low ones first.
char32_t NextNumber(const unsigned char* table, size_t& at)
{
    char32_t number = 0;
    for (int shift = 0;; shift += 7) {
        const unsigned char byte = table[at++];
        number |= char32_t(byte & 0x7F) << shift;
        if (!(byte & 0x80))
            return number;
    }
}

// Whether c lies in one of the ranges of a packed table: each the distance from the end of
// the range before, then its length less one.
template <size_t N>
bool In(const unsigned char (&table)[N], char32_t c)
{
    char32_t next = 0;
    for (size_t at = 0; at < N;) {
        const char32_t first = next + NextNumber(table, at), last = first + NextNumber(table, at);
        if (c < first)
            return false;
        if (c <= last)
            return true;
        next = last + 1;
    }
    return false;
}

// Marks beyond these on one character would pile up over the lines around it.
const int MarksPerCharacter = 3;

void AppendEscaped(std::wstring& shown, char32_t c)
{
    const wchar_t digits[] = L"0123456789ABCDEF";
    const int width = c > 0xFFFF ? 8 : 4;
    shown += c > 0xFFFF ? L"\\U" : L"\\u";
    for (int shift = 4 * (width - 1); shift >= 0; shift -= 4)
        shown += digits[(c >> shift) & 0xF];
}

// Whether text at i reads as the rest of an escape of ours: "u" and four hexadecimal
// digits, or "U" and eight.
bool LooksLikeAnEscape(const std::wstring& text, size_t i)
{
    if (i >= text.size() || (text[i] != L'u' && text[i] != L'U'))
        return false;
    const size_t digits = text[i] == L'u' ? 4 : 8;
    if (text.size() - i - 1 < digits)
        return false;
    for (size_t k = i + 1; k <= i + digits; ++k) {
        const wchar_t d = text[k];
        if (!((d >= L'0' && d <= L'9') || (d >= L'a' && d <= L'f') || (d >= L'A' && d <= L'F')))
            return false;
    }
    return true;
}

} // namespace

std::wstring WithInvisiblesEscaped(const std::wstring& text)
{
    std::wstring shown;
    shown.reserve(text.size());
    int marks = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        const bool pair = c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF;
        if (pair)
            c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
        const bool mark = In(CombiningMarks, c);
        marks = mark ? marks + 1 : 0;
        const bool escapeLike = c == L'\\' && LooksLikeAnEscape(text, i + 1);
        if (In(HiddenCharacters, c) || marks > MarksPerCharacter || escapeLike)
            AppendEscaped(shown, c);
        else
            shown.append(text, i, pair ? 2 : 1);
        i += pair ? 1 : 0;
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

std::wstring WarningExcerpt(const std::wstring& text)
{
    return WithInvisiblesEscaped(ShortenedInTheMiddle(text, ExcerptLength));
}

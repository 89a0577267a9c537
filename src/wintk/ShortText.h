#pragma once
// Texts made to fit a message box.
#include <cstddef>
#include <string>

// path itself when it has at most limit characters; else its start and its end with "..."
// between them, each cut at a backslash where one lies close enough
// ("C:\Games\EI\Stavor\d\d\...\d\leaf.txt"), limit characters at most. A path can be some
// 32,000 characters long; whole, it would fill a box far beyond the screen. limit is 8 or more.
std::wstring ShortenedInTheMiddle(const std::wstring& path, size_t limit);

// text with every character that does not show as itself written out as "\uXXXX" (or
// "\UXXXXXXXX" beyond the first plane): controls, format characters (the marks, embeddings,
// overrides and isolates of bidirectional text among them), surrogates without their pair,
// private use and unassigned code points, separators, every space but U+0020, every
// character that Unicode says to draw as nothing (Hangul fillers, variation selectors...),
// the fourth and later of the combining marks on one character, and a backslash that would
// read as the start of such an escape. The classes come from the Unicode data at build
// time. A path or a registry value that a user wrote cannot then break the lines of a
// message, turn its text around, hide a part of it, pile marks over it or pass for an escape.
std::wstring WithInvisiblesEscaped(const std::wstring& text);

// What the warning shows of a path or a value that a user wrote: shortened to
// ExcerptLength characters first, its invisible characters escaped second, so that its
// size is bounded whatever the length of the text.
inline constexpr size_t ExcerptLength = 120;
std::wstring WarningExcerpt(const std::wstring& text);

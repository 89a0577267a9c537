#pragma once
// Texts made to fit a message box.
#include <cstddef>
#include <string>

// path itself when it has at most limit characters; else its start and its end with "..."
// between them, each cut at a backslash where one lies close enough
// ("C:\Games\EI\Stavor\d\d\...\d\leaf.txt"), limit characters at most. A path can be some
// 32,000 characters long; whole, it would fill a box far beyond the screen. limit is 8 or more.
std::wstring ShortenedInTheMiddle(const std::wstring& path, size_t limit);

// text with every character that is not shown as itself written out as "\uXXXX": the
// controls (C0, C1, DEL), the line and paragraph separators, the marks, embeddings,
// overrides and isolates of bidirectional text, the invisible format characters and a
// surrogate without its pair. A path or a registry value that a user wrote cannot then
// break the lines of a message, turn its text around or hide a part of it.
std::wstring WithInvisiblesEscaped(const std::wstring& text);

#pragma once
// Texts made to fit a message box.
#include <cstddef>
#include <string>

// path itself when it has at most limit characters; else its start and its end with "..."
// between them, each cut at a backslash where one lies close enough
// ("C:\Games\EI\Stavor\d\d\...\d\leaf.txt"), limit characters at most. A path can be some
// 32,000 characters long; whole, it would fill a box far beyond the screen. limit is 8 or more.
std::wstring ShortenedInTheMiddle(const std::wstring& path, size_t limit);

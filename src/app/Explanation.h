#pragma once
// The explanation that fills the main window's frame: a line of text each, in code page
// independent UTF-8, placed from the top of the frame at 96 DPI.
struct ExplanationLine {
    int Top;
    const char* Text;
};

inline constexpr int ExplanationLineCount = 13;
extern const ExplanationLine Explanation[ExplanationLineCount];

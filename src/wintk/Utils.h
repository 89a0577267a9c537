#pragma once
// Keyboard shift state, and the small byte and text helpers of the toolkit.
#include <cstdint>
#include <string>

enum : uint32_t { ShiftDown = 0x4, CtrlDown = 0x8, AltDown = 0x20 };
uint32_t GetShiftState();

bool SameBytes(const void* a, const void* b, uint32_t count);
const char* NonNullText(const char* text);
char* CopyText(char* destination, const char* source);
const char* FindChar(const char* text, char ch);
inline void DoNothing() {}
// A wide text for the ANSI functions in code page 1251: a character that the code page
// lacks becomes '?', never a look-alike (a full-width backslash must not show as a separator).
std::string TextIn1251(const std::wstring& text);

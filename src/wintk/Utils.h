#pragma once
// Keyboard shift state, the byte comparison, and the conversion of texts between the
// program (UTF-8) and the window system (UTF-16).
#include <cstdint>
#include <string>

enum : uint32_t { ShiftDown = 0x4, CtrlDown = 0x8, AltDown = 0x20 };
uint32_t GetShiftState();

bool SameBytes(const void* a, const void* b, uint32_t count);
// The program keeps its texts in UTF-8; a window gets them in UTF-16 through this one
// conversion. Null is the empty text.
std::wstring WideText(const char* utf8);
// A text read back from a window, or a path, in UTF-8: every name shows as it is.
std::string Utf8Text(const std::wstring& wide);

#pragma once
// The window class of the bare baselines: the arrow cursor and the dialog face colour,
// nothing else, as a plain Win32 program registers it.
#include "wintk/Win.h"

inline void RegisterPlainClass(const wchar_t* name, WNDPROC procedure)
{
    WNDCLASSW wc = {};
    wc.lpfnWndProc = procedure;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = name;
    RegisterClassW(&wc);
}

#pragma once
// The one place that pulls in the Windows headers for the toolkit and the program.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <commctrl.h>
// The toolkit's window-creation operation is called CreateWindow; the ANSI
// macro of that name would swallow it.
#undef CreateWindow

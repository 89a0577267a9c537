// The start-up benchmark's baseline: one top-level window with one button, under the same
// manifest as Tessaly.exe (common controls 6, DPI awareness), and nothing else. Its time to
// a visible window is what any program of this kind pays under the same Wine.
#include <cstdlib>

#include "Marks.h"
#include "PlainClass.h"

namespace {

LRESULT CALLBACK BareProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

} // namespace

// With a file argument it marks its steps for the driver; the timed starts have none.
int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    OpenMarks(__argc, __argv, "bare-entry");
    // Tessaly imports comctl32 for its progress bar; so does the baseline, or the
    // manifest's dependency would load nothing.
    InitCommonControls();
    RegisterPlainClass(L"BareWindow", BareProc);
    HWND window = CreateWindowExW(0, L"BareWindow", L"Bare", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT, 400, 200,
                                  nullptr, nullptr, instance, nullptr);
    CreateWindowExW(0, L"BUTTON", L"OK", WS_CHILD | WS_VISIBLE | WS_TABSTOP, 10, 10, 80, 26, window, nullptr, instance,
                    nullptr);
    Mark("bare-windows-made");
    ShowWindow(window, SW_SHOW);
    Mark("bare-shown");
    MSG msg;
    bool painted = false;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
        if (!painted && msg.message == WM_PAINT && msg.hwnd == window)
            Mark("bare-first-paint"), painted = true;
    }
    return 0;
}

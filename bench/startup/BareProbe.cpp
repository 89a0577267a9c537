// The floor of Tessaly's time to ready: what its start with the probe run prescribes, in
// plain Win32 calls under the same manifest, and nothing more. A main window with twenty
// controls (thirteen text lines, five buttons, a check box and a frame), shown; at its
// first paint its size is locked and a dialog is shown for one paint, which hides itself,
// shows a progress window with a caption, a text and a bar, runs an empty worker thread to
// its end, closes both, and the two removal buttons are enabled.
#include "../Measure.h"
#include "Marks.h"

#include <commctrl.h>

namespace {

HWND questsButton = nullptr, norvaneButton = nullptr;
bool locked = false;

DWORD WINAPI EmptyWork(void*)
{
    return 0;
}

// The probe run: a progress window while an empty worker runs, the queue served meanwhile.
void RunWithProgress(HWND dialog)
{
    HINSTANCE instance = GetModuleHandleW(nullptr);
    HWND progress = CreateWindowExW(WS_EX_DLGMODALFRAME, L"BareProbeProgress", L"Progress", WS_CAPTION | WS_SYSMENU,
                                    CW_USEDEFAULT, CW_USEDEFAULT, 469, 100, dialog, nullptr, instance, nullptr);
    CreateWindowExW(0, L"STATIC", L"Please wait", WS_CHILD | WS_VISIBLE, 128, 8, 200, 14, progress, nullptr, instance, nullptr);
    CreateWindowExW(0, PROGRESS_CLASSW, L"", WS_CHILD | WS_VISIBLE, 3, 48, 456, 16, progress, nullptr, instance, nullptr);
    ShowWindow(progress, SW_SHOW);
    UpdateWindow(progress);
    HANDLE worker = CreateThread(nullptr, 0, EmptyWork, nullptr, 0, nullptr);
    MSG msg;
    while (WaitForSingleObject(worker, 0) == WAIT_TIMEOUT)
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageW(&msg);
    CloseHandle(worker);
    DestroyWindow(progress);
}

INT_PTR CALLBACK CarrierProc(HWND dialog, UINT message, WPARAM, LPARAM)
{
    if (message == WM_INITDIALOG)
        return TRUE;
    if (message == WM_PAINT) {
        PAINTSTRUCT ps;
        BeginPaint(dialog, &ps);
        EndPaint(dialog, &ps);
        ShowWindow(dialog, SW_HIDE);
        RunWithProgress(dialog);
        EndDialog(dialog, 0);
        return TRUE;
    }
    return FALSE;
}

// An empty dialog template: a popup with a caption, no controls.
struct EmptyTemplate {
    DLGTEMPLATE Header;
    WORD Menu, Class, Title;
};

LRESULT CALLBACK MainProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCHITTEST) {
        LRESULT hit = DefWindowProcW(window, message, wParam, lParam);
        return locked && hit >= HTLEFT && hit <= HTBOTTOMRIGHT ? HTBORDER : hit;
    }
    if (message == WM_PAINT) {
        PAINTSTRUCT ps;
        BeginPaint(window, &ps);
        EndPaint(window, &ps);
        if (!locked) {
            locked = true;
            Mark("bare-probe-first-paint");
            EmptyTemplate dialog = {{WS_POPUP | WS_CAPTION | DS_MODALFRAME, 0, 0, 0, 0, 223, 43}, 0, 0, 0};
            DialogBoxIndirectW(GetModuleHandleW(nullptr), &dialog.Header, window, CarrierProc);
            EnableWindow(questsButton, TRUE);
            EnableWindow(norvaneButton, TRUE);
            Mark("bare-probe-ready");
        }
        return 0;
    }
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

HWND Child(HWND parent, const wchar_t* kind, const wchar_t* text, DWORD style, int top, int left = 8, int width = 648)
{
    return CreateWindowExW(0, kind, text, WS_CHILD | WS_VISIBLE | style, left, top, width, 14, parent, nullptr,
                           GetModuleHandleW(nullptr), nullptr);
}

} // namespace

// With a file argument it marks its steps for the driver; the timed starts have none.
int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    const double entry = Now();
    OpenMarks(__argc, __argv);
    Mark("bare-probe-entry", entry);
    InitCommonControls();
    WNDCLASSW wc = {};
    wc.lpfnWndProc = MainProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = L"BareProbe";
    RegisterClassW(&wc);
    wc.lpfnWndProc = DefWindowProcW;
    wc.lpszClassName = L"BareProbeProgress";
    RegisterClassW(&wc);
    HWND window = CreateWindowExW(0, L"BareProbe", L"Bare probe", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT, 668, 287,
                                  nullptr, nullptr, instance, nullptr);
    for (int line = 0; line < 13; ++line)
        Child(window, L"STATIC", L"A line of the explanation", 0, 8 + 14 * line);
    Child(window, L"BUTTON", L"", BS_GROUPBOX, 190, 4, 652);
    Child(window, L"BUTTON", L"", BS_AUTOCHECKBOX, 1, 1, 1);
    norvaneButton = Child(window, L"BUTTON", L"Norvane", WS_TABSTOP | WS_DISABLED, 220, 8, 120);
    questsButton = Child(window, L"BUTTON", L"Quests", WS_TABSTOP | WS_DISABLED, 220, 136, 120);
    for (int left : {264, 392, 520})
        Child(window, L"BUTTON", L"Button", WS_TABSTOP, 220, left, 120);
    Mark("bare-probe-windows-made");
    ShowWindow(window, SW_SHOW);
    Mark("bare-probe-shown");
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return 0;
}

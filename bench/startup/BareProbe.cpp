// The floor of Tessaly's time to ready: what its start with the probe run prescribes, in
// plain Win32 calls under the same manifest, and nothing more. The main window with the same
// twenty controls at their places, sizes, texts and font (the thirteen lines of the
// explanation in a frame, a hidden check box, five buttons), shown; at its first paint its
// size is locked and a dialog of the probe's caption and size is shown for one paint, which
// hides itself, shows the progress window (its caption, the text line, an empty line and the
// bar), runs an empty worker thread to its end, closes both, and the two removal buttons are
// enabled. The drawing is the one a user sees, so that the floor paints what Tessaly paints.
#include "Marks.h"
#include "PlainClass.h"
#include "app/Explanation.h"

#include <commctrl.h>

#include <string>

namespace {

HWND questsButton = nullptr, norvaneButton = nullptr;
HFONT font = nullptr;
bool locked = false;

std::wstring Wide(const char* utf8)
{
    wchar_t text[256] = {};
    MultiByteToWideChar(CP_UTF8, 0, utf8, -1, text, 256);
    return text;
}

HWND Child(HWND parent, const wchar_t* kind, const wchar_t* text, DWORD style, int left, int top, int width, int height)
{
    HWND child = CreateWindowExW(0, kind, text, WS_CHILD | style, left, top, width, height, parent, nullptr,
                                 GetModuleHandleW(nullptr), nullptr);
    SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), 0);
    return child;
}

// A top-level window of this client size, in the middle of the screen.
void PlaceCentred(HWND window, int clientWidth, int clientHeight)
{
    RECT r = {0, 0, clientWidth, clientHeight};
    AdjustWindowRectEx(&r, GetWindowLongW(window, GWL_STYLE), FALSE, GetWindowLongW(window, GWL_EXSTYLE));
    const int width = r.right - r.left, height = r.bottom - r.top;
    SetWindowPos(window, nullptr, (GetSystemMetrics(SM_CXSCREEN) - width) / 2, (GetSystemMetrics(SM_CYSCREEN) - height) / 2,
                 width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

DWORD WINAPI EmptyWork(void*)
{
    return 0;
}

// The probe run: a progress window while an empty worker runs, the queue served meanwhile.
void RunWithProgress(HWND dialog)
{
    HINSTANCE instance = GetModuleHandleW(nullptr);
    HWND progress = CreateWindowExW(WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE, L"BareProbeProgress", L"Подождите...",
                                    WS_CAPTION | WS_SYSMENU, 0, 0, 0, 0, dialog, nullptr, instance, nullptr);
    PlaceCentred(progress, 463, 71);
    RECT frame;
    GetWindowRect(progress, &frame);
    const std::wstring info = L"Подождите, собираю информацию...";
    const int infoWidth = 7 * static_cast<int>(info.size()), left = (frame.right - frame.left) / 2 - infoWidth / 2;
    Child(progress, L"STATIC", info.c_str(), WS_VISIBLE | SS_NOPREFIX, left, 8, infoWidth, 14);
    Child(progress, L"STATIC", L"", WS_VISIBLE | SS_NOPREFIX, left, 24, 0, 14);
    HWND bar = Child(progress, PROGRESS_CLASSW, L"", WS_VISIBLE, 3, 48, 456, 20);
    SendMessageW(bar, PBM_SETRANGE32, 0, 3);
    Mark("bare-probe-progress-made");
    ShowWindow(progress, SW_SHOW);
    UpdateWindow(progress);
    Mark("bare-probe-progress-painted");
    HANDLE worker = CreateThread(nullptr, 0, EmptyWork, nullptr, 0, nullptr);
    MSG msg;
    for (;;) {
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageW(&msg);
        if (WaitForSingleObject(worker, 0) != WAIT_TIMEOUT)
            break;
        MsgWaitForMultipleObjectsEx(1, &worker, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    }
    Mark("bare-probe-worker-ended");
    CloseHandle(worker);
    DestroyWindow(progress);
    Mark("bare-probe-progress-gone");
}

INT_PTR CALLBACK CarrierProc(HWND dialog, UINT message, WPARAM, LPARAM)
{
    if (message == WM_INITDIALOG) {
        SetWindowTextW(dialog, L"АналИз... но не мОчи ;)");
        PlaceCentred(dialog, 223, 43);
        Mark("bare-probe-dialog-made");
        return TRUE;
    }
    if (message == WM_PAINT) {
        PAINTSTRUCT ps;
        BeginPaint(dialog, &ps);
        EndPaint(dialog, &ps);
        Mark("bare-probe-dialog-paint");
        ShowWindow(dialog, SW_HIDE);
        RunWithProgress(dialog);
        EndDialog(dialog, 0);
        return TRUE;
    }
    return FALSE;
}

// An empty dialog template: a popup with a caption, no controls; placed when it starts.
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
            EmptyTemplate dialog = {{WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME, 0, 0, 0, 0, 0, 0}, 0, 0, 0};
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

} // namespace

// With a file argument it marks its steps for the driver; the timed starts have none.
int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    OpenMarks(__argc, __argv, "bare-probe-entry");
    InitCommonControls();
    LOGFONTW face = {};
    face.lfHeight = -11;
    face.lfCharSet = DEFAULT_CHARSET;
    lstrcpyW(face.lfFaceName, L"MS Shell Dlg 2");
    font = CreateFontIndirectW(&face);
    RegisterPlainClass(L"BareProbe", MainProc);
    RegisterPlainClass(L"BareProbeProgress", DefWindowProcW);
    HWND window = CreateWindowExW(0, L"BareProbe", L"Tessaly v 1.0", WS_OVERLAPPEDWINDOW, (GetSystemMetrics(SM_CXSCREEN) - 668) / 2,
                                  (GetSystemMetrics(SM_CYSCREEN) - 287) / 2, 668, 287, nullptr, nullptr, instance, nullptr);
    HWND frame = Child(window, L"BUTTON", L"", WS_VISIBLE | BS_GROUPBOX, 0, -4, 660, 221);
    for (const ExplanationLine& line : Explanation)
        Child(frame, L"STATIC", Wide(line.Text).c_str(), WS_VISIBLE | SS_NOPREFIX | SS_LEFTNOWORDWRAP, 8, line.Top, 648, 14);
    Child(frame, L"BUTTON", L"CheckBox1", BS_AUTOCHECKBOX | WS_TABSTOP, 176, 202, 0, 16);
    const struct {
        const wchar_t* Caption;
        int Left, Width;
        HWND* Kept;
    } buttons[] = {
        {L"&Выход", 581, 77, nullptr},
        {L"О&бновить", 501, 77, nullptr},
        {L"Удалить &Norvane", 6, 104, &norvaneButton},
        {L"Удалить &Quests", 120, 104, &questsButton},
        {L"&О программе", 412, 86, nullptr},
    };
    for (const auto& button : buttons) {
        HWND made = Child(window, L"BUTTON", button.Caption, WS_VISIBLE | WS_TABSTOP | (button.Kept ? WS_DISABLED : 0),
                          button.Left, 228, button.Width, 30);
        if (button.Kept)
            *button.Kept = made;
    }
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

// Tessaly's start with marks: the program's own entry, built from the program's own
// libraries, that writes the performance counter at each step of its start to a file, a
// line each, for startup_bench to set against its CreateProcess:
//
//   startup_steps FILE        the start, up to the probe's end (the driver ends it)
//   startup_steps costs FILE  what single steps cost in a started process: the probe's
//                             work alone (its first run and the later ones), a font, a DPI
//                             query, a child window, a thread
//
// The marks come from the toolkit's hooks (window made, message seen); the program's code
// is not changed for them.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "../Measure.h"
#include "Marks.h"
#include "app/GetInfAbCompForm.h"
#include "app/MainForm.h"
#include "wintk/Graphics.h"

namespace {

bool CaptionStarts(Control* control, const wchar_t* start)
{
    return control->CaptionText.compare(0, std::wcslen(start), start) == 0;
}

Control* mainForm = nullptr;
Control* probeDialog = nullptr;
Control* progressForm = nullptr;
double lastControl = 0;
bool painted = false, progressPainted = false, progressGone = false;
int stages = 0;

// A top-level window of the start, by its caption when made (the progress window gets its
// caption later), marked; a child only remembered until the main window's first paint.
void OnWindowMade(Control* control)
{
    const double now = Now();
    const struct {
        const wchar_t* Caption;
        const char* Mark;
        Control** Kept;
    } windows[] = {
        {L"Tessaly v", "main-window-made", &mainForm},
        {L"Анал", "probe-dialog-made", &probeDialog},
        {L"InProcessF", "progress-window-made", &progressForm},
    };
    if (control->IsApplication) {
        Mark("app-window-made", now);
        return;
    }
    if (control->IsChild) {
        if (!painted)
            lastControl = now;
        return;
    }
    for (const auto& window : windows) {
        if (CaptionStarts(control, window.Caption)) {
            Mark(window.Mark, now);
            *window.Kept = control;
        }
    }
}

// The first time that this message reaches this control, marked.
std::vector<const char*> seen; // the names MarkFirst has written

void MarkFirst(const MSG& msg, Control* control, UINT message, Control* target, const char* name)
{
    if (msg.message != message || !control || control != target)
        return;
    for (const char* done : seen)
        if (done == name)
            return;
    seen.push_back(name);
    Mark(name);
}

bool OnMessage(Control* control, MSG& msg, LRESULT&)
{
    MarkFirst(msg, control, WM_SHOWWINDOW, mainForm, "main-showwindow");
    MarkFirst(msg, control, WM_ACTIVATE, mainForm, "main-activate");
    MarkFirst(msg, control, WM_SETFOCUS, mainForm, "main-setfocus");
    MarkFirst(msg, control, WM_ERASEBKGND, mainForm, "main-erase");
    MarkFirst(msg, control, WM_SHOWWINDOW, probeDialog, "probe-dialog-showwindow");
    MarkFirst(msg, control, WM_PAINT, probeDialog, "probe-dialog-paint");
    MarkFirst(msg, control, WM_SHOWWINDOW, progressForm, "progress-showwindow");
    if (msg.message == WM_PAINT && control == mainForm && !painted) {
        Mark("controls-made", lastControl);
        Mark("main-first-paint");
        painted = true;
    } else if (msg.message == WM_PAINT && control == progressForm && !progressPainted) {
        Mark("progress-first-paint");
        progressPainted = true;
    } else if (msg.message == MsgSynchronize) {
        ++stages;
        Mark(stages == 1 ? "probe-stage-1" : stages == 3 ? "probe-stage-3" : "probe-stage-2");
    } else if (msg.message == WM_NCDESTROY && control == progressForm && progressForm) {
        Mark("progress-window-gone");
        progressGone = true;
    } else if (msg.message == WM_ENABLE && msg.wParam && control == mainForm && progressGone) {
        Mark("main-enabled");
        progressGone = false;
    }
    return false;
}

// The median of runs of one step, in milliseconds.
template <typename Step>
double MedianMs(int runs, Step step)
{
    std::vector<double> ms;
    for (int i = 0; i < runs; ++i) {
        const double start = Now();
        step();
        ms.push_back((Now() - start) * 1000);
    }
    return Median(ms);
}

DWORD WINAPI NoWork(void*)
{
    return 0;
}

void MeasureCosts()
{
    // The first probe of a process pays for what the system does only once in it.
    Mark("probe-first-ms", MedianMs(1, [] { ProbeInstallation({}); }));
    Mark("probe-work-ms", MedianMs(20, [] { ProbeInstallation({}); }));
    LOGFONTW face = {};
    face.lfHeight = DialogFontHeight;
    face.lfCharSet = DEFAULT_CHARSET;
    std::wcscpy(face.lfFaceName, DialogFontFace);
    Mark("font-ms", MedianMs(50, [&] { DeleteObject(CreateFontIndirectW(&face)); }));
    HWND window = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    Mark("window-dpi-ms", MedianMs(50, [&] { WindowDpi(window); }));
    Mark("dc-dpi-ms", MedianMs(50, [&] {
        HDC dc = GetDC(window);
        GetDeviceCaps(dc, LOGPIXELSY);
        ReleaseDC(window, dc);
    }));
    Mark("child-window-ms", MedianMs(50, [&] {
        DestroyWindow(CreateWindowExW(0, L"STATIC", L"text", WS_CHILD | WS_VISIBLE, 0, 0, 100, 14, window, nullptr,
                                      nullptr, nullptr));
    }));
    Mark("thread-ms", MedianMs(20, [] {
        HANDLE thread = CreateThread(nullptr, 0, NoWork, nullptr, 0, nullptr);
        WaitForSingleObject(thread, INFINITE);
        CloseHandle(thread);
    }));
    DestroyWindow(window);
}

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    if (!OpenMarks(__argc, __argv, "entry"))
        return 2;
    if (__argc == 3 && std::strcmp(__argv[1], "costs") == 0) {
        MeasureCosts();
        CloseMarks();
        return 0;
    }
    AfterCreateHook = OnWindowMade;
    GlobalMessageHook = OnMessage;
    Control* application = NewApplication("Tessaly");
    BuildMainWindow(application);
    Mark("main-window-built");
    return Run(application) ? 0 : 1;
}

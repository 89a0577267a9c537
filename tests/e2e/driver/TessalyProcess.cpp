#include "TessalyProcess.h"

#include <psapi.h>
#include <tlhelp32.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "e2e/crash/CrashReport.h"
#include "support/Sandbox.h"
#include "wintk/Utils.h"

namespace {

// The hook calls back without a context; one process is watched at a time.
TessalyProcess* watched = nullptr;

void CALLBACK OnWindowEvent(HWINEVENTHOOK, DWORD, HWND window, LONG object, LONG, DWORD, DWORD)
{
    if (object == OBJID_WINDOW && window && watched)
        watched->OnCreated();
}

void ServeOwnQueue()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageA(&msg);
}

struct Search {
    DWORD ProcessId;
    std::vector<HWND> Found;
};

BOOL CALLBACK CollectTopLevel(HWND window, LPARAM search)
{
    auto* s = reinterpret_cast<Search*>(search);
    DWORD id = 0;
    GetWindowThreadProcessId(window, &id);
    if (id == s->ProcessId)
        s->Found.push_back(window);
    return TRUE;
}

std::string ClassOf(HWND window)
{
    char name[64] = "";
    GetClassNameA(window, name, sizeof name);
    return name;
}

// crash_report.exe of this build as the prefix's post-mortem debugger, started at once for
// any program that dies of an exception.
void RegisterCrashReporter()
{
    std::string folder = TESSALY_EXE;
    folder.erase(folder.rfind('\\') + 1);
    const char key[] = "Software\\Microsoft\\Windows NT\\CurrentVersion\\AeDebug";
    SetRegString(HKEY_LOCAL_MACHINE, key, "Debugger", "\"" + folder + "crash_report.exe\" %ld %ld");
    SetRegString(HKEY_LOCAL_MACHINE, key, "Auto", "1");
}

// What the post-mortem debugger said of this process ("exception ... in MODULE"), or empty.
// Process ids come again with every new server: the report is cleared at each start.
std::string CrashOf(DWORD processId)
{
    const std::string id = std::to_string(processId) + " ";
    std::ifstream report(CrashReportFile);
    std::string said;
    for (std::string line; std::getline(report, line);)
        if (line.rfind(id, 0) == 0)
            said = line.substr(id.size());
    return said;
}

} // namespace

bool WaitUntil(const std::function<bool()>& done, int timeoutMs)
{
    const DWORD start = GetTickCount();
    for (;;) {
        ServeOwnQueue();
        if (done())
            return true;
        if (static_cast<int>(GetTickCount() - start) >= timeoutMs)
            return false;
        // Wakes early for a window event.
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    }
}

void PauseServing(int ms)
{
    WaitUntil([] { return false; }, ms);
}

std::string WindowText(HWND window)
{
    wchar_t text[512] = L"";
    GetWindowTextW(window, text, 512);
    return Utf8Text(text);
}

HWND FindChild(HWND parent, const std::string& caption)
{
    for (HWND child = parent ? GetWindow(parent, GW_CHILD) : nullptr; child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (WindowText(child) == caption)
            return child;
        if (HWND inner = FindChild(child, caption))
            return inner;
    }
    return nullptr;
}

bool TessalyProcess::Start(int timeoutMs, const std::string& exe)
{
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    const std::string path = exe.empty() ? TESSALY_EXE : exe;
    std::string command = "\"" + path + "\"";
    RegisterCrashReporter();
    DeleteFileA(CrashReportFile);
    // Suspended until the hook is set, so that no window of the process goes uncounted.
    if (!CreateProcessA(path.c_str(), command.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr, nullptr, &si, &process_))
        return false;
    watched = this;
    hook_ = SetWinEventHook(EVENT_OBJECT_CREATE, EVENT_OBJECT_CREATE, nullptr, OnWindowEvent, process_.dwProcessId, 0,
                            WINEVENT_OUTOFCONTEXT);
    ResumeThread(process_.hThread);
    // The lock is set by the first paint right before the probe; the program's thread next
    // answers a message inside the probe's modal run, so a locked window with no dialog
    // left means the probe is over.
    bool ready = WaitUntil(
        [this] {
            main_ = FindWindow("obj_Form", MainCaption);
            return (main_ && SizeLocked() && Settled()) || WaitForSingleObject(process_.hProcess, 0) == WAIT_OBJECT_0;
        },
        timeoutMs);
    DWORD code = 0;
    if (ready && GetExitCodeProcess(process_.hProcess, &code) && code != STILL_ACTIVE) {
        SayWhyItDied("as it started");
        return false;
    }
    return ready;
}

// A death by an exception, told apart: inside one of Wine's modules a fault of Wine's,
// which the test run may try again (scripts/test); in Tessaly's own code, or outside every
// module, the program's fault.
void TessalyProcess::SayWhyItDied(const char* when) const
{
    const std::string crash = CrashOf(process_.dwProcessId);
    if (crash.empty())
        return;
    const bool own = crash.ends_with(" tessaly.exe") || crash.ends_with(" ?");
    fprintf(stderr, "Tessaly.exe died %s: %s [%s]\n", when, crash.c_str(),
            own ? "fault in Tessaly's code" : "fault inside Wine");
}

SIZE_T TessalyProcess::PeakWorkingSet() const
{
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof counters;
    return GetProcessMemoryInfo(process_.hProcess, &counters, sizeof counters) ? counters.PeakWorkingSetSize : 0;
}

std::vector<std::string> TessalyProcess::LoadedDlls() const
{
    std::vector<std::string> names;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPMODULE | TH32CS_SNAPMODULE32, process_.dwProcessId);
    MODULEENTRY32 module = {};
    module.dwSize = sizeof module;
    for (BOOL more = Module32First(snapshot, &module); more; more = Module32Next(snapshot, &module))
        names.push_back(CharLowerA(module.szModule));
    CloseHandle(snapshot);
    return names;
}

bool TessalyProcess::Settled()
{
    if (!RoundTrip() || !IsWindowVisible(main_) || !IsWindowEnabled(main_))
        return false;
    ServeOwnQueue();
    for (HWND window : TopLevelWindows())
        if ((ClassOf(window) == "obj_Form" && window != main_) || ClassOf(window) == "#32770")
            return false;
    return true;
}

void TessalyProcess::Kill()
{
    if (hook_)
        UnhookWinEvent(hook_);
    hook_ = nullptr;
    if (watched == this)
        watched = nullptr;
    if (!process_.hProcess)
        return;
    TerminateProcess(process_.hProcess, 1); // fails harmlessly when the process has ended
    WaitForSingleObject(process_.hProcess, 5000);
    CloseHandle(process_.hProcess);
    CloseHandle(process_.hThread);
    process_ = {};
}

bool TessalyProcess::WaitExit(int timeoutMs, DWORD& exitCode)
{
    bool ended = WaitUntil([this] { return WaitForSingleObject(process_.hProcess, 0) == WAIT_OBJECT_0; }, timeoutMs);
    exitCode = STILL_ACTIVE;
    if (ended)
        GetExitCodeProcess(process_.hProcess, &exitCode);
    if (ended && exitCode != 0)
        SayWhyItDied("before its end");
    return ended;
}

std::vector<HWND> TessalyProcess::TopLevelWindows() const
{
    Search search = {process_.dwProcessId, {}};
    EnumWindows(CollectTopLevel, reinterpret_cast<LPARAM>(&search));
    return search.Found;
}

HWND TessalyProcess::FindWindow(const char* className, const char* caption) const
{
    for (HWND window : TopLevelWindows())
        if (ClassOf(window) == className && (!caption || WindowText(window) == caption))
            return window;
    return nullptr;
}

HWND TessalyProcess::RemovalProgressWindow() const
{
    for (HWND window : TopLevelWindows())
        if (WindowText(window) == "Подождите..." && FindChild(window, "Подождите, удаляю..."))
            return window;
    return nullptr;
}

bool TessalyProcess::RoundTrip() const
{
    DWORD_PTR answer = 0;
    return main_ && SendMessageTimeoutA(main_, WM_NULL, 0, 0, SMTO_NORMAL, 3000, &answer);
}

bool TessalyProcess::SizeLocked() const
{
    RECT r;
    DWORD_PTR hit = HTNOWHERE;
    if (!main_ || !GetWindowRect(main_, &r) ||
        !SendMessageTimeoutA(main_, WM_NCHITTEST, 0, MAKELPARAM(r.right - 2, r.bottom - 2), SMTO_NORMAL, 3000, &hit))
        return false;
    return hit != HTNOWHERE && (hit < HTLEFT || hit > HTBOTTOMRIGHT);
}

size_t TessalyProcess::WindowsMadeSoFar() const
{
    RoundTrip();
    ServeOwnQueue();
    return created_;
}

HWND TessalyProcess::FocusedWindow() const
{
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    return GetGUIThreadInfo(process_.dwThreadId, &info) ? info.hwndFocus : nullptr;
}

bool TessalyProcess::WaitFocusOnAControl(int timeoutMs) const
{
    return WaitUntil([this] {
        HWND focus = FocusedWindow();
        return focus && focus != main_ && IsChild(main_, focus);
    }, timeoutMs);
}

bool TessalyProcess::PostKeyUp(WPARAM key) const
{
    HWND focus = FocusedWindow();
    // Repeat count 1, the key's scan code, previous state down, transition to up.
    LPARAM flags = static_cast<LPARAM>(0xC0000001u | (MapVirtualKeyA(static_cast<UINT>(key), 0) << 16));
    return focus && PostMessageA(focus, WM_KEYUP, key, flags);
}

HWND TessalyProcess::WaitMessageBox(std::string& text) const
{
    HWND box = nullptr;
    if (!WaitUntil([&] { return (box = FindWindow("#32770", "Tessaly")) && IsWindowVisible(box); }, 5000))
        return nullptr;
    // The message is the box's static control with text; an icon's static has none.
    text.clear();
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        if (lstrcmpiA(ClassOf(child).c_str(), "Static") == 0 && GetWindowTextLengthW(child) > 0)
            text = WindowText(child);
    return box;
}

bool TessalyProcess::Answer(HWND box, int button) const
{
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
    return WaitUntil([box] { return !IsWindow(box); }, 5000);
}

bool TessalyProcess::ConfirmRemoval(HWND button) const
{
    PostMessageA(button, BM_CLICK, 0, 0);
    std::string text;
    HWND box = WaitMessageBox(text);
    return box && text == RemovalQuestion && Answer(box, IDYES);
}

#include "TessalyProcess.h"

#include <utility>

#include "Poll.h"

const char MainCaption[] = "Tessaly v 1.0";
const char ProgressCaption[] = "Подождите...";
const char AboutCaption[] = "About Tessaly";
const char BoxCaption[] = "Tessaly";
const char ExitCaption[] = "&Выход";
const char RefreshCaption[] = "О&бновить";
const char NorvaneCaption[] = "Удалить &Norvane";
const char QuestsCaption[] = "Удалить &Quests";
const char AboutButtonCaption[] = "&О программе";
const char CheckBoxCaption[] = "CheckBox1";
const char RemovalQuestion[] = "Вы ТОЧНО уверены? Удаление необратимо !!!";
const char RemovingText[] = "Подождите, удаляю...";

namespace {

// The hook calls back with no context; each hook watches one process.
std::vector<std::pair<HWINEVENTHOOK, TessalyProcess*>> hooks;

void CALLBACK OnWindowEvent(HWINEVENTHOOK hook, DWORD, HWND window, LONG object, LONG, DWORD, DWORD)
{
    if (object != OBJID_WINDOW || !window)
        return;
    for (auto& [h, process] : hooks)
        if (h == hook)
            process->OnCreated(window);
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

struct ChildSearch {
    const std::string* Caption;
    HWND Found;
};

BOOL CALLBACK FindByCaption(HWND window, LPARAM search)
{
    auto* s = reinterpret_cast<ChildSearch*>(search);
    if (WindowText(window) != *s->Caption)
        return TRUE;
    s->Found = window;
    return FALSE;
}

double MillisecondsSince(const LARGE_INTEGER& start)
{
    LARGE_INTEGER now, frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return 1000.0 * static_cast<double>(now.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
}

} // namespace

std::string WindowText(HWND window)
{
    char text[512] = "";
    GetWindowTextA(window, text, sizeof text);
    return text;
}

std::string ClassOf(HWND window)
{
    char name[64] = "";
    GetClassNameA(window, name, sizeof name);
    return name;
}

HWND FindChild(HWND parent, const std::string& caption)
{
    ChildSearch search = {&caption, nullptr};
    if (parent)
        EnumChildWindows(parent, FindByCaption, reinterpret_cast<LPARAM>(&search));
    return search.Found;
}

TessalyProcess::~TessalyProcess()
{
    Kill();
}

void TessalyProcess::OnCreated(HWND window)
{
    created_.push_back({window, ClassOf(window), WindowText(window)});
}

bool TessalyProcess::Start(int timeoutMs)
{
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    char command[] = "\"" TESSALY_EXE "\"";
    QueryPerformanceCounter(&started_);
    // Suspended until the hook is set, so that no window of the process goes uncounted.
    if (!CreateProcessA(TESSALY_EXE, command, nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr, nullptr, &si,
                        &process_))
        return false;
    hook_ = SetWinEventHook(EVENT_OBJECT_CREATE, EVENT_OBJECT_CREATE, nullptr, OnWindowEvent, process_.dwProcessId,
                            0, WINEVENT_OUTOFCONTEXT);
    hooks.emplace_back(hook_, this);
    ResumeThread(process_.hThread);
    return WaitUntil(
        [this] {
            main_ = FindWindow("obj_Form", MainCaption);
            return main_ && IsWindowVisible(main_);
        },
        timeoutMs);
}

bool TessalyProcess::WaitFirstProbe(int timeoutMs)
{
    // The lock is set by the first paint right before the probe; the program's thread
    // next answers a message inside the probe's modal run, so a locked window with no
    // dialog left means the probe is over.
    bool done = WaitUntil([this] { return SizeLocked() && Settled(); }, timeoutMs);
    MsToReady = MillisecondsSince(started_);
    return done;
}

bool TessalyProcess::Settled()
{
    if (!RoundTrip())
        return false;
    ServeOwnQueue();
    if (!main_ || !IsWindowVisible(main_) || !IsWindowEnabled(main_))
        return false;
    for (HWND window : TopLevelWindows()) {
        std::string name = ClassOf(window);
        if ((name == "obj_Form" && window != main_) || name == "#32770")
            return false;
    }
    return true;
}

bool TessalyProcess::WaitSettled(int timeoutMs)
{
    return WaitUntil([this] { return Settled(); }, timeoutMs);
}

void TessalyProcess::Kill()
{
    if (hook_) {
        UnhookWinEvent(hook_);
        std::erase_if(hooks, [this](const auto& entry) { return entry.second == this; });
        hook_ = nullptr;
    }
    if (!process_.hProcess)
        return;
    if (Running()) {
        TerminateProcess(process_.hProcess, 1);
        WaitForSingleObject(process_.hProcess, 5000);
    }
    CloseHandle(process_.hProcess);
    CloseHandle(process_.hThread);
    process_ = {};
}

bool TessalyProcess::WaitExit(int timeoutMs, DWORD& exitCode)
{
    bool ended = WaitUntil([this] { return !Running(); }, timeoutMs);
    exitCode = STILL_ACTIVE;
    if (ended)
        GetExitCodeProcess(process_.hProcess, &exitCode);
    return ended;
}

bool TessalyProcess::Running() const
{
    return process_.hProcess && WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT;
}

HWND TessalyProcess::MainChild(const char* caption) const
{
    return FindChild(main_, caption);
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
        if (ClassOf(window) == "obj_Form" && WindowText(window) == ProgressCaption && FindChild(window, RemovingText))
            return window;
    return nullptr;
}

bool TessalyProcess::RoundTrip(int timeoutMs) const
{
    DWORD_PTR answer = 0;
    return main_ && SendMessageTimeoutA(main_, WM_NULL, 0, 0, SMTO_NORMAL, static_cast<UINT>(timeoutMs), &answer);
}

bool TessalyProcess::SizeLocked() const
{
    RECT r;
    if (!main_ || !GetWindowRect(main_, &r))
        return false;
    DWORD_PTR hit = HTNOWHERE;
    if (!SendMessageTimeoutA(main_, WM_NCHITTEST, 0, MAKELPARAM(r.right - 2, r.bottom - 2), SMTO_NORMAL, 3000, &hit))
        return false;
    return hit != HTNOWHERE && (hit < HTLEFT || hit > HTBOTTOMRIGHT);
}

size_t TessalyProcess::WindowsMadeSoFar() const
{
    RoundTrip();
    ServeOwnQueue();
    return created_.size();
}

std::string TessalyProcess::WindowsMadeAfter(size_t count) const
{
    std::string list;
    for (size_t i = count; i < created_.size(); ++i)
        list += " [" + created_[i].ClassName + " \"" + created_[i].Caption + "\"]";
    return list;
}

void TessalyProcess::Click(HWND button) const
{
    PostMessageA(button, BM_CLICK, 0, 0);
}

HWND TessalyProcess::FocusedWindow() const
{
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    if (!GetGUIThreadInfo(process_.dwThreadId, &info))
        return nullptr;
    return info.hwndFocus;
}

bool TessalyProcess::PostKeyUp(WPARAM key) const
{
    HWND focus = FocusedWindow();
    if (!focus)
        return false;
    // Repeat count 1, the key's scan code, previous state down, transition to up.
    LPARAM flags = static_cast<LPARAM>(0xC0000001u | (MapVirtualKeyA(static_cast<UINT>(key), 0) << 16));
    return PostMessageA(focus, WM_KEYUP, key, flags);
}

HWND TessalyProcess::WaitMessageBox(int timeoutMs) const
{
    HWND box = nullptr;
    WaitUntil(
        [&] {
            box = FindWindow("#32770", BoxCaption);
            return box && IsWindowVisible(box);
        },
        timeoutMs);
    return box;
}

std::string TessalyProcess::MessageBoxText(HWND box)
{
    // The box's message is its static control with text; an icon's static has none.
    std::string text;
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        if (lstrcmpiA(ClassOf(child).c_str(), "Static") == 0 && GetWindowTextLengthA(child) > 0)
            text = WindowText(child);
    return text;
}

bool TessalyProcess::Answer(HWND box, int button, int timeoutMs) const
{
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
    return WaitUntil([box] { return !IsWindow(box); }, timeoutMs);
}

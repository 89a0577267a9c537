// Times the start of Tessaly.exe against a bare window program with the same manifest and
// against a bare program that makes the windows of the probe run in plain Win32 calls
// (BareProbe.cpp), started alternately in the same prefix:
//
//   startup_bench RUNS TESSALY.EXE BARE.EXE BARE-PROBE.EXE [STEPS.EXE]
//
// "visible": from CreateProcess until the main window is visible; "ready": until it is
// enabled again with the probe's windows come and gone. Prints `ratio startup-visible bare
// VALUE` and `ratio startup-ready bare VALUE` against the bare window's time to visible, and
// `ratio startup-ready bare-probe VALUE` against the bare probe's time to ready, from the
// medians on stdout, the figures on stderr. STEPS.EXE, the program's start with marks
// (StartupSteps.cpp), adds the medians of its marks: where the time goes.
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "../Measure.h"
#include "wintk/Win.h"

namespace {

const double TimeoutSeconds = 10;

struct Started {
    PROCESS_INFORMATION Process = {};
    double Start = 0;
};

Started StartProgram(const std::wstring& exe, const std::wstring& arguments = L"")
{
    Started s;
    STARTUPINFOW si = {};
    si.cb = sizeof si;
    std::wstring command = L"\"" + exe + L"\"" + arguments;
    s.Start = Now();
    if (!CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &s.Process)) {
        std::fprintf(stderr, "error: cannot start %ls (%lu)\n", exe.c_str(), GetLastError());
        std::exit(1);
    }
    return s;
}

// Ends the process, then lets Wine tear down its windows before the next start, so that
// one program's tear-down (Tessaly's has more windows) does not fall into the other's start.
void Stop(Started& s)
{
    TerminateProcess(s.Process.hProcess, 0);
    WaitForSingleObject(s.Process.hProcess, 5000);
    CloseHandle(s.Process.hProcess);
    CloseHandle(s.Process.hThread);
    Sleep(250);
}

// The process's top-level window of this class (and caption), visible or not.
HWND WindowOf(const Started& s, const wchar_t* className, const wchar_t* caption)
{
    HWND window = FindWindowW(className, caption);
    DWORD id = 0;
    if (window)
        GetWindowThreadProcessId(window, &id);
    return id == s.Process.dwProcessId ? window : nullptr;
}

struct OtherWindow {
    DWORD ProcessId;
    HWND Main;
    bool Found;
};

BOOL CALLBACK FindOther(HWND window, LPARAM context)
{
    auto* search = reinterpret_cast<OtherWindow*>(context);
    DWORD id = 0;
    GetWindowThreadProcessId(window, &id);
    wchar_t name[32] = L"";
    GetClassNameW(window, name, 32);
    if (id == search->ProcessId && window != search->Main &&
        (lstrcmpW(name, L"obj_Form") == 0 || lstrcmpW(name, L"#32770") == 0))
        search->Found = true;
    return TRUE;
}

// As the end-to-end driver sees a finished probe: the first paint has locked the size and
// the probe started right after it without answering a message in between; so a locked,
// enabled main window that answers, with no other form of the process, has its probe behind.
bool Ready(const Started& s, HWND main)
{
    RECT r;
    DWORD_PTR hit = HTNOWHERE, answer = 0;
    if (!GetWindowRect(main, &r) ||
        !SendMessageTimeoutW(main, WM_NCHITTEST, 0, MAKELPARAM(r.right - 2, r.bottom - 2), SMTO_NORMAL, 3000, &hit) ||
        hit == HTNOWHERE || (hit >= HTLEFT && hit <= HTBOTTOMRIGHT))
        return false;
    if (!SendMessageTimeoutW(main, WM_NULL, 0, 0, SMTO_NORMAL, 3000, &answer) || !IsWindowEnabled(main))
        return false;
    OtherWindow search = {s.Process.dwProcessId, main, false};
    EnumWindows(FindOther, reinterpret_cast<LPARAM>(&search));
    return !search.Found;
}

struct Times {
    double Start = 0;            // on the performance counter, right before CreateProcess
    double Visible = 0, Ready = 0; // seconds after it
};

// Polls every millisecond; a window that never comes ends the benchmark.
Times TimeStart(const std::wstring& exe, const wchar_t* className, const wchar_t* caption, bool untilReady,
                const std::wstring& arguments = L"", DWORD lingerMs = 0)
{
    Started s = StartProgram(exe, arguments);
    Times t;
    t.Start = s.Start;
    for (;;) {
        const double now = Now();
        if (now - s.Start > TimeoutSeconds) {
            std::fprintf(stderr, "error: %ls did not get %s\n", exe.c_str(), t.Visible ? "ready" : "visible");
            std::exit(1);
        }
        HWND main = WindowOf(s, className, caption);
        if (!t.Visible && main && IsWindowVisible(main))
            t.Visible = now - s.Start;
        if (t.Visible && (!untilReady || Ready(s, main))) {
            t.Ready = Now() - s.Start;
            break;
        }
        Sleep(1);
    }
    Sleep(lingerMs);
    Stop(s);
    return t;
}

std::wstring Wide(const char* text)
{
    std::wstring wide(MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text, -1, wide.data(), static_cast<int>(wide.size()));
    wide.resize(wide.size() - 1);
    return wide;
}

// The marks that STEPS.EXE wrote (name and performance-counter seconds, a line each), as
// seconds since CreateProcess: the counter is one clock for every process under Wine.
void ReadMarks(const std::string& file, double start, std::map<std::string, std::vector<double>>& marks,
               std::vector<std::string>& order)
{
    FILE* f = std::fopen(file.c_str(), "r");
    if (!f)
        return;
    char name[64];
    double seconds;
    while (std::fscanf(f, "%63s %lf", name, &seconds) == 2) {
        if (!marks.count(name))
            order.push_back(name);
        marks[name].push_back(seconds - start);
    }
    std::fclose(f);
    std::remove(file.c_str());
}

void PrintMs(const char* what, const std::vector<double>& seconds)
{
    std::vector<double> ms;
    for (double s : seconds)
        ms.push_back(s * 1000);
    std::fprintf(stderr, "startup: %-22s median %7.1f ms  [%s]\n", what, Median(ms), Join(ms).c_str());
}

// The marks of the bare window and of the program's start, medians of RUNS starts each,
// then the costs of single steps.
void ShowWhereTheTimeGoes(int runs, const std::wstring& bare, const std::wstring& bareProbe, const std::wstring& steps)
{
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    const std::string file = std::string(temp) + "startup-marks.txt";
    const std::wstring argument = L" \"" + Wide(file.c_str()) + L"\"";
    std::map<std::string, std::vector<double>> marks;
    std::vector<std::string> order;
    for (int run = 0; run < runs; ++run) {
        // Left 300 ms after it is visible, so that its first paint is marked too.
        Times t = TimeStart(bare, L"BareWindow", nullptr, false, argument, 300);
        ReadMarks(file, t.Start, marks, order);
        t = TimeStart(bareProbe, L"BareProbe", nullptr, true, argument);
        ReadMarks(file, t.Start, marks, order);
        t = TimeStart(steps, L"obj_Form", L"Tessaly v 1.0", true, argument);
        ReadMarks(file, t.Start, marks, order);
        marks["seen-ready"].push_back(t.Ready);
    }
    order.push_back("seen-ready");
    for (const std::string& name : order)
        PrintMs(name.c_str(), marks[name]);
    STARTUPINFOW si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi;
    std::wstring command = L"\"" + steps + L"\" costs" + argument;
    if (!CreateProcessW(steps.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return;
    WaitForSingleObject(pi.hProcess, 60000);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
    std::map<std::string, std::vector<double>> costs;
    std::vector<std::string> costOrder;
    ReadMarks(file, 0, costs, costOrder);
    for (const std::string& name : costOrder)
        if (name != "entry")
            std::fprintf(stderr, "startup: cost %-17s %7.3f ms\n", name.c_str(), costs[name][0]);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 5) {
        std::fprintf(stderr, "usage: startup_bench RUNS TESSALY.EXE BARE.EXE BARE-PROBE.EXE [STEPS.EXE]\n");
        return 2;
    }
    const int runs = std::atoi(argv[1]);
    const std::wstring tessaly = Wide(argv[2]), bare = Wide(argv[3]), bareProbe = Wide(argv[4]);
    std::vector<double> visible, ready, bareVisible, probeReady;
    // One untimed start each: the first start of a program reads its files from disk.
    TimeStart(tessaly, L"obj_Form", L"Tessaly v 1.0", true);
    TimeStart(bare, L"BareWindow", nullptr, false);
    TimeStart(bareProbe, L"BareProbe", nullptr, true);
    for (int run = 0; run < runs; ++run) {
        Times t = TimeStart(tessaly, L"obj_Form", L"Tessaly v 1.0", true);
        visible.push_back(t.Visible);
        ready.push_back(t.Ready);
        bareVisible.push_back(TimeStart(bare, L"BareWindow", nullptr, false).Visible);
        probeReady.push_back(TimeStart(bareProbe, L"BareProbe", nullptr, true).Ready);
    }
    PrintMs("Tessaly visible", visible);
    PrintMs("Tessaly ready", ready);
    PrintMs("bare visible", bareVisible);
    PrintMs("bare probe ready", probeReady);
    if (argc > 5)
        ShowWhereTheTimeGoes(runs, bare, bareProbe, Wide(argv[5]));
    const double base = Median(bareVisible);
    std::printf("ratio startup-visible bare %.2f\n", Median(visible) / base);
    std::printf("ratio startup-ready bare %.2f\n", Median(ready) / base);
    std::printf("ratio startup-ready bare-probe %.2f\n", Median(ready) / Median(probeReady));
    return 0;
}

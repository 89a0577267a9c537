#pragma once
// Tessaly.exe run as a user meets it: started in the test prefix, its windows found by
// class and caption, clicks and keys posted into its queue, its message box answered,
// and the process killed when the test leaves it running.
#include <functional>
#include <string>
#include <vector>

#include "wintk/Win.h"

// Captions and texts, in UTF-8 like the program's; windows are read through the W functions.
inline constexpr char MainCaption[] = "Tessaly v 1.0";
inline constexpr char AboutCaption[] = "About Tessaly";
inline constexpr char ExitCaption[] = "&Выход";
inline constexpr char RefreshCaption[] = "О&бновить";
inline constexpr char NorvaneCaption[] = "Удалить &Norvane";
inline constexpr char QuestsCaption[] = "Удалить &Quests";
inline constexpr char AboutButtonCaption[] = "&О программе";
inline constexpr char RemovalQuestion[] = "Вы ТОЧНО уверены? Удаление необратимо !!!";

// Tries done() every 5 ms until it holds or timeoutMs have passed, and answers it. This
// thread's queue is served meanwhile: the window events of the process arrive there.
bool WaitUntil(const std::function<bool()>& done, int timeoutMs);
// Lets time pass while the queue is served: for checks that something does NOT happen.
void PauseServing(int ms);

std::string WindowText(HWND window);
// A child (at any depth) with this caption, or null.
HWND FindChild(HWND parent, const std::string& caption);

class TessalyProcess {
public:
    TessalyProcess() = default;
    ~TessalyProcess() { Kill(); }
    TessalyProcess(const TessalyProcess&) = delete;
    TessalyProcess& operator=(const TessalyProcess&) = delete;

    // Starts Tessaly.exe (this build's, or the copy at exe) and waits until its first probe
    // has run: the size is locked and the program has settled. False when that does not come.
    bool Start(int timeoutMs = 5000, const std::string& exe = "");
    // No dialog, progress window or message box, and the main window enabled, as seen
    // after the program's thread has answered a message.
    bool Settled();
    bool WaitSettled(int timeoutMs = 5000) { return WaitUntil([this] { return Settled(); }, timeoutMs); }
    void Kill();
    bool WaitExit(int timeoutMs, DWORD& exitCode);

    HWND Main() const { return main_; }
    DWORD Id() const { return process_.dwProcessId; }
    // The most memory the process has had in its working set so far.
    SIZE_T PeakWorkingSet() const;
    // The file names of the DLLs that the process has loaded, in lower case.
    std::vector<std::string> LoadedDlls() const;
    HWND MainChild(const char* caption) const { return FindChild(main_, caption); }
    // The first top-level window of the process with this class and caption (null: any).
    HWND FindWindow(const char* className, const char* caption) const;
    // The progress window of a removal (not the probe's), or null.
    HWND RemovalProgressWindow() const;
    // The size lock seen from outside: the bottom-right corner gives no sizing code.
    bool SizeLocked() const;
    HWND FocusedWindow() const;
    // Waits until the focus rests on a control inside the main window (not on the window
    // itself, not nowhere), as it should after every run and message box: the program
    // may still be putting it back when the driver first sees it settled.
    bool WaitFocusOnAControl(int timeoutMs = 3000) const;
    // Posts the release of a key to the control that has the program's focus.
    bool PostKeyUp(WPARAM key) const;
    // The visible confirmation box with its text, or null when none came in time.
    HWND WaitMessageBox(std::string& text) const;
    // Presses the box's button (IDYES, IDNO) and waits until the box is gone.
    bool Answer(HWND box, int button) const;
    // Clicks a removal button and answers Yes to its confirmation; false when no box
    // with the removal question came or it did not go.
    bool ConfirmRemoval(HWND button) const;
    // How many windows the process has made up to now (their creation events are served
    // once the program's thread has answered a message).
    size_t WindowsMadeSoFar() const;

    void OnCreated() { ++created_; }

private:
    bool RoundTrip() const;
    void SayWhyItDied(const char* when) const;
    std::vector<HWND> TopLevelWindows() const;

    PROCESS_INFORMATION process_ = {};
    HWINEVENTHOOK hook_ = nullptr;
    HWND main_ = nullptr;
    size_t created_ = 0;
};

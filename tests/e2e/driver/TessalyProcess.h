#pragma once
// Tessaly.exe run as a user meets it: started in the test prefix, its windows found by
// class and caption, clicks and keys posted into its queue, its message box answered,
// and the process killed when the test leaves it running.
#include <string>
#include <vector>

#include "wintk/Win.h"

// Captions and texts, in code page 1251 like the program's.
extern const char MainCaption[];
extern const char ProgressCaption[];
extern const char AboutCaption[];
extern const char BoxCaption[];
extern const char ExitCaption[];
extern const char RefreshCaption[];
extern const char NorvaneCaption[];
extern const char QuestsCaption[];
extern const char AboutButtonCaption[];
extern const char CheckBoxCaption[];
extern const char RemovalQuestion[];
extern const char RemovingText[];

// A window that the process created, as seen when the creation event arrived.
struct CreatedWindow {
    HWND Handle;
    std::string ClassName; // empty when the window was gone before the event was read
    std::string Caption;
};

class TessalyProcess {
public:
    TessalyProcess() = default;
    ~TessalyProcess();
    TessalyProcess(const TessalyProcess&) = delete;
    TessalyProcess& operator=(const TessalyProcess&) = delete;

    // Starts Tessaly.exe and waits for its main window; false when it does not come.
    bool Start(int timeoutMs = 5000);
    // Waits until the first probe has run: the size is locked, no dialog or progress
    // window is left and the main window is enabled. Records MsToReady.
    bool WaitFirstProbe(int timeoutMs = 5000);
    // No dialog, progress window or message box, and the main window enabled, as seen
    // after the program's thread has answered a message.
    bool Settled();
    bool WaitSettled(int timeoutMs = 5000);
    // Terminates the process if it is still running.
    void Kill();
    bool WaitExit(int timeoutMs, DWORD& exitCode);
    bool Running() const;

    HWND Main() const { return main_; }
    HWND MainChild(const char* caption) const;
    // Top-level windows of the process with this class and caption (null: any caption).
    HWND FindWindow(const char* className, const char* caption) const;
    std::vector<HWND> TopLevelWindows() const;
    // The progress window of a removal (not the probe's), or null.
    HWND RemovalProgressWindow() const;

    // Sends a message that the program's thread must answer: proves it pumps again.
    bool RoundTrip(int timeoutMs = 3000) const;
    // The size lock seen from outside: the bottom-right corner gives no sizing code.
    bool SizeLocked() const;
    void Click(HWND button) const;
    HWND FocusedWindow() const;
    // Posts the release of a key to the control that has the program's focus.
    bool PostKeyUp(WPARAM key) const;

    HWND WaitMessageBox(int timeoutMs = 5000) const;
    static std::string MessageBoxText(HWND box);
    // Presses the box's button (IDYES, IDNO) and waits until the box is gone.
    bool Answer(HWND box, int button, int timeoutMs = 5000) const;

    // Class and caption of the windows made after the first count of them, for messages.
    std::string WindowsMadeAfter(size_t count) const;
    // How many windows the process has made up to now: its events are in this thread's
    // queue once the program's thread has answered a message, and are served first.
    size_t WindowsMadeSoFar() const;
    double MsToReady = 0;

    // Called by the window-event hook.
    void OnCreated(HWND window);

private:
    PROCESS_INFORMATION process_ = {};
    HWINEVENTHOOK hook_ = nullptr;
    HWND main_ = nullptr;
    LARGE_INTEGER started_ = {};
    std::vector<CreatedWindow> created_;
};

std::string WindowText(HWND window);
std::string ClassOf(HWND window);
// A child (at any depth) with this caption, or null.
HWND FindChild(HWND parent, const std::string& caption);

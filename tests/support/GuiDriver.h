#pragma once
// Driving toolkit windows from a test as a user would: keys held down in the thread's key
// state, a message box answered from a second thread, and the globals that building and
// creating controls change, saved and restored. Pumping and the loop globals are in Gui.h.
#include <cstdint>
#include <initializer_list>
#include <string>
#include <thread>

#include "support/Gui.h"

// Sets this thread's key state (SetKeyboardState): the given virtual keys down, Shift,
// Ctrl and Alt (both sides) up otherwise. The previous state comes back on destruction.
class HeldKeys {
public:
    explicit HeldKeys(std::initializer_list<int> down);
    ~HeldKeys();
    HeldKeys(const HeldKeys&) = delete;
    HeldKeys& operator=(const HeldKeys&) = delete;

private:
    BYTE saved_[256];
};

// What a message box showed to the user.
struct MessageBoxSeen {
    bool Found = false;
    HWND Owner = nullptr;
    std::string Caption; // read through the A functions: code page 1251 bytes
    std::string Text;
};

// Waits on a second thread for a message box of the constructing thread, reads its owner,
// caption and text, and presses the button with the given identifier (IDYES, IDNO...).
// Construct it right before the call that shows the box.
class MessageBoxAnswerer {
public:
    explicit MessageBoxAnswerer(int button, int timeoutMs = 5000);
    ~MessageBoxAnswerer();
    MessageBoxAnswerer(const MessageBoxAnswerer&) = delete;
    MessageBoxAnswerer& operator=(const MessageBoxAnswerer&) = delete;
    // Waits for the answering thread and reports what it saw.
    MessageBoxSeen Wait();

private:
    std::thread thread_;
    MessageBoxSeen seen_;
};

// Saves the globals that building and creating controls change (the child identifier
// counter, the application flag, the window being created, the creation hook) and puts
// them back when destroyed, so that tests stay independent in one process.
class CreationGlobalsGuard {
public:
    CreationGlobalsGuard();
    ~CreationGlobalsGuard();
    CreationGlobalsGuard(const CreationGlobalsGuard&) = delete;
    CreationGlobalsGuard& operator=(const CreationGlobalsGuard&) = delete;

private:
    uint16_t nextControlId_;
    bool applicationCreated_;
    Control* pendingControl_;
    void (*afterCreateHook_)(Control*);
};

// An Application freed, with every form and control under it, when the scope ends, also
// when an assertion leaves the test early.
class ScopedApplication {
public:
    explicit ScopedApplication(const char* caption) : application_(NewApplication(caption)) {}
    ~ScopedApplication() { Free(application_); }
    ScopedApplication(const ScopedApplication&) = delete;
    ScopedApplication& operator=(const ScopedApplication&) = delete;
    operator Control*() const { return application_; }
    Control* operator->() const { return application_; }

private:
    Control* application_;
};

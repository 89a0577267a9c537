#pragma once
// Driving toolkit windows from a test: an application freed with its tree, a fixture that
// also puts back the toolkit's globals, keys held down, and a message box answered.
#include <gtest/gtest.h>

#include <initializer_list>
#include <string>

#include "support/Gui.h"

// An Application freed, with every form and control under it, when the scope ends.
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

// A test with an application. The globals that building, creating and running controls
// change come back at the end, so that the cases also run one after another in one process.
class WindowTest : public ::testing::Test {
protected:
    ~WindowTest() override
    {
        NextControlId = nextControlId_;
        ApplicationCreated = applicationCreated_;
    }

private:
    uint16_t nextControlId_ = NextControlId;
    bool applicationCreated_ = ApplicationCreated;

protected:
    ScopedApplication app{"Test"};
    LoopGlobalsGuard loop; // restored before the application is freed
};

// Sets this thread's key state: the given keys down, Shift, Ctrl and Alt up otherwise,
// until destroyed.
class HeldKeys {
public:
    explicit HeldKeys(std::initializer_list<int> down);
    ~HeldKeys() { SetKeyboardState(saved_); }
    HeldKeys(const HeldKeys&) = delete;
    HeldKeys& operator=(const HeldKeys&) = delete;

private:
    BYTE saved_[256];
};

// What a message box showed, read through the W functions (in UTF-8).
struct MessageBoxSeen {
    int Answer = 0;
    HWND Owner = nullptr;
    std::string Caption, Text;
};

// Calls show() while a second thread reads the message box it opens and presses the given
// button (IDYES, IDNO...).
MessageBoxSeen AnswerMessageBox(int button, const std::function<int()>& show);

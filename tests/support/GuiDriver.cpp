#include "support/GuiDriver.h"

#include <cstring>

namespace {

const int ModifierKeys[] = {VK_SHIFT, VK_LSHIFT, VK_RSHIFT, VK_CONTROL, VK_LCONTROL,
                            VK_RCONTROL, VK_MENU, VK_LMENU, VK_RMENU};

std::string WindowText(HWND window)
{
    char text[1024] = "";
    GetWindowTextA(window, text, sizeof text);
    return text;
}

BOOL CALLBACK FindDialogBox(HWND window, LPARAM found)
{
    char className[16] = "";
    GetClassNameA(window, className, sizeof className);
    if (std::strcmp(className, "#32770") != 0 || !IsWindowVisible(window))
        return TRUE;
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
}

// The box's message is the static control with text; the icon's static has none.
BOOL CALLBACK FindMessageText(HWND window, LPARAM text)
{
    char className[16] = "";
    GetClassNameA(window, className, sizeof className);
    if (lstrcmpiA(className, "Static") != 0 || GetWindowTextLengthA(window) == 0)
        return TRUE;
    *reinterpret_cast<std::string*>(text) = WindowText(window);
    return FALSE;
}

} // namespace

HeldKeys::HeldKeys(std::initializer_list<int> down)
{
    GetKeyboardState(saved_);
    BYTE state[256];
    std::memcpy(state, saved_, sizeof state);
    for (int key : ModifierKeys)
        state[key] = 0;
    for (int key : down)
        state[key] = 0x80;
    SetKeyboardState(state);
}

HeldKeys::~HeldKeys()
{
    SetKeyboardState(saved_);
}

MessageBoxAnswerer::MessageBoxAnswerer(int button, int timeoutMs)
{
    DWORD owner = GetCurrentThreadId();
    thread_ = std::thread([this, owner, button, timeoutMs] {
        HWND box = nullptr;
        for (DWORD start = GetTickCount(); !box && static_cast<int>(GetTickCount() - start) < timeoutMs;) {
            EnumThreadWindows(owner, FindDialogBox, reinterpret_cast<LPARAM>(&box));
            if (!box)
                Sleep(10);
        }
        if (!box)
            return;
        seen_.Found = true;
        seen_.Owner = GetWindow(box, GW_OWNER);
        seen_.Caption = WindowText(box);
        EnumChildWindows(box, FindMessageText, reinterpret_cast<LPARAM>(&seen_.Text));
        // Posted, so that this thread never waits on the box's modal loop.
        if (HWND pressed = GetDlgItem(box, button))
            PostMessageA(pressed, BM_CLICK, 0, 0);
        else
            PostMessageA(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
    });
}

MessageBoxAnswerer::~MessageBoxAnswerer()
{
    if (thread_.joinable())
        thread_.join();
}

MessageBoxSeen MessageBoxAnswerer::Wait()
{
    if (thread_.joinable())
        thread_.join();
    return seen_;
}

CreationGlobalsGuard::CreationGlobalsGuard()
    : nextControlId_(NextControlId), applicationCreated_(ApplicationCreated), pendingControl_(PendingControl),
      afterCreateHook_(AfterCreateHook)
{
}

CreationGlobalsGuard::~CreationGlobalsGuard()
{
    NextControlId = nextControlId_;
    ApplicationCreated = applicationCreated_;
    PendingControl = pendingControl_;
    AfterCreateHook = afterCreateHook_;
}

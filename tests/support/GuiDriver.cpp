#include "support/GuiDriver.h"

#include <cstring>
#include <thread>

#include "wintk/Utils.h"

static std::string WindowText(HWND window)
{
    wchar_t text[1024] = L"";
    GetWindowTextW(window, text, 1024);
    return Utf8Text(text);
}

HeldKeys::HeldKeys(std::initializer_list<int> down)
{
    GetKeyboardState(saved_);
    BYTE state[256];
    std::memcpy(state, saved_, sizeof state);
    for (int key : {VK_SHIFT, VK_LSHIFT, VK_RSHIFT, VK_CONTROL, VK_LCONTROL, VK_RCONTROL, VK_MENU, VK_LMENU, VK_RMENU})
        state[key] = 0;
    for (int key : down)
        state[key] = 0x80;
    SetKeyboardState(state);
}

MessageBoxSeen AnswerMessageBox(int button, const std::function<int()>& show)
{
    MessageBoxSeen seen;
    std::thread answerer([&] {
        // The tests run one at a time: the only dialog box on the desktop is this one.
        HWND box = nullptr;
        for (DWORD start = GetTickCount(); !box && GetTickCount() - start < 5000; Sleep(10))
            box = FindWindowA("#32770", nullptr);
        if (!box)
            return;
        seen.Owner = GetWindow(box, GW_OWNER);
        seen.Caption = WindowText(box);
        seen.Text = WindowText(GetDlgItem(box, 0xFFFF)); // the message's static control
        // Posted, so that this thread never waits on the box's modal loop.
        PostMessageA(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
    });
    seen.Answer = show();
    answerer.join();
    return seen;
}

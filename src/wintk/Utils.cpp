#include "Utils.h"

#include <cstring>

#include "Win.h"

uint32_t GetShiftState()
{
    uint32_t state = 0;
    if (GetKeyState(VK_SHIFT) < 0)
        state |= ShiftDown;
    if (GetKeyState(VK_CONTROL) < 0)
        state |= CtrlDown;
    if (GetKeyState(VK_MENU) < 0)
        state |= AltDown;
    return state;
}

bool SameBytes(const void* a, const void* b, uint32_t count)
{
    const auto* x = static_cast<const unsigned char*>(a);
    const auto* y = static_cast<const unsigned char*>(b);
    for (uint32_t i = 0; i < count / 4; ++i, x += 4, y += 4) {
        uint32_t wx, wy;
        std::memcpy(&wx, x, 4);
        std::memcpy(&wy, y, 4);
        if (wx != wy)
            return false;
    }
    for (uint32_t i = 0; i < count % 4; ++i)
        if (x[i] != y[i])
            return false;
    return true;
}

std::wstring WideText(const char* utf8)
{
    if (!utf8 || !*utf8)
        return std::wstring();
    int size = MultiByteToWideChar(CP_UTF8, 0, utf8, -1, nullptr, 0);
    std::wstring wide(size > 0 ? size : 1, L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8, -1, wide.data(), size);
    wide.resize(wide.size() - 1); // the terminator counted by the call
    return wide;
}

std::string Utf8Text(const std::wstring& wide)
{
    if (wide.empty())
        return std::string();
    const int length = static_cast<int>(wide.size());
    int size = WideCharToMultiByte(CP_UTF8, 0, wide.data(), length, nullptr, 0, nullptr, nullptr);
    std::string utf8(size > 0 ? size : 0, '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), length, utf8.data(), size, nullptr, nullptr);
    return utf8;
}

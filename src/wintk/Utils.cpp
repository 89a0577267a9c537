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

const char* NonNullText(const char* text)
{
    return text ? text : "";
}

char* CopyText(char* destination, const char* source)
{
    std::memcpy(destination, source, std::strlen(source) + 1);
    return destination;
}

const char* FindChar(const char* text, char ch)
{
    for (;; ++text) {
        if (*text == ch)
            return text;
        if (!*text)
            return nullptr;
    }
}

std::string TextIn1251(const std::wstring& text)
{
    if (text.empty())
        return std::string();
    const int length = static_cast<int>(text.size());
    int size = WideCharToMultiByte(1251, WC_NO_BEST_FIT_CHARS, text.data(), length, nullptr, 0, "?", nullptr);
    std::string bytes(size > 0 ? size : 0, '\0');
    WideCharToMultiByte(1251, WC_NO_BEST_FIT_CHARS, text.data(), length, bytes.data(), size, "?", nullptr);
    return bytes;
}

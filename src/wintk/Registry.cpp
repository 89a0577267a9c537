#include "Registry.h"

HKEY KeyOpenForRead(HKEY root, const char* subKey)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, subKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return nullptr;
    return key;
}

bool KeyPresent(HKEY root, const char* subKey)
{
    if (!root)
        return false;
    HKEY key = KeyOpenForRead(root, subKey);
    if (!key)
        return false;
    KeyClose(key);
    return true;
}

bool ValuePresent(HKEY key, const wchar_t* name)
{
    if (!key)
        return false;
    DWORD type = 0, size = 0;
    return RegQueryValueExW(key, name, nullptr, &type, nullptr, &size) == ERROR_SUCCESS;
}

std::wstring ReadStringValue(HKEY key, const wchar_t* name)
{
    std::wstring text;
    if (!key)
        return text;
    DWORD type = 0, size = 0;
    if (RegQueryValueExW(key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS || type != REG_SZ)
        return text;
    std::wstring buffer((size + 1) / sizeof(wchar_t), L'\0');
    DWORD read = size;
    if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()), &read) == ERROR_SUCCESS) {
        // Stop at the first zero character, but never read past what the first query
        // reported: a value stored without its terminator must not run into the heap. An
        // odd last byte is half a character and goes.
        buffer.resize((read < size ? read : size) / sizeof(wchar_t));
        text = buffer.substr(0, buffer.find(L'\0'));
    }
    return text;
}

void KeyClose(HKEY key)
{
    if (key)
        RegCloseKey(key);
}

bool KeyIsLink(HKEY root, const char* subKey)
{
    HKEY key = nullptr;
    if (!root || RegOpenKeyExA(root, subKey, REG_OPTION_OPEN_LINK, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return false;
    DWORD type = 0;
    LONG answer = RegQueryValueExW(key, L"SymbolicLinkValue", nullptr, &type, nullptr, nullptr);
    RegCloseKey(key);
    return answer == ERROR_SUCCESS && type == REG_LINK;
}

bool KeyRemove(HKEY root, const char* subKey, DWORD& error)
{
    if (!root) {
        error = ERROR_INVALID_HANDLE;
        return false;
    }
    LONG status = RegDeleteTreeA(root, subKey);
    if (status != ERROR_SUCCESS)
        error = static_cast<DWORD>(status);
    return status == ERROR_SUCCESS;
}

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

bool ValuePresent(HKEY key, const char* name)
{
    if (!key)
        return false;
    DWORD type = 0, size = 0;
    return RegQueryValueExA(key, name, nullptr, &type, nullptr, &size) == ERROR_SUCCESS;
}

std::string ReadStringValue(HKEY key, const char* name)
{
    std::string text;
    if (!key)
        return text;
    DWORD type = 0, size = 0;
    if (RegQueryValueExA(key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS || type != REG_SZ)
        return text;
    std::string buffer(size, '\0');
    DWORD read = size;
    if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()), &read) == ERROR_SUCCESS) {
        // Stop at the first zero byte, but never read past what the first query reported:
        // a value stored without its terminator must not run into the heap.
        buffer.resize(read < size ? read : size);
        text = buffer.substr(0, buffer.find('\0'));
    }
    return text;
}

void KeyClose(HKEY key)
{
    if (key)
        RegCloseKey(key);
}

bool KeyRemove(HKEY root, const char* subKey)
{
    if (!root)
        return false;
    return RegDeleteKeyA(root, subKey) == ERROR_SUCCESS;
}

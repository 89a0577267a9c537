#include "Registry.h"

#include <winternl.h>

#include <algorithm>
#include <cstddef>
#include <cwchar>

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
    std::wstring text = ReadStoredText(key, name);
    return text.substr(0, text.find(L'\0'));
}

namespace {

// The first characters of a string value too long to read whole, or fewer: the system
// copies what fits into a partial query's buffer. Empty where it copies nothing.
extern "C" NTSTATUS NTAPI NtQueryValueKey(HANDLE key, PUNICODE_STRING name, int infoClass, void* info, ULONG length,
                                          ULONG* resultLength);
const int KeyValuePartialInformation = 2;
const NTSTATUS StatusBufferOverflow = static_cast<NTSTATUS>(0x80000005);

std::wstring ReadValueHead(HKEY key, const wchar_t* name, size_t chars)
{
    struct PartialValue {
        ULONG TitleIndex, Type, DataLength;
        wchar_t Data[1];
    };
    const ULONG size = static_cast<ULONG>(offsetof(PartialValue, Data) + chars * sizeof(wchar_t));
    std::vector<ULONG> buffer(size / sizeof(ULONG) + 1);
    auto* value = reinterpret_cast<PartialValue*>(buffer.data());
    UNICODE_STRING valueName;
    RtlInitUnicodeString(&valueName, name);
    ULONG length = 0;
    NTSTATUS status = NtQueryValueKey(key, &valueName, KeyValuePartialInformation, value, size, &length);
    if ((status != StatusBufferOverflow && !NT_SUCCESS(status)) || value->Type != REG_SZ)
        return std::wstring();
    const size_t copied = (size - offsetof(PartialValue, Data)) / sizeof(wchar_t);
    return std::wstring(value->Data, std::min<size_t>(copied, value->DataLength / sizeof(wchar_t)));
}

} // namespace

std::wstring ReadStoredText(HKEY key, const wchar_t* name, bool* tooLong, size_t headChars)
{
    std::wstring text;
    if (tooLong)
        *tooLong = false;
    if (!key)
        return text;
    DWORD type = 0, size = 0;
    if (RegQueryValueExW(key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS || type != REG_SZ)
        return text;
    if (size / sizeof(wchar_t) > LongestPath + 1) {
        if (tooLong)
            *tooLong = true;
        return ReadValueHead(key, name, headChars);
    }
    std::wstring buffer((size + 1) / sizeof(wchar_t), L'\0');
    DWORD read = size;
    if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()), &read) == ERROR_SUCCESS) {
        // Never read past what the first query reported: a value stored without its
        // terminator must not run into the heap. An odd last byte is half a character and
        // goes, and so do the terminating zeros.
        buffer.resize((read < size ? read : size) / sizeof(wchar_t));
        buffer.erase(buffer.find_last_not_of(L'\0') + 1);
        text = std::move(buffer);
    }
    return text;
}

void KeyClose(HKEY key)
{
    if (key)
        RegCloseKey(key);
}

bool IsKeyNameAsListed(const wchar_t* name, size_t length)
{
    for (size_t i = 0; i < length; ++i)
        if (name[i] == L'\0' || name[i] == L'\\')
            return false;
    return true;
}

// Deletes the key that the handle is open on; a registry link opened with
// REG_OPTION_OPEN_LINK goes as the link, where RegDeleteKey would delete its target.
extern "C" NTSTATUS NTAPI NtDeleteKey(HANDLE key);

namespace {

const REGSAM WalkAccess = KEY_ENUMERATE_SUB_KEYS | KEY_QUERY_VALUE | DELETE;

// Opens name below parent as the key itself: a registry link is opened as the link.
HKEY OpenAsItself(HKEY parent, const wchar_t* name, LONG& status, REGSAM access = WalkAccess)
{
    HKEY key = nullptr;
    status = RegOpenKeyExW(parent, name, REG_OPTION_OPEN_LINK, access, &key);
    return status == ERROR_SUCCESS ? key : nullptr;
}

enum class KeyKind { Plain, Link, Unknown };

// Every link holds "SymbolicLinkValue"; a key that holds a value of that name, whatever
// its type, or whose values cannot be asked, is taken for a link.
KeyKind KindOf(HKEY key)
{
    DWORD type = 0;
    LONG answer = RegQueryValueExW(key, L"SymbolicLinkValue", nullptr, &type, nullptr, nullptr);
    if (answer == ERROR_FILE_NOT_FOUND)
        return KeyKind::Plain;
    return answer == ERROR_SUCCESS || answer == ERROR_MORE_DATA ? KeyKind::Link : KeyKind::Unknown;
}

DWORD DeleteByHandle(HKEY key)
{
    NTSTATUS status = NtDeleteKey(key);
    return status == 0 ? ERROR_SUCCESS : RtlNtStatusToDosError(status);
}

std::wstring Widened(const std::string& ascii)
{
    return std::wstring(ascii.begin(), ascii.end());
}

// One walk, without recursion: a user can build a deep tree in their own hive. Each level
// holds its open key and the index of the next sub-key to look at; sub-keys that stay are
// skipped, the others are gone when the index is read again.
class KeyTreeRemoval {
public:
    KeptKeys Kept;

    void Run(HKEY top, std::wstring path)
    {
        levels_.push_back({top, 0, path.size(), false});
        wchar_t name[256];
        while (!levels_.empty()) {
            Level& level = levels_.back();
            path.resize(level.PathLength);
            DWORD length = sizeof name / sizeof name[0];
            LONG answer = RegEnumKeyExW(level.Key, level.Next, name, &length, nullptr, nullptr, nullptr, nullptr);
            if (answer == ERROR_NO_MORE_ITEMS) {
                Leave(path, !level.Stays);
                continue;
            }
            if (answer != ERROR_SUCCESS) {
                Kept.Add(path, static_cast<DWORD>(answer));
                Leave(path, false);
                continue;
            }
            path += L'\\';
            path.append(name, length);
            if (!IsKeyNameAsListed(name, length)) {
                Keep(path, ERROR_INVALID_NAME);
                continue;
            }
            Enter(level.Key, name, path);
        }
    }

private:
    struct Level {
        HKEY Key;
        DWORD Next;        // the sub-keys before it stay
        size_t PathLength; // of this key's path
        bool Stays;        // a sub-key stayed and was named
    };
    std::vector<Level> levels_;

    // A sub-key that stays: the walk goes on with the next one.
    void Keep(const std::wstring& path, DWORD reason)
    {
        Kept.Add(path, reason);
        ++levels_.back().Next;
        levels_.back().Stays = true;
    }

    void Enter(HKEY parent, const wchar_t* name, const std::wstring& path)
    {
        LONG status = 0;
        HKEY key = OpenAsItself(parent, name, status);
        if (!key) {
            // Gone since the listing: then the index names the next one. If it lingers
            // unseen, the parent's own deletion fails and names it.
            if (status == ERROR_FILE_NOT_FOUND)
                ++levels_.back().Next;
            else
                Keep(path, static_cast<DWORD>(status));
            return;
        }
        switch (KindOf(key)) {
        case KeyKind::Plain:
            levels_.push_back({key, 0, path.size(), false});
            return;
        case KeyKind::Link:
            if (DWORD error = DeleteByHandle(key))
                Keep(path, error);
            break;
        case KeyKind::Unknown:
            Keep(path, ERROR_FILE_INVALID);
            break;
        }
        RegCloseKey(key);
    }

    // Closes the innermost level, deleting its key when nothing in it stayed; a key that
    // stays makes its parent stay too, unnamed.
    void Leave(const std::wstring& path, bool empty)
    {
        HKEY key = levels_.back().Key;
        DWORD error = empty ? DeleteByHandle(key) : ERROR_SUCCESS;
        RegCloseKey(key);
        levels_.pop_back();
        if (error)
            Kept.Add(path, error);
        if (!levels_.empty() && (!empty || error)) {
            ++levels_.back().Next;
            levels_.back().Stays = true;
        }
    }
};

} // namespace

KeptKeys RemoveKeyTree(HKEY root, const std::string& path, const std::string& below)
{
    KeptKeys kept;
    const std::string whole = path + below;
    if (!root || below.empty()) {
        kept.Add(Widened(whole), ERROR_INVALID_PARAMETER);
        return kept;
    }
    // The first key of below is opened with path in one name, so that the registry view
    // redirects it as it would the whole name; the others relative to their parent. The
    // keys on the way are only asked whether they are links.
    size_t end = below.find('\\');
    LONG status = 0;
    auto access = [&end] { return end == std::string::npos ? WalkAccess : KEY_QUERY_VALUE; };
    HKEY key = OpenAsItself(root, Widened(path + below.substr(0, end)).c_str(), status, access());
    while (key) {
        KeyKind kind = KindOf(key);
        if (kind != KeyKind::Plain) {
            RegCloseKey(key);
            // Behind a link on the way lies whatever the link names: reported only when
            // there is a key, and never touched.
            if (kind == KeyKind::Unknown || end == std::string::npos || KeyPresent(root, whole.c_str()))
                kept.Add(Widened(whole), ERROR_FILE_INVALID);
            return kept;
        }
        if (end == std::string::npos) {
            KeyTreeRemoval removal;
            removal.Run(key, Widened(whole));
            return removal.Kept;
        }
        size_t next = below.find('\\', end + 1);
        HKEY parent = key;
        const std::wstring name = Widened(below.substr(end + 1, next - end - 1));
        end = next;
        key = OpenAsItself(parent, name.c_str(), status, access());
        RegCloseKey(parent);
    }
    if (status != ERROR_FILE_NOT_FOUND)
        kept.Add(Widened(whole), static_cast<DWORD>(status));
    return kept;
}

#pragma once
// Thin, read-mostly registry access. Nothing here raises or reports: a failure
// is a false flag, a null handle or an empty string.
#include <string>
#include "Win.h"

HKEY KeyOpenForRead(HKEY root, const char* subKey);
bool KeyPresent(HKEY root, const char* subKey);
bool ValuePresent(HKEY key, const wchar_t* name);
// Text of a REG_SZ value, in wide characters as stored; empty for any other type, a
// missing value or a null key.
std::wstring ReadStringValue(HKEY key, const wchar_t* name);
void KeyClose(HKEY key);
// Whether subKey itself is a registry link (made with REG_OPTION_CREATE_LINK): every other
// open of it, RegDeleteTreeA's included, reaches the link's target instead.
bool KeyIsLink(HKEY root, const char* subKey);
// Deletes the key with its values and all its sub-keys, in this program's own registry
// view (a 32-bit program on 64-bit Windows sees HKLM\Software as Software\WOW6432Node,
// where a 32-bit installer wrote). On failure, error holds the Windows error.
bool KeyRemove(HKEY root, const char* subKey, DWORD& error);

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
// One RegDeleteKeyA call: sub-keys are not walked.
bool KeyRemove(HKEY root, const char* subKey);

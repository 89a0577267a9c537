// The message box, the shift state, the byte and text helpers, paths and the registry
// access where the program's own tests do not reach.
#include <gtest/gtest.h>

#include <cstring>

#include "support/GuiDriver.h"
#include "wintk/FileSystem.h"
#include "wintk/Registry.h"
#include "wintk/Utils.h"

namespace {

using MessageBoxes = WindowTest;

TEST_F(MessageBoxes, OwnedByTheRunningApplicationAndTitledWithItsCaption)
{
    const char warning[] = "Вы ТОЧНО уверены?";
    ASSERT_TRUE(app->CreateWindow());
    CurrentApplication = app;
    MessageBoxSeen seen = AnswerMessageBox(IDNO, [&] { return ShowMessageBox(warning, MB_YESNO); });
    EXPECT_EQ(seen.Answer, IDNO);
    EXPECT_EQ(seen.Owner, app->Handle);
    EXPECT_EQ(seen.Caption, "Test");
    EXPECT_EQ(seen.Text, warning);

    // Owned by a form when one is named; the title stays the application's.
    Control* form = NewForm(app, "Form");
    ASSERT_TRUE(form->CreateWindow());
    seen = AnswerMessageBox(IDOK, [&] { return ShowMessageBox(warning, MB_OK | MB_ICONWARNING, form); });
    EXPECT_EQ(seen.Answer, IDOK);
    EXPECT_EQ(seen.Owner, form->Handle);
    EXPECT_EQ(seen.Caption, "Test");
    EXPECT_TRUE(IsWindowEnabled(form->Handle));

    CurrentApplication = nullptr; // the application exists, but its loop does not run
    seen = AnswerMessageBox(IDYES, [] { return ShowMessageBox(nullptr, MB_YESNO); });
    EXPECT_EQ(seen.Answer, IDYES);
    EXPECT_EQ(seen.Owner, nullptr);
    EXPECT_NE(seen.Caption, "Test");
    EXPECT_EQ(seen.Text, "");
}

TEST(Utils, ShiftStateSameBytesAndTextsBothWays)
{
    {
        HeldKeys keys({VK_CONTROL, VK_MENU});
        EXPECT_EQ(GetShiftState(), 0x28u);
    }
    {
        HeldKeys keys({VK_SHIFT});
        EXPECT_EQ(GetShiftState(), 0x4u);
    }

    // With 6 bytes: one word, then bytes 4 and 5; byte 6 lies outside.
    const unsigned char x[7] = {1, 2, 3, 4, 5, 6, 7};
    for (int i = 0; i < 7; ++i) {
        unsigned char y[7];
        std::memcpy(y, x, sizeof y);
        y[i] ^= 0x80;
        EXPECT_EQ(SameBytes(x, y, 6), i == 6) << "byte " << i;
    }

    // Cyrillic, CJK and a surrogate pair keep every character both ways; null is empty.
    const wchar_t wide[] = L"О&бновить 漢 \U0001F600";
    EXPECT_EQ(WideText(Utf8Text(wide).c_str()), wide);
    EXPECT_EQ(Utf8Text(wide), "О&бновить 漢 \xF0\x9F\x98\x80");
    EXPECT_EQ(WideText(nullptr), L"");
}

// A path that looks absolute but depends on the current drive or folder would let a
// removal work somewhere else. A value that cannot name a folder, and a key name that would
// not open the key listed, are refused before the system sees them.
TEST(FileSystemAndRegistry, AbsolutePathsAndStringsStoredWithoutTerminator)
{
    for (const wchar_t* path : {L"C:\\Games", L"d:\\", L"\\\\server\\share"})
        EXPECT_TRUE(IsAbsolutePath(path)) << path;
    for (const wchar_t* path : {L"", L"C:Games", L"\\Games", L"1:\\Games"})
        EXPECT_FALSE(IsAbsolutePath(path)) << path;
    std::wstring deep = L"C:";
    while (deep.size() <= MaxPathLength)
        deep += L"\\a";
    const std::wstring name(255, L'n');
    for (const std::wstring& path : {L"C:\\" + name + L"\\", deep.substr(0, MaxPathLength)})
        EXPECT_TRUE(CanNameAFolder(path)) << path.size();
    for (const std::wstring& path : {L"C:\\" + name + L"n\\", L"C:/x/" + name + L"n", deep, std::wstring(L"C:\\a\0b", 6)})
        EXPECT_FALSE(CanNameAFolder(path)) << path.size();
    EXPECT_TRUE(IsKeyNameAsListed(L"KalmirOriginal", 14));
    EXPECT_FALSE(IsKeyNameAsListed(L"Kalmir\0x", 8));
    EXPECT_FALSE(IsKeyNameAsListed(L"..\\..\\Software", 14));

    const char key[] = "Software\\TessalyTest";
    HKEY open = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, key, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &open, nullptr), ERROR_SUCCESS);
    RegSetValueExA(open, "raw", 0, REG_SZ, reinterpret_cast<const BYTE*>("abc"), 3);
    RegSetValueExA(open, "inner", 0, REG_SZ, reinterpret_cast<const BYTE*>("ab\0cd"), 6);
    EXPECT_EQ(ReadStringValue(open, L"raw"), L"abc");
    EXPECT_EQ(ReadStringValue(open, L"inner"), L"ab");
    EXPECT_EQ(ReadStoredText(open, L"inner"), std::wstring(L"ab\0cd", 5));
    RegCloseKey(open);
    RegDeleteKeyA(HKEY_CURRENT_USER, key);
}

} // namespace

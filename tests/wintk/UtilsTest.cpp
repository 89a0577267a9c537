// The message box, the shift state, the byte and text helpers, paths and the registry
// access where the program's own tests do not reach.
#include <gtest/gtest.h>

#include <cstring>

#include "support/GuiDriver.h"
#include "wintk/FileSystem.h"
#include "wintk/Registry.h"
#include "wintk/TextList.h"
#include "wintk/Utils.h"

namespace {

using MessageBoxes = WindowTest;

TEST_F(MessageBoxes, OwnedByTheRunningApplicationAndTitledWithItsCaption)
{
    // "Вы ТОЧНО уверены?" in code page 1251.
    const char warning[] = "\xc2\xfb \xd2\xce\xd7\xcd\xce \xf3\xe2\xe5\xf0\xe5\xed\xfb?";
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

TEST(Utils, ShiftStateSameBytesAndFindChar)
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

    const char caption[] = "\xce&\xe1\xed\xee\xe2\xe8\xf2\xfc"; // "О&бновить"
    EXPECT_EQ(FindChar(caption, '&'), caption + 1);
    EXPECT_EQ(FindChar(caption, '\xe1'), caption + 2);
    EXPECT_EQ(FindChar(caption, '\0'), caption + 9);
    EXPECT_EQ(FindChar(caption, 'x'), nullptr);
}

// A path that looks absolute but depends on the current drive or folder would let a
// removal work somewhere else.
TEST(FileSystemAndRegistry, AbsolutePathsAndStringsStoredWithoutTerminator)
{
    for (const wchar_t* path : {L"C:\\Games", L"d:\\", L"\\\\server\\share"})
        EXPECT_TRUE(IsAbsolutePath(path)) << path;
    for (const wchar_t* path : {L"", L"C:Games", L"\\Games", L"1:\\Games"})
        EXPECT_FALSE(IsAbsolutePath(path)) << path;

    const char key[] = "Software\\TessalyTest";
    HKEY open = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, key, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &open, nullptr), ERROR_SUCCESS);
    RegSetValueExA(open, "raw", 0, REG_SZ, reinterpret_cast<const BYTE*>("abc"), 3);
    RegSetValueExA(open, "inner", 0, REG_SZ, reinterpret_cast<const BYTE*>("ab\0cd"), 6);
    EXPECT_EQ(ReadStringValue(open, L"raw"), L"abc");
    EXPECT_EQ(ReadStringValue(open, L"inner"), L"ab");
    RegCloseKey(open);
    RegDeleteKeyA(HKEY_CURRENT_USER, key);
}

// Lists of names, each followed by a delimiter, worked off from the front.
TEST(TextList, TakeTokenCutsOneItemAndItsDelimiter)
{
    std::string list = "a||b";
    EXPECT_EQ(TakeToken(list, "|"), "a");
    EXPECT_EQ(list, "|b");
    EXPECT_EQ(TakeToken(list, "|;"), "");
    EXPECT_EQ(TakeToken(list, "|"), "b") << "a list without delimiter is taken whole";
    EXPECT_EQ(list, "");
    EXPECT_EQ(TailFrom("abc", 0), "abc");
    EXPECT_EQ(TailFrom("abc", 4), "");
    EXPECT_EQ(FirstOfCharsPosition("abc", "xcb"), 2);
    EXPECT_EQ(CharPosition("abc", 'x'), -1);
}

} // namespace

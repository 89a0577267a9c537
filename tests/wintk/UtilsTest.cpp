// The message box, the shift state and the byte and text helpers.
#include <gtest/gtest.h>

#include <cstring>

#include "support/GuiDriver.h"
#include "wintk/Utils.h"

namespace {

// "Вы ТОЧНО уверены? Удаление необратимо !!!" in code page 1251.
const char Warning[] = "\xc2\xfb \xd2\xce\xd7\xcd\xce \xf3\xe2\xe5\xf0\xe5\xed\xfb? "
                       "\xd3\xe4\xe0\xeb\xe5\xed\xe8\xe5 \xed\xe5\xee\xe1\xf0\xe0\xf2\xe8\xec\xee !!!";

TEST(MessageBoxes, IsOwnedByTheRunningApplicationAndTitledWithItsCaption)
{
    CreationGlobalsGuard globals;
    LoopGlobalsGuard loop;
    ScopedApplication app("Tessaly");
    ASSERT_TRUE(app->CreateWindow());
    CurrentApplication = app;
    MessageBoxAnswerer answerer(IDNO);
    int answer = ShowMessageBox(Warning, MB_YESNO);
    MessageBoxSeen seen = answerer.Wait();
    ASSERT_TRUE(seen.Found);
    EXPECT_EQ(answer, IDNO);
    EXPECT_EQ(seen.Owner, app->Handle);
    EXPECT_EQ(seen.Caption, "Tessaly");
    EXPECT_EQ(seen.Text, Warning);
}

TEST(MessageBoxes, WithoutARunningApplicationHasNoOwnerAndTheSystemCaption)
{
    CreationGlobalsGuard globals;
    LoopGlobalsGuard loop;
    ScopedApplication app("Tessaly"); // exists, but its loop does not run
    ASSERT_TRUE(app->CreateWindow());
    CurrentApplication = nullptr;
    MessageBoxAnswerer answerer(IDYES);
    int answer = ShowMessageBox(nullptr, MB_YESNO);
    MessageBoxSeen seen = answerer.Wait();
    ASSERT_TRUE(seen.Found);
    EXPECT_EQ(answer, IDYES);
    EXPECT_EQ(seen.Owner, nullptr);
    EXPECT_NE(seen.Caption, "Tessaly");
    EXPECT_FALSE(seen.Caption.empty()) << "a null caption gives the system's default";
    EXPECT_EQ(seen.Text, "");
}

TEST(ShiftState, FollowsTheThreadsKeyState)
{
    {
        HeldKeys keys({});
        EXPECT_EQ(GetShiftState(), 0u);
    }
    {
        HeldKeys keys({VK_CONTROL, VK_MENU});
        EXPECT_EQ(GetShiftState(), 0x28u);
    }
    {
        HeldKeys keys({VK_SHIFT});
        EXPECT_EQ(GetShiftState(), 0x4u);
    }
}

TEST(SameBytes, ComparesWholeWordsThenTheRemainingBytes)
{
    RECT a = {10, 20, 30, 40}, b = a;
    EXPECT_TRUE(SameBytes(&a, &b, sizeof a));
    b.bottom = 41;
    EXPECT_FALSE(SameBytes(&a, &b, sizeof a));
    EXPECT_TRUE(SameBytes(&a, &b, 12));

    // With 6 bytes: one word, then bytes 4 and 5; byte 6 lies outside.
    const unsigned char x[7] = {1, 2, 3, 4, 5, 6, 7};
    for (int i = 0; i < 7; ++i) {
        unsigned char y[7];
        std::memcpy(y, x, sizeof y);
        y[i] ^= 0x80;
        EXPECT_EQ(SameBytes(x, y, 6), i == 6) << "byte " << i;
    }
    EXPECT_TRUE(SameBytes("abc", "xyz", 0));
}

TEST(TextUtils, FindCharScansUpToAndIncludingTheTerminator)
{
    const char text[] = "abc";
    EXPECT_EQ(FindChar(text, 'c'), text + 2);
    EXPECT_EQ(FindChar(text, 'x'), nullptr);
    EXPECT_EQ(FindChar(text, '\0'), text + 3);
    const char caption[] = "\xce&\xe1\xed\xee\xe2\xe8\xf2\xfc"; // "О&бновить"
    EXPECT_EQ(FindChar(caption, '&'), caption + 1);
    EXPECT_EQ(FindChar(caption, '\xe1'), caption + 2);
}

TEST(TextUtils, CopyTextCopiesTheTerminatorOnlyAndNullIsEmpty)
{
    char buffer[8];
    std::memset(buffer, 'x', sizeof buffer);
    const char exit[] = "\xc2\xfb\xf5\xee\xe4"; // "Выход"
    EXPECT_EQ(CopyText(buffer, exit), buffer);
    EXPECT_EQ(std::memcmp(buffer, exit, sizeof exit), 0);
    EXPECT_EQ(buffer[sizeof exit], 'x');
    EXPECT_STREQ(NonNullText(nullptr), "");
    EXPECT_EQ(NonNullText(exit), exit);
}

} // namespace

// The warning after a removal that left something: its count, its list and its reasons; a
// path in any script shows as it is.
#include <gtest/gtest.h>

#include <string>

#include "app/MainForm.h"
#include "support/Sandbox.h"

namespace {

TEST(LeftoverReport, CountsListsTheFirstTenWithTheirReasonsAndSaysHowToFinish)
{
    EXPECT_EQ(LeftoverReport({}), "");

    KeptEntries kept = {{L"C:\\Game\\Stavor\\game.exe", ERROR_SHARING_VIOLATION},
                        {L"C:\\Game\\Rikta.exe", ERROR_ACCESS_DENIED},
                        // "＼漢" has no spelling in code page 1251; it shows all the same.
                        {L"C:\\Game\\Stavor\\\uff3c\u6f22\\\u041a\u0430\u0440\u0442\u0430", ERROR_DIR_NOT_EMPTY}};
    for (int i = 4; i <= 12; ++i)
        kept.push_back({L"C:\\Game\\Stavor\\f" + std::to_wstring(i) + L".dat", ERROR_SHARING_VIOLATION});
    const std::string text = LeftoverReport(kept);

    EXPECT_EQ(text.find("Не всё удалось удалить. Осталось объектов: 12.\n\n"), 0u) << text;
    EXPECT_NE(text.find("\nC:\\Game\\Stavor\\game.exe (занят другой программой)\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\nC:\\Game\\Rikta.exe (нет доступа)\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\nC:\\Game\\Stavor\\＼漢\\Карта\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\\f10.dat (занят другой программой)\n...и ещё 2.\n"), std::string::npos) << text;
    EXPECT_EQ(text.find("f11.dat"), std::string::npos) << "only ten entries are listed";
    EXPECT_TRUE(text.ends_with("\n\nЗакройте программу, которая их использует, и снова нажмите эту же кнопку, чтобы завершить удаление."))
        << text;
}

// A path of some 32,000 characters (a deep tree in the backup folder) is shown by its start
// and its end, cut at backslashes; a path of 120 characters is shown whole.
TEST(LeftoverReport, LongPathsAreShortenedInTheirMiddle)
{
    std::wstring deep = L"C:\\Games\\EI\\Stavor";
    while (deep.size() < 32000)
        deep += L"\\d";
    const std::wstring whole = L"C:\\Games\\EI\\Stavor\\" + std::wstring(120 - 28, L'x') + L"\\leaf.txt";
    ASSERT_EQ(whole.size(), 120u);
    const std::string text = LeftoverReport({{deep + L"\\leaf.txt", ERROR_SHARING_VIOLATION}, {whole, ERROR_ACCESS_DENIED}});

    const size_t start = text.find("\n\nC:\\Games\\EI\\Stavor\\d\\d\\");
    ASSERT_NE(start, std::string::npos) << text;
    EXPECT_NE(text.find("\\d\\...\\d\\d\\", start), std::string::npos) << text;
    EXPECT_NE(text.find("\\d\\leaf.txt (занят другой программой)\n", start), std::string::npos) << text;
    EXPECT_LE(text.find('\n', start + 2) - (start + 2), 120u + std::string(" (занят другой программой)").size()) << text;
    EXPECT_NE(text.find("\n" + Narrow(whole) + " (нет доступа)\n"), std::string::npos) << text;
    EXPECT_LT(text.size(), 700u); // UTF-8 bytes
}

// What a user wrote cannot break the warning's lines, turn its text around or hide a part of
// it: each such character shows as \uXXXX; one outside the first plane stays itself.
TEST(LeftoverReport, InvisibleCharactersAreShownEscaped)
{
    const std::string text = LeftoverReport({{L"Готово.\nЗапустите C:\\fix.exe", ERROR_BAD_PATHNAME},
                                             {L"C:\\\u202Eexe.txt\u2066\u200F\t\u0085\u2028\U0001F600\xD800", ERROR_ACCESS_DENIED}});
    EXPECT_NE(text.find("\n\nГотово.\\u000AЗапустите C:\\fix.exe (не может быть папкой игры)\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\nC:\\\\u202Eexe.txt\\u2066\\u200F\\u0009\\u0085\\u2028\xF0\x9F\x98\x80\\uD800 (нет доступа)\n\n"), std::string::npos)
        << text;
}

} // namespace

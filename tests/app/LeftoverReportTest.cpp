// The warning after a removal that left something: its count, its list and its reasons, the
// refused "WORK PATH" values apart, and the way out that fits; a path in any script shows as
// it is, left to right.
#include <gtest/gtest.h>

#include <string>

#include "app/MainForm.h"
#include "support/Sandbox.h"

namespace {

// How a path shows in the warning: between a left-to-right override and its end.
std::string Line(const std::string& path, const std::string& reason = "")
{
    return "\n\u202D" + path + "\u202C" + reason + "\n";
}

const std::string Refused = " (не может быть папкой игры, Tessaly её не трогает)";
const std::string Retry = "Закройте программу, которая их использует, и снова нажмите эту же кнопку, чтобы завершить удаление.";

TEST(LeftoverReport, CountsListsTheFirstTenWithTheirReasonsAndGivesTheWayOutThatFits)
{
    EXPECT_EQ(LeftoverReport({}), "");

    KeptEntries kept = {{L"C:\\Game\\Stavor\\game.exe", ERROR_SHARING_VIOLATION},
                        {L"C:\\Game\\Rikta.exe", ERROR_ACCESS_DENIED},
                        // "＼漢" has no spelling in code page 1251; it shows all the same.
                        {L"C:\\Game\\Stavor\\\uff3c\u6f22\\\u041a\u0430\u0440\u0442\u0430", ERROR_DIR_NOT_EMPTY}};
    for (int i = 4; i <= 12; ++i)
        kept.push_back({L"C:\\Game\\Stavor\\f" + std::to_wstring(i) + L".dat", ERROR_SHARING_VIOLATION});
    // Counted, not stored: its reason still asks for the other advice.
    kept.push_back({L"C:\\Game\\Stavor\\link", ERROR_FILE_INVALID});
    const KeptEntries refused = {{L"C:\\Windows\\", ERROR_BAD_PATHNAME}};
    const std::string text = LeftoverReport(kept, refused);

    EXPECT_EQ(text.find("Не всё удалось удалить. Осталось объектов: 13.\n"), 0u) << text;
    EXPECT_NE(text.find(Line("C:\\Game\\Stavor\\game.exe", " (занят другой программой)")), std::string::npos) << text;
    EXPECT_NE(text.find(Line("C:\\Game\\Rikta.exe", " (нет доступа)")), std::string::npos) << text;
    EXPECT_NE(text.find(Line("C:\\Game\\Stavor\\＼漢\\Карта", " (другая программа продолжает в неё писать)")), std::string::npos) << text;
    EXPECT_NE(text.find(Line("C:\\Game\\Stavor\\f10.dat", " (занят другой программой)") + "...и ещё 3.\n\u202DC:\\Windows\\\u202C" +
                        Refused + "\n"),
              std::string::npos)
        << text;
    EXPECT_EQ(text.find("f11.dat"), std::string::npos) << "only ten entries are listed";
    EXPECT_TRUE(text.ends_with("\n" + Retry + "\nОстальное Tessaly оставляет намеренно.")) << text;

    // Nothing that closing a program could free: no such advice. A refused value is named
    // once, uncounted, as untouched, and nothing Tessaly refused is ever advised for deletion.
    const struct {
        KeptEntries Left;
        std::string Heading, Ending;
    } rows[] = {
        {{{L"C:\\Game\\lexora.txt", ERROR_TOO_MANY_LINKS}}, "Не всё удалось удалить. Осталось объектов: 1.\n",
         "\nЭто Tessaly оставляет намеренно."},
        {{}, "Всё найденное удалено.\n", "\u202DC:\\Windows\\\u202C" + Refused + "\n"},
    };
    for (const auto& row : rows) {
        const std::string alone = LeftoverReport(row.Left, refused);
        EXPECT_EQ(alone.find(row.Heading), 0u) << alone;
        EXPECT_EQ(alone.find("Закройте"), std::string::npos) << alone;
        EXPECT_TRUE(alone.ends_with(row.Ending)) << alone;
    }
    for (const std::string& any : {text, LeftoverReport(rows[0].Left, refused), LeftoverReport({}, refused)})
        EXPECT_EQ(any.find("удалите"), std::string::npos) << any;
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

    const size_t start = text.find("\n\n\u202DC:\\Games\\EI\\Stavor\\d\\d\\");
    ASSERT_NE(start, std::string::npos) << text;
    EXPECT_NE(text.find("\\d\\...\\d\\d\\", start), std::string::npos) << text;
    EXPECT_NE(text.find("\\d\\leaf.txt\u202C (занят другой программой)\n", start), std::string::npos) << text;
    EXPECT_LE(text.find('\n', start + 2) - (start + 2), 126u + std::string(" (занят другой программой)").size()) << text;
    EXPECT_NE(text.find(Line(Narrow(whole), " (нет доступа)")), std::string::npos) << text;
    EXPECT_LT(text.size(), 700u); // UTF-8 bytes
}

// What a user wrote cannot break the warning's lines, turn its text around, hide or pad a
// part of it, pile marks over it or pass for an escape: each such character shows as
// \uXXXX (\UXXXXXXXX beyond the first plane); visible letters and symbols of any plane, and
// up to three marks on one letter, stay themselves.
TEST(LeftoverReport, InvisibleCharactersAreShownEscaped)
{
    const struct {
        std::wstring Path;
        std::string Shown;
    } cases[] = {
        {L"Готово.\nЗапустите C:\\fix.exe", "Готово.\\u000AЗапустите C:\\fix.exe"},
        {L"C:\\\u202Eexe.txt\u2066\u200F\t\u0085\u2028\xD800", "C:\\\\u202Eexe.txt\\u2066\\u200F\\u0009\\u0085\\u2028\\uD800"},
        {L"C:\\a\u00AD\u115F\uFE0F\uFFFC\u00A0\u2003\u0600b", "C:\\a\\u00AD\\u115F\\uFE0F\\uFFFC\\u00A0\\u2003\\u0600b"},
        {L"C:\\t\U000E0041\U000E007F\U0001D173\U0001F600\U00020000", "C:\\t\\U000E0041\\U000E007F\\U0001D173😀𠀀"},
        {L"C:\\e\u0301\u0302\u0303\u0304\u0305", "C:\\e\u0301\u0302\u0303\\u0304\\u0305"},
        {L"C:\\\\u202E\\x", "C:\\\\u005Cu202E\\x"},
        {L"C:\\users\\uBAD\\U0001F60", "C:\\users\\uBAD\\U0001F60"},
        {L"C:\\Games\\\u05D0\\\u05D1", "C:\\Games\\א\\ב"},
    };
    for (const auto& c : cases) {
        const std::string text = LeftoverReport({{c.Path, ERROR_ACCESS_DENIED}});
        EXPECT_NE(text.find(Line(c.Shown, " (нет доступа)")), std::string::npos) << c.Shown << "\n" << text;
    }
}

} // namespace

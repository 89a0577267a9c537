// The warning after a removal that left something: its count, its list and its reasons; a
// path in any script shows as it is.
#include <gtest/gtest.h>

#include <string>

#include "app/MainForm.h"

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

} // namespace

// The central error box's full-stop rule.
#include "common/error.h"

#include <gtest/gtest.h>

namespace slovo {
namespace {

TEST(ErrorBoxText, AppendsAFullStopOnlyAfterCharactersThatSortAboveIt)
{
    const struct {
        std::string message, shown;
    } cases[] = {
        {"Cannot open file C:\\Windows\\data\\sthints.txt", "Cannot open file C:\\Windows\\data\\sthints.txt."},
        {"Невозможно создать директорию!", "Невозможно создать директорию!"},
        {"Перезагрузка базы слов.", "Перезагрузка базы слов."},
        {"Слово...", "Слово..."},
        {"ответ:)", "ответ:)"},       // ")" sorts below "."
        {"путь C:\\", "путь C:\\."},  // "\" sorts above
        {"номер 7", "номер 7."},
        {"ДА", "ДА."},                // cp1251 letters sort above every ASCII mark
        {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(errorBoxText(c.message), c.shown) << c.message;
}

} // namespace
} // namespace slovo

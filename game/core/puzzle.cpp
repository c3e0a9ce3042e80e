// Puzzle play: the start, the letter check and the win, loss and answer steps.
#include "game/core/puzzle.h"

#include "common/error.h"

namespace slovo {

namespace {
constexpr char kLetters[] = "АБВГДЕЖЗИКЛМНОПРСТУФХЦЧШЩЫЬЭЮЯ";
static_assert(sizeof(kLetters) == kLetterButtons + 1, "narrow literals must be cp1251");
} // namespace

char letterOfButton(int button)
{
    return (button >= 1 && button <= kLetterButtons) ? kLetters[button - 1] : '\0';
}

uint32_t SeededRandom::next(uint32_t range)
{
    state_ = state_ * 134775813u + 1u;
    return static_cast<uint32_t>((static_cast<uint64_t>(state_) * range) >> 32);
}

void Puzzle::start()
{
    CurrentWord.clear();
    FoundCount = 0;
    CellLetters.fill('!');
    stage_ = 0;
    view_.setGallowsStage(0);
    view_.enableAllLetterButtons();

    // A word longer than the ten cells can never be shown, and an empty one can never be won or
    // lost: such entries leave the remaining lists unplayed (the full lists and the files keep
    // them). A hints list shorter than its words list gives empty hints instead of reading past
    // its end.
    for (size_t i = base_.List2.size(); i-- > 0;) {
        if (base_.List2[i].empty() || base_.List2[i].size() > static_cast<size_t>(kCells)) {
            base_.List2.erase(base_.List2.begin() + static_cast<std::ptrdiff_t>(i));
            if (i < base_.List1.size())
                base_.List1.erase(base_.List1.begin() + static_cast<std::ptrdiff_t>(i));
        }
    }
    if (base_.List2.empty()) {
        view_.setHint("");
        for (int i = kCells; i >= 1; --i)
            view_.setCellShown(i, false);
        showCounts();
        throw Error("В базе нет слов для игры!");
    }

    random_.seed(view_.millisecondsSinceMidnightUtc());
    const auto k = static_cast<uint32_t>(base_.List2.size());
    WordIndex = static_cast<int32_t>(random_.next(k - 1));

    const std::string word = base_.List2[WordIndex];
    const std::string hint = static_cast<size_t>(WordIndex) < base_.List1.size() ? base_.List1[WordIndex] : std::string();
    view_.setHint(hint);

    CurrentWord = word;
    const int n = static_cast<int>(word.size());
    for (int i = 1; i <= n; ++i)
        CellLetters[i] = word[i - 1];
    for (int i = 1; i <= kCells; ++i)
        view_.setCellLetter(i, CellLetters[i]);
    for (int i = kCells; i >= 1; --i)
        view_.setCellShown(i, n >= i);

    showCounts();

    base_.List2.erase(base_.List2.begin() + WordIndex);
    if (static_cast<size_t>(WordIndex) < base_.List1.size())
        base_.List1.erase(base_.List1.begin() + WordIndex);
}

void Puzzle::pressButton(int button)
{
    const char letter = letterOfButton(button);
    if (letter == '\0')
        return;
    PressedLetter.assign(1, letter);
    view_.disableLetterButton(button);
    checkLetter();
}

void Puzzle::checkLetter()
{
    if (CurrentWord.empty() || PressedLetter.size() != 1)
        return;
    const char letter = PressedLetter[0];
    const int length = static_cast<int>(CurrentWord.size());

    for (int p = 1; p <= length; ++p) {
        if (CellLetters[p] != letter)
            continue;
        ++FoundCount;
        if (view_.soundOn())
            view_.playSound(Sound::Well);
        view_.uncoverCell(p);
        if (FoundCount == length) {
            win();
            return;
        }
    }

    for (int p = 1; p <= kCells; ++p)
        if (CellLetters[p] == letter)
            return;
    if (view_.soundOn())
        view_.playSound(Sound::Die);
    if (stage_ < kLostStage)
        ++stage_;
    view_.setGallowsStage(stage_);
    if (stage_ == kLostStage)
        lose();
}

void Puzzle::showCounts()
{
    view_.setPaneText(4, "Всего слов " + std::to_string(base_.List4.size()));
    view_.setPaneText(3, "Осталось " + std::to_string(base_.List2.size()));
}

void Puzzle::win()
{
    showCounts();
    view_.setPaneText(1, "Угадано " + std::to_string(GuessedCount + 1));
    ++GuessedCount;
    view_.setPaneBlinking(1, true);
    if (view_.soundOn())
        view_.playSound(Sound::Tada);
    const std::string text = "Отлично! Вам удалось угадать\r\n"
                             "слово и остаться в живых!!\r\n"
                             "\r\n"
                             "Загаданное слово " + CurrentWord + "\r\n"
                             "Продолжим?";
    answer(view_.askOkCancel(BoxKind::Information, text));
}

void Puzzle::lose()
{
    showCounts();
    view_.setPaneText(2, "Не отгадано " + std::to_string(NotGuessedCount + 1));
    ++NotGuessedCount;
    view_.setPaneBlinking(2, true);
    if (view_.soundOn())
        view_.playSound(Sound::Stop);
    const std::string text = "Все попытки исчерпаны! \r\n"
                             "Вам не удалось угадать\r\n"
                             "слово... Вы повешены..:)\r\n"
                             "\r\n"
                             "Попробуем еше разок??";
    answer(view_.askOkCancel(BoxKind::Error, text));
}

void Puzzle::answer(bool ok)
{
    if (!ok) {
        view_.endProgram();
        return;
    }
    view_.setPaneBlinking(2, false);
    view_.setPaneBlinking(1, false);
    if (base_.List2.empty()) {
        view_.inform("Перезагрузка базы слов.");
        base_.refill();
        view_.setPaneText(1, "Отгадано 0");
        view_.setPaneText(2, "Не отгадано 0");
        GuessedCount = 0;
        NotGuessedCount = 0;
    }
    start();
}

} // namespace slovo

// The puzzle engine driven through its view, as the window drives it.
#include "game/core/puzzle.h"

#include "common/error.h"
#include "tests/game/test_util.h"

#include <gtest/gtest.h>

#include <deque>
#include <map>

namespace slovo {
namespace {

// Records what the engine asks of the window; answers questions from a queue.
class RecordingView : public PuzzleView {
public:
    std::vector<std::string> log;
    std::string hint;
    std::array<char, kCells + 1> letters{};
    std::array<bool, kCells + 1> shown{}, covered{};
    std::array<bool, kLetterButtons + 1> enabled{};
    std::map<int, std::string> panes;
    std::map<int, bool> blinking;
    int stage = -1;
    bool sound = true;
    bool ended = false;
    std::deque<bool> answers;
    std::vector<std::string> boxes;
    uint32_t clock = 12345;

    void setHint(const std::string& h) override { hint = h; }
    void setCellLetter(int c, char l) override { letters.at(c) = l; }
    void setCellShown(int c, bool s) override { shown.at(c) = s; covered.at(c) = s; }
    void uncoverCell(int c) override { covered.at(c) = false; log.push_back("uncover " + std::to_string(c)); }
    void setGallowsStage(int s) override { stage = s; }
    void enableAllLetterButtons() override { enabled.fill(true); }
    void disableLetterButton(int b) override { enabled.at(b) = false; }
    void setPaneText(int p, const std::string& t) override { panes[p] = t; }
    void setPaneBlinking(int p, bool b) override { blinking[p] = b; }
    bool soundOn() override { return sound; }
    void playSound(Sound s) override
    {
        static const char* names[] = {"WELL", "TADA", "DIE", "STOP"};
        log.push_back(names[static_cast<int>(s)]);
    }
    bool askOkCancel(BoxKind kind, const std::string& text) override
    {
        log.push_back(kind == BoxKind::Information ? "box info" : "box error");
        boxes.push_back(text);
        if (answers.empty())
            return false;
        const bool a = answers.front();
        answers.pop_front();
        return a;
    }
    void inform(const std::string& text) override
    {
        log.push_back("inform");
        boxes.push_back(text);
    }
    void endProgram() override
    {
        ended = true;
        log.push_back("end");
    }
    uint32_t millisecondsSinceMidnightUtc() override { return clock; }
};

int buttonOf(char letter)
{
    for (int b = 1; b <= kLetterButtons; ++b)
        if (letterOfButton(b) == letter)
            return b;
    return 0;
}

WordBase baseOf(const StringList& words)
{
    WordBase b;
    b.List4 = words;
    b.List3.clear();
    for (const auto& w : words)
        b.List3.push_back("ПОДСКАЗКА " + w);
    b.refill();
    return b;
}

// Presses each distinct letter of the word once, as a player can, until the puzzle ends.
void solve(Puzzle& p)
{
    const std::string word = p.currentWord();
    std::string pressed;
    for (char c : word) {
        if (pressed.find(c) != std::string::npos || p.currentWord() != word)
            continue;
        pressed += c;
        p.pressButton(buttonOf(c));
    }
}

TEST(Letters, ButtonsCarryThirtyLettersInOrder)
{
    std::string all;
    for (int b = 1; b <= kLetterButtons; ++b)
        all += letterOfButton(b);
    EXPECT_EQ(all, "АБВГДЕЖЗИКЛМНОПРСТУФХЦЧШЩЫЬЭЮЯ");
    EXPECT_EQ(static_cast<unsigned char>(letterOfButton(1)), 192);
    EXPECT_EQ(static_cast<unsigned char>(letterOfButton(30)), 223);
    EXPECT_EQ(letterOfButton(0), '\0');
    EXPECT_EQ(letterOfButton(31), '\0');
}

TEST(SeededRandom, FollowsTheLinearCongruence)
{
    SeededRandom r;
    r.seed(1);
    // 1 * 134775813 + 1 = 134775814; 134775814 * 1000 / 2^32 = 31.38
    EXPECT_EQ(r.next(1000), 31u);
    EXPECT_EQ(r.state(), 134775814u);
    r.seed(0xFFFFFFFFu); // wraps: -134775813 + 1
    EXPECT_EQ(r.next(0), 0u);
    EXPECT_EQ(r.state(), static_cast<uint32_t>(0xFFFFFFFFull * 134775813ull + 1));
    r.seed(86399999);
    for (int i = 0; i < 1000; ++i)
        ASSERT_LT(r.next(7), 7u);
}

TEST(Puzzle, StartShowsTheDrawnWordCoveredAndCountsBeforeRemoving)
{
    WordBase base; // built-in
    RecordingView view;
    Puzzle p(base, view);
    p.start();
    const std::string word = p.currentWord();
    ASSERT_FALSE(word.empty());
    EXPECT_EQ(view.panes[3], "Осталось 93");
    EXPECT_EQ(view.panes[4], "Всего слов 93");
    EXPECT_EQ(base.List2.size(), 92u);
    EXPECT_EQ(view.stage, 0);
    const auto& entry = builtinBase()[p.wordIndex()];
    EXPECT_EQ(word, entry.word);
    EXPECT_EQ(view.hint, entry.hint);
    for (int i = 1; i <= kCells; ++i) {
        EXPECT_EQ(view.shown[i], i <= static_cast<int>(word.size())) << i;
        EXPECT_EQ(view.letters[i], i <= static_cast<int>(word.size()) ? word[i - 1] : '!') << i;
    }
    EXPECT_TRUE(view.panes.find(1) == view.panes.end()) << "start leaves the win pane alone";

    SeededRandom r;
    r.seed(view.clock);
    EXPECT_EQ(static_cast<uint32_t>(p.wordIndex()), r.next(92)) << "drawn from 0 .. k-2";
}

TEST(Puzzle, RepeatedLettersUncoverEveryCellLeftToRight)
{
    WordBase base = baseOf({"КИШМИШ", "ПЫЖ"});
    RecordingView view;
    Puzzle p(base, view);
    p.start();
    ASSERT_EQ(p.currentWord(), "КИШМИШ") << "with two left the first is drawn";
    p.pressButton(buttonOf('И'));
    EXPECT_EQ(view.log, (std::vector<std::string>{"WELL", "uncover 2", "WELL", "uncover 5"}));
    EXPECT_EQ(p.foundCount(), 2);
    EXPECT_FALSE(view.enabled[buttonOf('И')]);
    view.log.clear();
    p.pressButton(buttonOf('Ш'));
    EXPECT_EQ(view.log, (std::vector<std::string>{"WELL", "uncover 3", "WELL", "uncover 6"}));
    EXPECT_EQ(p.stage(), 0);
    p.pressButton(buttonOf('К'));
    EXPECT_TRUE(view.boxes.empty()) << "one cell is still covered";
}

TEST(Puzzle, CompletingTheWordWinsAndNamesIt)
{
    WordBase base = baseOf({"ПЫЖ", "ЛИНЬ", "САЛО"});
    RecordingView view;
    view.answers = {true};
    Puzzle p(base, view);
    p.start();
    const std::string word = p.currentWord();
    p.pressButton(buttonOf('Ю')); // one miss first
    view.log.clear();
    solve(p);
    EXPECT_EQ(view.boxes.front(), "Отлично! Вам удалось угадать\r\nслово и остаться в живых!!\r\n\r\n"
                                  "Загаданное слово " + word + "\r\nПродолжим?");
    EXPECT_EQ(view.log.back(), "box info");
    EXPECT_EQ(view.log[view.log.size() - 2], "TADA");
    EXPECT_EQ(view.panes[1], "Угадано 1");
    EXPECT_FALSE(view.blinking[1]) << "OK stops the blinking";
    EXPECT_EQ(p.guessedCount(), 1);
    EXPECT_NE(p.currentWord(), word) << "OK starts the next puzzle";
    EXPECT_EQ(view.panes[3], "Осталось 2") << "shown with the new puzzle's entry still counted";
    EXPECT_EQ(view.hint, "ПОДСКАЗКА " + p.currentWord()) << "the drawn hint left the list with its word";
    EXPECT_EQ(p.stage(), 0);
}

TEST(Puzzle, FifthMissLosesWithDieThenStopAndHidesTheWord)
{
    WordBase base = baseOf({"ПЫЖ", "ЛИНЬ"});
    RecordingView view;
    view.answers = {false};
    Puzzle p(base, view);
    p.start();
    ASSERT_EQ(p.currentWord(), "ПЫЖ");
    p.pressButton(buttonOf('П'));
    const char misses[] = {'А', 'Б', 'В', 'Г', 'Д'};
    for (int i = 0; i < 4; ++i) {
        p.pressButton(buttonOf(misses[i]));
        EXPECT_EQ(view.stage, i + 1);
    }
    view.log.clear();
    p.pressButton(buttonOf(misses[4]));
    EXPECT_EQ(view.stage, 5);
    EXPECT_EQ(view.log, (std::vector<std::string>{"DIE", "STOP", "box error", "end"}));
    EXPECT_EQ(view.boxes.back(), "Все попытки исчерпаны! \r\nВам не удалось угадать\r\nслово... Вы повешены..:)\r\n\r\n"
                                 "Попробуем еше разок??");
    EXPECT_EQ(view.panes[2], "Не отгадано 1");
    EXPECT_EQ(view.panes[3], "Осталось 1");
    EXPECT_TRUE(view.blinking[2]) << "Cancel leaves the panes blinking";
    EXPECT_TRUE(view.covered[2] && view.covered[3]) << "the rest stays covered";
    EXPECT_TRUE(view.ended);
}

TEST(Puzzle, SoundOffPlaysNothingElseIsTheSame)
{
    WordBase base = baseOf({"ЛИНЬ", "ПЫЖ"});
    RecordingView view;
    view.sound = false;
    view.answers = {false};
    Puzzle p(base, view);
    p.start();
    p.pressButton(buttonOf('Я'));
    solve(p);
    for (const auto& entry : view.log)
        EXPECT_TRUE(entry.rfind("uncover", 0) == 0 || entry.rfind("box", 0) == 0 || entry == "end") << entry;
    EXPECT_EQ(view.panes[1], "Угадано 1");
}

TEST(Puzzle, PressesWithoutAWordAndMissesOnLongWordsCountOnce)
{
    WordBase base = baseOf({"ГОЛОВАСТИК", "А"});
    RecordingView view;
    Puzzle p(base, view);
    p.pressButton(buttonOf('А')); // nothing started yet
    EXPECT_TRUE(view.log.empty());
    p.start();
    p.pressButton(buttonOf('Ю'));
    EXPECT_EQ(p.stage(), 1);
    EXPECT_EQ(view.log, std::vector<std::string>{"DIE"});
    p.pressButton(buttonOf('К'));
    EXPECT_EQ(p.stage(), 1) << "a letter only in cell 10 is no miss";
}

TEST(Puzzle, AWholePassEndsWithTheLastEntryAndTheRefill)
{
    WordBase base; // 93 built-in entries
    RecordingView view;
    Puzzle p(base, view);
    view.answers.assign(200, true);
    p.start();
    for (int puzzle = 1; puzzle <= 93; ++puzzle) {
        EXPECT_EQ(view.panes[3], "Осталось " + std::to_string(94 - puzzle)) << puzzle;
        if (puzzle == 93) {
            EXPECT_EQ(p.currentWord(), "ГОЛОВАСТИК") << "the last entry is the last puzzle";
        }
        view.clock = view.clock * 7919u + 17u;
        if (puzzle % 2) {
            solve(p);
        } else {
            const std::string word = p.currentWord();
            const size_t boxes = view.boxes.size();
            for (int b = 1; view.boxes.size() == boxes && b <= kLetterButtons; ++b)
                if (word.find(letterOfButton(b)) == std::string::npos)
                    p.pressButton(b);
        }
    }
    EXPECT_EQ(view.boxes.back().substr(0, 4), "Пере") << test::escaped(view.boxes.back());
    EXPECT_EQ(std::count(view.log.begin(), view.log.end(), "inform"), 1);
    EXPECT_EQ(view.panes[1], "Отгадано 0");
    EXPECT_EQ(view.panes[2], "Не отгадано 0");
    EXPECT_EQ(p.guessedCount(), 0);
    EXPECT_EQ(view.panes[3], "Осталось 93");
    EXPECT_EQ(base.List2.size(), 92u);
}

TEST(Puzzle, EmptyOrUnplayableBaseIsReportedNotIndexed)
{
    const std::string tooLong = "ИХТИОФАУНАА"; // 11 letters
    for (const StringList& words : {StringList{}, StringList{tooLong}, StringList{""}, StringList{"", tooLong, ""}}) {
        WordBase base = baseOf(words);
        RecordingView view;
        Puzzle p(base, view);
        try {
            p.start();
            FAIL() << "expected an error";
        } catch (const Error& e) {
            EXPECT_STREQ(e.what(), "В базе нет слов для игры!");
        }
        EXPECT_EQ(view.panes[3], "Осталось 0");
        EXPECT_EQ(base.List4, words) << "the full list keeps what the file holds";
        p.pressButton(1);
        EXPECT_EQ(view.stage, 0);
    }
}

TEST(Puzzle, OverlongWordsAreSkippedAndShortHintListsGiveEmptyHints)
{
    WordBase base = baseOf({"ИХТИОФАУНАА", "ЛИНЬ", "ПЫЖ"});
    base.List1.resize(1); // hints file shorter than the words file
    RecordingView view;
    Puzzle p(base, view);
    p.start();
    EXPECT_EQ(p.currentWord(), "ЛИНЬ");
    EXPECT_EQ(view.hint, "");
    EXPECT_EQ(base.List2, StringList{"ПЫЖ"});
    EXPECT_TRUE(base.List1.empty());
}

// An empty inner entry ("А\r\n\r\n") or an import row without a word cell is kept in the files but
// never drawn: no press could hit or miss it, and the game would be stuck.
TEST(Puzzle, EmptyWordsAreNeverDrawnAndEveryPuzzleEnds)
{
    const StringList words = parseLines("А\r\n\r\n");
    ASSERT_EQ(words, (StringList{"А", ""}));
    for (uint32_t clock : {0u, 1u, 12345u, 86399999u}) {
        WordBase base = baseOf(words);
        RecordingView view;
        view.clock = clock;
        view.answers = {true, true, false};
        Puzzle p(base, view);
        p.start();
        EXPECT_EQ(p.currentWord(), "А") << clock;
        EXPECT_EQ(base.List4, words) << "the full list keeps the empty entry";
        // Three puzzles in a row, each ended by a win, through the refill.
        for (int puzzle = 0; puzzle < 3; ++puzzle) {
            const size_t boxes = view.boxes.size();
            for (int b = 1; b <= kLetterButtons && view.boxes.size() == boxes; ++b)
                p.pressButton(b);
            EXPECT_GT(view.boxes.size(), boxes) << "puzzle " << puzzle << " never ended, clock " << clock;
            if (puzzle < 2) {
                EXPECT_EQ(p.currentWord(), "А") << puzzle;
            }
        }
        EXPECT_TRUE(view.ended);
    }
}

} // namespace
} // namespace slovo

// The puzzle engine: draws a word, takes letters, uncovers cells, advances the gallows and ends
// each puzzle with a win or a loss. It talks to the window only through PuzzleView.
#pragma once

#include "game/core/word_base.h"

#include <array>
#include <cstdint>
#include <string>

namespace slovo {

inline constexpr int kCells = 10;
inline constexpr int kLetterButtons = 30;
inline constexpr int kLostStage = 5;

// The letters of b1 .. b30; Ё, Й and Ъ have no button.
char letterOfButton(int button);

enum class Sound { Well, Tada, Die, Stop };
enum class BoxKind { Information, Error };

// What the engine needs of the window. Cells, buttons and panes are numbered from 1.
class PuzzleView {
public:
    virtual ~PuzzleView() = default;
    virtual void setHint(const std::string& hint) = 0;
    virtual void setCellLetter(int cell, char letter) = 0;
    virtual void setCellShown(int cell, bool shown) = 0; // letter and cover together
    virtual void uncoverCell(int cell) = 0;
    virtual void setGallowsStage(int stage) = 0;
    virtual void enableAllLetterButtons() = 0;
    virtual void disableLetterButton(int button) = 0;
    virtual void setPaneText(int pane, const std::string& text) = 0;
    virtual void setPaneBlinking(int pane, bool blinking) = 0;
    virtual bool soundOn() = 0;
    virtual void playSound(Sound sound) = 0;
    // A modal OK/Cancel box; true for OK.
    virtual bool askOkCancel(BoxKind kind, const std::string& text) = 0;
    virtual void inform(const std::string& text) = 0;
    virtual void endProgram() = 0;
    // Seeds the draw: milliseconds since midnight of the system clock, UTC.
    virtual uint32_t millisecondsSinceMidnightUtc() = 0;
};

// A linear congruential generator: seed * 134775813 + 1, and the high half of seed * range.
class SeededRandom {
public:
    void seed(uint32_t s) { state_ = s; }
    // 0 .. range-1; 0 for range 0.
    uint32_t next(uint32_t range);
    uint32_t state() const { return state_; }

private:
    uint32_t state_ = 0;
};

class Puzzle {
public:
    Puzzle(WordBase& base, PuzzleView& view) : base_(base), view_(view) {}

    // FormActivate: start a new puzzle from the remaining lists. Throws Error when the base has
    // no playable entry left; the puzzle then stays empty and presses do nothing.
    void start();
    // b1Click .. b30Click.
    void pressButton(int button);
    // proverka_bukviExecute, for PressedLetter.
    void checkLetter();

    const std::string& currentWord() const { return CurrentWord; }
    char cellLetter(int cell) const { return CellLetters[cell]; }
    int foundCount() const { return FoundCount; }
    int wordIndex() const { return WordIndex; }
    int stage() const { return stage_; }
    int guessedCount() const { return GuessedCount; }
    int notGuessedCount() const { return NotGuessedCount; }

private:
    void win();
    void lose();
    void answer(bool ok);
    void showCounts();

    WordBase& base_;
    PuzzleView& view_;
    SeededRandom random_;

    std::string CurrentWord;
    std::array<char, kCells + 1> CellLetters{}; // positions 1..10
    std::string PressedLetter;
    int32_t FoundCount = 0;
    int32_t WordIndex = 0;
    int stage_ = 0;
    int32_t GuessedCount = 0;
    int32_t NotGuessedCount = 0;
};

} // namespace slovo

// Fuzzes the puzzle engine over any base: words and hints from the input as the files give them,
// presses from the input. Every puzzle ends within the thirty buttons, cells stay in range, and
// the remaining lists only shrink between refills.
#include "common/error.h"
#include "game/core/puzzle.h"
#include "tests/fuzz/fuzz_util.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace {

constexpr int kPuzzles = 8; // puzzles played per input, the refill included for short bases

class View : public slovo::PuzzleView {
public:
    int boxes = 0;
    bool ended = false;
    std::array<bool, slovo::kLetterButtons + 1> enabled{};
    uint32_t clock = 0;
    void setHint(const std::string&) override {}
    void setCellLetter(int c, char) override { FUZZ_CHECK(c >= 1 && c <= slovo::kCells, "cell " + std::to_string(c)); }
    void setCellShown(int c, bool) override { FUZZ_CHECK(c >= 1 && c <= slovo::kCells, "cell " + std::to_string(c)); }
    void uncoverCell(int c) override { FUZZ_CHECK(c >= 1 && c <= slovo::kCells, "cell " + std::to_string(c)); }
    void setGallowsStage(int s) override { FUZZ_CHECK(s >= 0 && s <= slovo::kLostStage, "stage"); }
    void enableAllLetterButtons() override { enabled.fill(true); }
    void disableLetterButton(int b) override { enabled.at(b) = false; }
    void setPaneText(int p, const std::string&) override { FUZZ_CHECK(p >= 1 && p <= 4, "pane"); }
    void setPaneBlinking(int, bool) override {}
    bool soundOn() override { return true; }
    void playSound(slovo::Sound) override {}
    bool askOkCancel(slovo::BoxKind, const std::string&) override
    {
        ++boxes;
        return boxes < kPuzzles;
    }
    void inform(const std::string&) override {}
    void endProgram() override { ended = true; }
    uint32_t millisecondsSinceMidnightUtc() override { return clock++ * 7919u; }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const size_t split = bytes.find('\0');
    const std::string_view words = bytes.substr(0, split);
    const std::string_view presses = split == std::string_view::npos ? std::string_view() : bytes.substr(split + 1);

    slovo::WordBase base;
    base.List4 = slovo::parseLines(words);
    base.List4.resize(std::min<size_t>(base.List4.size(), 64));
    for (const auto& w : base.List4)
        base.List3.push_back(w.substr(0, w.size() / 2));
    base.refill();
    View view;
    slovo::Puzzle p(base, view);
    try {
        p.start();
    } catch (const slovo::Error& e) {
        FUZZ_CHECK(std::string(e.what()) == "В базе нет слов для игры!", e.what());
        return 0;
    }
    // Presses from the input first, then every button in turn, as the window allows them (each
    // once a puzzle): each puzzle must end.
    size_t i = 0;
    while (!view.ended && view.boxes < kPuzzles) {
        const int boxes = view.boxes;
        int pressed = 0;
        while (view.boxes == boxes && !view.ended && pressed < slovo::kLetterButtons) {
            int button = 0;
            if (i < presses.size()) {
                button = 1 + static_cast<uint8_t>(presses[i++]) % 31;
            } else {
                for (int b = 1; b <= slovo::kLetterButtons && !button; ++b)
                    if (view.enabled[b])
                        button = b;
            }
            if (button < 1 || button > slovo::kLetterButtons || !view.enabled[button])
                continue; // the window lets no disabled button be pressed
            ++pressed;
            p.pressButton(button);
            FUZZ_CHECK(p.foundCount() <= static_cast<int>(p.currentWord().size()), "more cells found than letters");
        }
        FUZZ_CHECK(view.boxes > boxes || view.ended, "a puzzle that never ends: " + p.currentWord());
    }
    return 0;
}

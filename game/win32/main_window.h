// The main window Form1: the game's controls, its lists and the puzzle engine's view.
#pragma once

#include "game/core/app_title.h"
#include "game/core/puzzle.h"
#include "game/core/word_base.h"
#include "game/win32/win32_file_system.h"
#include "toolkit/application.h"
#include "toolkit/button.h"
#include "toolkit/form.h"
#include "toolkit/image.h"
#include "toolkit/label.h"
#include "toolkit/menu.h"
#include "toolkit/panel.h"
#include "toolkit/status_pane.h"

#include <array>
#include <memory>

namespace slovo {

class MainWindow : private PuzzleView {
public:
    explicit MainWindow(tk::Application& app);
    ~MainWindow() override;

    // Shows the window; its first activation starts the first puzzle.
    void show();

    HWND handle() const { return form_.handle(); }
    WordBase& base() { return base_; }
    Puzzle& puzzle() { return puzzle_; }

    // TForm1.FormCreate: start-up preparation of the word base.
    void FormCreate();
    // TForm1.FormActivate: start a new puzzle.
    void FormActivate();

private:
    void createControls();

    // PuzzleView
    void setHint(const std::string& hint) override;
    void setCellLetter(int cell, char letter) override;
    void setCellShown(int cell, bool shown) override;
    void uncoverCell(int cell) override;
    void setGallowsStage(int stage) override;
    void enableAllLetterButtons() override;
    void disableLetterButton(int button) override;
    void setPaneText(int pane, const std::string& text) override;
    void setPaneBlinking(int pane, bool blinking) override;
    bool soundOn() override;
    void playSound(Sound sound) override;
    bool askOkCancel(BoxKind kind, const std::string& text) override;
    void inform(const std::string& text) override;
    void endProgram() override;
    uint32_t millisecondsSinceMidnightUtc() override;

    tk::Application& app_;
    Win32FileSystem fs_;
    BasePaths paths_ = BasePaths::fixedWindows();
    WordBase base_;
    Puzzle puzzle_;
    bool activated_ = false;
    // Whether the "База" button may open the base menu; the toolbar shows it.
    bool baseButtonEnabled_ = true;

    tk::Form form_;
    std::unique_ptr<tk::Panel> gallowsPanel_, hintPanel_, cellStrip_, lettersPanel_, statusBar_;
    std::unique_ptr<tk::Image> image1_;
    std::unique_ptr<tk::Label> zagolovok_;
    std::array<std::unique_ptr<tk::Label>, kCells + 1> labels_, covers_;
    std::array<std::unique_ptr<tk::Button>, kLetterButtons + 1> letterButtons_;
    std::array<std::unique_ptr<tk::StatusPane>, 5> panes_;

    tk::PopupMenu soundsMenu_;
    tk::MenuItem& SoundON;
    tk::MenuItem& SoundOFF;
};

} // namespace slovo

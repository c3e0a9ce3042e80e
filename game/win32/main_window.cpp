// Form1: layout of the playing window and the puzzle engine's view over real controls.
#include "game/win32/main_window.h"

#include "game/win32/control_ids.h"
#include "toolkit/text.h"

#include <mmsystem.h>

namespace slovo {

namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kCaptionBar = RGB(181, 181, 219);
constexpr COLORREF kPanelBody = RGB(244, 244, 250);

// Names such as "b17"; GCC 12 warns falsely on literal + std::string (its bug 105329).
std::string numbered(const char* prefix, int n)
{
    std::string name(prefix);
    name += std::to_string(n);
    return name;
}

enum MenuIds : UINT { kSoundOnItem = 2001, kSoundOffItem = 2002 };

} // namespace

MainWindow::MainWindow(tk::Application& app)
    : app_(app), puzzle_(base_, *this), form_(L"TForm1", "Form1"),
      SoundON(soundsMenu_.add(kSoundOnItem, "SoundON", "Включить")),
      SoundOFF(soundsMenu_.add(kSoundOffItem, "SoundOFF", "Выключить"))
{
    // Sound is on at start: the item that would switch it on is closed.
    SoundON.setEnabled(false);
    SoundON.onClick = [this] {
        SoundOFF.setEnabled(true);
        SoundON.setEnabled(false);
    };
    SoundOFF.onClick = [this] {
        SoundOFF.setEnabled(false);
        SoundON.setEnabled(true);
    };

    form_.createWindow(kApplicationTitle, 516, 274, kWhite);
    SetWindowLongPtrW(form_.handle(), GWL_EXSTYLE, GetWindowLongPtrW(form_.handle(), GWL_EXSTYLE) | WS_EX_APPWINDOW);
    app_.setMainWindow(form_.handle());
    createControls();
    form_.onActivate = [this] {
        if (!activated_) {
            activated_ = true;
            FormActivate();
        }
    };

    // Errors while the window is created are reported and the start goes on.
    try {
        FormCreate();
    } catch (...) {
        app_.handleException(std::current_exception());
    }
}

MainWindow::~MainWindow() = default;

void MainWindow::createControls()
{
    tk::Control* form = &form_;

    gallowsPanel_ = std::make_unique<tk::Panel>(form, "AdvPanel1", tk::Bounds{4, 32, 133, 217}, ids::kGallowsPanel);
    gallowsPanel_->setColour(kPanelBody);
    gallowsPanel_->setCaption("<B>Словоловка</B>", kCaptionBar);
    image1_ = std::make_unique<tk::Image>(gallowsPanel_.get(), "Image1", tk::Bounds{12, 20, 110, 193}, ids::kGallows);

    hintPanel_ = std::make_unique<tk::Panel>(form, "AdvPanel2", tk::Bounds{140, 32, 373, 93}, ids::kHintPanel);
    hintPanel_->setColour(kPanelBody);
    hintPanel_->setCaption("<B>Подсказка</B>", kCaptionBar);
    tk::LabelStyle hintStyle;
    hintStyle.face = L"Arial";
    hintStyle.pixelHeight = 13;
    hintStyle.bold = true;
    hintStyle.centre = true;
    hintStyle.middle = true;
    hintStyle.wordWrap = true;
    zagolovok_ = std::make_unique<tk::Label>(hintPanel_.get(), "Zagolovok", tk::Bounds{4, 20, 365, 69}, hintStyle,
                                             ids::kHintLabel);

    cellStrip_ = std::make_unique<tk::Panel>(form, "Panel1", tk::Bounds{180, 132, 289, 37}, ids::kCellStrip);
    cellStrip_->setColour(kWhite);
    tk::LabelStyle letterStyle;
    letterStyle.face = L"Arial Black";
    letterStyle.pixelHeight = 24;
    letterStyle.centre = true;
    letterStyle.middle = true;
    tk::LabelStyle coverStyle;
    coverStyle.transparent = false;
    coverStyle.fill = kWhite;
    coverStyle.frame = true;
    for (int i = 1; i <= kCells; ++i) {
        const int x = 4 + 28 * (i - 1);
        labels_[i] = std::make_unique<tk::Label>(cellStrip_.get(), numbered("Label", i), tk::Bounds{x, 2, 27, 33},
                                                 letterStyle, ids::kCellLabel + i);
    }
    // The covers lie above the letters.
    for (int i = 1; i <= kCells; ++i) {
        const int x = 4 + 28 * (i - 1);
        covers_[i] = std::make_unique<tk::Label>(cellStrip_.get(), numbered("Close", i), tk::Bounds{x, 2, 29, 33},
                                                 coverStyle, ids::kCellCover + i);
        covers_[i]->bringToFront();
    }

    lettersPanel_ = std::make_unique<tk::Panel>(form, "AdvPanel3", tk::Bounds{140, 172, 373, 77}, ids::kLettersPanel);
    lettersPanel_->setColour(kPanelBody);
    lettersPanel_->setCaption("Символы<FONT face=\"Arial\"></FONT>", kCaptionBar, true);
    for (int k = 1; k <= kLetterButtons; ++k) {
        const int x = 8 + 24 * ((k - 1) % 15);
        const int y = k <= 15 ? 24 : 48;
        auto& button = letterButtons_[k];
        button = std::make_unique<tk::Button>(lettersPanel_.get(), numbered("b", k), tk::Bounds{x, y, 21, 21},
                                              std::string(1, letterOfButton(k)), ids::kLetterButton + k, false);
        button->onClick = [this, k] { puzzle_.pressButton(k); };
    }

    statusBar_ = std::make_unique<tk::Panel>(form, "RzStatusBar1", tk::Bounds{0, 254, 516, 20}, ids::kStatusBar);
    statusBar_->setColour(GetSysColor(COLOR_BTNFACE));
    const tk::Bounds paneBounds[] = {{0, 0, 105, 20}, {104, 0, 117, 20}, {220, 0, 105, 20}, {324, 0, 117, 20}};
    const char* paneTexts[] = {"Отгадано 0...", "Не отгадано 0...", "Осталось ", "Всего слов "};
    for (int p = 1; p <= 4; ++p) {
        panes_[p] = std::make_unique<tk::StatusPane>(statusBar_.get(), numbered("RzGlyphStatus", p),
                                                     paneBounds[p - 1], ids::kStatusPane + p);
        panes_[p]->setText(paneTexts[p - 1]);
    }

    setGallowsStage(0);
}

void MainWindow::show()
{
    form_.show();
    // Without a window manager the system may not activate a newly shown window by itself.
    if (!activated_)
        SetForegroundWindow(form_.handle());
}

void MainWindow::FormCreate()
{
    baseButtonEnabled_ = prepareStartup(fs_, base_, paths_);
}

void MainWindow::FormActivate()
{
    puzzle_.start();
}

void MainWindow::setHint(const std::string& hint)
{
    zagolovok_->setText(hint);
}

void MainWindow::setCellLetter(int cell, char letter)
{
    labels_[cell]->setText(std::string(1, letter));
}

void MainWindow::setCellShown(int cell, bool shown)
{
    labels_[cell]->setVisible(shown);
    covers_[cell]->setVisible(shown);
}

void MainWindow::uncoverCell(int cell)
{
    covers_[cell]->setVisible(false);
    UpdateWindow(labels_[cell]->handle());
}

void MainWindow::setGallowsStage(int stage)
{
    image1_->setPicture(numbered("GALLOWS", stage));
}

void MainWindow::enableAllLetterButtons()
{
    for (int k = 1; k <= kLetterButtons; ++k)
        letterButtons_[k]->setEnabled(true);
}

void MainWindow::disableLetterButton(int button)
{
    letterButtons_[button]->setEnabled(false);
}

void MainWindow::setPaneText(int pane, const std::string& text)
{
    panes_[pane]->setText(text);
}

void MainWindow::setPaneBlinking(int pane, bool blinking)
{
    panes_[pane]->setBlinking(blinking);
}

bool MainWindow::soundOn()
{
    return !SoundON.enabled();
}

void MainWindow::playSound(Sound sound)
{
    static const wchar_t* const names[] = {L"WELL", L"TADA", L"DIE", L"STOP"};
    PlaySoundW(names[static_cast<int>(sound)], app_.module(), SND_RESOURCE | SND_ASYNC | SND_NODEFAULT);
}

bool MainWindow::askOkCancel(BoxKind kind, const std::string& text)
{
    const bool info = kind == BoxKind::Information;
    return app_.messageBox(text, info ? "Information" : "Error", info ? tk::BoxIcon::Information : tk::BoxIcon::Error,
                           MB_OKCANCEL | MB_DEFBUTTON1) == IDOK;
}

void MainWindow::inform(const std::string& text)
{
    app_.messageBox(text, "Information", tk::BoxIcon::Information, MB_OK);
}

void MainWindow::endProgram()
{
    app_.terminate();
}

uint32_t MainWindow::millisecondsSinceMidnightUtc()
{
    SYSTEMTIME t;
    GetSystemTime(&t);
    return ((t.wHour * 60u + t.wMinute) * 60u + t.wSecond) * 1000u + t.wMilliseconds;
}

} // namespace slovo

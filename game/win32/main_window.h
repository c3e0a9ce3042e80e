// The main window Form1: the game's controls, toolbar, menus, overlays, its lists and the
// puzzle engine's view.
#pragma once

#include "editor/core/editor_host.h"
#include "editor/win32/editor_window.h"
#include "effects/win32/html_hint.h"
#include "effects/win32/starfield.h"
#include "game/core/app_title.h"
#include "game/core/puzzle.h"
#include "game/core/word_base.h"
#include "game/win32/single_instance.h"
#include "idle/win32/duvezode.h"
#include "settings/core/prop_saver.h"
#include "settings/core/storage.h"
#include "settings/core/storage_data.h"
#include "settings/win32/form_saver_owner.h"
#include "common/win32/win32_file_system.h"
#include "toolkit/application.h"
#include "toolkit/button.h"
#include "toolkit/form.h"
#include "toolkit/hints.h"
#include "toolkit/image.h"
#include "toolkit/label.h"
#include "toolkit/menu.h"
#include "toolkit/panel.h"
#include "toolkit/picture_box.h"
#include "toolkit/radio_button.h"
#include "toolkit/status_clock.h"
#include "toolkit/status_pane.h"
#include "toolkit/tool_button.h"

#include <array>
#include <memory>
#include <vector>

namespace slovo {

class MainWindow : private PuzzleView, private EditorHost {
public:
    explicit MainWindow(tk::Application& app);
    ~MainWindow() override;

    // Shows the window (FormShow runs); its first activation starts the first puzzle.
    void show();

    HWND handle() const { return form_.handle(); }
    WordBase& base() { return base_; }
    Puzzle& puzzle() { return puzzle_; }

    // Handlers, named as the window's events.
    void FormCreate();
    void FormShow();
    void FormActivate();
    void standartClick();
    void updatebClick();
    void SoundONClick();
    void SoundOFFClick();
    void HelpONClick();
    void HelpOFFClick();
    void RzToolbarButton1Click(); // Редактор
    void RzToolbarButton2Click(); // О программе
    void RzToolbarButton3Click(); // Выход
    void Button1Click();
    void Button2Click();
    void But1Click();
    void SurfTo(const std::string& address);
    void SendEmail(const std::string& address, const std::string& subject);
    void Duvezode1Sleep(idle::TDuvezode& sender);
    void Duvezode1Awake(idle::TDuvezode& sender);

    // The window's hints switch (ShowHint).
    bool showHint() const { return form_.showHint(); }
    void setShowHint(bool on) { form_.setShowHint(on); }
    tk::Form& form() { return form_; }
    rs::TrsStorage& storage() { return *rsStorage1; }
    rs::TrsBinData& settingsFile() { return *rsBinData1; }

    tk::MenuItem& standart() { return *standart_; }
    tk::MenuItem& updateb() { return *updateb_; }
    tk::MenuItem& soundOnItem() { return *SoundON; }
    tk::MenuItem& soundOffItem() { return *SoundOFF; }
    tk::MenuItem& helpOnItem() { return *HelpON; }
    tk::MenuItem& helpOffItem() { return *HelpOFF; }
    tk::ToolButton& baseButton() { return *toolButtons_[0]; }
    // Made on first use, as the about command makes it.
    tk::Panel& aboutPanel();
    tk::Panel& editorHost() { return *FormPanel; }
    tk::Panel& baseChoicePanel() { return *PanelGroup1; }
    tk::RadioButton& choiceStandard() { return *Button1; }
    tk::RadioButton& choiceUpdated() { return *Button2; }
    tk::Panel& starfieldPanel() { return *AdvPanel5; }
    // Made on first use, as the first idle period makes it.
    fx::TBUStarfield& starfield();
    // nullptr when it could not be created (its library file could not be written).
    idle::TDuvezode* idleWatcher() { return Duvezode1.get(); }
    size_t editorWindowCount() const { return editors_.size(); }
    // The editor the last "Редактор" made, or nullptr.
    EditorWindow* editor() { return editors_.empty() ? nullptr : editors_.back().get(); }

private:
    void createControls();
    void createToolbarAndMenus();
    void createOverlays();
    void createIdleWatcher();
    void startIdleWatcher();
    void addHints();
    void dropDown(tk::ToolButton& button, tk::PopupMenu& menu);

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

    // EditorHost
    const std::vector<std::string>& words() const override { return base_.List4; }
    const std::vector<std::string>& hints() const override { return base_.List3; }
    int baseKind() const override { return base_.BaseKind; }
    void setBaseKind(int kind) override { base_.BaseKind = kind; }
    bool updatedBaseExists() override;
    void takeTable(std::vector<std::string> words, std::vector<std::string> hints) override;
    void writeBase(int kind) override;
    void loadBase(int kind) override;
    bool downloadExists() override;
    void deleteDownload() override;
    DownloadedBase readDownload() override;
    void updatedBaseTaken() override;
    void formActivate() override;
    void formCreate() override { FormCreate(); }
    void hideEditor() override { FormPanel->setVisible(false); }
    void destroyEditor(const void* editor) override;
    void terminate() override { app_.terminate(); }

    tk::Application& app_;
    Win32FileSystem fs_;
    BasePaths paths_ = BasePaths::fixedWindows();
    WordBase base_;
    Puzzle puzzle_;
    bool activated_ = false;
    HWND focusAfterShow_ = nullptr;

    tk::Form form_;
    // Non-visual components, in their order of creation.
    std::unique_ptr<TabcSingleInstance> abcSingleInstance1;
    std::unique_ptr<rs::TrsStorage> rsStorage1;
    std::unique_ptr<rs::TrsBinData> rsBinData1;
    std::unique_ptr<rs::FormSaverOwner> saverOwner_;
    std::unique_ptr<rs::TrsPropSaver> rsPropSaver1;
    std::unique_ptr<idle::TDuvezode> Duvezode1;

    std::unique_ptr<tk::Panel> toolbar_, gallowsPanel_, hintPanel_, cellStrip_, lettersPanel_, statusBar_;
    std::array<std::unique_ptr<tk::ToolButton>, 6> toolButtons_;
    std::unique_ptr<tk::Image> image1_;
    std::unique_ptr<tk::Label> zagolovok_;
    std::array<std::unique_ptr<tk::Label>, kCells + 1> labels_, covers_;
    std::array<std::unique_ptr<tk::Button>, kLetterButtons + 1> letterButtons_;
    std::array<std::unique_ptr<tk::StatusPane>, 5> panes_;
    std::unique_ptr<tk::StatusClock> RzClockStatus1;

    std::unique_ptr<tk::Panel> AdvPanel4, FormPanel, PanelGroup1, AdvPanel5;
    std::unique_ptr<fx::TBUStarfield> BUStarfield1;
    std::array<std::unique_ptr<tk::PictureBox>, 4> aboutPictures_;
    std::unique_ptr<tk::RadioButton> Button1, Button2;
    std::unique_ptr<tk::ToolButton> But1;
    std::vector<std::unique_ptr<EditorWindow>> editors_;

    tk::PopupMenu baseMenu_, soundsMenu_, hintsMenu_;
    tk::MenuItem *standart_ = nullptr, *updateb_ = nullptr;
    tk::MenuItem *SoundON = nullptr, *SoundOFF = nullptr, *HelpON = nullptr, *HelpOFF = nullptr;
    std::unique_ptr<fx::THTMLHint> HTMLHint1;
    std::unique_ptr<tk::Hints> hints_;
};

} // namespace slovo

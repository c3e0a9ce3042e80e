// Form1: layout of the main window, its commands, and the puzzle engine's view over real controls.
#include "game/win32/main_window.h"

#include "game/win32/control_ids.h"
#include "game/core/grid_file.h"
#include "toolkit/picture.h"
#include "common/win32/text.h"
#include "common/win32/start_trace.h"

#include <mmsystem.h>
#include <shellapi.h>

#include <cstdlib>
#include <cstring>

#ifndef SLOVO_SITE_URL
#define SLOVO_SITE_URL "http://www.example.com/slovolovka/"
#endif
#ifndef SLOVO_CONTACT_MAIL
#define SLOVO_CONTACT_MAIL "slovolovka@example.com"
#endif

namespace slovo {

namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kCaptionBar = RGB(181, 181, 219);
constexpr COLORREF kChoiceCaptionBar = RGB(209, 209, 233);
constexpr COLORREF kPanelBody = RGB(244, 244, 250);

// Names such as "b17".
std::string numbered(const char* prefix, int n)
{
    std::string name(prefix);
    name += std::to_string(n);
    return name;
}

tk::Picture* picture(const wchar_t* name)
{
    return tk::Picture::shared(name);
}

} // namespace

MainWindow::MainWindow(tk::Application& app) : app_(app), puzzle_(base_, *this), form_(L"TForm1", "Form1")
{
    form_.createWindow(kApplicationTitle, 516, 274, kWhite);
    app_.setMainWindow(form_.handle());
    trace::mark("main window");
    createControls();
    form_.onActivate = [this] {
        if (!activated_) {
            activated_ = true;
            FormActivate();
        }
    };
    form_.onShow = [this] { FormShow(); };
    form_.onMenuCommand = [this](UINT id) {
        baseMenu_.dispatch(id) || soundsMenu_.dispatch(id) || hintsMenu_.dispatch(id);
    };
    form_.onShowHintChanged = [this](bool on) { hints_->setActive(on); };
    for (tk::MenuItem* item : {standart_, updateb_, SoundON, SoundOFF, HelpON, HelpOFF})
        form_.own(item->name(), item);

    // The non-visual components, in design order: the guard first.
    abcSingleInstance1 = std::make_unique<TabcSingleInstance>(kApplicationTitle);
    trace::mark("guard made");

    rsStorage1 = std::make_unique<rs::TrsStorage>(537114806);
    rsStorage1->value().setFormatSettings(rs::localeFormatSettings());
    rsStorage1->OnDestroyError = [this](std::exception_ptr e) { app_.handleException(e); };
    rsStorage1->beginLoading();
    rsStorage1->setActive(true);
    for (const char* key : {"\\Form1.rsPropSaver1\\Left", "\\Form1.rsPropSaver1\\ShowHint",
                            "\\Form1.rsPropSaver1\\SoundOFF.Enabled", "\\Form1.rsPropSaver1\\SoundON.Enabled",
                            "\\Form1.rsPropSaver1\\Top", "\\Form1.rsPropSaver1\\WindowState"})
        rsStorage1->addEncryptKey(key);

    rsBinData1 = std::make_unique<rs::TrsBinData>(fs_, rs::platformDirs(rs::FileDir::fdWindows));
    rsBinData1->FileName = "data\\";
    rsBinData1->fileDir = rs::FileDir::fdWindows;
    rsBinData1->doAutoName = true;
    rsBinData1->doAutoCreateDir = true;
    rsStorage1->setStorageData(rsBinData1.get());

    saverOwner_ = std::make_unique<rs::FormSaverOwner>(form_);
    rsPropSaver1 = std::make_unique<rs::TrsPropSaver>(*saverOwner_, [this](std::exception_ptr e) { app_.handleException(e); });
    rsPropSaver1->Storage = rsStorage1.get();
    rsPropSaver1->RootSection = "Form1.rsPropSaver1";
    rsPropSaver1->Properties = {"Left,\"\",\"\",EPDC",        "Top,\"\",\"\",EPDC",
                                "ShowHint,\"\",\"\",EPDC",    "WindowState,\"\",\"\",EPDC",
                                "SoundOFF.Enabled,\"\",\"\",EPDC", "SoundON.Enabled,\"\",\"\",EPDC"};
    rsPropSaver1->setWhenLoad(rs::WhenLoad::wlOnShow);
    rsPropSaver1->setWhenSave(rs::WhenSave::wsOnDestroy);
    trace::mark("settings storage and saver");

    createIdleWatcher();
    trace::mark("idle watcher: window, hook library checked or written");

    // All components exist: a second instance ends here, before anything is read or prepared.
    abcSingleInstance1->checkAfterLoading(app_.handle());
    trace::mark("guard: mutex and window search");
    // Only a copy that runs takes the hooks: the shared record names one watcher's window, and
    // a second copy that wrote its own there and ended would leave the first unable to wake.
    startIdleWatcher();
    trace::mark("idle watcher: hook library loaded, two global hooks");
    try {
        rsStorage1->endLoading();
    } catch (...) {
        app_.handleException(std::current_exception());
    }
    trace::mark("settings file read");

    // Errors while the window is created are reported and the start goes on.
    try {
        FormCreate();
    } catch (...) {
        app_.handleException(std::current_exception());
    }
    trace::mark("FormCreate: word base files");
}

MainWindow::~MainWindow() = default;

void MainWindow::createIdleWatcher()
{
    try {
        Duvezode1 = std::make_unique<idle::TDuvezode>([this](std::exception_ptr e) { app_.handleException(e); });
    } catch (...) {
        app_.handleException(std::current_exception());
    }
}

void MainWindow::startIdleWatcher()
{
    if (!Duvezode1)
        return;
    try {
        // The end-to-end tests shorten the idle period through the environment; the program
        // itself has no such option.
        if (const char* seconds = std::getenv("SLOVO_TEST_IDLE_INTERVAL"))
            Duvezode1->setInterval(static_cast<uint32_t>(std::strtoul(seconds, nullptr, 10)));
        // The stored order: the hooks load with Active, the timer starts once OnSleep is set.
        Duvezode1->setActive(true);
        Duvezode1->setOnAwake([this](idle::TDuvezode& sender) { Duvezode1Awake(sender); });
        Duvezode1->setOnSleep([this](idle::TDuvezode& sender) { Duvezode1Sleep(sender); });
    } catch (...) {
        app_.handleException(std::current_exception());
    }
}

void MainWindow::Duvezode1Sleep(idle::TDuvezode&)
{
    starfield().setActive(true);
    AdvPanel5->bringToFront();
    AdvPanel5->setVisible(true);
}

void MainWindow::Duvezode1Awake(idle::TDuvezode&)
{
    if (BUStarfield1)
        BUStarfield1->setActive(false);
    AdvPanel5->setVisible(false);
}

void MainWindow::createControls()
{
    tk::Control* form = &form_;
    createToolbarAndMenus();
    trace::mark("controls: toolbar, its glyphs and menus");

    gallowsPanel_ = std::make_unique<tk::Panel>(form, "AdvPanel1", tk::Bounds{4, 32, 133, 217}, ids::kGallowsPanel);
    gallowsPanel_->setColour(kPanelBody);
    gallowsPanel_->setCaption("<B>Словоловка</B>", kCaptionBar);
    image1_ = std::make_unique<tk::Image>(gallowsPanel_.get(), "Image1", tk::Bounds{12, 20, 110, 193}, ids::kGallows);
    // The same name at every stage: the picture alone tells how far the player is.
    image1_->setText("Виселица");

    hintPanel_ = std::make_unique<tk::Panel>(form, "AdvPanel2", tk::Bounds{140, 32, 373, 93}, ids::kHintPanel);
    hintPanel_->setColour(kPanelBody);
    hintPanel_->setCaption("<B>Подсказка</B>", kCaptionBar);
    hintPanel_->addCaptionButton(tk::Symbol::Fold, ids::kHintPanelFold);
    tk::LabelStyle hintStyle;
    hintStyle.face = L"Arial";
    hintStyle.pixelHeight = 13;
    hintStyle.bold = true;
    hintStyle.centre = true;
    hintStyle.middle = true;
    hintStyle.wordWrap = true;
    zagolovok_ = std::make_unique<tk::Label>(hintPanel_.get(), "Zagolovok", tk::Bounds{4, 20, 365, 69}, hintStyle,
                                             ids::kHintLabel);

    trace::mark("controls: gallows and hint panels");
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

    trace::mark("controls: 10 cells and their covers");
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

    trace::mark("controls: letter buttons");
    statusBar_ = std::make_unique<tk::Panel>(form, "RzStatusBar1", tk::Bounds{0, 254, 516, 20}, ids::kStatusBar);
    statusBar_->setColour(GetSysColor(COLOR_BTNFACE));
    const tk::Bounds paneBounds[] = {{0, 0, 105, 20}, {104, 0, 117, 20}, {220, 0, 105, 20}, {324, 0, 117, 20}};
    const char* paneTexts[] = {"Отгадано 0...", "Не отгадано 0...", "Осталось ", "Всего слов "};
    const wchar_t* paneGlyphs[] = {L"Home16.gif", L"Delete16.gif", L"History16.gif", L"Jar16.gif"};
    for (int p = 1; p <= 4; ++p) {
        panes_[p] = std::make_unique<tk::StatusPane>(statusBar_.get(), numbered("RzGlyphStatus", p), paneBounds[p - 1],
                                                     ids::kStatusPane + p);
        panes_[p]->setText(paneTexts[p - 1]);
        panes_[p]->setGlyph(picture(paneGlyphs[p - 1]));
    }
    RzClockStatus1 = std::make_unique<tk::StatusClock>(statusBar_.get(), "RzClockStatus1", tk::Bounds{440, 0, 78, 20},
                                                       ids::kClock);

    trace::mark("controls: status bar");
    createOverlays();
    trace::mark("controls: about, editor host, base choice, starfield");
    addHints();
    trace::mark("hints registered");
    setGallowsStage(0);
    trace::mark("gallows picture");
}

void MainWindow::createToolbarAndMenus()
{
    toolbar_ = std::make_unique<tk::Panel>(&form_, "RzToolbar1", tk::Bounds{0, 0, 516, 29}, ids::kToolbar);
    toolbar_->setColour(RGB(236, 236, 246));
    struct ButtonDesign {
        const char* name;
        const char* caption;
        int width;
        const wchar_t* glyph;
    };
    const ButtonDesign designs[] = {
        {"RzMenuToolbarButton1", "База", 73, L"History16.gif"},
        {"RzMenuToolbarButton2", "Звуки", 72, L"Volume16.gif"},
        {"RzMenuToolbarButton3", "Помощь", 88, L"About16.gif"},
        {"RzToolbarButton1", "Редактор", 84, L"Properties16.gif"},
        {"RzToolbarButton2", "О программе", 100, L"Information16.gif"},
        {"RzToolbarButton3", "Выход", 68, L"Export16.gif"},
    };
    int x = 4;
    for (int i = 0; i < 6; ++i) {
        toolButtons_[i] = std::make_unique<tk::ToolButton>(toolbar_.get(), designs[i].name, tk::Bounds{x, 3, designs[i].width, 22},
                                                           designs[i].caption, ids::kToolButton + i + 1);
        toolButtons_[i]->setGlyph(picture(designs[i].glyph));
        x += designs[i].width + 4;
    }
    toolButtons_[0]->onClick = [this] { dropDown(*toolButtons_[0], baseMenu_); };
    toolButtons_[1]->onClick = [this] { dropDown(*toolButtons_[1], soundsMenu_); };
    toolButtons_[2]->onClick = [this] { dropDown(*toolButtons_[2], hintsMenu_); };
    toolButtons_[3]->onClick = [this] { RzToolbarButton1Click(); };
    toolButtons_[4]->onClick = [this] { RzToolbarButton2Click(); };
    toolButtons_[5]->onClick = [this] { RzToolbarButton3Click(); };

    standart_ = &baseMenu_.add(ids::kMenuStandard, "standart", "\"Стандартная\"");
    updateb_ = &baseMenu_.add(ids::kMenuUpdated, "updateb", "Обновление");
    SoundON = &soundsMenu_.add(ids::kMenuSoundOn, "SoundON", "Включить");
    SoundOFF = &soundsMenu_.add(ids::kMenuSoundOff, "SoundOFF", "Выключить");
    HelpON = &hintsMenu_.add(ids::kMenuHelpOn, "HelpON", "Включить");
    HelpOFF = &hintsMenu_.add(ids::kMenuHelpOff, "HelpOFF", "Выключить");
    standart_->setGlyph(picture(L"Home16.gif"));
    updateb_->setGlyph(picture(L"webcomponent.gif"));
    SoundON->setGlyph(picture(L"Volume16.gif"));
    SoundOFF->setGlyph(picture(L"Delete16.gif"));
    HelpON->setGlyph(picture(L"Helpi16.gif"));
    HelpOFF->setGlyph(picture(L"Delete16.gif"));
    standart_->onClick = [this] { standartClick(); };
    updateb_->onClick = [this] { updatebClick(); };
    SoundON->onClick = [this] { SoundONClick(); };
    SoundOFF->onClick = [this] { SoundOFFClick(); };
    HelpON->onClick = [this] { HelpONClick(); };
    HelpOFF->onClick = [this] { HelpOFFClick(); };
    // Sound is on at start: the item that would switch it on is closed.
    SoundON->setEnabled(false);
}

void MainWindow::createOverlays()
{
    tk::Control* form = &form_;

    // The about panel and the starfield's control are made when first wanted (makeAboutPanel,
    // makeStarfield): the first puzzle does not wait for their windows, pictures and thread.
    FormPanel = std::make_unique<tk::Panel>(form, "FormPanel", tk::Bounds{0, 0, 517, 277}, ids::kEditorHost);
    FormPanel->setVisible(false);

    PanelGroup1 = std::make_unique<tk::Panel>(form, "PanelGroup1", tk::Bounds{0, 0, 516, 274}, ids::kBaseChoice);
    PanelGroup1->setColour(kPanelBody);
    PanelGroup1->setCaption("Какой базой слов Вы хотите воспользоваться?", kChoiceCaptionBar, true);
    Button1 = std::make_unique<tk::RadioButton>(PanelGroup1.get(), "Button1", tk::Bounds{180, 80, 180, 20},
                                                "Стандартная база слов", ids::kChoiceStandard);
    Button2 = std::make_unique<tk::RadioButton>(PanelGroup1.get(), "Button2", tk::Bounds{180, 112, 180, 20},
                                                "Обновление из Интернет", ids::kChoiceUpdated);
    But1 = std::make_unique<tk::ToolButton>(PanelGroup1.get(), "But1", tk::Bounds{216, 168, 65, 25},
                                            "<IMG src=\"Properties16.gif\">    ОК", ids::kChoiceOk, tk::ButtonLook::Push);
    But1->setDefault(true);
    PanelGroup1->defaultButton = But1.get();
    Button1->onClick = [this] { Button1Click(); };
    Button2->onClick = [this] { Button2Click(); };
    But1->onClick = [this] { But1Click(); };
    PanelGroup1->setVisible(false);

    AdvPanel5 = std::make_unique<tk::Panel>(form, "AdvPanel5", tk::Bounds{0, 0, 516, 274}, ids::kStarfieldPanel);
    AdvPanel5->setColour(RGB(0, 0, 0));
    AdvPanel5->setVisible(false);

    // From bottom to top: (about panel,) editor host, base choice, starfield.
    for (tk::Control* overlay : {FormPanel.get(), PanelGroup1.get(), AdvPanel5.get()})
        overlay->bringToFront();
}

tk::Panel& MainWindow::aboutPanel()
{
    if (AdvPanel4)
        return *AdvPanel4;
    AdvPanel4 = std::make_unique<tk::Panel>(&form_, "AdvPanel4", tk::Bounds{0, 0, 517, 277}, ids::kAboutPanel);
    AdvPanel4->setVisible(false);
    AdvPanel4->placeBelow(*FormPanel);
    AdvPanel4->setColour(kPanelBody);
    AdvPanel4->setCaption("<B>О программе</B>", kCaptionBar);
    AdvPanel4->addCaptionButton(tk::Symbol::Close, ids::kAboutClose);
    aboutPictures_[1] = std::make_unique<tk::PictureBox>(AdvPanel4.get(), "AdvPicture1", tk::Bounds{136, 32, 230, 230},
                                                         L"about.gif", ids::kAboutPicture + 1);
    aboutPictures_[2] = std::make_unique<tk::PictureBox>(AdvPanel4.get(), "AdvPicture2", tk::Bounds{448, 32, 55, 60},
                                                         L"mail_anim.gif", ids::kAboutPicture + 2);
    aboutPictures_[3] = std::make_unique<tk::PictureBox>(AdvPanel4.get(), "AdvPicture3", tk::Bounds{12, 28, 60, 65},
                                                         L"globe_anim.gif", ids::kAboutPicture + 3);
    aboutPictures_[2]->setAnimated(true);
    aboutPictures_[3]->setAnimated(true);
    aboutPictures_[1]->onClick = [this] { SurfTo(SLOVO_SITE_URL); };
    aboutPictures_[3]->onClick = [this] { SurfTo(SLOVO_SITE_URL); };
    aboutPictures_[2]->onClick = [this] { SendEmail(SLOVO_CONTACT_MAIL, "Игра <<СЛОВОЛОВКА>>"); };
    const std::string site = "<IMG src=\"Webcomponent.gif\" align=\"top\"> Добро пожаловать на <BR>       вэбсайт автора...";
    hints_->add(*aboutPictures_[1], site);
    hints_->add(*aboutPictures_[3], site);
    hints_->add(*aboutPictures_[2], "<IMG src=\"ComposeMail16.gif\" align=\"top\"> Написать письмо <BR>       автору...");
    return *AdvPanel4;
}

fx::TBUStarfield& MainWindow::starfield()
{
    if (!BUStarfield1) {
        BUStarfield1 = std::make_unique<fx::TBUStarfield>(AdvPanel5.get(), "BUStarfield1", tk::Bounds{0, 0, 516, 274});
        BUStarfield1->setDelay(40);
        BUStarfield1->setStars(200);
        BUStarfield1->setMaxSpeed(15);
    }
    return *BUStarfield1;
}

void MainWindow::addHints()
{
    HTMLHint1 = std::make_unique<fx::THTMLHint>(&form_);
    hints_ = std::make_unique<tk::Hints>(HTMLHint1->window());
    hints_->add(*lettersPanel_, "<IMG src=\"Helpi16.gif\" align=\"top\"> Это Ваши друзья, они помогут <BR>      Вам избежать словоловки...");
    hints_->add(*cellStrip_, "<IMG src=\"smiley.gif\" align=\"top\"> Если буква угадана, <BR>      она появится здесь...");
    hints_->add(*zagolovok_, "<IMG src=\"Edit16.gif\" align=\"top\"> Это подсказка. Если Вы предпочитаете ею не<BR>       пользоваться - ее можно закрыть...");
    hints_->add(*image1_, "<IMG src=\"icon_roll.gif\" align=\"top\"> Самое страшное место в <BR>       этой игре - <B>словоловка..</B>");
    hints_->add(*toolButtons_[0], "<IMG src=\"History16.gif\" align=\"top\"> Выбор базы слов <BR>       для игры...");
    hints_->add(*toolButtons_[1], "<IMG src=\"Volume16.gif\" align=\"top\"> Вы можете управлять звуковым <BR>       сопровождением программы...");
    hints_->add(*toolButtons_[2], "<IMG src=\"About16.gif\" align=\"top\"> Всплывающие подсказки <BR>       можно включить или выключить...");
    hints_->add(*toolButtons_[3], "<IMG src=\"Properties16.gif\" align=\"top\"> С помощью встроенного редактора Вы можете <BR>       <B>изменять</B> базу слов по своему усмотрению...");
    hints_->add(*toolButtons_[4], "<IMG src=\"Information16.gif\" align=\"top\"> Информация об авторе программы...");
    hints_->add(*toolButtons_[5], "<IMG src=\"Export16.gif\" align=\"top\"> Закрыть программу...");
    hints_->add(*panes_[1], "<IMG src=\"Home16.gif\" align=\"top\"> Колличество <BR>    отгаданных слов...");
    hints_->add(*panes_[2], "<IMG src=\"Delete16.gif\" align=\"top\"> Колличество не<BR>    отгаданных слов");
    hints_->add(*panes_[3], "<IMG src=\"History16.gif\" align=\"top\"> Остаток слов<BR>         в базе...");
    hints_->add(*panes_[4], "<IMG src=\"Jar16.gif\" align=\"top\"> Общее колличество<BR>          слов в базе...");
}

void MainWindow::dropDown(tk::ToolButton& button, tk::PopupMenu& menu)
{
    RECT r;
    GetWindowRect(button.handle(), &r);
    TrackPopupMenu(menu.handle(), TPM_LEFTALIGN | TPM_TOPALIGN | TPM_LEFTBUTTON, r.left, r.bottom, 0, form_.handle(), nullptr);
}

void MainWindow::show()
{
    form_.show();
    if (focusAfterShow_)
        SetFocus(focusAfterShow_);
    focusAfterShow_ = nullptr;
    // Without a window manager the system may not activate a newly shown window by itself.
    if (!activated_)
        SetForegroundWindow(form_.handle());
}

void MainWindow::FormCreate()
{
    if (!prepareStartup(fs_, base_, paths_))
        toolButtons_[0]->setEnabled(false);
}

void MainWindow::FormShow()
{
    if (AdvPanel4)
        AdvPanel4->setVisible(false);
    FormPanel->setVisible(false);
    HelpON->setEnabled(!showHint());
    HelpOFF->setEnabled(showHint());
    if (fs_.fileExists(paths_.words)) {
        PanelGroup1->setVisible(true);
        Button2->setChecked(true);
        // The window is not on screen yet: the focus moves once it is.
        focusAfterShow_ = But1->handle();
    }
}

void MainWindow::FormActivate()
{
    trace::mark("activated");
    {
        const tk::DrawingHeld cells(*cellStrip_);
        puzzle_.start();
    }
    trace::mark("first puzzle started");
    trace::arm();
}

void MainWindow::standartClick()
{
    base_.BaseKind = 0;
    updateb_->setEnabled(true);
    standart_->setEnabled(false);
    loadForBaseMenu(fs_, base_, paths_.stwords, paths_.sthints);
    FormActivate();
}

void MainWindow::updatebClick()
{
    base_.BaseKind = 1;
    updateb_->setEnabled(false);
    standart_->setEnabled(true);
    loadForBaseMenu(fs_, base_, paths_.words, paths_.hints);
    FormActivate();
}

void MainWindow::SoundONClick()
{
    SoundOFF->setEnabled(true);
    SoundON->setEnabled(false);
}

void MainWindow::SoundOFFClick()
{
    SoundOFF->setEnabled(false);
    SoundON->setEnabled(true);
}

void MainWindow::HelpONClick()
{
    HelpON->setEnabled(false);
    HelpOFF->setEnabled(true);
    setShowHint(true);
}

void MainWindow::HelpOFFClick()
{
    HelpON->setEnabled(true);
    HelpOFF->setEnabled(false);
    setShowHint(false);
}

void MainWindow::RzToolbarButton1Click()
{
    for (auto& editor : editors_)
        editor->release(app_.handle());
    editors_.push_back(std::make_unique<EditorWindow>(FormPanel.get(), static_cast<EditorHost&>(*this)));
    tk::Panel& window = editors_.back()->window();
    window.setVisible(true);
    FormPanel->setVisible(true);
    SetFocus(window.handle());
}

bool MainWindow::updatedBaseExists()
{
    return fs_.fileExists(paths_.words);
}

bool MainWindow::downloadExists()
{
    return fs_.fileExists(paths_.download);
}

void MainWindow::deleteDownload()
{
    DeleteFileW(tk::wide(paths_.download).c_str());
}

DownloadedBase MainWindow::readDownload()
{
    GridFile grid = parseGridFile(fs_.readFile(paths_.download), paths_.download);
    DownloadedBase base;
    base.columns = grid.columns;
    base.rows = grid.rows;
    base.widths.assign(grid.widths.begin(), grid.widths.end());
    base.words = std::move(grid.words);
    base.hints = std::move(grid.hints);
    base.cells.reserve(grid.cells.size());
    for (GridCell& c : grid.cells)
        base.cells.push_back({c.column, c.row, std::move(c.text)});
    return base;
}

void MainWindow::updatedBaseTaken()
{
    baseButton().setEnabled(true);
    base_.BaseKind = 1;
    updateb_->setEnabled(false);
    standart_->setEnabled(true);
}

void MainWindow::takeTable(std::vector<std::string> words, std::vector<std::string> hints)
{
    base_.List3.clear();
    base_.List4.clear();
    base_.List1.clear();
    base_.List2.clear();
    base_.List3 = std::move(hints);
    base_.List4 = std::move(words);
    base_.List1 = base_.List3;
    base_.List2 = base_.List4;
}

void MainWindow::writeBase(int kind)
{
    writeWordFile(fs_, kind == 1 ? paths_.words : paths_.stwords, base_.List4);
    writeWordFile(fs_, kind == 1 ? paths_.hints : paths_.sthints, base_.List3);
}

void MainWindow::loadBase(int kind)
{
    loadForEditor(fs_, base_, kind == 1 ? paths_.words : paths_.stwords, kind == 1 ? paths_.hints : paths_.sthints);
}

void MainWindow::formActivate()
{
    // An empty base is reported, and the editor's save goes on to write it.
    try {
        FormActivate();
    } catch (...) {
        app_.handleException(std::current_exception());
    }
}

void MainWindow::destroyEditor(const void* editor)
{
    std::erase_if(editors_, [editor](const std::unique_ptr<EditorWindow>& e) { return e.get() == editor; });
}

void MainWindow::RzToolbarButton2Click()
{
    aboutPanel().setVisible(true);
}

void MainWindow::RzToolbarButton3Click()
{
    app_.terminate();
}

void MainWindow::Button1Click()
{
    Button2->setChecked(false);
    But1->setEnabled(true);
}

void MainWindow::Button2Click()
{
    Button1->setChecked(false);
    But1->setEnabled(true);
}

void MainWindow::But1Click()
{
    if (Button1->checked()) {
        base_.BaseKind = 0;
        loadForBaseChoice(fs_, base_, paths_.stwords, paths_.sthints);
        PanelGroup1->setVisible(false);
        standart_->setEnabled(false);
        updateb_->setEnabled(true);
        FormActivate();
    }
    if (Button2->checked()) {
        base_.BaseKind = 1;
        loadForBaseChoice(fs_, base_, paths_.words, paths_.hints);
        PanelGroup1->setVisible(false);
        standart_->setEnabled(true);
        updateb_->setEnabled(false);
        FormActivate();
    }
}

void MainWindow::SurfTo(const std::string& address)
{
    // The address travels in a 256-byte buffer, so at most 255 characters of it count.
    char buffer[256] = {};
    std::strncpy(buffer, address.c_str(), sizeof buffer - 1);
    ShellExecuteW(nullptr, nullptr, tk::wide(buffer).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

void MainWindow::SendEmail(const std::string& address, const std::string& subject)
{
    SurfTo("Mailto:" + address + "?Subject=" + subject);
}

void MainWindow::setHint(const std::string& hint)
{
    zagolovok_->setText(hint);
}

void MainWindow::setCellLetter(int cell, char letter)
{
    // Out of the window text until uncovered: other programs and screen readers read that.
    labels_[cell]->setWithheldText(std::string(1, letter));
}

void MainWindow::setCellShown(int cell, bool shown)
{
    labels_[cell]->setVisible(shown);
    covers_[cell]->setVisible(shown);
}

void MainWindow::uncoverCell(int cell)
{
    covers_[cell]->setVisible(false);
    labels_[cell]->reveal();
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
    return !SoundON->enabled();
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

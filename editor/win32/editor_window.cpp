// TForm2: layout of the editor, its table and fields, its context menu, its commands and the
// update panel with the import of the downloaded base.
#include "editor/win32/editor_window.h"

#include "common/error.h"
#include "editor/core/editor_table.h"
#include "editor/win32/instruction_dialog.h"
#include "editor/win32/doc_export.h"
#include "editor/win32/editor_ids.h"
#include "effects/win32/dialogs.h"
#include "toolkit/html_label.h"
#include "toolkit/picture.h"
#include "webupdate/win32/program_update.h"

namespace slovo {

namespace {

constexpr COLORREF kEditorColour = RGB(209, 209, 233);
constexpr COLORREF kFixedColour = RGB(201, 201, 228);
// Posted to the editor's own window: the save's destruction waits until its handler returned.
constexpr UINT kDestroyEditor = WM_APP + 20;

const fx::Font kFormFont{"MS Sans Serif", 8, false, false, false, false, 0};

constexpr UINT kImportInterval = 4000;
constexpr uint32_t kRed = 0x0000FF, kBlack = 0x000000;
const char* const kStatusPrefix = "<IMG src=\"icon_peace.gif\" align=\"top\">    ";
const char* const kWaiting = "<IMG src=\"icon_love.gif\" align=\"top\">    Подождите, идет процесс обновления базы!...";

// The result line a status code sets and whether it enables the cancel button.
struct StatusResult {
    int code;
    const char* line;
    bool enablesCancel;
};
constexpr StatusResult kStatusResults[] = {
    {4, "<IMG src=\"icon_roach.gif\" align=\"top\">    Вы используете самую новую версию базы слов...", true},
    {1, "<IMG src=\"icon_roach.gif\" align=\"top\">    Ошибка доступа к серверу...", true},
    {2, "<IMG src=\"icon_roach.gif\" align=\"top\">    Отсутствует соединение с Интернет!....", true},
    {5, "<IMG src=\"icon_love.gif\" align=\"top\">    Опа! Найдено обновление базы слов к игре \"Словоловка\"!...", false},
};

// The result line of a run that ended with nothing to import, or whose import failed.
const char* const kNotReceived = "<IMG src=\"icon_roach.gif\" align=\"top\">    Обновление базы слов не получено!...";
const char* const kDialPrompt = "Prompt to open new Internet connection";

// Runs going on in any editor of the program: the toolbar's "Редактор" opens a new editor while
// an earlier one's run goes on, and a second run would download into the same file.
int g_runsGoingOn = 0;

// Hands the waiting messages to their windows, so the panel repaints while a run goes on.
void handleWaitingMessages()
{
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            return;
        }
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

const tk::Picture* glyph(const wchar_t* name)
{
    return tk::Picture::shared(name);
}

void stop(const char* caption, const char* message)
{
    fx::TProStopDialog d;
    d.Language = fx::TDialogLanguage::dlRussian;
    d.SoundType = fx::TSoundType::stAsterisk;
    d.Caption = caption;
    d.StopMessage = message;
    d.ownerFont = &kFormFont;
    d.Execute();
}

bool refuseDigits(wchar_t key)
{
    if (key >= L'0' && key <= L'9') {
        MessageBeep(MB_OK);
        return false;
    }
    return true;
}

// The hourglass for as long as an export runs.
class WaitCursor {
public:
    WaitCursor() : previous_(SetCursor(LoadCursorW(nullptr, IDC_WAIT))) {}
    ~WaitCursor() { SetCursor(previous_); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;

private:
    HCURSOR previous_;
};

} // namespace

// The editor area: a panel that also takes menu commands sent to it and the deferred destruction.
class EditorWindow::Form : public tk::Panel {
public:
    Form(tk::Control* host, EditorWindow& editor)
        : tk::Panel(host, "Form2", tk::Bounds{0, 0, 517, 274}, ids::kEditorForm), editor_(editor)
    {
    }

protected:
    LRESULT handleMessage(UINT msg, WPARAM wp, LPARAM lp) override
    {
        if (msg == kDestroyEditor) {
            // Nothing of the editor is touched once the host let it go.
            editor_.host_.destroyEditor(&editor_);
            return 0;
        }
        if (msg == WM_COMMAND && lp == 0 && editor_.PopupMenu1.dispatch(LOWORD(wp)))
            return 0;
        if (msg == WM_TIMER && wp == static_cast<WPARAM>(ids::kEditorImportTimer)) {
            editor_.Timer1Timer();
            return 0;
        }
        return tk::Panel::handleMessage(msg, wp, lp);
    }

private:
    EditorWindow& editor_;
};

EditorWindow::EditorWindow(tk::Control* host, EditorHost& owner) : host_(owner)
{
    BUSaveDialog1.Title = "Сохранение базы в текстовом формате";
    BUSaveDialog1.FileName = "slovolovka.txt";
    BUSaveDialog1.Filter = "TXT files (*.txt)|*.txt";
    BUSaveDialog2.Title = "Сохранение базы в формат Word";
    BUSaveDialog2.FileName = "slovolovka.doc";
    BUSaveDialog2.Filter = "DOC files (*.doc)|*.doc";

    form_ = std::make_unique<Form>(host, *this);
    form_->setColour(kEditorColour);
    tk::Control* form = form_.get();

    // Created first, so the table lies over it.
    Button1 = std::make_unique<tk::Button>(form, "Button1", tk::Bounds{436, 240, 75, 25}, "Button1", ids::kEditorButton1, true);

    Edit1 = std::make_unique<tk::EditField>(form, "Edit1", tk::Bounds{44, 8, 101, 21}, ids::kEditorWord, 10, true);
    Edit1->onKeyPress = [this](wchar_t key) { return Edit1KeyPress(key); };
    Edit2 = std::make_unique<tk::EditField>(form, "Edit2", tk::Bounds{148, 8, 345, 21}, ids::kEditorHint, 50, true);
    Edit2->onKeyPress = [this](wchar_t key) { return Edit2KeyPress(key); };
    Edit2->addButton("...").onClick = [this] { Edit2ButtonClick(); };

    // Within what shows of the editor area, the main window's client area of 516 x 274, so the
    // scroll bar shows whole (the design's 517 x 241 reached past it at the right and bottom).
    Grid = std::make_unique<tk::StringGrid>(form, "Grid", tk::Bounds{0, 36, 516, 238}, ids::kEditorGrid, 3);
    Grid->setColWidths({45, 101, 349});
    Grid->setRowHeight(21);
    Grid->setFixedColour(kFixedColour);
    Grid->setFont(L"Tahoma", 11);
    Grid->setImages(&tk::ResourceImageList::editorImages());
    Grid->setEditableColumn(kWordCol, 10);
    Grid->onClickCell = [this](int col, int row) { GridClickCell(col, row); };
    Grid->onEllipsisClick = [this](int col, int row) { GridEllipsClick(col, row); };
    Grid->onCellChanging = [this](int, int, int, int) { GridCellChanging(); };
    Grid->onCanInsertRow = [this](int) { return GridCanInsertRow(); };
    Grid->onAutoInsertRow = [this](int) { GridAutoInsertRow(); };
    Grid->onAutoDeleteRow = [this](int) { GridAutoDeleteRow(); };
    Grid->model() = makeEditorTable();
    Grid->bringToFront();

    createUpdatePanel();
    createMenu();
    Grid->setPopupMenu(&PopupMenu1);
    FormCreate();
}

EditorWindow::~EditorWindow()
{
    if (running_)
        --g_runsGoingOn;
}

void EditorWindow::createUpdatePanel()
{
    Panel1 = std::make_unique<tk::Panel>(form_.get(), "Panel1", tk::Bounds{0, 0, 517, 277}, ids::kEditorUpdatePanel);
    Panel1->setColour(RGB(255, 255, 255));
    Panel1->setCaptionImages(&tk::ResourceImageList::editorImages());
    Panel1->setCaption("<IMG src=\"idx:3\" align=\"top\"> Запрос на обновление базы слов из Интернет...", RGB(210, 210, 232), true);
    Panel1->setVisible(false);
    Panel1->bringToFront();

    // Items wrap, each as high as its lines, so a long address shows whole.
    ListBox1 = std::make_unique<tk::HtmlListBox>(Panel1.get(), "ListBox1", tk::Bounds{92, 28, 401, 149},
                                                 tk::MarkupStyle{}, ids::kEditorStatusList, false);
    ListBox1->setImages(&tk::ResourceImageList::editorImages());
    tk::MarkupStyle lineStyle;
    lineStyle.font = fx::Font{"MS Sans Serif", 10, false, false, false, false, kRed};
    Label1 = std::make_unique<tk::HtmlLabel>(Panel1.get(), "Label1", tk::Bounds{92, 192, 397, 29}, lineStyle,
                                             ids::kEditorResultLine);
    HTMLButton1 = std::make_unique<tk::ToolButton>(Panel1.get(), "HTMLButton1", tk::Bounds{216, 236, 75, 25},
                                                   "<IMG src=\"Delete16.gif\" align=\"top\"> Отмена",
                                                   ids::kEditorUpdateCancel, tk::ButtonLook::Push);
    HTMLButton1->onClick = [this] { HTMLButton1Click(); };
    Panel1->cancelButton = HTMLButton1.get();

    wu::configureProgramUpdate(WebUpdate1);
    WebUpdate1.OnStatus = [this](wu::TWebUpdate&, const std::string& text, int code, int) {
        WebUpdate1Status(text, code);
    };
    WebUpdate1.OnFileProgress = [this](wu::TWebUpdate&, const std::string&, std::int64_t, std::int64_t) {
        WebUpdate1FileProgress();
    };
    WebUpdate1.OnThreadUpdateDone = [this](wu::TWebUpdate&) { WebUpdate1ThreadUpdateDone(); };
}

tk::Panel& EditorWindow::window()
{
    return *form_;
}

void EditorWindow::createMenu()
{
    auto add = [this](int id, const char* name, const char* caption, const wchar_t* picture,
                      void (EditorWindow::*handler)()) -> tk::MenuItem& {
        tk::MenuItem& item = PopupMenu1.add(static_cast<UINT>(id), name, caption);
        item.setGlyph(glyph(picture));
        item.onClick = [this, handler] { (this->*handler)(); };
        return item;
    };
    add(ids::kMenuN1, "N1", "Добавить строку", L"imagelist0.gif", &EditorWindow::N1Click);
    PopupMenu1.addSeparator();
    add(ids::kMenuN4, "N4", "Печать", L"Properties16.gif", &EditorWindow::N4Click);
    PopupMenu1.addSeparator();
    add(ids::kMenuUpdate, "update", "Обновить из Интернет", L"imagelist3.gif", &EditorWindow::updateClick);
    PopupMenu1.addSeparator();
    standar_ = &add(ids::kMenuStandar, "standar", "\"Стандартная\" база", L"History16.gif", &EditorWindow::standarClick);
    obnovl_ = &add(ids::kMenuObnovl, "obnovl", "База с сервера", L"Webcomponent.gif", &EditorWindow::obnovlClick);
    PopupMenu1.addSeparator();
    add(ids::kMenuOtmena, "otmena", "Отменить и выйти", L"imagelist4.gif", &EditorWindow::otmenaClick);
    add(ids::kMenuSave, "save", "Сохранить и выйти", L"imagelist5.gif", &EditorWindow::saveClick);
    add(ids::kMenuSavexls, "savexls", "Сохранить в файл (*.doc)", L"imagelist1.gif", &EditorWindow::savexlsClick);
    add(ids::kMenuDoc1, "doc1", "Сохранить в файл (*.txt)", L"Export16.gif", &EditorWindow::doc1Click);
    PopupMenu1.addSeparator();
    add(ids::kMenuN5, "N5", "Инструкция", L"imagelist7.gif", &EditorWindow::N5Click);
    PopupMenu1.addSeparator();
    add(ids::kMenuN10, "N10", "Выход из программы", L"imagelist8.gif", &EditorWindow::N10Click);
}

void EditorWindow::release(HWND outside)
{
    form_->setVisible(false);
    SetParent(form_->handle(), outside);
}

HWND EditorWindow::topWindow() const
{
    return GetAncestor(form_->handle(), GA_ROOT);
}

void EditorWindow::disableFields()
{
    Edit1->setEnabled(false);
    Edit2->setEnabled(false);
}

void EditorWindow::FormCreate()
{
    if (host_.baseKind() == 0)
        standar_->setEnabled(false);
    if (host_.baseKind() == 1)
        obnovl_->setEnabled(false);
    if (!host_.updatedBaseExists()) {
        obnovl_->setEnabled(false);
        standar_->setEnabled(false);
    }
    tk::GridModel& table = Grid->model();
    table.setRowCount(static_cast<int>(host_.words().size()) + 1);
    table.renumber();
    Grid->setHeaderImage(kWordCol, 0);
    Grid->setHeaderImage(kHintCol, 1);
    fillTable(table, host_.words(), host_.hints());
    Grid->refresh();
    disableFields();
}

void EditorWindow::GridClickCell(int, int)
{
    Edit1->setText("");
    Edit2->setText("");
    disableFields();
}

void EditorWindow::GridEllipsClick(int, int row)
{
    Edit1->setEnabled(true);
    Edit2->setEnabled(true);
    Edit1->setText(Grid->model().cell(kWordCol, row));
    Edit2->setText(Grid->model().cell(kHintCol, row));
}

void EditorWindow::Edit2ButtonClick()
{
    if (!putBack(Grid->model(), Edit1->text(), Edit2->text())) {
        stop(kPutBackCaption, kPutBackMessage);
        return;
    }
    Grid->hideEditor();
    Grid->hideSelection();
    Edit1->setText("");
    Edit2->setText("");
    disableFields();
}

bool EditorWindow::Edit1KeyPress(wchar_t key)
{
    return refuseDigits(key);
}

bool EditorWindow::Edit2KeyPress(wchar_t key)
{
    return refuseDigits(key);
}

void EditorWindow::N1Click()
{
    Grid->model().appendRow();
    Grid->refresh();
}

void EditorWindow::GridCellChanging()
{
    Grid->model().renumber();
    Grid->invalidate();
}

bool EditorWindow::GridCanInsertRow()
{
    Grid->model().renumber();
    return true;
}

void EditorWindow::GridAutoInsertRow()
{
    Grid->model().renumber();
    Grid->invalidate();
}

void EditorWindow::GridAutoDeleteRow()
{
    Grid->model().renumber();
    Grid->refresh();
}

void EditorWindow::N5Click()
{
    instructionDialog().Execute();
}

void EditorWindow::N10Click()
{
    host_.terminate();
}

void EditorWindow::saveClick()
{
    const int kind = host_.baseKind();
    if (kind != 0 && kind != 1)
        return;
    tk::GridModel& table = Grid->model();
    if (firstEmptyWordRow(table) != 0) {
        stop(kEmptyRowsCaption, kEmptyRowsMessage);
        return;
    }
    host_.takeTable(column(table, kWordCol), column(table, kHintCol));
    host_.formActivate();
    SetFocus(Button1->handle());
    host_.writeBase(kind);
    // Emptied only once the files hold the base: after a failed write the editor stays open
    // with its rows, so a second save cannot write an empty base.
    table.clear();
    Grid->refresh();
    host_.hideEditor();
    PostMessageW(form_->handle(), kDestroyEditor, 0, 0);
}

void EditorWindow::otmenaClick()
{
    Grid->model().clear();
    Grid->refresh();
    host_.formCreate();
    SetFocus(Button1->handle());
    host_.hideEditor();
}

void EditorWindow::switchBase(int kind)
{
    standar_->setEnabled(kind != 0);
    obnovl_->setEnabled(kind == 0 && host_.updatedBaseExists());
    host_.loadBase(kind);
    fillTable(Grid->model(), host_.words(), host_.hints());
    Grid->refresh();
    disableFields();
    host_.setBaseKind(kind);
}

void EditorWindow::standarClick()
{
    switchBase(0);
}

void EditorWindow::obnovlClick()
{
    switchBase(1);
}

void EditorWindow::doc1Click()
{
    const std::optional<std::string> path = BUSaveDialog1.Execute(topWindow());
    if (!path)
        return;
    const WaitCursor wait;
    const std::string bytes = textExport(tableCells());
    try {
        fs_.writeFile(*path, bytes);
    } catch (const Error&) {
        throw Error("Cannot Create file " + *path);
    }
}

void EditorWindow::savexlsClick()
{
    const std::optional<std::string> path = BUSaveDialog2.Execute(topWindow());
    if (!path)
        return;
    const WaitCursor wait;
    exportTableToWord(tableCells(), *path);
}

void EditorWindow::N4Click()
{
    tk::showPrintPreview(topWindow(), tableCells(), previewMemory_);
}

void EditorWindow::setTimer1(bool on)
{
    timer1On_ = on;
    if (on)
        SetTimer(form_->handle(), static_cast<UINT_PTR>(ids::kEditorImportTimer), kImportInterval, nullptr);
    else
        KillTimer(form_->handle(), static_cast<UINT_PTR>(ids::kEditorImportTimer));
}

void EditorWindow::updateClick()
{
    if (g_runsGoingOn > 0)
        return;
    Label1->setText("");
    ListBox1->clear();
    Panel1->setVisible(true);
    Panel1->bringToFront();
    // The keys go to the panel while it covers the table: Escape then reaches its cancel button,
    // and nothing typed edits a row that cannot be seen.
    SetFocus(ListBox1->handle());
    HTMLButton1->setEnabled(false);
    lastStatus_.clear();
    // A tick during this run's status handling could import a half-written file and close the
    // editor under its own handler; the run's end switches the timer on again.
    setTimer1(false);
    if (host_.downloadExists())
        host_.deleteDownload();
    WebUpdate1.StartUpdateThread();
    running_ = true;
    ++g_runsGoingOn;
}

void EditorWindow::WebUpdate1Status(const std::string& statusstr, int statuscode)
{
    lastStatus_ = statusstr;
    ListBox1->addItem(kStatusPrefix + statusstr);
    // The newest status is the one that tells how the run goes.
    ListBox1->showLast();
    for (const StatusResult& r : kStatusResults) {
        if (r.code != statuscode)
            continue;
        Label1->setText(r.line);
        if (r.enablesCancel)
            HTMLButton1->setEnabled(true);
    }
    handleWaitingMessages();
}

void EditorWindow::WebUpdate1FileProgress()
{
    Label1->setFontColour(kBlack);
    Label1->setText(kWaiting);
}

void EditorWindow::WebUpdate1ThreadUpdateDone()
{
    if (running_)
        --g_runsGoingOn;
    running_ = false;
    setTimer1(true);
    // A run that brought no base file and set no result line of its own (a refused entry, a
    // found version without a file) still ends with one and lets the player go; only the refused
    // dial-up prompt leaves the panel as it is. With a file, the import decides.
    if (!HTMLButton1->enabled() && lastStatus_ != kDialPrompt && !host_.downloadExists())
        endWithoutImport();
}

void EditorWindow::endWithoutImport()
{
    Label1->setText(kNotReceived);
    HTMLButton1->setEnabled(true);
}

void EditorWindow::HTMLButton1Click()
{
    Panel1->setVisible(false);
    SetFocus(Grid->handle());
}

void EditorWindow::Timer1Timer()
{
    if (!host_.downloadExists())
        return;
    // Stopped before anything can fail or show a dialog: an unreadable file is reported once, and
    // no tick re-enters the import while the save's stop dialog is open.
    setTimer1(false);
    host_.setBaseKind(1);
    tk::GridModel& table = Grid->model();
    table.clear();
    Grid->refresh();
    try {
        const DownloadedBase base = host_.readDownload();
        loadDownloadedTable(table, base);
        Grid->setColWidths(downloadedColumnWidths(Grid->colWidths(), table.colCount(), base));
        // A base the save refuses (an empty word) reaches neither the lists nor the word files:
        // the save's stop dialog shows it, and the table waits to be mended.
        if (firstEmptyWordRow(table) == 0) {
            host_.takeTable(column(table, kWordCol), column(table, kHintCol));
            host_.writeBase(1);
        }
        saveClick();
    } catch (...) {
        // The error box tells why; the panel gets its result line and lets the player go.
        endWithoutImport();
        throw;
    }
    host_.updatedBaseTaken();
    // A save that refused an empty word leaves the editor open under the panel, whose cancel
    // button a successful run never enabled: without it the table could not be reached.
    HTMLButton1->setEnabled(true);
}

} // namespace slovo

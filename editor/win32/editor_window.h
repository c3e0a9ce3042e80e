// TForm2, the word-base editor shown in the main window's host panel: the word and hint fields,
// the table, its context menu, the commands on rows and on the base as a whole, and the update
// of the base from the program's web server.
#pragma once

#include "editor/core/editor_host.h"
#include "common/win32/win32_file_system.h"
#include "toolkit/button.h"
#include "toolkit/html_label.h"
#include "toolkit/html_list_box.h"
#include "toolkit/edit_field.h"
#include "toolkit/menu.h"
#include "toolkit/panel.h"
#include "toolkit/print_preview.h"
#include "toolkit/save_dialog.h"
#include "toolkit/string_grid.h"
#include "toolkit/tool_button.h"
#include "webupdate/win32/web_update.h"

#include <memory>
#include <string>

namespace slovo {

class EditorWindow {
public:
    EditorWindow(tk::Control* host, EditorHost& owner);
    ~EditorWindow();

    tk::Panel& window();
    // Hide it and take it out of the host; the window is not destroyed.
    void release(HWND outside);

    // Handlers, named as the window's events.
    void FormCreate();
    void GridClickCell(int col, int row);
    void GridEllipsClick(int col, int row);
    void Edit2ButtonClick();
    bool Edit1KeyPress(wchar_t key);
    bool Edit2KeyPress(wchar_t key);
    void N1Click();
    void GridCellChanging();
    bool GridCanInsertRow();
    void GridAutoInsertRow();
    void GridAutoDeleteRow();
    void N5Click();
    void N10Click();
    void saveClick();
    void otmenaClick();
    void standarClick();
    void obnovlClick();
    void doc1Click();
    void savexlsClick();
    void N4Click();
    void updateClick();
    void WebUpdate1Status(const std::string& statusstr, int statuscode);
    void WebUpdate1FileProgress();
    void WebUpdate1ThreadUpdateDone();
    void HTMLButton1Click();
    void Timer1Timer();

    tk::StringGrid& grid() { return *Grid; }
    tk::EditField& edit1() { return *Edit1; }
    tk::EditField& edit2() { return *Edit2; }
    tk::Button& button1() { return *Button1; }
    tk::Panel& panel1() { return *Panel1; }
    tk::PopupMenu& popupMenu() { return PopupMenu1; }
    tk::MenuItem& standar() { return *standar_; }
    tk::MenuItem& obnovl() { return *obnovl_; }
    tk::HtmlListBox& listBox1() { return *ListBox1; }
    tk::HtmlLabel& label1() { return *Label1; }
    tk::ToolButton& htmlButton1() { return *HTMLButton1; }
    wu::TWebUpdate& webUpdate1() { return WebUpdate1; }
    bool timer1Enabled() const { return timer1On_; }
    // Every cell, header row first, number column first: what the exports and printing take.
    const tk::GridCells& tableCells() const { return Grid->model().cells(); }

    tk::SaveDialog BUSaveDialog1, BUSaveDialog2;

private:
    class Form;

    void createMenu();
    void createUpdatePanel();
    void setTimer1(bool on);
    void endWithoutImport();
    void switchBase(int kind);
    void disableFields();
    HWND topWindow() const;

    EditorHost& host_;
    Win32FileSystem fs_;
    std::unique_ptr<Form> form_;
    std::unique_ptr<tk::EditField> Edit1, Edit2;
    std::unique_ptr<tk::Button> Button1;
    std::unique_ptr<tk::StringGrid> Grid;
    // Where the preview stood when it was last closed, for this editor's next preview.
    tk::PreviewMemory previewMemory_;
    std::unique_ptr<tk::Panel> Panel1;
    std::unique_ptr<tk::HtmlListBox> ListBox1;
    std::unique_ptr<tk::HtmlLabel> Label1;
    std::unique_ptr<tk::ToolButton> HTMLButton1;
    bool timer1On_ = false;
    // This editor's run has started and not yet ended.
    bool running_ = false;
    // The run's last status: a run that ends on the dial-up prompt was refused by the player.
    std::string lastStatus_;
    // Declared last: destroyed first, so a worker still waiting is answered before the panel goes.
    wu::TWebUpdate WebUpdate1;
    tk::PopupMenu PopupMenu1;
    tk::MenuItem *standar_ = nullptr, *obnovl_ = nullptr;
};

} // namespace slovo

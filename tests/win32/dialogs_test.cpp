// The markup dialog and the stop dialog as real modal windows: layout, texts and the results of
// buttons, Enter, Escape and the close box, with screenshots.
#include "effects/win32/dialogs.h"

#include "editor/win32/instruction_dialog.h"
#include "tests/e2e/driver.h"
#include "toolkit/application.h"
#include "toolkit/dialog_window.h"
#include "toolkit/html_label.h"
#include "toolkit/html_list_box.h"
#include "toolkit/form.h"
#include "toolkit/panel.h"
#include "toolkit/picture.h"
#include "toolkit/picture_box.h"
#include "common/win32/text.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <functional>
#include <memory>
#include <thread>

namespace fx {
namespace {

class DialogEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        gdiplus = std::make_unique<tk::GdiplusSession>();
        app = std::make_unique<tk::Application>(GetModuleHandleW(nullptr), "Dialogs");
    }
    void TearDown() override
    {
        app.reset();
        gdiplus.reset();
    }
    std::unique_ptr<tk::GdiplusSession> gdiplus;
    std::unique_ptr<tk::Application> app;
};
[[maybe_unused]] auto* const g_env = ::testing::AddGlobalTestEnvironment(new DialogEnvironment);

HWND findDialog()
{
    HWND found = nullptr;
    e2e::waitFor([&] {
        found = FindWindowW(L"TSlovoDialog", nullptr);
        return found && IsWindowVisible(found);
    }, std::chrono::seconds(10));
    return found;
}

std::vector<HWND> buttons(HWND dialog)
{
    std::vector<HWND> out;
    for (HWND w = GetWindow(dialog, GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT)) {
        wchar_t cls[32];
        GetClassNameW(w, cls, 32);
        if (std::wstring(cls) == L"Button" || std::wstring(cls) == L"BUTTON")
            out.push_back(w);
    }
    return out;
}

RECT clientRectOf(HWND child, HWND dialog)
{
    RECT r;
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

// Runs the dialog; another thread inspects the window and then closes it its own way.
template <typename Run>
auto withDialog(Run run, const std::function<void(HWND)>& inspectAndClose)
{
    std::thread driver([&] {
        const HWND dialog = findDialog();
        if (dialog)
            inspectAndClose(dialog);
    });
    auto result = run();
    driver.join();
    return result;
}

TEST(HtmlDialog, InstructionWindowReturnsCancelHoweverItCloses)
{
    const std::function<void(HWND)> closers[] = {
        [](HWND d) {
            Sleep(150);
            e2e::screenshot(d, e2e::artifactPath("instruction-dialog.bmp"));
            PostMessageW(buttons(d).at(0), BM_CLICK, 0, 0);
        },
        [](HWND d) { PostMessageW(buttons(d).at(0), WM_KEYDOWN, VK_RETURN, 1); },
        [](HWND d) { PostMessageW(buttons(d).at(0), WM_KEYDOWN, VK_ESCAPE, 1); },
        [](HWND d) { PostMessageW(d, WM_CLOSE, 0, 0); },
    };
    for (size_t i = 0; i < std::size(closers); ++i) {
        THTMLDialog d = slovo::instructionDialog();
        std::atomic<int> count{-1};
        std::atomic<int> right{0}, client{0}, labelBottom{0}, buttonTop{0};
        std::string title;
        const int result = withDialog([&] { return d.Execute(); }, [&](HWND dialog) {
            const auto b = buttons(dialog);
            count = static_cast<int>(b.size());
            RECT c;
            GetClientRect(dialog, &c);
            client = c.right;
            if (!b.empty()) {
                right = clientRectOf(b[0], dialog).right;
                buttonTop = clientRectOf(b[0], dialog).top;
            }
            if (const HWND label = FindWindowExW(dialog, nullptr, L"THTMLabel", nullptr))
                labelBottom = clientRectOf(label, dialog).bottom;
            title = e2e::windowText(dialog);
            closers[i](dialog);
        });
        EXPECT_EQ(result, 2) << "closer " << i;
        EXPECT_EQ(count.load(), 1) << "only the right-hand button shows";
        EXPECT_EQ(client.load(), 600);
        EXPECT_EQ(right.load(), 600 - 10) << "10 pixels from the right edge";
        // A text taller than its room would be cut at 4 pixels above the button.
        EXPECT_GT(labelBottom.load(), 0);
        EXPECT_LT(labelBottom.load(), buttonTop.load() - 4) << "the instruction does not fit above its button";
        EXPECT_EQ(title, "Инструкция");
    }
}

TEST(HtmlDialog, DefaultButtonsAndHiddenPlaces)
{
    THTMLDialog d; // "Ok" (1, default) and "Cancel" (2, cancel); the left place is empty
    d.HTMLText = {"<B>Вопрос</B>"};
    d.Width = 300;
    const std::pair<std::function<void(HWND)>, int> cases[] = {
        {[](HWND w) { PostMessageW(buttons(w).at(0), WM_KEYDOWN, VK_RETURN, 1); }, 1},
        {[](HWND w) { PostMessageW(buttons(w).at(0), WM_KEYDOWN, VK_ESCAPE, 1); }, 2},
        {[](HWND w) { PostMessageW(buttons(w).at(0), BM_CLICK, 0, 0); }, 1},
        {[](HWND w) { PostMessageW(w, WM_CLOSE, 0, 0); }, 2},
    };
    for (const auto& [close, expected] : cases) {
        std::vector<RECT> places;
        const int result = withDialog([&] { return d.Execute(); }, [&](HWND w) {
            for (HWND b : buttons(w))
                places.push_back(clientRectOf(b, w));
            close(w);
        });
        EXPECT_EQ(result, expected);
        ASSERT_EQ(places.size(), 2u);
        const int bw = places[0].right - places[0].left;
        EXPECT_EQ(places[0].left, 300 - 2 * (bw + 10)) << "centre place";
        EXPECT_EQ(places[1].left, 300 - (bw + 10)) << "right place";
    }
}

TEST(StopDialog, RussianWithoutHelpHasOneCentredCancel)
{
    TProStopDialog d;
    d.Language = TDialogLanguage::dlRussian;
    d.SoundType = TSoundType::stAsterisk;
    d.Caption = "Ошибка ввода";
    d.StopMessage = "Строка таблицы не заполнена! Заполните &слово и подсказку, затем сохраните таблицу еще раз.";
    std::string title, cancel;
    int count = 0, cancelLeft = 0;
    withDialog([&] { d.Execute(); return 0; }, [&](HWND w) {
        title = e2e::windowText(w);
        const auto b = buttons(w);
        count = static_cast<int>(b.size());
        if (!b.empty()) {
            cancel = e2e::windowText(b[0]);
            cancelLeft = clientRectOf(b[0], w).left;
        }
        Sleep(150);
        e2e::screenshot(w, e2e::artifactPath("stop-dialog-ru.bmp"));
        PostMessageW(b.at(0), WM_KEYDOWN, VK_ESCAPE, 1);
    });
    EXPECT_EQ(title, "Ошибка ввода");
    EXPECT_EQ(count, 1);
    EXPECT_EQ(cancel, "Отмена");
    const HDC screen = GetDC(nullptr);
    const int ppi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    EXPECT_EQ(cancelLeft, static_cast<int>(std::lround(151.0 * ppi / 120)));

    d.Caption.clear();
    withDialog([&] { d.Execute(); return 0; }, [&](HWND w) {
        title = e2e::windowText(w);
        PostMessageW(w, WM_CLOSE, 0, 0);
    });
    EXPECT_EQ(title, "Стоп") << "the language's own title";
}

TEST(StopDialog, EnglishWithHelpShowsBothButtons)
{
    TProStopDialog d;
    d.HelpContext = 7;
    d.StopMessage = "The row is incomplete.";
    std::string title;
    std::vector<std::string> captions;
    withDialog([&] { d.Execute(); return 0; }, [&](HWND w) {
        title = e2e::windowText(w);
        for (HWND b : buttons(w))
            captions.push_back(e2e::windowText(b));
        Sleep(150);
        e2e::screenshot(w, e2e::artifactPath("stop-dialog-en.bmp"));
        PostMessageW(buttons(w).at(0), BM_CLICK, 0, 0);
    });
    EXPECT_EQ(title, "Stop");
    EXPECT_EQ(captions, (std::vector<std::string>{"Cancel", "&Help"}));
    EXPECT_EQ(TProCommonDialog::titleId(TDialogLanguage::dlKorean), 30960u);
    EXPECT_EQ(TProCommonDialog::cancelId(TDialogLanguage::dlKorean), 30401u);
    EXPECT_EQ(TProCommonDialog::beepType(TSoundType::stQuestion), static_cast<UINT>(MB_ICONQUESTION));
}

TEST(HtmlLabel, AnchorsTurnTheCursorAndRaiseTheirEvents)
{
    tk::DialogWindow host("links", 300, 60, RGB(255, 255, 255));
    tk::MarkupStyle style;
    style.pictures = false;
    tk::HtmlLabel label(&host, "label", tk::Bounds{0, 0, 300, 40}, style, 7);
    label.setText("go <A href=\"local:thing\">here</A> now");
    std::vector<std::string> events;
    label.OnAnchorEnter = [&](const std::string& a) { events.push_back("enter " + a); };
    label.OnAnchorExit = [&](const std::string& a) { events.push_back("exit " + a); };
    label.OnAnchorClick = [&](const std::string& a) { events.push_back("click " + a); };
    label.autoSize();
    EXPECT_GT(label.bounds().height, 8) << "sized to its text";

    int x = 0;
    for (; x < 300 && events.empty(); ++x)
        SendMessageW(label.handle(), WM_MOUSEMOVE, 0, MAKELPARAM(x, 6));
    ASSERT_EQ(events, std::vector<std::string>{"enter local:thing"}) << "no anchor found along the line";
    EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, IDC_HAND));
    SendMessageW(label.handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x + 2, 6));
    SendMessageW(label.handle(), WM_MOUSEMOVE, 0, MAKELPARAM(1, 6));
    EXPECT_EQ(events, (std::vector<std::string>{"enter local:thing", "click local:thing", "exit local:thing"}));
    EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, IDC_ARROW));
}

TEST(HtmlListBox, ItemsAreMarkupAsHighAsTheirText)
{
    tk::DialogWindow host("list", 300, 200, RGB(255, 255, 255));
    tk::MarkupStyle style;
    tk::HtmlListBox list(&host, "list", tk::Bounds{0, 0, 300, 200}, style, 9);
    list.setImages(&tk::ResourceImageList::editorImages());
    list.addItem("<IMG src=\"icon_peace.gif\" align=\"top\">    Запрос на обновление");
    list.addItem("<IMG src=\"idx:3\" align=\"top\"> первая<BR>вторая строка");
    EXPECT_EQ(list.count(), 2);
    EXPECT_EQ(list.item(1), "<IMG src=\"idx:3\" align=\"top\"> первая<BR>вторая строка");
    const LRESULT one = SendMessageW(list.handle(), LB_GETITEMHEIGHT, 0, 0);
    const LRESULT two = SendMessageW(list.handle(), LB_GETITEMHEIGHT, 1, 0);
    EXPECT_GE(one, 15) << "as high as its picture";
    EXPECT_GT(two, one) << "two lines";
    ShowWindow(host.handle(), SW_SHOWNA);
    UpdateWindow(host.handle());
    e2e::screenshot(host.handle(), e2e::artifactPath("html-list-box.bmp"));
    list.clear();
    EXPECT_EQ(list.count(), 0);
}

// An item wraps within the room beside the scroll bar also when it came before the bar showed,
// and showLast brings the newest item into view.
TEST(HtmlListBox, ItemsWrapBesideTheScrollBarAndTheNewestShows)
{
    tk::DialogWindow host("list", 400, 300, RGB(255, 255, 255));
    tk::MarkupStyle style;
    const int bar = GetSystemMetrics(SM_CXVSCROLL);
    // Lists whose bar already shows: one as wide as the list under test, one wider by the bar.
    tk::HtmlListBox room(&host, "room", tk::Bounds{0, 0, 300, 60}, style, 9, false);
    tk::HtmlListBox wider(&host, "wider", tk::Bounds{0, 60, 300 + bar, 60}, style, 10, false);
    for (int i = 0; i < 10; ++i) {
        room.addItem("строка");
        wider.addItem("строка");
    }
    const LRESULT line = SendMessageW(room.handle(), LB_GETITEMHEIGHT, 0, 0);
    // A text that needs a second line beside the bar, and not in the whole width: an address
    // growing a letter at a time moves to a line of its own.
    std::string text = "Download : http://";
    LRESULT beside = line;
    while (beside == line && text.size() < 400) {
        text += "x";
        room.addItem(text);
        wider.addItem(text);
        beside = SendMessageW(room.handle(), LB_GETITEMHEIGHT, static_cast<WPARAM>(room.count() - 1), 0);
    }
    ASSERT_GT(beside, line);
    ASSERT_EQ(SendMessageW(wider.handle(), LB_GETITEMHEIGHT, static_cast<WPARAM>(wider.count() - 1), 0), line);

    tk::HtmlListBox list(&host, "list", tk::Bounds{0, 120, 300, 60}, style, 11, false);
    list.addItem(text);
    for (int i = 0; i < 10; ++i)
        list.addItem("строка");
    ASSERT_NE(GetWindowLongPtrW(list.handle(), GWL_STYLE) & WS_VSCROLL, 0) << "the bar shows";
    EXPECT_EQ(SendMessageW(list.handle(), LB_GETITEMHEIGHT, 0, 0), beside) << "measured before the bar showed";
    EXPECT_EQ(SendMessageW(list.handle(), LB_GETTOPINDEX, 0, 0), 0);
    list.showLast();
    RECT client, last;
    GetClientRect(list.handle(), &client);
    SendMessageW(list.handle(), LB_GETITEMRECT, static_cast<WPARAM>(list.count() - 1), reinterpret_cast<LPARAM>(&last));
    EXPECT_GE(last.top, 0);
    EXPECT_LE(last.bottom, client.bottom) << "the newest item shows whole";
    EXPECT_GT(SendMessageW(list.handle(), LB_GETTOPINDEX, 0, 0), 0);
}

void pumpFor(int ms)
{
    const DWORD until = GetTickCount() + static_cast<DWORD>(ms);
    while (GetTickCount() < until) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageW(&msg);
        Sleep(5);
    }
}

// A picture on a hidden panel is decoded at its first paint: until the panel shows, an animated
// one stands still; then it steps through its frames.
TEST(PictureBox, AnimatedPictureStepsOnceItHasShown)
{
    tk::Form form(L"TSlovoPictureTestForm", "PictureTestForm");
    form.createWindow("Pictures", 200, 200, 0xFFFFFF);
    tk::Panel panel(&form, "Panel", tk::Bounds{0, 0, 200, 200}, 100);
    tk::PictureBox box(&panel, "Globe", tk::Bounds{12, 28, 60, 65}, L"globe_anim.gif", 101);
    box.setAnimated(true);
    panel.setVisible(false);
    form.show();
    pumpFor(600);
    EXPECT_EQ(box.frame(), 0u) << "stepped while hidden";
    panel.setVisible(true);
    pumpFor(1200);
    EXPECT_GT(box.frame(), 0u) << "did not step once shown";
    ASSERT_GT(tk::Picture::shared(L"globe_anim.gif")->frameCount(), 1u);
    DestroyWindow(form.handle());
}

} // namespace
} // namespace fx

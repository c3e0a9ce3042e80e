// The editor's update from the Internet in process inside a real main window, against the loopback
// HTTP server with the server's own control file and base: the panel, its status list and result
// line, the import on the timer into the real files under C:\Windows\data, an imported empty word,
// and the failures (a missing control file or base file, a server nobody answers for, a page that
// is no control file, a run with nothing to import, an import that cannot read or write).
#include <winsock2.h> // before <windows.h>, which the window headers bring

#include "game/win32/main_window.h"

#include "game/core/grid_file.h"
#include "editor/core/editor_table.h"
#include "editor/win32/editor_ids.h"
#include "tests/e2e/driver.h"
#include "tests/win32/game_process.h"
#include "common/win32/text.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

namespace slovo {
namespace {

using wintest::AppEnvironment;
using wintest::addAppEnvironment;
using wintest::pump;

const BasePaths kPaths = BasePaths::fixedWindows();

AppEnvironment* const g_env = addAppEnvironment();

std::string env(const char* name)
{
    wchar_t buf[1024];
    const DWORD n = GetEnvironmentVariableW(tk::wide(name).c_str(), buf, 1024);
    return n > 0 && n < 1024 ? tk::narrow(buf) : std::string();
}

std::string readFile(const std::string& path)
{
    Win32FileSystem fs;
    return fs.fileExists(path) ? fs.readFile(path) : std::string("<missing>");
}

// A file of the source tree's server folder.
std::string serverFile(const std::string& name)
{
    std::string path = std::string(SLOVO_SERVER_DIR) + "/" + name;
    for (char& c : path)
        if (c == '/')
            c = '\\';
    return readFile(path);
}

std::string joined(const tk::HtmlListBox& list)
{
    std::string out;
    for (int i = 0; i < list.count(); ++i)
        out += list.item(i) + "\n";
    return out;
}

// Answers every error box of the application that shows, recording its text.
class ErrorBoxAnswerer {
public:
    ErrorBoxAnswerer()
        : worker_([this] {
              while (!stop_) {
                  const HWND box = FindWindowW(L"#32770", tk::wide(kApplicationTitle).c_str());
                  if (box && IsWindowVisible(box)) {
                      const HWND label = GetDlgItem(box, 0xFFFF);
                      texts_.push_back(label ? e2e::windowText(label) : std::string());
                      PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
                      Sleep(200);
                  }
                  Sleep(20);
              }
          })
    {
    }
    ~ErrorBoxAnswerer()
    {
        stop_ = true;
        worker_.join();
    }
    std::vector<std::string> texts() const { return texts_; }

private:
    std::atomic<bool> stop_{false};
    std::vector<std::string> texts_;
    std::thread worker_;
};

class EditorUpdateTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        root_ = env("SLOVO_HTTP_ROOT");
        ASSERT_FALSE(root_.empty()) << "run through run_with_server.sh";
        RegDeleteTreeW(HKEY_CURRENT_USER, L"slovolovka");
        CreateDirectoryW(tk::wide(root_ + "\\update").c_str(), nullptr);
        resetData();
        window = std::make_unique<MainWindow>(*g_env->app);
        window->show();
        pump();
        window->RzToolbarButton1Click();
        pump();
        ASSERT_TRUE(window->editor());
    }
    void TearDown() override
    {
        if (window)
            DestroyWindow(window->handle());
        window.reset();
        pump();
        resetData();
        RegDeleteTreeW(HKEY_CURRENT_USER, L"slovolovka");
    }
    static void resetData()
    {
        for (const auto* p : {&kPaths.words, &kPaths.hints, &kPaths.download})
            DeleteFileW(tk::wide(*p).c_str());
    }
    std::string base() const { return "http://127.0.0.1:" + env("SLOVO_HTTP_PORT"); }
    void serve(const std::string& name, const std::string& bytes)
    {
        Win32FileSystem fs;
        fs.writeFile(root_ + "\\update\\" + name, bytes);
    }
    // The server's control file, its base file's address moved to the loopback server.
    void serveServerContent(const std::string& baseBytes)
    {
        std::string control = serverFile("update/slovolovka.INF");
        const std::string design = "http://127.0.0.1:8080";
        const size_t at = control.find(design);
        ASSERT_NE(at, std::string::npos) << control;
        control.replace(at, design.size(), base());
        serve("slovolovka.INF", control);
        serve("slovolovka.txt", baseBytes);
    }
    // Starts the run at that control file and handles messages until the run has ended.
    void run(const std::string& controlUrl)
    {
        EditorWindow& e = *window->editor();
        e.webUpdate1().URL = controlUrl;
        e.updateClick();
        EXPECT_TRUE(e.panel1().visible());
        EXPECT_FALSE(e.htmlButton1().enabled());
        ASSERT_TRUE(e2e::waitFor([&] { pump(); return e.timer1Enabled(); }, std::chrono::seconds(30)))
            << joined(e.listBox1());
    }
    std::string root_;
    std::unique_ptr<MainWindow> window;
};

TEST_F(EditorUpdateTest, ASuccessfulRunImportsTheServersBaseOnTheTimer)
{
    const std::string bytes = serverFile("update/slovolovka.txt");
    const GridFile expected = parseGridFile(bytes, "slovolovka.txt");
    ASSERT_GT(expected.words.size(), 10u);
    serveServerContent(bytes);
    run(base() + "/update/slovolovka.INF");
    EditorWindow& e = *window->editor();
    const std::string url = base() + "/update/slovolovka.txt";
    const std::string listed = joined(e.listBox1());
    const char* const prefix = "<IMG src=\"icon_peace.gif\" align=\"top\">    ";
    const std::vector<std::string> inOrder = {
        "Checking for Internet connection", "Download : " + base() + "/update/slovolovka.INF",
        "Update control file found", "New version found", "Found file update instruction",
        "Download update : " + url, "Download : " + url, "Finished processing update control file",
        "Closed Internet connection"};
    size_t from = 0;
    for (const auto& status : inOrder) {
        const size_t at = listed.find(prefix + status, from);
        ASSERT_NE(at, std::string::npos) << status << " missing after " << from << " in\n" << listed;
        from = at;
    }
    EXPECT_EQ(e.label1().text(),
              "<IMG src=\"icon_love.gif\" align=\"top\">    Подождите, идет процесс обновления базы!...");
    EXPECT_EQ(e.label1().fontColour(), 0x000000u);
    EXPECT_FALSE(e.htmlButton1().enabled());
    pump();
    e2e::screenshot(window->handle(), e2e::artifactPath("editor-update.bmp"));

    ASSERT_TRUE(e2e::waitFor([&] { pump(); return window->editor() == nullptr; }, std::chrono::seconds(10)))
        << "the import did not close the editor";
    EXPECT_EQ(readFile(kPaths.words), formatLines(expected.words));
    EXPECT_EQ(readFile(kPaths.hints), formatLines(expected.hints));
    EXPECT_EQ(window->base().BaseKind, 1);
    EXPECT_EQ(window->base().List4, expected.words);
    EXPECT_EQ(window->base().List3, expected.hints);
    EXPECT_TRUE(window->baseButton().enabled());
    EXPECT_FALSE(window->updateb().enabled());
    EXPECT_TRUE(window->standart().enabled());
    // The downloaded file stays; the next run deletes it first.
    EXPECT_EQ(readFile(kPaths.download), bytes);
}

// A loopback address nobody listens on: a port taken and released again.
std::string deadAddress()
{
    WSADATA wsa;
    WSAStartup(MAKEWORD(2, 2), &wsa);
    const SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
    int len = sizeof a;
    getsockname(s, reinterpret_cast<sockaddr*>(&a), &len);
    closesocket(s);
    return "http://127.0.0.1:" + std::to_string(ntohs(a.sin_port));
}

const char* const kNoConnection = "<IMG src=\"icon_roach.gif\" align=\"top\">    Отсутствует соединение с Интернет!....";

TEST_F(EditorUpdateTest, AFailedRunShowsItsResultLineAndChangesNothing)
{
    struct Case {
        std::string url;
        std::vector<std::string> statuses; // in this order, possibly with others between
        std::string line;
        uint32_t colour;     // red until a block of a download arrived
        std::string absent;  // a status that must not be listed
    };
    const std::string missing = base() + "/status/404/update/slovolovka.INF";
    const std::string dead = deadAddress() + "/update/slovolovka.INF";
    // A base file not found after 12 statuses: the last ones lie below the list's nine rows.
    std::string control = serverFile("update/slovolovka.INF");
    const std::string design = "http://127.0.0.1:8080/update/";
    control.replace(control.find(design), design.size(), base() + "/status/404/update/");
    serve("base404.INF", control);
    const std::string baseMissing = base() + "/status/404/update/slovolovka.txt";
    // A page that is no control file, as a network's sign-in page answers every address.
    serve("signin.INF", "<html><body>Sign in to the network</body></html>\r\n");
    const Case cases[] = {
        {missing,
         {"Download : " + missing, "Http status : 404", "Update control file not found", "Closed Internet connection"},
         kNoConnection, 0x0000FFu, ""},
        {dead,
         {"Checking for Internet connection", "Found open Internet connection", "Download : " + dead,
          "File not found : " + dead, "Update control file not found", "Closed Internet connection"},
         kNoConnection, 0x0000FFu, ""},
        {base() + "/update/base404.INF",
         {"Found file update instruction", "Download : " + baseMissing, "Http status : 404",
          "Cannot download update file : " + baseMissing, "Closed Internet connection"},
         kNoConnection, 0x000000u, ""},
        {base() + "/update/signin.INF",
         {"Update control file found", "No new version found", "Closed Internet connection"},
         "<IMG src=\"icon_roach.gif\" align=\"top\">    Вы используете самую новую версию базы слов...", 0x000000u,
         "New version found"},
    };
    const char* const prefix = "<IMG src=\"icon_peace.gif\" align=\"top\">    ";
    int shot = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.url);
        const std::vector<std::string> words = window->base().List4;
        run(c.url);
        EditorWindow& e = *window->editor();
        const std::string listed = joined(e.listBox1());
        size_t from = 0;
        for (const auto& status : c.statuses) {
            const size_t at = listed.find(prefix + status + "\n", from);
            ASSERT_NE(at, std::string::npos) << status << " missing after " << from << " in\n" << listed;
            from = at;
        }
        if (!c.absent.empty()) {
            EXPECT_EQ(listed.find(prefix + c.absent), std::string::npos) << listed;
        }
        EXPECT_EQ(e.label1().text(), c.line);
        EXPECT_EQ(e.label1().fontColour(), c.colour);
        EXPECT_TRUE(e.htmlButton1().enabled());
        // The newest status shows whole, however many came before it.
        RECT client, last;
        GetClientRect(e.listBox1().handle(), &client);
        SendMessageW(e.listBox1().handle(), LB_GETITEMRECT, static_cast<WPARAM>(e.listBox1().count() - 1),
                     reinterpret_cast<LPARAM>(&last));
        EXPECT_TRUE(last.top >= 0 && last.bottom <= client.bottom) << last.top << ".." << last.bottom;
        pump();
        e2e::screenshot(window->handle(), e2e::artifactPath("editor-update-failed-" + std::to_string(++shot) + ".bmp"));
        e.htmlButton1().click();
        pump();
        EXPECT_FALSE(e.panel1().visible());
        EXPECT_TRUE(e.timer1Enabled()) << "the timer keeps looking after a failed run";
        EXPECT_EQ(readFile(kPaths.words), "<missing>");
        EXPECT_EQ(window->base().BaseKind, 0);
        EXPECT_EQ(window->base().List4, words);
        RegDeleteTreeW(HKEY_CURRENT_USER, L"slovolovka");
    }
}

TEST_F(EditorUpdateTest, AnImportedEmptyWordStopsTheSaveAndKeepsTheFilesTable)
{
    // Four columns, the file's own header and numbers and widths, and row 2 without a word.
    serveServerContent("4,4\r\n"
                       "cw:0,30\r\ncw:1,120\r\ncw:3,77\r\ncw:9,5\r\n"
                       "0,0,№\r\n1,0, СЛОВО\r\n2,0, ПОДСКАЗКА\r\n3,0,ЕЩЁ\r\n"
                       "0,1,7\r\n1,1,ЛИНЬ\r\n2,1,РЫБА\r\n"
                       "0,2,8\r\n2,2,БЕЗ СЛОВА\r\n"
                       "0,3,9\r\n1,3,ПУРГА\r\n2,3,БУРЯ\r\n3,3,ЛИШНЕЕ\r\n");
    const std::string standardWords = readFile(kPaths.stwords);
    // An earlier updated base, which the refused import must leave as it is.
    Win32FileSystem fs;
    fs.writeFile(kPaths.words, "ОЛЕНЬ\r\n");
    fs.writeFile(kPaths.hints, "СЕВЕРНОЕ ЖИВОТНОЕ\r\n");
    const std::vector<std::string> words = window->base().List4;
    run(base() + "/update/slovolovka.INF");
    EditorWindow& e = *window->editor();
    EXPECT_FALSE(e.htmlButton1().enabled()) << "a successful run leaves the cancel button disabled";
    std::string caption;
    std::thread closer([&] {
        HWND w = nullptr;
        e2e::waitFor([&] {
            w = FindWindowW(nullptr, tk::wide(kEmptyRowsCaption).c_str());
            return w && IsWindowVisible(w);
        }, std::chrono::seconds(15));
        if (w) {
            caption = e2e::windowText(w);
            PostMessageW(w, WM_CLOSE, 0, 0);
        }
    });
    // The tick imports, the save meets row 2 and shows its stop dialog; then the tick ends.
    ASSERT_TRUE(e2e::waitFor([&] { pump(); return !e.timer1Enabled(); }, std::chrono::seconds(10)));
    closer.join();
    pump();
    EXPECT_EQ(caption, kEmptyRowsCaption);
    ASSERT_EQ(window->editor(), &e) << "the editor stays open";
    EXPECT_EQ(readFile(kPaths.words), "ОЛЕНЬ\r\n") << "a base the save refuses is not written";
    EXPECT_EQ(readFile(kPaths.hints), "СЕВЕРНОЕ ЖИВОТНОЕ\r\n");
    EXPECT_EQ(readFile(kPaths.stwords), standardWords);
    EXPECT_EQ(window->base().List4, words) << "nor played";
    EXPECT_EQ(window->base().BaseKind, 1);
    EXPECT_TRUE(window->baseButton().enabled());
    EXPECT_FALSE(window->updateb().enabled());
    EXPECT_TRUE(window->standart().enabled());
    // The table is the file's: its counts, its cells and the widths it names.
    const tk::GridModel& t = e.grid().model();
    EXPECT_EQ(t.colCount(), 4);
    EXPECT_EQ(t.rowCount(), 4);
    const std::vector<std::vector<std::string>> want = {{"№", " СЛОВО", " ПОДСКАЗКА", "ЕЩЁ"},
                                                        {"7", "ЛИНЬ", "РЫБА", ""},
                                                        {"8", "", "БЕЗ СЛОВА", ""},
                                                        {"9", "ПУРГА", "БУРЯ", "ЛИШНЕЕ"}};
    EXPECT_EQ(t.cells(), want);
    EXPECT_EQ(e.grid().colWidths(), (std::vector<int>{30, 120, 349, 77}));
    // The panel can be put away to mend the table.
    ASSERT_TRUE(e.htmlButton1().enabled());
    e.htmlButton1().click();
    pump();
    EXPECT_FALSE(e.panel1().visible());
    e2e::screenshot(window->handle(), e2e::artifactPath("editor-update-empty-word.bmp"));
}

TEST_F(EditorUpdateTest, ASecondEditorStartsNoRunWhileTheFirstOnesGoesOn)
{
    // A control file that takes about 3 s to come and announces nothing. Meanwhile the toolbar's
    // "Редактор" has opened a second editor, whose "Обновить из Интернет" comes while the first
    // run handles messages: it must start nothing.
    serve("slow.INF", "[update]\r\npadding=" + std::string(600, 'x') + "\r\n");
    EditorWindow& first = *window->editor();
    first.webUpdate1().URL = base() + "/slow/200/update/slow.INF";
    first.updateClick();
    window->RzToolbarButton1Click();
    EditorWindow& second = *window->editor();
    ASSERT_NE(&second, &first);
    second.webUpdate1().URL = base() + "/status/404/update/slovolovka.INF";
    PostMessageW(second.window().handle(), WM_COMMAND, ids::kMenuUpdate, 0);
    ASSERT_TRUE(e2e::waitFor([&] { pump(); return first.timer1Enabled(); }, std::chrono::seconds(30)));
    EXPECT_NE(joined(first.listBox1()).find("No new version found"), std::string::npos) << joined(first.listBox1());
    EXPECT_FALSE(second.panel1().visible()) << "a second run started beside the first";
    EXPECT_EQ(second.listBox1().count(), 0);
    run(base() + "/status/404/update/slovolovka.INF");
    EXPECT_NE(joined(second.listBox1()).find("Http status : 404"), std::string::npos) << "once the first has ended";
}

const char* const kNotReceived = "<IMG src=\"icon_roach.gif\" align=\"top\">    Обновление базы слов не получено!...";

TEST_F(EditorUpdateTest, ARunWithNothingToImportEndsWithAResultLineAndTheCancelButton)
{
    // The only file entry refused (its folder is not the data directory), and a new version found
    // without any file entry: nothing arrives, and the panel lets the player go.
    const std::string refused = "[update]\r\ndate=01/02/2003\r\n[files]\r\ncount=1\r\n[file1]\r\nurl=" + base() +
                                "/update/slovolovka.txt\r\ntargetdir=C:\\Windows\\temp\r\n";
    for (const std::string& control : {refused, std::string("[update]\r\ndate=01/02/2004\r\n")}) {
        SCOPED_TRACE(control);
        serve("slovolovka.INF", control);
        run(base() + "/update/slovolovka.INF");
        EditorWindow& e = *window->editor();
        EXPECT_EQ(e.label1().text(), kNotReceived) << joined(e.listBox1());
        EXPECT_TRUE(e.htmlButton1().enabled());
        EXPECT_EQ(readFile(kPaths.download), "<missing>");
    }
}

TEST_F(EditorUpdateTest, AFailedImportIsReportedOnceAndLetsThePlayerGo)
{
    // An unreadable download, and a base whose words file cannot be written (a folder holds its
    // name): each is reported once, the timer stops, and the panel ends with its result line.
    struct Case {
        std::string base;
        std::string box;
        bool wordsFolder;
    } cases[] = {{"no grid\r\n", "File contains no data or corrupt file " + kPaths.download + ".", false},
                 {serverFile("update/slovolovka.txt"), "Cannot create file " + kPaths.words + ".", true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.box);
        if (c.wordsFolder)
            CreateDirectoryW(tk::wide(kPaths.words).c_str(), nullptr);
        serveServerContent(c.base);
        run(base() + "/update/slovolovka.INF");
        EditorWindow& e = *window->editor();
        EXPECT_FALSE(e.htmlButton1().enabled()) << "a base file arrived: the import decides";
        ErrorBoxAnswerer answerer;
        // Two ticks' worth: the first meets the file, a second would report it again.
        const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(9000);
        while (std::chrono::steady_clock::now() < until)
            pump();
        const std::vector<std::string> boxes = answerer.texts();
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0], c.box);
        ASSERT_TRUE(window->editor());
        EXPECT_FALSE(e.timer1Enabled());
        EXPECT_EQ(window->base().BaseKind, 1) << "set before the reader met the file";
        EXPECT_EQ(e.label1().text(), kNotReceived);
        EXPECT_TRUE(e.htmlButton1().enabled());
        RemoveDirectoryW(tk::wide(kPaths.words).c_str());
        EXPECT_EQ(readFile(kPaths.words), "<missing>");
        RegDeleteTreeW(HKEY_CURRENT_USER, L"slovolovka");
    }
}

} // namespace
} // namespace slovo

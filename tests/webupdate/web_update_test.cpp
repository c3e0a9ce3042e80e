// TWebUpdate against a real loopback HTTP server: statuses in order, remembered values, files,
// servers that misbehave, compressed entries, a hostile control file held to the safe subset over
// plain HTTP, FTP, local files and the restart through the updater.
#include "tests/webupdate/web_update_fixture.h"

#include "tests/e2e/driver.h"

#include <winsock2.h>
#include <tlhelp32.h>

#include <cstdio>
#include <memory>
#include <random>

namespace {

using namespace wutest;

TEST_F(WebUpdateTest, TypicalRunThenNoNewVersion)
{
    serve("slovolovka.txt", "word\thint\r\n");
    serve("typical.INF", "[update]\r\ndate=25/12/2002\r\ntime=10:00\r\n" +
                             baseFileEntry(base() + "/update/slovolovka.txt"));
    const std::string control = base() + "/update/typical.INF";
    const std::string file = base() + "/update/slovolovka.txt";
    const Statuses want = {{"Checking for Internet connection", 3},
                           {"Found open Internet connection", 3},
                           {"Download : " + control, 3},
                           {"Update control file found", 3},
                           {"Date based update found", 3},
                           {"New version found : " + shortDate(2002, 12, 25), 5},
                           {"Found file update instruction", 3},
                           {"Download update : " + file, 3},
                           {"Download : " + file, 3},
                           {"Finished processing update control file", 3},
                           {"Closed Internet connection", 3}};
    const Statuses got = run("typical.INF");
    EXPECT_EQ(got, want) << show(got);
    EXPECT_EQ(readFile(dir_ + "slovolovka.txt"), "word\thint\r\n");
    ASSERT_FALSE(progress_.empty());
    EXPECT_EQ(progress_.back(), std::make_pair(std::int64_t{11}, std::int64_t{11}));
    EXPECT_EQ(registryValue("LastDate").value_or("<none>"), shortDate(2002, 12, 25));
    EXPECT_TRUE(registryValue("LastTime").has_value());
    wchar_t tmp[MAX_PATH];
    GetTempPathW(MAX_PATH, tmp);
    EXPECT_FALSE(exists(tk::narrow(tmp) + "typical.INF")) << "the control file is deleted after the run";

    const Statuses second = run("typical.INF");
    ASSERT_GE(second.size(), 6u) << show(second);
    EXPECT_EQ(second[5], std::make_pair(std::string("No new version found"), 4)) << show(second);
    EXPECT_EQ(second.back().first, "Closed Internet connection");
}

TEST_F(WebUpdateTest, ControlFileFailures)
{
    const std::string missing = base() + "/status/404/update/slovolovka.INF";
    statuses_.clear();
    update_.URL = missing;
    update_.RunUpdate();
    const Statuses want404 = {{"Checking for Internet connection", 3},
                              {"Found open Internet connection", 3},
                              {"Download : " + missing, 3},
                              {"Http status : 404", 6},
                              {"Update control file not found", 2},
                              {"Closed Internet connection", 3}};
    EXPECT_EQ(statuses_, want404) << show(statuses_);

    // A port that nobody listens on: taken and released again.
    WSADATA wsa;
    WSAStartup(MAKEWORD(2, 2), &wsa);
    SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
    int len = sizeof a;
    getsockname(s, reinterpret_cast<sockaddr*>(&a), &len);
    closesocket(s);
    const std::string dead = "http://127.0.0.1:" + std::to_string(ntohs(a.sin_port)) + "/update/slovolovka.INF";
    statuses_.clear();
    update_.URL = dead;
    update_.RunUpdate();
    const Statuses wantDead = {{"Checking for Internet connection", 3}, {"Found open Internet connection", 3},
                               {"Download : " + dead, 3},               {"File not found : " + dead, 2},
                               {"Update control file not found", 2},    {"Closed Internet connection", 3}};
    EXPECT_EQ(statuses_, wantDead) << show(statuses_);
}

TEST_F(WebUpdateTest, DateAloneAlsoRunsTheVersionCheck)
{
    serve("datealone.INF", "[update]\r\ndate=25/12/2002\r\n");
    const Statuses got = run("datealone.INF");
    int found = 0;
    for (const auto& s : got)
        found += s.second == 5;
    EXPECT_EQ(found, 2) << show(got);
    EXPECT_NE(std::find(got.begin(), got.end(), std::make_pair(std::string("New version found : "), 5)), got.end())
        << show(got);
    EXPECT_FALSE(registryValue("LastTime").has_value()) << "midnight is not remembered";
}

// Servers that misbehave as real networks do, all at once (each stall costs its 30 s only once):
// silent after the connection, a base that stalls after its headers and part of its body, one
// that ends short of the length it announced, one reset at a random point, one not found. Each
// run fails the step it was in within 35 s while its thread goes on answering, leaves the earlier
// file and no temporary file, and remembers no date; the next run against the healthy server
// fetches the base and remembers the date.
TEST_F(WebUpdateTest, MisbehavingServersFailTheirStepAndTheNextRunFetchesAgain)
{
    std::string bytes;
    for (int i = 0; bytes.size() < 43924; ++i)
        bytes += "СЛОВО" + std::to_string(i) + "\tПОДСКАЗКА\r\n";
    bytes.resize(43924);
    serve("misbehaving.txt", bytes);
    const unsigned seed = static_cast<unsigned>(GetTickCount());
    std::mt19937 random(seed);
    const std::size_t cut = std::uniform_int_distribution<std::size_t>(1, bytes.size() - 1)(random);
    std::printf("reset after %zu of %zu bytes (seed %u)\n", cut, bytes.size(), seed);
    const std::string file = base() + "/update/misbehaving.txt";
    const auto failedFile = [](const std::string& url, Statuses between) {
        Statuses tail = {{"Download : " + url, 3}};
        tail.insert(tail.end(), between.begin(), between.end());
        tail.insert(tail.end(), {{"Cannot download update file : " + url, 2},
                                 {"Finished processing update control file", 3},
                                 {"Closed Internet connection", 3}});
        return tail;
    };
    const std::string silent = base() + "/silent/update/row0.INF";
    const std::string stalled = base() + "/stall/10000/update/misbehaving.txt";
    const std::string shortened = base() + "/short/21962/update/misbehaving.txt";
    const std::string reset = base() + "/reset/" + std::to_string(cut) + "/update/misbehaving.txt";
    const std::string missing = base() + "/status/404/update/misbehaving.txt";
    const Statuses resetTail = failedFile(reset, {});
    struct Row {
        std::string what;
        std::string control; // the first run's control file
        std::string file;    // the base file its control file names
        Statuses tail;       // the first run's last statuses
        bool stalls;
    };
    // Wine differences, which the rows pass either way: a given-up call's thread stays blocked in
    // Wine until the server lets the connection go (Windows ends the call when its handle is
    // closed), and Wine reads a reset as a plain end of the data, which the announced length
    // catches (Windows reports a read error).
    const std::vector<Row> rows = {
        {"silent after the connection", silent, file,
         {{"Download : " + silent, 3}, {"File not found : " + silent, 2}, {"Update control file not found", 2},
          {"Closed Internet connection", 3}},
         true},
        {"headers and 10,000 bytes, then silence", base() + "/update/row1.INF", stalled, failedFile(stalled, {}), true},
        {"21,962 of 43,924 bytes, then closed", base() + "/update/row2.INF", shortened, failedFile(shortened, {}), false},
        // A reset drops what the client had not read yet, the reply's headers too when it comes
        // early: the opening may fail ("File not found") as well as a read.
        {"reset after " + std::to_string(cut) + " bytes (seed " + std::to_string(seed) + ")",
         base() + "/update/row3.INF", reset, Statuses(resetTail.end() - 3, resetTail.end()), false},
        {"404 for the base file", base() + "/update/row4.INF", missing,
         failedFile(missing, {{"Http status : 404", 6}}), false},
    };
    struct Outcome {
        Statuses failed, healthy;
        ULONGLONG ms = 0;
        std::string earlier, fetched;
        bool temporaryLeft = false;
        std::optional<std::string> dateAfterFailure, dateAfterHealthy;
    };
    std::vector<Outcome> outcomes(rows.size());
    std::vector<std::unique_ptr<e2e::AnswerWatch>> watches;
    std::vector<std::thread> threads;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        watches.push_back(std::make_unique<e2e::AnswerWatch>());
        threads.emplace_back([&, i] {
            // Each run on a thread of its own, as a game's thread: its own client, folder and
            // remembered values.
            const std::string section = "row" + std::to_string(i);
            const std::string dir = dir_ + section + "\\";
            CreateDirectoryW(tk::wide(dir).c_str(), nullptr);
            writeFile(dir + "misbehaving.txt", "the earlier base");
            const auto serveControl = [&](const std::string& url) {
                serve(section + ".INF", "[update]\r\ndate=25/12/2002\r\ntime=10:00\r\n[files]\r\ncount=1\r\n[file1]\r\nurl=" +
                                            url + "\r\ntargetdir=" + dir + "\r\n");
            };
            wu::TWebUpdate update;
            wu::configureProgramUpdate(update);
            update.PlainTargetDir = dir;
            update.LastURLEntry.Section = section;
            Statuses statuses;
            update.OnStatus = [&](wu::TWebUpdate&, const std::string& text, int code, int) {
                statuses.emplace_back(text, code);
            };
            const HWND window = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
            watches[i]->watch(window);
            Outcome& o = outcomes[i];
            serveControl(rows[i].file);
            update.URL = rows[i].control;
            const ULONGLONG start = GetTickCount64();
            update.RunUpdate();
            o.ms = GetTickCount64() - start;
            o.failed = std::exchange(statuses, {});
            o.earlier = readFile(dir + "misbehaving.txt");
            WIN32_FIND_DATAW found;
            const HANDLE find = FindFirstFileW(tk::wide(dir + "WUPD*").c_str(), &found);
            o.temporaryLeft = find != INVALID_HANDLE_VALUE;
            if (find != INVALID_HANDLE_VALUE)
                FindClose(find);
            o.dateAfterFailure = registryValue("LastDate", section);
            serveControl(file);
            update.URL = base() + "/update/" + section + ".INF";
            update.RunUpdate();
            o.healthy = statuses;
            o.fetched = readFile(dir + "misbehaving.txt");
            o.dateAfterHealthy = registryValue("LastDate", section);
            watches[i]->watch(nullptr);
            DestroyWindow(window);
        });
    }
    for (std::thread& t : threads)
        t.join();
    for (std::size_t i = 0; i < rows.size(); ++i) {
        SCOPED_TRACE(rows[i].what);
        const Outcome& o = outcomes[i];
        const Statuses& tail = rows[i].tail;
        ASSERT_GE(o.failed.size(), tail.size()) << show(o.failed);
        EXPECT_EQ(Statuses(o.failed.end() - static_cast<std::ptrdiff_t>(tail.size()), o.failed.end()), tail)
            << show(o.failed);
        EXPECT_LT(o.ms, 35000u) << "the step was given up too late";
        if (rows[i].stalls) {
            EXPECT_GE(o.ms, 29000u) << "a silent server is given 30 s";
        }
        EXPECT_LE(watches[i]->longestMs(), 500u) << "the run's thread left its messages waiting";
        EXPECT_TRUE(o.earlier == "the earlier base") << "the earlier file stays until a whole one arrives";
        EXPECT_FALSE(o.temporaryLeft);
        EXPECT_FALSE(o.dateAfterFailure.has_value()) << "a failed run remembers no date";
        EXPECT_TRUE(o.fetched == bytes) << "the next run fetches the base\n" << show(o.healthy);
        EXPECT_EQ(o.dateAfterHealthy.value_or("<none>"), shortDate(2002, 12, 25));
    }
}

TEST_F(WebUpdateTest, VersionRulesForEntries)
{
    serve("a.txt", "a");
    serve("versions.INF", "[update]\r\nunconditional=1\r\n[files]\r\ncount=3\r\n"
                          "[file1]\r\nurl=" + base() + "/update/a.txt\r\ntargetdir=" + dir_ + "one\r\nnewsize=5\r\n"
                          "localversion=" + programFolder() + "missing.exe\r\n"
                          "[file2]\r\nurl=" + base() + "/update/a.txt\r\ntargetdir=" + dir_ + "two\r\n"
                          "newversion=1.3\r\nlocalversion=" + programFolder() + "missing.exe\r\n"
                          "[file3]\r\nurl=" + base() + "/update/a.txt\r\ntargetdir=" + dir_ + "three\\deep\r\n"
                          "newversion=1.2.0.5\r\nlocalversion=" + programFolder() + "missing.exe\r\n");
    const Statuses got = run("versions.INF");
    EXPECT_FALSE(exists(dir_ + "one\\a.txt")) << "newsize with a missing local file is never new";
    EXPECT_FALSE(exists(dir_ + "two\\a.txt")) << "a two-number version is never new";
    EXPECT_EQ(readFile(dir_ + "three\\deep\\a.txt"), "a") << show(got);
    EXPECT_TRUE(exists(dir_ + "one")) << "target directories are created";
}

TEST_F(WebUpdateTest, VersionsAgainstARealVersionResource)
{
    // The stand-in application carries the file version 1.2.0.4.
    const std::string local = env("SLOVO_WAIT_HELPER");
    ASSERT_FALSE(local.empty());
    serve("v.txt", "v");
    struct Case {
        const char* version;
        bool downloaded;
    } cases[] = {{"1.2.0.5", true}, {"1.2.0.4", false}, {"1,2,0,3", false}, {"1.3", false}, {"2.0.0.0", true}};
    for (const auto& c : cases) {
        serve("real.INF", "[update]\r\nunconditional=1\r\n[files]\r\ncount=1\r\n[file1]\r\nurl=" + base() +
                              "/update/v.txt\r\ntargetdir=" + dir_ + "\r\nnewversion=" + c.version +
                              "\r\nlocalversion=" + local + "\r\n");
        DeleteFileW(tk::wide(dir_ + "v.txt").c_str());
        const Statuses got = run("real.INF");
        EXPECT_EQ(exists(dir_ + "v.txt"), c.downloaded) << c.version << "\n" << show(got);
    }
    EXPECT_TRUE(update_.IsNewVersion("1.2.0.5", local, 0, -1));
    EXPECT_FALSE(update_.IsNewVersion("1.2.0.4", local, 0, -1));
    const std::int64_t size = static_cast<std::int64_t>(readFile(local).size());
    EXPECT_FALSE(update_.IsNewVersion("", local, static_cast<std::int32_t>(size), -1));
    EXPECT_TRUE(update_.IsNewVersion("", local, static_cast<std::int32_t>(size + 1), -1));
}

TEST_F(WebUpdateTest, CompressedEntryIsExpanded)
{
    serve("szdd.INF", "[update]\r\nunconditional=yes\r\n" + baseFileEntry(base() + "/packed.txt_") +
                          "compressed=1\r\n");
    const Statuses got = run("szdd.INF");
    EXPECT_EQ(readFile(dir_ + "packed.txt"), "СЛОВО\r\nПОДСКАЗКА\r\n") << show(got);
    EXPECT_FALSE(exists(dir_ + "packed.txt_")) << "the compressed copy is deleted";
}

TEST_F(WebUpdateTest, HostileControlFileOverPlainHttp)
{
    const std::string marker = dir_ + "ran.txt";
    serve("evil.txt", "evil");
    serve("hostile.INF",
          "[update]\r\nunconditional=1\r\n"
          "[application]\r\nappupdate=1\r\nappname=" + dir_ + "app.exe\r\nappcomps=evil.txt\r\nsilentrestart=1\r\n"
          "[action]\r\nmsg=Hello\\nthere\r\nrunbefore=cmd /c echo x > " + marker + "\r\n"
          "runafter=cmd /c echo y > " + marker + "\r\nupdateURL=http://127.0.0.1:1/evil.INF\r\n"
          "showURL=" + dir_ + "show.bat\r\nhtmldlg=" + dir_ + "page.htm\r\nquery=Go on?\r\n"
          "[whatsnew]\r\nfile=" + base() + "/update/evil.txt\r\n"
          "[files]\r\ncount=3\r\n[file1]\r\nurl=" + base() + "/update/evil.txt\r\ntargetdir=C:\\windows\\system32\r\n"
          "[file2]\r\nurl=" + base() + "/update/..%5c..%5cevil.txt\r\ntargetdir=" + dir_ + "\r\n"
          "[file3]\r\nurl=" + base() + "/update/evil.txt\r\ntargetdir=" + dir_ + "..\\escape\r\n");
    writeFile(dir_ + "show.bat", "echo z > " + marker + "\r\n");
    Statuses got;
    std::vector<std::string> boxes;
    {
        BoxAnswerer answer(IDYES);
        got = run("hostile.INF");
        Sleep(300);
        boxes = answer.texts();
    }
    const auto has = [&](const std::string& text, int code) {
        return std::find(got.begin(), got.end(), std::make_pair(text, code)) != got.end();
    };
    const char* refused[] = {"application update", "HTML dialog", "run before", "whatsnew", "URL redirection",
                             "URL show", "run after"};
    for (const char* what : refused)
        EXPECT_TRUE(has(std::string("Refused ") + what + " instruction over insecure connection", wu::statusRefused))
            << what << "\n" << show(got);
    EXPECT_TRUE(has("Refused file outside the data directory over insecure connection : " + base() +
                        "/update/evil.txt",
                    wu::statusRefused))
        << show(got);
    EXPECT_TRUE(has("Refused unsafe file name : ..%5c..%5cevil.txt", wu::statusUnsafeName) ||
                has("Cannot download update file : " + base() + "/update/..%5c..%5cevil.txt", 2))
        << show(got);
    EXPECT_TRUE(has("Found message instruction", 3) && has("Found query instruction", 3)) << show(got);
    EXPECT_EQ(boxes.size(), 2u) << "msg and query still show";
    if (boxes.size() == 2) {
        EXPECT_EQ(boxes[0], "Hello\r\nthere");
        EXPECT_EQ(boxes[1], "Go on?");
    }
    Sleep(500);
    EXPECT_FALSE(exists(marker)) << "no command line ran";
    EXPECT_FALSE(registryValue("LastURL").has_value());
    EXPECT_FALSE(exists("C:\\windows\\system32\\evil.txt"));
    EXPECT_FALSE(exists(dir_ + "..\\escape\\evil.txt"));
    EXPECT_TRUE(has("Finished processing update control file", 3)) << "the run goes on";
}

TEST_F(WebUpdateTest, FtpModeIsAPlainChannel)
{
    serve("ftpbase.txt", "ftp base");
    serve("ftp.INF", "[update]\r\nunconditional=1\r\n[action]\r\nrunbefore=cmd /c echo x > " + dir_ +
                         "ftp.txt\r\n" + baseFileEntry("ftpbase.txt"));
    update_.UpdateType = wu::TUpdateType::ftpUpdate;
    update_.Host = "127.0.0.1";
    update_.Port = static_cast<std::uint16_t>(std::stoi(env("SLOVO_FTP_PORT")));
    update_.UserID = "slovo";
    update_.Password = "secret";
    update_.FTPDirectory = "update";
    update_.FTPPassive = true;
    update_.URL = "ftp.INF";
    statuses_.clear();
    update_.RunUpdate();
    const Statuses want = {{"Checking for Internet connection", 3},
                           {"Found open Internet connection", 3},
                           {"Connect to host : 127.0.0.1", 3},
                           {"Download : ftp.INF", 3},
                           {"Update control file found", 3},
                           {"Refused run before instruction over insecure connection", wu::statusRefused},
                           {"Found file update instruction", 3},
                           {"Download update : ftpbase.txt", 3},
                           {"Download : ftpbase.txt", 3},
                           {"Finished processing update control file", 3},
                           {"Closed Internet connection", 3}};
    EXPECT_EQ(statuses_, want) << show(statuses_);
    EXPECT_EQ(readFile(dir_ + "ftpbase.txt"), "ftp base");
    EXPECT_FALSE(exists(dir_ + "ftp.txt"));
}

TEST_F(WebUpdateTest, QueryNoEndsTheRun)
{
    serve("query.INF", "[update]\r\nunconditional=1\r\n[action]\r\nquery=Really?\r\n" +
                           baseFileEntry(base() + "/update/query.INF"));
    Statuses got;
    {
        BoxAnswerer answer(IDNO);
        got = run("query.INF");
    }
    EXPECT_EQ(got.back().first, "Closed Internet connection") << show(got);
    EXPECT_EQ(std::count(got.begin(), got.end(), std::make_pair(std::string("Found file update instruction"), 3)), 0)
        << show(got);
}

TEST_F(WebUpdateTest, ThreadedRunEndsOnTheMainThread)
{
    serve("thread.INF", "[update]\r\nunconditional=1\r\n");
    update_.URL = base() + "/update/thread.INF";
    const DWORD mainThread = GetCurrentThreadId();
    DWORD statusThread = 0;
    bool done = false;
    update_.OnStatus = [&](wu::TWebUpdate&, const std::string& text, int code, int) {
        statusThread = GetCurrentThreadId();
        statuses_.emplace_back(text, code);
    };
    update_.OnThreadUpdateDone = [&](wu::TWebUpdate& u) {
        EXPECT_TRUE(u.threaded()) << "cleared after the event";
        done = true;
    };
    update_.StartUpdateThread();
    EXPECT_TRUE(update_.threaded());
    const DWORD start = GetTickCount();
    MSG m;
    while (!done && GetTickCount() - start < 10000) {
        while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageW(&m);
        Sleep(5);
    }
    ASSERT_TRUE(done);
    EXPECT_FALSE(update_.threaded());
    EXPECT_EQ(statusThread, mainThread);
    EXPECT_EQ(statuses_.back().first, "Closed Internet connection") << show(statuses_);
}

TEST_F(WebUpdateTest, LocalFileModeAndRestartThroughTheUpdater)
{
    // A local control file is trusted: the application update and its restart go through.
    writeFile(dir_ + "comp.dat_new", "component");
    writeFile(dir_ + "empty.dat", "");
    writeFile(dir_ + "local.INF", "[update]\r\nunconditional=1\r\n[application]\r\nappupdate=1\r\nappname=" + dir_ +
                                      "app.exe -x\r\nappcomps=" + dir_ + "target\\comp.dat_new\r\nsilentrestart=1\r\n"
                                      "[files]\r\ncount=1\r\n[file1]\r\nurl=" + dir_ + "comp.dat_new\r\ntargetdir=" + dir_ +
                                      "target\r\n");
    writeFile(dir_ + "copies.INF", "[update]\r\nunconditional=1\r\n[files]\r\ncount=2\r\n[file1]\r\nurl=" + dir_ +
                                       "empty.dat\r\ntargetdir=" + dir_ + "target\r\n[file2]\r\nurl=" + dir_ +
                                       "comp.dat_new\r\ntargetdir=" + dir_ + "\r\n");
    update_.UpdateType = wu::TUpdateType::fileUpdate;
    update_.URL = dir_ + "local.INF";
    bool closed = false;
    update_.OnAppDoClose = [&](wu::TWebUpdate&) { closed = true; };
    update_.URL = dir_ + "copies.INF";
    statuses_.clear();
    update_.RunUpdate();
    const Statuses copies = statuses_;
    EXPECT_FALSE(closed);
    update_.URL = dir_ + "local.INF";
    statuses_.clear();
    // The updater goes to a temporary folder with a blank in its path, as a user name with a blank
    // gives: its path must reach it quoted.
    const std::string blankTemp = dir_ + "my temp\\";
    CreateDirectoryW(tk::wide(blankTemp).c_str(), nullptr);
    wchar_t oldTmp[MAX_PATH] = L"";
    GetEnvironmentVariableW(L"TMP", oldTmp, MAX_PATH);
    SetEnvironmentVariableW(L"TMP", tk::wide(blankTemp).c_str());
    update_.RunUpdate();
    SetEnvironmentVariableW(L"TMP", oldTmp[0] != L'\0' ? oldTmp : nullptr);
    const auto has = [&](const std::string& text, int code) {
        return std::find(statuses_.begin(), statuses_.end(), std::make_pair(text, code)) != statuses_.end();
    };
    EXPECT_EQ(statuses_.front().first, "Update control file found") << "no connection steps\n" << show(statuses_);
    EXPECT_EQ(readFile(dir_ + "target\\comp.dat_new"), "component");
    const auto hadCopy = [&](const std::string& text, int code) {
        return std::find(copies.begin(), copies.end(), std::make_pair(text, code)) != copies.end();
    };
    EXPECT_TRUE(hadCopy("Zero length source file : " + dir_ + "empty.dat", 10)) << show(copies);
    EXPECT_TRUE(hadCopy("Equal source and target files : " + dir_ + "comp.dat_new", 10)) << show(copies);
    EXPECT_FALSE(has("Closed Internet connection", 3));
    EXPECT_TRUE(closed) << "the application is asked to end\n" << show(statuses_);

    const std::string& temp = blankTemp;
    EXPECT_FALSE(exists(temp + "upd.ex_")) << "the compressed copy is deleted";
    const std::string built = readFile(env("SLOVO_UPD"));
    EXPECT_EQ(readFile(temp + "upd.exe").size(), built.size());
    EXPECT_TRUE(readFile(temp + "upd.exe") == built) << "expanded from the UPD resource";

    // The updater now waits for this process: found among its children and ended here.
    HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32W pe{};
    pe.dwSize = sizeof pe;
    DWORD updater = 0;
    for (BOOL ok = Process32FirstW(snap, &pe); ok; ok = Process32NextW(snap, &pe))
        if (pe.th32ParentProcessID == GetCurrentProcessId() && lstrcmpiW(pe.szExeFile, L"upd.exe") == 0)
            updater = pe.th32ProcessID;
    CloseHandle(snap);
    ASSERT_NE(updater, 0u) << "upd.exe was started";
    HANDLE p = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, updater);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(WaitForSingleObject(p, 300), static_cast<DWORD>(WAIT_TIMEOUT)) << "it waits for the application";
    TerminateProcess(p, 0);
    CloseHandle(p);
    DeleteFileW(tk::wide(dir_ + "target\\comp.dat_new").c_str());
    RemoveDirectoryW(tk::wide(dir_ + "target").c_str());
}

TEST_F(WebUpdateTest, WhatsNewFromATrustedSource)
{
    writeFile(dir_ + "news.txt", "Line one\\nline two");
    writeFile(dir_ + "item.txt", "item");
    writeFile(dir_ + "news.INF", "[update]\r\nunconditional=1\r\n[whatsnew]\r\nfile=" + dir_ +
                                     "news.txt\r\ncaption=What is new\r\nokbtn=Take\r\n" +
                                     "[files]\r\ncount=1\r\n[file1]\r\nurl=" + dir_ + "item.txt\r\ntargetdir=" + dir_ +
                                     "got\r\n");
    update_.UpdateType = wu::TUpdateType::fileUpdate;
    update_.URL = dir_ + "news.INF";
    for (const int answer : {IDNO, IDYES}) {
        statuses_.clear();
        std::vector<std::string> seen;
        {
            BoxAnswerer answerer(answer);
            update_.RunUpdate();
            seen = answerer.texts();
        }
        ASSERT_EQ(seen.size(), 1u) << show(statuses_);
        EXPECT_EQ(seen[0], "What is new|Line one\r\nline two|Take|Cancel|400x400");
        const bool refused = std::find(statuses_.begin(), statuses_.end(),
                                       std::make_pair(std::string("Whatsnew not accepted"), 14)) != statuses_.end();
        EXPECT_EQ(refused, answer == IDNO) << show(statuses_);
        EXPECT_EQ(exists(dir_ + "got\\item.txt"), answer == IDYES) << show(statuses_);
    }
    wchar_t tmp[MAX_PATH];
    GetTempPathW(MAX_PATH, tmp);
    EXPECT_FALSE(exists(tk::narrow(tmp) + "news.txt")) << "the downloaded text is deleted";
    DeleteFileW(tk::wide(dir_ + "got\\item.txt").c_str());
    RemoveDirectoryW(tk::wide(dir_ + "got").c_str());
}

TEST_F(WebUpdateTest, ProgramValuesAndPrefixes)
{
    wu::TWebUpdate fresh;
    wu::configureProgramUpdate(fresh);
    EXPECT_EQ(fresh.URL.substr(fresh.URL.size() - 22), "/update/slovolovka.INF");
    EXPECT_TRUE(fresh.UpdateType == wu::TUpdateType::httpUpdate);
    EXPECT_TRUE(fresh.UpdateConnect == wu::TUpdateConnect::wucConnectPrompt);
    EXPECT_TRUE(fresh.UpdateUpdate == wu::TUpdateUpdate::wuuSilent);
    EXPECT_TRUE(fresh.LastURLEntry.Save);
    EXPECT_EQ(fresh.LastURLEntry.Key, "slovolovka");
    EXPECT_EQ(fresh.LastURLEntry.Section, "slovolovka");
    wchar_t win[MAX_PATH];
    GetWindowsDirectoryW(win, MAX_PATH);
    EXPECT_EQ(fresh.ConvertPrefixes("{win}\\data\\"), tk::narrow(win) + "\\data\\");
    EXPECT_EQ(fresh.ConvertPrefixes("{WIN}\\data\\"), tk::narrow(win) + "\\data\\");
    EXPECT_NE(fresh.ConvertPrefixes("{TMP}"), "{TMP}");
    EXPECT_NE(fresh.ConvertPrefixes("{APP}"), "{APP}");
    EXPECT_NE(fresh.ConvertPrefixes("{PF}"), "{PF}");
}

} // namespace

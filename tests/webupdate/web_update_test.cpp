// TWebUpdate against a real loopback HTTP server: statuses in order, remembered values, files,
// compressed entries, and a hostile control file held to the safe subset over plain HTTP.
#include "webupdate/win32/program_update.h"
#include "webupdate/win32/web_update.h"

#include "common/win32/text.h"

#include <gtest/gtest.h>
#include <winsock2.h>
#include <shellapi.h>
#include <wincrypt.h>
#include <tlhelp32.h>

#include <atomic>
#include <algorithm>
#include <thread>
#include <utility>
#include <vector>

namespace {

using Statuses = std::vector<std::pair<std::string, int>>;

std::string env(const char* name)
{
    const char* v = std::getenv(name);
    return v != nullptr ? v : "";
}

void writeFile(const std::string& path, const std::string& bytes)
{
    HANDLE f = CreateFileW(tk::wide(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(f, INVALID_HANDLE_VALUE) << path;
    DWORD n = 0;
    WriteFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &n, nullptr);
    CloseHandle(f);
}

std::string readFile(const std::string& path)
{
    HANDLE f = CreateFileW(tk::wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE)
        return "<missing>";
    std::string out;
    char buf[4096];
    DWORD n = 0;
    while (ReadFile(f, buf, sizeof buf, &n, nullptr) && n > 0)
        out.append(buf, n);
    CloseHandle(f);
    return out;
}

bool exists(const std::string& path) { return GetFileAttributesW(tk::wide(path).c_str()) != INVALID_FILE_ATTRIBUTES; }

std::optional<std::string> registryValue(const char* name)
{
    wchar_t buf[512];
    DWORD size = sizeof buf;
    if (RegGetValueW(HKEY_CURRENT_USER, L"slovolovka\\slovolovka", tk::wide(name).c_str(), RRF_RT_REG_SZ, nullptr, buf,
                     &size) != ERROR_SUCCESS)
        return std::nullopt;
    return tk::narrow(buf);
}

// The folder of this test program, where an insecure control file may still name local files.
std::string programFolder()
{
    wchar_t buf[MAX_PATH];
    const std::wstring path(buf, GetModuleFileNameW(nullptr, buf, MAX_PATH));
    return tk::narrow(path.substr(0, path.find_last_of(L'\\') + 1));
}

std::string shortDate(WORD y, WORD m, WORD d)
{
    SYSTEMTIME st{};
    st.wYear = y;
    st.wMonth = m;
    st.wDay = d;
    wchar_t buf[100];
    GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &st, nullptr, buf, 100);
    return tk::narrow(buf);
}

std::string show(const Statuses& s)
{
    std::string out;
    for (const auto& [text, code] : s)
        out += "  " + text + " (" + std::to_string(code) + ")\n";
    return out;
}

// Answers the message boxes a run shows on this thread, recording their texts.
class BoxAnswerer {
public:
    explicit BoxAnswerer(int button) : button_(button), owner_(GetCurrentThreadId())
    {
        worker_ = std::thread([this] {
            while (!stop_) {
                EnumThreadWindows(owner_, &BoxAnswerer::visit, reinterpret_cast<LPARAM>(this));
                Sleep(20);
            }
        });
    }
    ~BoxAnswerer()
    {
        stop_ = true;
        worker_.join();
    }
    std::vector<std::string> texts() const { return texts_; }

private:
    static BOOL CALLBACK visit(HWND hwnd, LPARAM lp)
    {
        auto* self = reinterpret_cast<BoxAnswerer*>(lp);
        wchar_t cls[32];
        if (GetClassNameW(hwnd, cls, 32) && lstrcmpW(cls, L"#32770") == 0 && IsWindowVisible(hwnd)) {
            HWND label = GetDlgItem(hwnd, 0xFFFF);
            wchar_t text[1024] = L"";
            if (label != nullptr)
                GetWindowTextW(label, text, 1024);
            self->texts_.push_back(tk::narrow(text));
            PostMessageW(hwnd, WM_COMMAND, MAKEWPARAM(self->button_, BN_CLICKED), 0);
            Sleep(100);
        } else if (lstrcmpW(cls, L"SlovoWhatsNew") == 0 && IsWindowVisible(hwnd)) {
            // The what's-new dialog: caption, text and the two button captions, then OK or Cancel.
            wchar_t caption[256] = L"";
            GetWindowTextW(hwnd, caption, 256);
            std::string seen = tk::narrow(caption);
            for (HWND child = GetWindow(hwnd, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
                wchar_t text[1024] = L"";
                GetWindowTextW(child, text, 1024);
                seen += "|" + tk::narrow(text);
            }
            RECT r;
            GetWindowRect(hwnd, &r);
            seen += "|" + std::to_string(r.right - r.left) + "x" + std::to_string(r.bottom - r.top);
            self->texts_.push_back(seen);
            PostMessageW(hwnd, WM_COMMAND, MAKEWPARAM(self->button_ == IDYES ? IDOK : IDCANCEL, BN_CLICKED), 0);
            Sleep(100);
        }
        return TRUE;
    }

    int button_;
    DWORD owner_;
    std::atomic<bool> stop_{false};
    std::vector<std::string> texts_;
    std::thread worker_;
};

class WebUpdateTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        RegDeleteTreeW(HKEY_CURRENT_USER, L"slovolovka");
        root_ = env("SLOVO_HTTP_ROOT");
        ASSERT_FALSE(root_.empty()) << "run through run_with_server.sh";
        CreateDirectoryW(tk::wide(root_ + "\\update").c_str(), nullptr);
        wchar_t tmp[MAX_PATH];
        GetTempPathW(MAX_PATH, tmp);
        dir_ = tk::narrow(tmp) + "wutest" + std::to_string(GetTickCount()) + "\\";
        CreateDirectoryW(tk::wide(dir_).c_str(), nullptr);
        wu::configureProgramUpdate(update_);
        update_.PlainTargetDir = dir_;
        update_.OnStatus = [this](wu::TWebUpdate&, const std::string& text, int code, int) {
            statuses_.emplace_back(text, code);
        };
        update_.OnFileProgress = [this](wu::TWebUpdate&, const std::string&, std::int64_t pos, std::int64_t size) {
            progress_.emplace_back(pos, size);
        };
    }
    void TearDown() override
    {
        RegDeleteTreeW(HKEY_CURRENT_USER, L"slovolovka");
        SHFILEOPSTRUCTW op{};
        std::wstring from = tk::wide(dir_) + L'\0';
        op.wFunc = FO_DELETE;
        op.pFrom = from.c_str();
        op.fFlags = FOF_NO_UI;
        SHFileOperationW(&op);
    }

    std::string base() const { return "http://127.0.0.1:" + env("SLOVO_HTTP_PORT"); }
    void serve(const std::string& name, const std::string& bytes) { writeFile(root_ + "\\update\\" + name, bytes); }
    Statuses run(const std::string& controlName)
    {
        statuses_.clear();
        progress_.clear();
        update_.URL = base() + "/update/" + controlName;
        update_.RunUpdate();
        return statuses_;
    }
    std::string baseFileEntry(const std::string& url) const
    {
        return "[files]\r\ncount=1\r\n[file1]\r\nurl=" + url + "\r\ntargetdir=" + dir_ + "\r\n";
    }

    std::string root_;
    std::string dir_;
    wu::TWebUpdate update_;
    Statuses statuses_;
    std::vector<std::pair<std::int64_t, std::int64_t>> progress_;
};

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

TEST_F(WebUpdateTest, FailedDownloadStillRemembersTheDate)
{
    serve("faildl.INF", "[update]\r\ndate=01/02/2003\r\ntime=08:30\r\n" +
                            baseFileEntry(base() + "/status/500/update/slovolovka.txt"));
    const Statuses first = run("faildl.INF");
    EXPECT_NE(std::find(first.begin(), first.end(),
                        std::make_pair("Cannot download update file : " + base() + "/status/500/update/slovolovka.txt",
                                       2)),
              first.end())
        << show(first);
    EXPECT_NE(std::find(first.begin(), first.end(), std::make_pair(std::string("Http status : 500"), 6)), first.end());
    const Statuses second = run("faildl.INF");
    EXPECT_NE(std::find(second.begin(), second.end(), std::make_pair(std::string("No new version found"), 4)),
              second.end())
        << show(second);
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

// The run's test CA is trusted in this Wine prefix's machine Root store while this process runs,
// from before its first HTTPS request: a process builds its certificate chain engine once and
// keeps the Root store as it read it then. Each change is committed at once, since a
// registry-backed store may keep it in memory until the store closes (Wine does) and the engine
// reads the registry; an uncommitted CA is unknown there and WinINet refuses the server (12045).
class TrustedTestCa : public ::testing::Environment {
public:
    void SetUp() override
    {
        const std::string der = readFile(env("SLOVO_HTTPS_CA"));
        store_ = CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_LOCAL_MACHINE, L"ROOT");
        if (store_ != nullptr
            && CertAddEncodedCertificateToStore(store_, X509_ASN_ENCODING, reinterpret_cast<const BYTE*>(der.data()),
                                                static_cast<DWORD>(der.size()), CERT_STORE_ADD_REPLACE_EXISTING,
                                                &cert_))
            committed_ = CertControlStore(store_, 0, CERT_STORE_CTRL_COMMIT, nullptr) != FALSE;
    }
    void TearDown() override
    {
        if (cert_ != nullptr && CertDeleteCertificateFromStore(cert_))
            CertControlStore(store_, 0, CERT_STORE_CTRL_COMMIT, nullptr);
        cert_ = nullptr;
        if (store_ != nullptr)
            CertCloseStore(store_, 0);
        store_ = nullptr;
    }
    bool trusted() const { return committed_; }

private:
    HCERTSTORE store_ = nullptr;
    PCCERT_CONTEXT cert_ = nullptr;
    bool committed_ = false;
};

TrustedTestCa* const g_testCa =
    static_cast<TrustedTestCa*>(::testing::AddGlobalTestEnvironment(new TrustedTestCa));

// Whether the certificate is in the machine Root store, as a fresh store reads it.
bool inMachineRoot(const std::string& der)
{
    const HCERTSTORE store = CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0,
                                           CERT_SYSTEM_STORE_LOCAL_MACHINE | CERT_STORE_READONLY_FLAG, L"ROOT");
    if (store == nullptr)
        return false;
    const PCCERT_CONTEXT probe = CertCreateCertificateContext(
        X509_ASN_ENCODING, reinterpret_cast<const BYTE*>(der.data()), static_cast<DWORD>(der.size()));
    const PCCERT_CONTEXT found =
        probe ? CertFindCertificateInStore(store, X509_ASN_ENCODING, 0, CERT_FIND_EXISTING, probe, nullptr) : nullptr;
    if (found)
        CertFreeCertificateContext(found);
    if (probe)
        CertFreeCertificateContext(probe);
    CertCloseStore(store, 0);
    return found != nullptr;
}

TEST_F(WebUpdateTest, SameControlFileOverHttpsKeepsEveryAction)
{
    ASSERT_TRUE(g_testCa->trusted());
    ASSERT_TRUE(inMachineRoot(readFile(env("SLOVO_HTTPS_CA")))) << "a fresh store sees the committed CA";
    // The certificate names both "localhost" and 127.0.0.1; Wine matches only the DNS name.
    const std::string secure = "https://localhost:" + env("SLOVO_HTTPS_PORT");
    const std::string before = dir_ + "before.txt";
    const std::string shown = dir_ + "shown.txt";
    const std::string elsewhere = dir_ + "..\\" + dir_.substr(dir_.size() - 10, 9) + "x\\";
    writeFile(dir_ + "show.bat", "@echo z > " + shown + "\r\n");
    serve("evil.txt", "evil");
    serve("secure.INF", "[update]\r\nunconditional=1\r\n"
                        "[action]\r\nrunbefore=cmd /c echo x > " + before + "\r\n"
                        "updateURL=" + secure + "/update/secure.INF\r\nshowURL=" + dir_ + "show.bat\r\n"
                        "[files]\r\ncount=2\r\n[file1]\r\nurl=" + secure + "/update/evil.txt\r\ntargetdir=" +
                            elsewhere + "\r\n[file2]\r\nurl=" + secure + "/update/..%5cevil.txt\r\ntargetdir=" +
                            dir_ + "\r\n");
    statuses_.clear();
    update_.URL = secure + "/update/secure.INF";
    update_.RunUpdate();
    const auto has = [&](const std::string& text, int code) {
        return std::find(statuses_.begin(), statuses_.end(), std::make_pair(text, code)) != statuses_.end();
    };
    EXPECT_TRUE(has("Update control file found", 3)) << show(statuses_);
    for (const auto& s : statuses_)
        EXPECT_NE(s.second, wu::statusRefused) << s.first;
    EXPECT_TRUE(has("Refused unsafe file name : ..%5cevil.txt", wu::statusUnsafeName)) << "names are checked always";
    EXPECT_EQ(readFile(elsewhere + "evil.txt"), "evil") << show(statuses_);
    EXPECT_EQ(registryValue("LastURL").value_or("<none>"), secure + "/update/secure.INF");
    for (int i = 0; i < 100 && !(exists(before) && exists(shown)); ++i)
        Sleep(50);
    EXPECT_TRUE(exists(before)) << "runbefore ran";
    EXPECT_TRUE(exists(shown)) << "showURL opened";
    DeleteFileW(tk::wide(elsewhere + "evil.txt").c_str());
    RemoveDirectoryW(tk::wide(elsewhere).c_str());
}

// Forged replies, in order (the registry carries over): a stated count far beyond the entries, a
// reply that never ends, an HTTPS address that redirects to plain HTTP, a date far ahead over HTTP (refused) and over HTTPS (kept), then a real date over HTTP that the
// kept date no longer holds back; local files outside the program's folder; files that travel
// over plain HTTP from a control file fetched over HTTPS.
TEST_F(WebUpdateTest, ForgedRepliesStayInBounds)
{
    ASSERT_TRUE(g_testCa->trusted());
    const std::string secure = "https://localhost:" + env("SLOVO_HTTPS_PORT");
    const std::string plain = base() + "/update/";
    const std::string marker = dir_ + "ran.txt";
    const std::string elsewhere = dir_ + "..\\" + dir_.substr(dir_.size() - 10, 9) + "y\\";
    serve("f.txt", "f");
    serve("f.exe_new", "new");
    serve("f.cab", "MSCF");
    const std::string entry = baseFileEntry(plain + "f.txt");
    bool closed = false;
    update_.OnAppDoClose = [&](wu::TWebUpdate&) { closed = true; };
    update_.ExtractCAB = true;
    update_.MaxDownload = 1 << 20;
    const std::string endless = base() + "/endless/f.txt";
    struct Case {
        std::string at;
        std::string control;
        Statuses want;
        bool file; // f.txt arrived in the data directory
        std::optional<std::string> lastDate; // "" for none
    } cases[] = {
        {base(), "[update]\r\nunconditional=1\r\n[files]\r\ncount=2147483647\r\n[file7]\r\nurl=" + plain +
                     "f.txt\r\ntargetdir=" + dir_ + "\r\n",
         {{"Download update : " + plain + "f.txt", 3}, {"Finished processing update control file", 3}}, true, {}},
        {base(), "[update]\r\nunconditional=1\r\n" + baseFileEntry(endless),
         {{"Refused download beyond the size limit : " + endless, wu::statusRefused},
          {"Cannot download update file : " + endless, 2}},
         false, {}},
        {secure + "/redirect/" + base(), entry,
         {{"Refused redirection to an insecure address : " + secure + "/redirect/" + plain + "forged.INF",
           wu::statusRefused},
          {"Update control file not found", 2}},
         false, {}},
        {base(), "[update]\r\ndate=31/12/9999\r\n" + entry,
         {{"Refused date in the future over insecure connection : 31/12/9999", wu::statusRefused}}, false, ""},
        {secure, "[update]\r\ndate=31/12/9999\r\n" + entry, {{"New version found : " + shortDate(9999, 12, 31), 5}},
         true, shortDate(9999, 12, 31)},
        {base(), "[update]\r\ndate=01/02/2003\r\n" + entry, {{"New version found : " + shortDate(2003, 2, 1), 5}},
         true, shortDate(2003, 2, 1)},
        {base(), "[update]\r\nnewversion=1.0.0.0\r\nlocalversion=\\\\127.0.0.1\\share\\x.exe\r\n" + entry,
         {{"Refused local file outside the program folder over insecure connection : \\\\127.0.0.1\\share\\x.exe",
           wu::statusRefused}},
         false, {}},
        {base(), "[update]\r\nunconditional=1\r\n[files]\r\ncount=2\r\n[file1]\r\nurl=" + plain + "f.txt\r\ntargetdir=" +
                     dir_ + "\r\nnewversion=9.0.0.0\r\nlocalversion=C:\\windows\\win.ini\r\n[file2]\r\nurl=" + plain +
                     "f.txt\r\ntargetdir=" + dir_ + "\r\nnewversion=1.2.0.5\r\nlocalversion=" + programFolder() +
                     "missing.exe\r\n",
         {{"Refused local file outside the program folder over insecure connection : C:\\windows\\win.ini",
           wu::statusRefused},
          {"Download update : " + plain + "f.txt", 3}},
         true, {}},
        {secure, "[update]\r\nunconditional=1\r\n[application]\r\nappupdate=1\r\nsilentrestart=1\r\nappname=" + dir_ +
                     "f.txt\r\nappcomps=f.exe_new\r\n[action]\r\nrunafter=cmd /c type " + dir_ + "f.txt > " + marker +
                     "\r\n[files]\r\ncount=4\r\n[file1]\r\nurl=" + plain + "f.txt\r\ntargetdir=" + elsewhere +
                     "\r\n[file2]\r\nurl=" + plain + "f.exe_new\r\ntargetdir=" + dir_ + "\r\n[file3]\r\nurl=" + plain +
                     "f.cab\r\ntargetdir=" + dir_ + "\r\n[file4]\r\nurl=" + plain + "f.txt\r\ntargetdir=" + dir_ + "\r\n",
         {{"Refused file outside the data directory over insecure connection : " + plain + "f.txt", wu::statusRefused},
          {"Refused application update instruction over insecure connection", wu::statusRefused},
          {"Refused CAB extraction instruction over insecure connection", wu::statusRefused},
          {"Refused run after instruction over insecure connection", wu::statusRefused}},
         true, {}},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(++n);
        DeleteFileW(tk::wide(dir_ + "f.txt").c_str());
        serve("forged.INF", c.control);
        statuses_.clear();
        update_.URL = c.at + "/update/forged.INF";
        update_.RunUpdate();
        for (const auto& w : c.want)
            EXPECT_NE(std::find(statuses_.begin(), statuses_.end(), w), statuses_.end()) << w.first << "\n"
                                                                                          << show(statuses_);
        EXPECT_EQ(exists(dir_ + "f.txt"), c.file) << show(statuses_);
        if (c.lastDate) {
            EXPECT_EQ(registryValue("LastDate").value_or(""), *c.lastDate);
        }
    }
    Sleep(500);
    EXPECT_FALSE(closed) << "no restart with a component from plain HTTP";
    EXPECT_FALSE(exists(dir_ + "f.exe_new"));
    EXPECT_TRUE(exists(dir_ + "f.cab")) << "not unpacked, not deleted";
    EXPECT_FALSE(exists(marker)) << "the file from plain HTTP was not run";
    EXPECT_FALSE(exists(elsewhere + "f.txt"));
}

TEST_F(WebUpdateTest, HttpsByAddressMatchesTheCertificatesAddressEntry)
{
    ASSERT_TRUE(g_testCa->trusted());
    const std::string url = "https://127.0.0.1:" + env("SLOVO_HTTPS_PORT") + "/update/byaddress.INF";
    serve("byaddress.INF", "[update]\r\nunconditional=1\r\n");
    statuses_.clear();
    update_.URL = url;
    update_.RunUpdate();
    const auto has = [&](const std::string& text, int code) {
        return std::find(statuses_.begin(), statuses_.end(), std::make_pair(text, code)) != statuses_.end();
    };
    // Known Wine difference: Wine's SSL policy compares the host with the certificate's DNS names
    // only, so the IP address entry never matches and WinINet reports 12038 (name invalid).
    if (GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr &&
        has("File not found : " + url, 2)) {
        EXPECT_FALSE(has("Update control file found", 3));
        GTEST_SKIP() << "Wine does not match a certificate's IP address entry";
    }
    EXPECT_TRUE(has("Update control file found", 3)) << show(statuses_);
}

TEST_F(WebUpdateTest, HttpsServerWithAnUnknownCertificateIsRefused)
{
    const std::string marker = dir_ + "untrusted.txt";
    const std::string untrusted = "https://localhost:" + env("SLOVO_HTTPS_UNTRUSTED_PORT") + "/update/untrusted.INF";
    serve("untrusted.INF", "[update]\r\nunconditional=1\r\n[action]\r\nrunbefore=cmd /c echo x > " + marker + "\r\n");
    statuses_.clear();
    update_.URL = untrusted;
    update_.RunUpdate();
    const auto has = [&](const std::string& text, int code) {
        return std::find(statuses_.begin(), statuses_.end(), std::make_pair(text, code)) != statuses_.end();
    };
    EXPECT_TRUE(has("File not found : " + untrusted, 2)) << show(statuses_);
    EXPECT_TRUE(has("Update control file not found", 2)) << show(statuses_);
    EXPECT_FALSE(has("Update control file found", 3)) << show(statuses_);
    Sleep(500);
    EXPECT_FALSE(exists(marker)) << "nothing of the refused control file ran";
    EXPECT_FALSE(registryValue("LastURL").has_value());
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

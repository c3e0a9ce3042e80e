// TWebUpdate's run: connection, control file, date and version checks, actions, file downloads.
#include "webupdate/win32/web_update.h"

#include "common/error.h"
#include "common/win32/text.h"
#include "toolkit/application.h"
#include "toolkit/control.h"
#include "webupdate/core/prefixes.h"
#include "webupdate/core/version_check.h"
#include "webupdate/upd/update_steps.h"

#include <lzexpand.h>
#include <shellapi.h>

#include <exception>
#include <memory>
#include <vector>

namespace wu {

namespace {

constexpr UINT msgRun = WM_APP + 1;
constexpr UINT msgDone = WM_APP + 2;
const wchar_t* const windowClass = L"SlovoWebUpdate";

std::string systemErrorText(DWORD code)
{
    wchar_t* buffer = nullptr;
    HMODULE wininet = GetModuleHandleW(L"wininet.dll");
    DWORD flags = FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;
    if (code >= INTERNET_ERROR_BASE && code <= INTERNET_ERROR_LAST && wininet != nullptr)
        flags |= FORMAT_MESSAGE_FROM_HMODULE;
    const DWORD n = FormatMessageW(flags, wininet, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::wstring text = n != 0 && buffer != nullptr ? std::wstring(buffer, n) : L"Error " + std::to_wstring(code);
    LocalFree(buffer);
    while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' '))
        text.pop_back();
    return tk::narrow(text);
}

std::string withBackslash(std::string dir)
{
    if (!dir.empty() && dir.back() != '\\')
        dir += '\\';
    return dir;
}

std::string tempDirectory()
{
    wchar_t buf[MAX_PATH + 1];
    const DWORD n = GetTempPathW(MAX_PATH + 1, buf);
    return withBackslash(tk::narrow(std::wstring(buf, n)));
}

bool isDirectory(const std::string& path)
{
    const DWORD a = GetFileAttributesW(tk::wide(path).c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

void createDirectories(std::string dir)
{
    while (!dir.empty() && dir.back() == '\\')
        dir.pop_back();
    if (dir.empty() || isDirectory(dir))
        return;
    const std::size_t slash = dir.rfind('\\');
    if (slash != std::string::npos && slash > 0)
        createDirectories(dir.substr(0, slash));
    CreateDirectoryW(tk::wide(dir).c_str(), nullptr);
}

bool startCommand(const std::string& command, bool wait)
{
    return upd::runCommand(tk::wide(command), wait);
}

// "\" followed by "n" in a message stands for a line break.
std::string lineBreaks(std::string text)
{
    for (std::size_t p = text.find("\\n"); p != std::string::npos; p = text.find("\\n", p + 2))
        text.replace(p, 2, "\r\n");
    return text;
}

int messageBox(const std::string& text, const wchar_t* caption, UINT flags)
{
    HWND owner = GetActiveWindow();
    if (owner != nullptr && !IsWindowVisible(owner))
        owner = nullptr;
    return MessageBoxW(owner, tk::wide(text).c_str(), caption, flags | MB_TASKMODAL);
}

void pumpMessages()
{
    MSG m;
    while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
        if (m.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(m.wParam));
            return;
        }
        TranslateMessage(&m);
        DispatchMessageW(&m);
    }
}

std::string upperLastPart(const std::string& path)
{
    const std::size_t slash = path.find_last_of("\\/");
    return upperCase(slash == std::string::npos ? path : path.substr(slash + 1));
}

bool endsWithNoCase(const std::string& text, const char* tail)
{
    const std::string t = upperCase(tail);
    return text.size() >= t.size() && upperCase(text.substr(text.size() - t.size())) == t;
}

class RealLocalFile : public LocalFile {
public:
    RealLocalFile(std::string path, bool crc) : path_(std::move(path)), crc_(crc) {}

    std::int64_t size() override
    {
        WIN32_FILE_ATTRIBUTE_DATA d;
        if (!GetFileAttributesExW(tk::wide(path_).c_str(), GetFileExInfoStandard, &d) ||
            (d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
            return 0;
        return (static_cast<std::int64_t>(d.nFileSizeHigh) << 32) | d.nFileSizeLow;
    }

    std::optional<FileVersion> version() override
    {
        const std::wstring name = tk::wide(path_);
        DWORD handle = 0;
        const DWORD n = GetFileVersionInfoSizeW(name.c_str(), &handle);
        if (n == 0)
            return std::nullopt;
        std::vector<char> data(n);
        VS_FIXEDFILEINFO* info = nullptr;
        UINT len = 0;
        if (!GetFileVersionInfoW(name.c_str(), 0, n, data.data()) ||
            !VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&info), &len) || info == nullptr ||
            len < sizeof(VS_FIXEDFILEINFO))
            return std::nullopt;
        return FileVersion{static_cast<std::int32_t>(info->dwFileVersionMS),
                           static_cast<std::int32_t>(info->dwFileVersionLS)};
    }

    std::int32_t checksum() override
    {
        HANDLE f = CreateFileW(tk::wide(path_).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        if (f == INVALID_HANDLE_VALUE)
            return -1;
        std::uint32_t sum = crc_ ? crc32Start : checksumStart;
        std::vector<char> buf(65536);
        DWORD got = 0;
        while (ReadFile(f, buf.data(), static_cast<DWORD>(buf.size()), &got, nullptr) && got > 0) {
            const std::string_view block(buf.data(), got);
            sum = crc_ ? addToCrc32(sum, block) : addToChecksum(sum, block);
        }
        CloseHandle(f);
        return static_cast<std::int32_t>(crc_ ? crc32Finish(sum) : sum);
    }

private:
    std::string path_;
    bool crc_;
};

struct InternetHandle {
    HINTERNET h = nullptr;
    ~InternetHandle()
    {
        if (h != nullptr)
            InternetCloseHandle(h);
    }
};

} // namespace

TWebUpdate::TWebUpdate()
{
    static const ATOM atom = [] {
        WNDCLASSW wc{};
        wc.lpfnWndProc = windowProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = windowClass;
        return RegisterClassW(&wc);
    }();
    (void)atom;
    window_ = CreateWindowExW(0, windowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, GetModuleHandleW(nullptr), this);
}

TWebUpdate::~TWebUpdate()
{
    // A worker still waiting on the window gets its call answered with 0 and ends.
    if (window_ != nullptr)
        DestroyWindow(window_);
}

LRESULT CALLBACK TWebUpdate::windowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    if (msg == WM_NCCREATE) {
        SetWindowLongPtrW(hwnd, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams));
        return TRUE;
    }
    auto* self = reinterpret_cast<TWebUpdate*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (self != nullptr && (msg == msgRun || msg == msgDone)) {
        try {
            if (msg == msgRun) {
                self->RunUpdate();
            } else {
                if (self->OnThreadUpdateDone)
                    self->OnThreadUpdateDone(*self);
                self->threaded_ = false;
                if (self->restart_)
                    self->RestartApplication();
            }
        } catch (...) {
            tk::Application::instance().handleException(std::current_exception());
        }
        return 0;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

DWORD WINAPI TWebUpdate::workerEntry(void* window)
{
    // The worker only hands the run over and waits: every step runs on the main thread.
    const HWND hwnd = static_cast<HWND>(window);
    SendMessageW(hwnd, msgRun, 0, 0);
    PostMessageW(hwnd, msgDone, 0, 0);
    return 0;
}

void TWebUpdate::StartUpdateThread()
{
    threaded_ = true;
    HANDLE thread = CreateThread(nullptr, 0, workerEntry, window_, 0, nullptr);
    if (thread == nullptr) {
        threaded_ = false;
        throw slovo::Error("Cannot start the update thread");
    }
    CloseHandle(thread);
}

void TWebUpdate::ReportStatus(const std::string& statusText, const std::string& parameter, int errcode, int statuscode)
{
    if (!OnStatus)
        return;
    std::string text = statusText;
    const std::size_t p = text.find("%s");
    if (p != std::string::npos)
        text.replace(p, 2, parameter);
    OnStatus(*this, text, statuscode, errcode);
}

std::string TWebUpdate::ConvertPrefixes(const std::string& text)
{
    return convertPrefixes(text, [](const std::string& name) -> std::optional<std::string> {
        wchar_t buf[MAX_PATH + 1];
        if (name == "WIN") {
            const UINT n = GetWindowsDirectoryW(buf, MAX_PATH + 1);
            return tk::narrow(std::wstring(buf, n));
        }
        if (name == "APP") {
            const DWORD n = GetModuleFileNameW(nullptr, buf, MAX_PATH + 1);
            std::wstring path(buf, n);
            return tk::narrow(path.substr(0, path.find_last_of(L'\\') + 1));
        }
        if (name == "TMP")
            return tempDirectory();
        if (name == "PF") {
            DWORD size = sizeof buf;
            if (RegGetValueW(HKEY_LOCAL_MACHINE, L"Software\\Microsoft\\Windows\\CurrentVersion", L"ProgramFilesDir",
                             RRF_RT_REG_SZ, nullptr, buf, &size) != ERROR_SUCCESS)
                return std::string{};
            return tk::narrow(buf);
        }
        return std::nullopt;
    });
}

bool TWebUpdate::IsNewVersion(const std::string& newVersion, const std::string& localFile, std::int32_t newSize,
                              std::int32_t newChecksum)
{
    RealLocalFile local(localFile, UseCRC32);
    return isNewVersion(newVersion, localFile, newSize, newChecksum, local);
}

std::optional<std::string> TWebUpdate::readRemembered(const char* name, bool needSave)
{
    if ((needSave && !LastURLEntry.Save) || LastURLEntry.Key.empty() || LastURLEntry.Section.empty())
        return std::nullopt;
    const std::wstring key = tk::wide(LastURLEntry.Key + "\\" + LastURLEntry.Section);
    wchar_t buf[2048];
    DWORD size = sizeof buf;
    if (RegGetValueW(HKEY_CURRENT_USER, key.c_str(), tk::wide(name).c_str(), RRF_RT_REG_SZ, nullptr, buf, &size) !=
        ERROR_SUCCESS)
        return std::nullopt;
    return tk::narrow(buf);
}

void TWebUpdate::remember(const char* name, const std::string& value)
{
    if (!LastURLEntry.Save || LastURLEntry.Key.empty() || LastURLEntry.Section.empty())
        return;
    const std::wstring key = tk::wide(LastURLEntry.Key + "\\" + LastURLEntry.Section);
    const std::wstring v = tk::wide(value);
    RegSetKeyValueW(HKEY_CURRENT_USER, key.c_str(), tk::wide(name).c_str(), REG_SZ, v.c_str(),
                    static_cast<DWORD>((v.size() + 1) * sizeof(wchar_t)));
}

Moment TWebUpdate::rememberedMoment()
{
    Moment m;
    wchar_t pattern[100];
    const std::string format =
        GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SSHORTDATE, pattern, 100) ? tk::narrow(pattern) : "dd/MM/yyyy";
    if (const auto date = readRemembered("LastDate", false)) {
        const auto d = parseDate(*date, format, '\0');
        if (!d)
            return m;
        m.date = *d;
        if (const auto time = readRemembered("LastTime", false))
            m.time = parseTime(*time, '\0').value_or(TimeOfDay{});
    }
    return m;
}

bool TWebUpdate::refuse(Action action)
{
    if (allowed(action, channel_))
        return false;
    ReportStatus(refusedText(action), "", 0, statusRefused);
    return true;
}

bool TWebUpdate::inComponents(const std::string& name) const
{
    const std::string wanted = upperCase(name);
    std::string token;
    bool quoted = false;
    for (std::size_t i = 0; i <= components_.size(); ++i) {
        const char c = i < components_.size() ? components_[i] : ' ';
        if (c == '"') {
            quoted = !quoted;
        } else if ((c == ' ' || c == ',' || c == ';') && !quoted) {
            if (!token.empty() && upperLastPart(token) == wanted)
                return true;
            token.clear();
        } else {
            token += c;
        }
    }
    return false;
}

bool TWebUpdate::connect(bool& dialled)
{
    ReportStatus("Checking for Internet connection", "", 0, 3);
    DWORD state = 0;
    if (!InternetGetConnectedState(&state, 0)) {
        const bool prompt = UpdateConnect == TUpdateConnect::wucConnectPrompt ||
                            UpdateConnect == TUpdateConnect::wucConnectPromptHangup;
        const bool silent = UpdateConnect == TUpdateConnect::wucConnectSilent ||
                            UpdateConnect == TUpdateConnect::wucConnectSilentHangup;
        if (!prompt && !silent)
            return false;
        if (prompt) {
            ReportStatus("Prompt to open new Internet connection", "", 0, 3);
            if (!InternetAutodial(INTERNET_AUTODIAL_FORCE_ONLINE, GetActiveWindow()))
                return false;
        } else {
            ReportStatus("Opening Internet connection", "", 0, 3);
            if (!InternetAutodial(INTERNET_AUTODIAL_FORCE_UNATTENDED, nullptr))
                return false;
        }
        dialled = true;
    }
    ReportStatus("Found open Internet connection", "", 0, 3);
    return true;
}

void TWebUpdate::RunUpdate()
{
    component_ = false;
    restart_ = false;
    silentRestart_ = false;
    ftpDirectorySet_ = false;
    appCommandLine_.clear();
    components_.clear();
    runSteps();
    if (!threaded_ && restart_ && component_)
        RestartApplication();
}

void TWebUpdate::runSteps()
{
    std::string url = URL;
    if (const auto last = readRemembered("LastURL", true); last && !last->empty())
        url = *last;
    url = ConvertPrefixes(url);
    const bool local = UpdateType == TUpdateType::fileUpdate;
    channel_ = channelOf(UpdateType == TUpdateType::ftpUpdate ? Transport::ftp
                         : local                              ? Transport::file
                                                              : Transport::http,
                         url);

    bool dialled = false;
    std::string controlPath;
    InternetHandle connection;
    internet_ = nullptr;
    InternetHandle internet;
    if (!local) {
        if (!connect(dialled))
            return;
        internet.h = Proxy.empty() ? InternetOpenW(L"WebUpdate", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0)
                                   : InternetOpenW(L"WebUpdate", INTERNET_OPEN_TYPE_PROXY, tk::wide(Proxy).c_str(),
                                                   nullptr, 0);
        internet_ = internet.h;
    }
    const auto closing = [&] {
        if (!local) {
            InternetCloseHandle(connection.h);
            connection.h = nullptr;
            InternetCloseHandle(internet.h);
            internet.h = nullptr;
            internet_ = nullptr;
            if (dialled && (UpdateConnect == TUpdateConnect::wucConnectPromptHangup ||
                            UpdateConnect == TUpdateConnect::wucConnectSilentHangup))
                InternetAutodialHangup(0);
            ReportStatus("Closed Internet connection", "", 0, 3);
        }
        if (!controlPath.empty())
            DeleteFileW(tk::wide(controlPath).c_str());
    };

    if (!local && internet.h == nullptr) {
        ReportStatus("Cannot open Internet connection", "", 0, 1);
        closing();
        return;
    }
    if (UpdateType == TUpdateType::ftpUpdate) {
        ReportStatus("Connect to host : %s", Host, 3, 3);
        const bool credentials = !UserID.empty() && !Password.empty();
        connection.h = InternetConnectW(internet.h, tk::wide(Host).c_str(), Port,
                                        credentials ? tk::wide(UserID).c_str() : nullptr,
                                        credentials ? tk::wide(Password).c_str() : nullptr, INTERNET_SERVICE_FTP,
                                        FTPPassive ? INTERNET_FLAG_PASSIVE : 0, 0);
        if (connection.h == nullptr) {
            const DWORD err = GetLastError();
            ReportStatus(systemErrorText(err), "", static_cast<int>(err), 1);
            ReportStatus("Cannot connect to FTP host : %s", Host, 0, 1);
            closing();
            return;
        }
    }
    HINTERNET conn = connection.h != nullptr ? connection.h : internet.h;
    internet_ = conn;

    const std::string temp = tempDirectory();
    if (!DownloadFile(conn, url, false, temp)) {
        ReportStatus("Update control file not found", "", 0, 2);
        closing();
        return;
    }
    ReportStatus("Update control file found", "", 0, 3);
    controlPath = temp + downloadName(url);
    std::string bytes;
    {
        HANDLE f = CreateFileW(tk::wide(controlPath).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                               nullptr);
        if (f != INVALID_HANDLE_VALUE) {
            char buf[4096];
            DWORD got = 0;
            while (ReadFile(f, buf, sizeof buf, &got, nullptr) && got > 0 && bytes.size() < (16u << 20))
                bytes.append(buf, got);
            CloseHandle(f);
        }
    }
    const ControlFile control = ControlFile::parse(bytes);

    if (SignatureCheck && control.value("update", "signature") != Signature) {
        ReportStatus("Invalid signature in update control file", "", 4, 11);
        closing();
        return;
    }

    bool close = false;
    bool newDate = false;
    Moment moment;
    std::string lastValue;
    dateCheck(control, close, newDate, moment, lastValue);
    if (close) {
        closing();
        return;
    }

    if (PostUpdateInfo.Enabled && !post()) {
        closing();
        return;
    }

    if (lastValue.empty())
        lastValue = control.value("update", "unconditional");
    if (lastValue.empty()) {
        const std::string newVersion = control.value("update", "newversion");
        const std::int32_t newSize = control.number("update", "newsize", 0);
        const std::string localVersion = ConvertPrefixes(control.value("update", "localversion"));
        const std::int32_t newChecksum = control.number("update", "newchecksum", -1);
        if ((!newVersion.empty() || newSize > 0 || newChecksum != -1) && !localVersion.empty())
            ReportStatus(newChecksum != -1 ? "Checksum based update found"
                         : newSize < 1     ? "Version based update found"
                                           : "File size based update found",
                         "", 0, 3);
        if (!IsNewVersion(newVersion, localVersion, newSize, newChecksum)) {
            ReportStatus("No new version found", "", 0, 4);
            closing();
            return;
        }
        ReportStatus("New version found : %s", newVersion, 0, 5);
    }

    restart_ = control.number("application", "appupdate", 0) == 1;
    std::string app = ConvertPrefixes(control.value("application", "appname"));
    if (app.empty()) {
        restart_ = false;
    } else {
        const std::size_t space = app.find(' ');
        if (space != std::string::npos)
            app = app.substr(0, space) + " " + app.substr(space + 1);
        if (app.find(' ') != std::string::npos)
            app = "\"" + app + "\"";
    }
    appCommandLine_ = app;
    components_ = ConvertPrefixes(control.value("application", "appcomps"));
    silentRestart_ = control.number("application", "silentrestart", 0) == 1;
    if (restart_ && refuse(Action::appUpdate)) {
        restart_ = false;
        components_.clear();
    }

    if (const std::string msg = control.value("action", "msg"); !msg.empty()) {
        ReportStatus("Found message instruction", "", 0, 3);
        messageBox(lineBreaks(msg), L"Information", MB_OK | MB_ICONINFORMATION);
    }
    if (const std::string page = ConvertPrefixes(control.value("action", "htmldlg")); !page.empty()) {
        ReportStatus("Found HTML dialog instruction", "", 0, 7);
        if (!refuse(Action::htmlDialog))
            ShellExecuteW(GetActiveWindow(), L"open", tk::wide(page).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    }
    if (const std::string before = ConvertPrefixes(control.value("action", "runbefore")); !before.empty()) {
        if (!refuse(Action::runBefore))
            startCommand(before, false);
    }
    if (const std::string query = control.value("action", "query"); !query.empty()) {
        ReportStatus("Found query instruction", "", 0, 3);
        if (messageBox(lineBreaks(query), L"Confirm", MB_YESNO | MB_ICONQUESTION) != IDYES) {
            restart_ = false;
            closing();
            return;
        }
    }
    if (!control.value("whatsnew", "file").empty()) {
        ReportStatus("Found whatsnew instruction", "", 0, 12);
        if (!refuse(Action::whatsNew) && !showWhatsNew(control)) {
            ReportStatus("Whatsnew not accepted", "", 0, 14);
            restart_ = false;
            closing();
            return;
        }
    }

    if (newDate) {
        SYSTEMTIME st{};
        st.wYear = static_cast<WORD>(moment.date.year);
        st.wMonth = static_cast<WORD>(moment.date.month);
        st.wDay = static_cast<WORD>(moment.date.day);
        st.wHour = static_cast<WORD>(moment.time.hour);
        st.wMinute = static_cast<WORD>(moment.time.minute);
        st.wSecond = static_cast<WORD>(moment.time.second);
        wchar_t buf[100];
        if (GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &st, nullptr, buf, 100))
            remember("LastDate", tk::narrow(buf));
        if (!moment.time.isMidnight() && GetTimeFormatW(LOCALE_USER_DEFAULT, 0, &st, nullptr, buf, 100))
            remember("LastTime", tk::narrow(buf));
    }

    if (const std::string redirect = control.value("action", "updateURL"); !redirect.empty()) {
        ReportStatus("Found URL redirection instruction", "", 0, 3);
        if (!refuse(Action::redirect))
            remember("LastURL", redirect);
    }
    if (std::string show = ConvertPrefixes(control.value("action", "showURL")); !show.empty()) {
        ReportStatus("Found URL show instruction", "", 0, 3);
        if (!refuse(Action::showUrl)) {
            if (!ProxyUserID.empty() && upperCase(show.substr(0, 7)) == "HTTP://")
                show.insert(7, ProxyUserID + ":" + ProxyPassword + "@");
            ShellExecuteW(GetActiveWindow(), L"open", tk::wide(show).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
        }
    }

    if (!control.value("files", "count").empty()) {
        ReportStatus("Found file update instruction", "", 0, 3);
        fileEntries(control);
    }

    if (const std::string after = ConvertPrefixes(control.value("action", "runafter")); !after.empty()) {
        if (!refuse(Action::runAfter))
            startCommand(after, false);
    }
    ReportStatus("Finished processing update control file", "", 0, 3);
    closing();
}

void TWebUpdate::dateCheck(const ControlFile& control, bool& close, bool& newDate, Moment& moment,
                           std::string& lastValue)
{
    const std::string date = control.value("update", "date");
    if (date.empty())
        return;
    ReportStatus("Date based update found", "", 0, 3);
    if (const auto d = parseDate(date, DateFormat, DateSeparator))
        moment.date = *d;
    if (const std::string time = control.value("update", "time"); !time.empty()) {
        if (const auto t = parseTime(time, TimeSeparator)) {
            moment.time = *t;
            lastValue = time;
        }
    }
    if (rememberedMoment() >= moment) {
        ReportStatus("No new version found", "", 0, 4);
        close = true;
        return;
    }
    newDate = true;
    SYSTEMTIME st{};
    st.wYear = static_cast<WORD>(moment.date.year);
    st.wMonth = static_cast<WORD>(moment.date.month);
    st.wDay = static_cast<WORD>(moment.date.day);
    wchar_t buf[100];
    const std::string shown = GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &st, nullptr, buf, 100)
                                  ? tk::narrow(buf)
                                  : date;
    ReportStatus("New version found : %s", shown, 0, 5);
}

void TWebUpdate::fileEntries(const ControlFile& control)
{
    const std::int32_t count = control.number("files", "count", 0);
    bool askedOnce = false;
    for (std::int32_t i = 1; i <= count; ++i) {
        const std::string section = "file" + std::to_string(i);
        const std::string url = ConvertPrefixes(control.value(section, "url"));
        if (url.empty())
            continue;
        const std::string newVersion = control.value(section, "newversion");
        const std::string localVersion = ConvertPrefixes(control.value(section, "localversion"));
        const std::int32_t newSize = control.number(section, "newsize", 0);
        const std::int32_t newChecksum = control.number(section, "newchecksum", -1);
        const std::string targetDir = withBackslash(ConvertPrefixes(control.value(section, "targetdir")));
        const bool compressed = control.number(section, "compressed", 0) == 1;
        // An insecure control file may only write into the data directory: checked before any
        // directory is created.
        if (channel_ == Channel::plain && !insideDirectory(targetDir, PlainTargetDir)) {
            ReportStatus("Refused file outside the data directory over insecure connection : %s", url, 0,
                         statusRefused);
            continue;
        }
        if (!targetDir.empty() && !isDirectory(targetDir))
            createDirectories(targetDir);
        if (!IsNewVersion(newVersion, localVersion, newSize, newChecksum))
            continue;
        ReportStatus("Download update : %s", url, 0, 3);
        const std::string name = downloadName(url);
        if (UpdateUpdate == TUpdateUpdate::wuuPromptAll) {
            if (messageBox("Download update file : " + name, L"Confirm", MB_YESNO | MB_ICONQUESTION) != IDYES)
                continue;
        } else if (UpdateUpdate == TUpdateUpdate::wuuPromptOnce && !askedOnce) {
            if (messageBox("Download update files ?", L"Confirm", MB_YESNO | MB_ICONQUESTION) != IDYES)
                return;
        }
        askedOnce = true;
        if (!DownloadFile(internet_, url, compressed, targetDir)) {
            ReportStatus("Cannot download update file : %s", url, 0, 2);
            restart_ = false;
            continue;
        }
        const bool component = inComponents(name);
        if (component)
            component_ = true;
        const std::string path = targetDir + name;
        if (endsWithNoCase(name, ".CAB") && ExtractCAB && !component && !refuse(Action::cabinet)) {
            if (unpackCabinet(path, targetDir))
                DeleteFileW(tk::wide(path).c_str());
            else
                ReportStatus("Error decompressing CAB file : %s", path, 0, 8);
        }
        if (endsWithNoCase(name, ".PAT") && ApplyPatch && !localVersion.empty() && !component &&
            !refuse(Action::patch)) {
            startCommand("patcher.exe " + name + " " + localVersion, true);
            DeleteFileW(tk::wide(path).c_str());
        }
    }
}

std::string TWebUpdate::downloadName(const std::string& url) const
{
    // A local source is a path: its name follows the last separator of either kind.
    if (UpdateType == TUpdateType::fileUpdate)
        return url.substr(url.find_last_of("\\/") + 1);
    return lastPathPart(url);
}

bool TWebUpdate::DownloadFile(HINTERNET connection, const std::string& url, bool compressed,
                              const std::string& targetDir)
{
    const bool local = UpdateType == TUpdateType::fileUpdate;
    const std::string name = downloadName(url);
    if (!local)
        ReportStatus("Download : %s", url, 0, 3);
    if (!safeFileName(name)) {
        ReportStatus("Refused unsafe file name : %s", name, 0, statusUnsafeName);
        return false;
    }
    const std::string target = targetDir + name;
    bool ok = false;
    if (local)
        ok = copyLocal(url, target);
    else if (UpdateType == TUpdateType::ftpUpdate)
        ok = downloadFtp(connection, url, target);
    else
        ok = downloadHttp(connection, url, target);
    if (!ok)
        return false;
    if (compressed && !endsWithNoCase(name, ".CAB"))
        return expandInPlace(target);
    return true;
}

namespace {

// Receives blocks into a "WUPD" temporary file beside the target and renames it into place.
class Receiver {
public:
    explicit Receiver(const std::string& target) : target_(target)
    {
        const std::size_t slash = target.find_last_of('\\');
        const std::wstring dir = slash == std::string::npos ? L"." : tk::wide(target.substr(0, slash + 1));
        wchar_t buf[MAX_PATH];
        if (GetTempFileNameW(dir.c_str(), L"WUPD", 0, buf) != 0) {
            temp_ = buf;
            file_ = CreateFileW(buf, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        }
    }
    ~Receiver()
    {
        if (file_ != INVALID_HANDLE_VALUE)
            CloseHandle(file_);
        if (!temp_.empty())
            DeleteFileW(temp_.c_str());
    }
    bool ready() const { return file_ != INVALID_HANDLE_VALUE; }
    bool write(const char* data, DWORD n)
    {
        DWORD written = 0;
        return WriteFile(file_, data, n, &written, nullptr) && written == n;
    }
    bool commit()
    {
        CloseHandle(file_);
        file_ = INVALID_HANDLE_VALUE;
        if (!MoveFileExW(temp_.c_str(), tk::wide(target_).c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED))
            return false;
        temp_.clear();
        return true;
    }

private:
    std::string target_;
    std::wstring temp_;
    HANDLE file_ = INVALID_HANDLE_VALUE;
};

// Reads a WinINet handle to its end in 4096-byte blocks into the receiver, reporting each block;
// an empty transfer counts as a failure.
bool receiveBlocks(HINTERNET from, Receiver& out, const std::function<void(std::int64_t)>& progress)
{
    std::int64_t received = 0;
    char block[4096];
    while (true) {
        pumpMessages();
        DWORD got = 0;
        if (!InternetReadFile(from, block, sizeof block, &got) || !out.write(block, got))
            return false;
        if (got == 0)
            break;
        received += got;
        progress(received);
    }
    return received > 0 && out.commit();
}

} // namespace

bool TWebUpdate::downloadHttp(HINTERNET connection, const std::string& url, const std::string& target)
{
    std::string address = url;
    if (!ProxyUserID.empty() && upperCase(address.substr(0, 7)) == "HTTP://")
        address.insert(7, ProxyUserID + ":" + ProxyPassword + "@");
    DWORD flags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE;
    if (upperCase(address.substr(0, 8)) == "HTTPS://")
        flags |= INTERNET_FLAG_SECURE;
    InternetHandle request;
    request.h = InternetOpenUrlW(connection, tk::wide(address).c_str(), nullptr, 0, flags, 0);
    if (request.h == nullptr) {
        ReportStatus("File not found : %s", url, 1, 2);
        return false;
    }
    DWORD status = 0;
    DWORD len = sizeof status;
    if (HttpQueryInfoW(request.h, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &len, nullptr) &&
        status > 299) {
        ReportStatus("Http status : %s", std::to_string(status), static_cast<int>(status), 6);
        return false;
    }
    Receiver out(target);
    if (!out.ready())
        return false;
    DWORD announced = 0;
    len = sizeof announced;
    if (!HttpQueryInfoW(request.h, HTTP_QUERY_CONTENT_LENGTH | HTTP_QUERY_FLAG_NUMBER, &announced, &len, nullptr))
        announced = 0;
    return receiveBlocks(request.h, out, [&](std::int64_t received) {
        if (OnFileProgress)
            OnFileProgress(*this, target, received, announced);
    });
}

bool TWebUpdate::downloadFtp(HINTERNET connection, const std::string& url, const std::string& target)
{
    if (!ftpDirectorySet_ && !FTPDirectory.empty())
        FtpSetCurrentDirectoryW(connection, tk::wide(FTPDirectory).c_str());
    ftpDirectorySet_ = true;
    InternetHandle file;
    file.h = FtpOpenFileW(connection, tk::wide(lastPathPart(url)).c_str(), GENERIC_READ,
                          FTP_TRANSFER_TYPE_BINARY | INTERNET_FLAG_RELOAD, 0);
    if (file.h == nullptr) {
        ReportStatus("File not found : %s", url, 1, 2);
        return false;
    }
    Receiver out(target);
    if (!out.ready())
        return false;
    DWORD high = 0;
    const DWORD low = FtpGetFileSize(file.h, &high);
    const std::int64_t announced = low == INVALID_FILE_SIZE ? 0 : (static_cast<std::int64_t>(high) << 32) | low;
    return receiveBlocks(file.h, out, [&](std::int64_t received) {
        if (OnFileProgress)
            OnFileProgress(*this, target, received, announced);
    });
}

bool TWebUpdate::copyLocal(const std::string& source, const std::string& target)
{
    wchar_t a[MAX_PATH];
    wchar_t b[MAX_PATH];
    if (GetFullPathNameW(tk::wide(source).c_str(), MAX_PATH, a, nullptr) &&
        GetFullPathNameW(tk::wide(target).c_str(), MAX_PATH, b, nullptr) && lstrcmpiW(a, b) == 0) {
        ReportStatus("Equal source and target files : %s", source, 3, 10);
        return false;
    }
    HANDLE in = CreateFileW(tk::wide(source).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (in == INVALID_HANDLE_VALUE) {
        ReportStatus("File not found : %s", source, 1, 2);
        return false;
    }
    LARGE_INTEGER size{};
    GetFileSizeEx(in, &size);
    if (size.QuadPart == 0) {
        CloseHandle(in);
        ReportStatus("Zero length source file : %s", source, 2, 10);
        return false;
    }
    bool ok = true;
    std::int64_t received = 0;
    {
        Receiver out(target);
        ok = out.ready();
        std::vector<char> block(16384);
        DWORD got = 0;
        while (ok && ReadFile(in, block.data(), static_cast<DWORD>(block.size()), &got, nullptr) && got > 0) {
            ok = out.write(block.data(), got);
            received += got;
            if (OnFileProgress)
                OnFileProgress(*this, target, received, size.QuadPart);
        }
        ok = ok && received > 0 && out.commit();
    }
    CloseHandle(in);
    return ok;
}

bool TWebUpdate::expandInPlace(const std::string& path)
{
    std::wstring source = tk::wide(path);
    OFSTRUCT of{};
    const INT in = LZOpenFileW(source.data(), &of, OF_READ);
    if (in < 0)
        return false;
    wchar_t expanded[MAX_PATH];
    bool ok = false;
    // A file that is not compressed is its own expanded name and stays as it came.
    if (GetExpandedNameW(source.data(), expanded) == 1) {
        const std::wstring name(expanded);
        const std::string part = tk::narrow(name.substr(name.find_last_of(L'\\') + 1));
        if (lstrcmpiW(expanded, source.c_str()) == 0) {
            ok = true;
        } else if (!safeFileName(part)) {
            ReportStatus("Refused unsafe file name : %s", part, 0, statusUnsafeName);
        } else {
            OFSTRUCT outOf{};
            const INT out = LZOpenFileW(expanded, &outOf, OF_CREATE);
            if (out >= 0) {
                ok = LZCopy(in, out) >= 0;
                LZClose(out);
                if (!ok)
                    DeleteFileW(expanded);
            }
        }
    }
    LZClose(in);
    if (ok && lstrcmpiW(expanded, source.c_str()) != 0)
        DeleteFileW(source.c_str());
    return ok;
}

bool TWebUpdate::unpackCabinet(const std::string& path, const std::string& targetDir)
{
    return upd::extractCabinet(path.c_str(), targetDir.c_str());
}

namespace {

// The what's-new dialog: 400 x 400, centred, the text read-only above two right-aligned buttons.
struct WhatsNewDialog {
    bool done = false;
    bool accepted = false;

    static LRESULT CALLBACK proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
    {
        if (msg == WM_NCCREATE)
            SetWindowLongPtrW(hwnd, GWLP_USERDATA,
                              reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams));
        auto* self = reinterpret_cast<WhatsNewDialog*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
        if (self != nullptr && msg == WM_COMMAND && (LOWORD(wp) == IDOK || LOWORD(wp) == IDCANCEL)) {
            self->accepted = LOWORD(wp) == IDOK;
            self->done = true;
            return 0;
        }
        if (self != nullptr && msg == WM_CLOSE) {
            self->done = true;
            return 0;
        }
        return DefWindowProcW(hwnd, msg, wp, lp);
    }
};

} // namespace

bool TWebUpdate::showWhatsNew(const ControlFile& control)
{
    const std::string url = control.value("whatsnew", "file");
    const std::string temp = tempDirectory();
    if (!DownloadFile(internet_, url, false, temp))
        return true;
    const std::string path = temp + downloadName(url);
    std::string text;
    if (HANDLE f = CreateFileW(tk::wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        f != INVALID_HANDLE_VALUE) {
        char buf[4096];
        DWORD got = 0;
        while (ReadFile(f, buf, sizeof buf, &got, nullptr) && got > 0 && text.size() < (1u << 20))
            text.append(buf, got);
        CloseHandle(f);
    }
    DeleteFileW(tk::wide(path).c_str());

    static const ATOM atom = [] {
        WNDCLASSW wc{};
        wc.lpfnWndProc = WhatsNewDialog::proc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        wc.lpszClassName = L"SlovoWhatsNew";
        return RegisterClassW(&wc);
    }();
    (void)atom;
    std::string caption = control.value("whatsnew", "caption");
    std::string ok = control.value("whatsnew", "okbtn");
    std::string cancel = control.value("whatsnew", "cancelbtn");
    WhatsNewDialog state;
    HWND owner = GetActiveWindow();
    // Laid out at 96 DPI, shown at the screen's.
    const int dpi = tk::systemDpi();
    const auto s = [dpi](int v) { return tk::scaled(v, dpi); };
    const int x = (GetSystemMetrics(SM_CXSCREEN) - s(400)) / 2;
    const int y = (GetSystemMetrics(SM_CYSCREEN) - s(400)) / 2;
    HWND dlg = CreateWindowExW(WS_EX_DLGMODALFRAME, L"SlovoWhatsNew", tk::wide(caption).c_str(),
                               WS_POPUP | WS_CAPTION | WS_SYSMENU, x, y, s(400), s(400), owner, nullptr,
                               GetModuleHandleW(nullptr), &state);
    if (dlg == nullptr)
        return true;
    RECT rc;
    GetClientRect(dlg, &rc);
    // The stock GUI font keeps 96-DPI pixels; the program's own scales.
    const HFONT font = dpi == tk::kBaseDpi ? static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT)) : tk::defaultFont(dpi);
    HWND edit = CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", tk::wide(lineBreaks(text)).c_str(),
                                WS_CHILD | WS_VISIBLE | WS_VSCROLL | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL, s(10),
                                s(10), rc.right - s(20), rc.bottom - s(60), dlg, nullptr, nullptr, nullptr);
    HWND okButton = CreateWindowExW(0, L"BUTTON", tk::wide(ok.empty() ? "Ok" : ok).c_str(),
                                    WS_CHILD | WS_VISIBLE | BS_DEFPUSHBUTTON, rc.right - s(170), rc.bottom - s(40), s(75),
                                    s(25), dlg, reinterpret_cast<HMENU>(IDOK), nullptr, nullptr);
    HWND cancelButton = CreateWindowExW(0, L"BUTTON", tk::wide(cancel.empty() ? "Cancel" : cancel).c_str(),
                                        WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, rc.right - s(85), rc.bottom - s(40), s(75),
                                        s(25), dlg, reinterpret_cast<HMENU>(IDCANCEL), nullptr, nullptr);
    for (HWND child : {edit, okButton, cancelButton})
        SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    if (owner != nullptr)
        EnableWindow(owner, FALSE);
    ShowWindow(dlg, SW_SHOW);
    MSG m;
    while (!state.done && GetMessageW(&m, nullptr, 0, 0) > 0) {
        if (!IsDialogMessageW(dlg, &m)) {
            TranslateMessage(&m);
            DispatchMessageW(&m);
        }
    }
    if (owner != nullptr)
        EnableWindow(owner, TRUE);
    DestroyWindow(dlg);
    return state.accepted;
}

bool TWebUpdate::post()
{
    InternetHandle internet;
    internet.h = InternetOpenW(L"TWebUpdate", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
    InternetHandle connection;
    if (internet.h != nullptr)
        connection.h = InternetConnectW(internet.h, tk::wide(PostUpdateInfo.Server).c_str(), 80, nullptr, nullptr,
                                        INTERNET_SERVICE_HTTP, 0, 0);
    if (connection.h == nullptr) {
        ReportStatus("Cannot connect to server for post", "", 5, 16);
        return false;
    }
    InternetHandle request;
    request.h = HttpOpenRequestW(connection.h, L"POST", tk::wide(PostUpdateInfo.Action).c_str(), nullptr, nullptr,
                                 nullptr, INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE, 0);
    static const wchar_t headers[] = L"Content-Type: application/x-www-form-urlencoded\r\n";
    std::string data = PostUpdateInfo.Data;
    if (request.h == nullptr ||
        !HttpSendRequestW(request.h, headers, static_cast<DWORD>(-1), data.data(), static_cast<DWORD>(data.size()))) {
        ReportStatus("Cannot access resource for post", "", 5, 17);
        return false;
    }
    return true;
}

void TWebUpdate::RestartApplication()
{
    if (!silentRestart_ &&
        messageBox("Shutdown application to update executable files ?", L"Confirm", MB_YESNO | MB_ICONQUESTION) != IDYES)
        return;
    const std::string temp = tempDirectory();
    const std::wstring packed = tk::wide(temp + "upd.ex_");
    const std::wstring updater = tk::wide(temp + "upd.exe");
    bool written = false;
    HMODULE module = GetModuleHandleW(nullptr);
    if (HRSRC res = FindResourceW(module, L"UPD", MAKEINTRESOURCEW(10))) {
        HGLOBAL data = LoadResource(module, res);
        const DWORD size = SizeofResource(module, res);
        HANDLE f = CreateFileW(packed.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        if (f != INVALID_HANDLE_VALUE) {
            DWORD n = 0;
            written = data != nullptr && WriteFile(f, LockResource(data), size, &n, nullptr) && n == size;
            CloseHandle(f);
        }
    }
    if (written) {
        std::wstring source = packed;
        std::wstring dest = updater;
        OFSTRUCT a{};
        OFSTRUCT b{};
        const INT in = LZOpenFileW(source.data(), &a, OF_READ);
        const INT out = in >= 0 ? LZOpenFileW(dest.data(), &b, OF_CREATE) : -1;
        written = in >= 0 && out >= 0 && LZCopy(in, out) > 0;
        if (out >= 0)
            LZClose(out);
        if (in >= 0)
            LZClose(in);
    }
    DeleteFileW(packed.c_str());
    if (!written) {
        ReportStatus("Failed to spawn updater process : %s", "the updater could not be written", ERROR_FILE_NOT_FOUND, 9);
        return;
    }
    const std::string command = temp + "upd.exe " + std::to_string(GetCurrentProcessId()) + " " + appCommandLine_ +
                                " " + components_;
    if (!startCommand(command, false)) {
        const DWORD err = GetLastError();
        ReportStatus("Failed to spawn updater process : %s", systemErrorText(err), static_cast<int>(err), 9);
        return;
    }
    if (OnAppDoClose)
        OnAppDoClose(*this);
    else
        tk::Application::instance().terminate();
}

} // namespace wu

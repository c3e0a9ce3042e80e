// TWebUpdate's run in its order, the hand-over of a threaded run to the main thread, the statuses
// and the remembered values; the steps themselves live in web_update_download.cpp (connection and
// downloads), web_update_checks.cpp (control file and checks) and web_update_actions.cpp.
#include "webupdate/win32/web_update.h"

#include "common/error.h"
#include "common/win32/text.h"
#include "toolkit/application.h"
#include "webupdate/upd/update_steps.h"
#include "webupdate/win32/web_update_shared.h"

#include <exception>

namespace wu {

namespace detail {

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

std::string programDirectory()
{
    wchar_t buf[MAX_PATH + 1];
    const DWORD n = GetModuleFileNameW(nullptr, buf, MAX_PATH + 1);
    const std::wstring path(buf, n);
    return tk::narrow(path.substr(0, path.find_last_of(L'\\') + 1));
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

int messageBox(const std::string& text, const wchar_t* caption, UINT flags)
{
    HWND owner = GetActiveWindow();
    if (owner != nullptr && !IsWindowVisible(owner))
        owner = nullptr;
    return MessageBoxW(owner, tk::wide(text).c_str(), caption, flags | MB_TASKMODAL);
}

bool endsWithNoCase(const std::string& text, const char* tail)
{
    const std::string t = upperCase(tail);
    return text.size() >= t.size() && upperCase(text.substr(text.size() - t.size())) == t;
}

bool startCommand(const std::string& command, bool wait)
{
    return upd::runCommand(tk::wide(command), wait);
}

std::string lineBreaks(std::string text)
{
    for (std::size_t p = text.find("\\n"); p != std::string::npos; p = text.find("\\n", p + 2))
        text.replace(p, 2, "\r\n");
    return text;
}

std::string readSmallFile(const std::string& path, std::size_t limit)
{
    std::string bytes;
    HANDLE f = CreateFileW(tk::wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE)
        return bytes;
    char buf[4096];
    DWORD got = 0;
    while (bytes.size() < limit && ReadFile(f, buf, sizeof buf, &got, nullptr) && got > 0)
        bytes.append(buf, got);
    CloseHandle(f);
    return bytes;
}

} // namespace detail

namespace {

constexpr UINT msgRun = WM_APP + 1;
constexpr UINT msgDone = WM_APP + 2;
const wchar_t* const windowClass = L"SlovoWebUpdate";

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

Transport TWebUpdate::transport() const
{
    return UpdateType == TUpdateType::ftpUpdate ? Transport::ftp : local() ? Transport::file : Transport::http;
}

Channel TWebUpdate::channelFor(const std::string& url) const
{
    return channel_ == Channel::plain ? Channel::plain : channelOf(transport(), url);
}

bool TWebUpdate::refuse(Action action, Channel channel)
{
    if (allowed(action, channel))
        return false;
    ReportStatus(refusedText(action), "", 0, statusRefused);
    return true;
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

void TWebUpdate::RunUpdate()
{
    component_ = false;
    restart_ = false;
    silentRestart_ = false;
    ftpDirectorySet_ = false;
    appCommandLine_.clear();
    components_.clear();
    insecureFiles_.clear();
    fileFailed_ = false;
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
    channel_ = channelOf(transport(), url);
    dialled_ = false;
    controlPath_.clear();
    // A refused or failed dial-up ends the run without any further status.
    if (!local() && !connect())
        return;

    ControlFile control;
    std::optional<Moment> newDate;
    std::string lastValue;
    if (openSession() && readControlFile(url, control) && dateCheck(control, newDate, lastValue) &&
        (!PostUpdateInfo.Enabled || post()) && versionCheck(control, lastValue, newDate.has_value())) {
        applicationSection(control);
        if (actionsBefore(control)) {
            redirectAndShow(control);
            if (!control.value("files", "count").empty()) {
                ReportStatus("Found file update instruction", "", 0, 3);
                fileEntries(control);
            }
            // Only a run whose every file arrived whole is done with this date: after a failed
            // download the next run fetches the files again.
            if (newDate && !fileFailed_)
                rememberDate(*newDate);
            runAfter(control);
            ReportStatus("Finished processing update control file", "", 0, 3);
        }
    }
    closeSession();
}

} // namespace wu

// TWebUpdate's actions: the application section, the instructions before and after the files,
// the what's-new dialog, the file entries with their cabinets and patches, the post, and the
// restart through the updater.
#include "webupdate/win32/web_update.h"

#include "common/win32/text.h"
#include "toolkit/application.h"
#include "toolkit/control.h"
#include "webupdate/upd/core/updater_args.h"
#include "webupdate/upd/update_steps.h"
#include "webupdate/win32/web_update_shared.h"

#include <lzexpand.h>
#include <shellapi.h>

namespace wu {

using namespace detail;

namespace {

std::string upperLastPart(const std::string& path)
{
    const std::size_t slash = path.find_last_of("\\/");
    return upperCase(slash == std::string::npos ? path : path.substr(slash + 1));
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

void TWebUpdate::applicationSection(const ControlFile& control)
{
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
}

bool TWebUpdate::actionsBefore(const ControlFile& control)
{
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
            return false;
        }
    }
    if (!control.value("whatsnew", "file").empty()) {
        ReportStatus("Found whatsnew instruction", "", 0, 12);
        if (!refuse(Action::whatsNew) && !showWhatsNew(control)) {
            ReportStatus("Whatsnew not accepted", "", 0, 14);
            restart_ = false;
            return false;
        }
    }
    return true;
}

void TWebUpdate::redirectAndShow(const ControlFile& control)
{
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
}

void TWebUpdate::runAfter(const ControlFile& control)
{
    if (const std::string after = ConvertPrefixes(control.value("action", "runafter")); !after.empty()) {
        if (!refuse(Action::runAfter, namesInsecureFile(after) ? Channel::plain : channel_))
            startCommand(after, false);
    }
}

bool TWebUpdate::inComponents(const std::string& name) const
{
    const std::string wanted = upperCase(name);
    for (const std::wstring& component : upd::componentList(tk::wide(components_)))
        if (upperLastPart(tk::narrow(component)) == wanted)
            return true;
    return false;
}

void TWebUpdate::fileEntries(const ControlFile& control)
{
    bool askedOnce = false;
    // Only the entries the file holds: a stated count alone cannot keep the run going.
    for (const std::int32_t i : control.numberedSections("file", control.number("files", "count", 0))) {
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
        const std::string name = downloadName(url);
        // A file that travels over an insecure channel may only be written into the data
        // directory and never be a component, whatever channel the control file came over:
        // checked before any directory is created.
        const Channel channel = channelFor(url);
        if (channel == Channel::plain && !insideDirectory(targetDir, PlainTargetDir)) {
            ReportStatus("Refused file outside the data directory over insecure connection : %s", url, 0,
                         statusRefused);
            continue;
        }
        if (inComponents(name) && refuse(Action::appUpdate, channel)) {
            restart_ = false;
            continue;
        }
        if (!localFileAllowed(localVersion))
            continue;
        if (!targetDir.empty() && !isDirectory(targetDir))
            createDirectories(targetDir);
        if (!IsNewVersion(newVersion, localVersion, newSize, newChecksum))
            continue;
        ReportStatus("Download update : %s", url, 0, 3);
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
            fileFailed_ = true;
            continue;
        }
        if (channel == Channel::plain)
            insecureFiles_.push_back(upperLastPart(lastDownload_));
        const bool component = inComponents(name);
        if (component)
            component_ = true;
        const std::string path = targetDir + name;
        if (endsWithNoCase(name, ".CAB") && ExtractCAB && !component && !refuse(Action::cabinet, channel)) {
            if (unpackCabinet(path, targetDir))
                DeleteFileW(tk::wide(path).c_str());
            else
                ReportStatus("Error decompressing CAB file : %s", path, 0, 8);
        }
        if (endsWithNoCase(name, ".PAT") && ApplyPatch && !localVersion.empty() && !component &&
            !refuse(Action::patch, channel)) {
            startCommand("patcher.exe " + name + " " + localVersion, true);
            DeleteFileW(tk::wide(path).c_str());
        }
    }
    // The restart must not start a file that came over an insecure channel either.
    if (restart_ && namesInsecureFile(appCommandLine_) && refuse(Action::appUpdate, Channel::plain))
        restart_ = false;
}

bool TWebUpdate::namesInsecureFile(const std::string& command) const
{
    const std::string upper = upperCase(command);
    for (const std::string& name : insecureFiles_)
        if (upper.find(name) != std::string::npos)
            return true;
    return false;
}

bool TWebUpdate::unpackCabinet(const std::string& path, const std::string& targetDir)
{
    return upd::extractCabinet(path.c_str(), targetDir.c_str());
}

bool TWebUpdate::showWhatsNew(const ControlFile& control)
{
    const std::string url = control.value("whatsnew", "file");
    const std::string temp = tempDirectory();
    if (!DownloadFile(internet_, url, false, temp))
        return true;
    const std::string path = temp + downloadName(url);
    const std::string text = readSmallFile(path, 1u << 20);
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
    std::shared_ptr<const BlockingCall> sent;
    if (request.h != nullptr)
        sent = callAndWait(
            [h = request.h, data = PostUpdateInfo.Data](BlockingCall& c) mutable {
                c.ok = HttpSendRequestW(h, headers, static_cast<DWORD>(-1), data.data(), static_cast<DWORD>(data.size()));
            },
            request.h);
    if (!sent || !sent->ok) {
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
    // Quoted: a temporary folder with a blank (a user name with a blank) is common. Each component
    // goes as an argument of its own, so the updater splits the list as this client does.
    std::wstring command = L"\"" + updater + L"\" " + std::to_wstring(GetCurrentProcessId()) + L" " +
                           tk::wide(appCommandLine_);
    for (const std::wstring& component : upd::componentList(tk::wide(components_)))
        command += L" " + upd::quoteArgument(component);
    if (!upd::runCommand(command, false)) {
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

// TWebUpdate's connection and downloads: the dial-up, the Internet handle and the FTP connection,
// and each file fetched over HTTP(S), FTP or from a local path into a "WUPD" file beside its target,
// moved into place only when it is whole. Every network call waits as web_update_wait.cpp says.
#include "webupdate/win32/web_update.h"

#include "common/win32/text.h"
#include "webupdate/win32/web_update_shared.h"

#include <lzexpand.h>

#include <algorithm>
#include <vector>

namespace wu {

using namespace detail;

bool TWebUpdate::connect()
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
        dialled_ = true;
    }
    ReportStatus("Found open Internet connection", "", 0, 3);
    return true;
}

bool TWebUpdate::openSession()
{
    internet_ = nullptr;
    if (local())
        return true;
    session_ = Proxy.empty()
                   ? InternetOpenW(L"WebUpdate", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0)
                   : InternetOpenW(L"WebUpdate", INTERNET_OPEN_TYPE_PROXY, tk::wide(Proxy).c_str(), nullptr, 0);
    if (session_ == nullptr) {
        ReportStatus("Cannot open Internet connection", "", 0, 1);
        return false;
    }
    internet_ = session_;
    if (UpdateType != TUpdateType::ftpUpdate)
        return true;
    ReportStatus("Connect to host : %s", Host, 3, 3);
    const bool credentials = !UserID.empty() && !Password.empty();
    const HINTERNET session = session_;
    HINTERNET connecting = session;
    const auto connected = callAndWait(
        [session, host = tk::wide(Host), port = Port, user = credentials ? tk::wide(UserID) : L"",
         password = credentials ? tk::wide(Password) : L"", credentials, passive = FTPPassive](BlockingCall& c) {
            c.opened = InternetConnectW(session, host.c_str(), port, credentials ? user.c_str() : nullptr,
                                        credentials ? password.c_str() : nullptr, INTERNET_SERVICE_FTP,
                                        passive ? INTERNET_FLAG_PASSIVE : 0, 0);
            c.error = GetLastError();
        },
        connecting);
    if (!connected)
        forget(session);
    ftp_ = connected ? connected->opened : nullptr;
    if (ftp_ == nullptr) {
        const DWORD err = connected ? connected->error : static_cast<DWORD>(ERROR_INTERNET_TIMEOUT);
        ReportStatus(systemErrorText(err), "", static_cast<int>(err), 1);
        ReportStatus("Cannot connect to FTP host : %s", Host, 0, 1);
        return false;
    }
    internet_ = ftp_;
    return true;
}

void TWebUpdate::forget(HINTERNET closed)
{
    for (HINTERNET* h : {&session_, &ftp_, &internet_})
        if (*h == closed)
            *h = nullptr;
}

void TWebUpdate::closeSession()
{
    if (!local()) {
        for (HINTERNET* h : {&ftp_, &session_}) {
            if (*h != nullptr)
                InternetCloseHandle(*h);
            *h = nullptr;
        }
        internet_ = nullptr;
        if (dialled_ && (UpdateConnect == TUpdateConnect::wucConnectPromptHangup ||
                         UpdateConnect == TUpdateConnect::wucConnectSilentHangup))
            InternetAutodialHangup(0);
        ReportStatus("Closed Internet connection", "", 0, 3);
    }
    if (!controlPath_.empty())
        DeleteFileW(tk::wide(controlPath_).c_str());
    controlPath_.clear();
}

std::string TWebUpdate::downloadName(const std::string& url) const
{
    // A local source is a path: its name follows the last separator of either kind.
    if (local())
        return url.substr(url.find_last_of("\\/") + 1);
    return lastPathPart(url);
}

bool TWebUpdate::DownloadFile(HINTERNET connection, const std::string& url, bool compressed,
                              const std::string& targetDir)
{
    const std::string name = downloadName(url);
    if (!local())
        ReportStatus("Download : %s", url, 0, 3);
    if (!safeFileName(name)) {
        ReportStatus("Refused unsafe file name : %s", name, 0, statusUnsafeName);
        return false;
    }
    const std::string target = targetDir + name;
    bool ok = false;
    if (local())
        ok = copyLocal(url, target);
    else if (UpdateType == TUpdateType::ftpUpdate)
        ok = downloadFtp(connection, url, target);
    else
        ok = downloadHttp(connection, url, target);
    if (!ok)
        return false;
    lastDownload_ = target;
    if (compressed && !endsWithNoCase(name, ".CAB"))
        return expandInPlace(target);
    return true;
}

bool TWebUpdate::blockArrived(const std::string& url, const std::string& target, std::int64_t pos, std::int64_t size)
{
    if (pos > MaxDownload) {
        ReportStatus("Refused download beyond the size limit : %s", url, 0, statusRefused);
        return false;
    }
    if (OnFileProgress)
        OnFileProgress(*this, target, pos, size);
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

// Reads a WinINet handle to its end in blocks of up to 4096 bytes into the receiver, reporting
// each block (a false answer stops the transfer). Only an empty buffer is waited for, each time on
// its own: a download stalls only when no byte comes; what has arrived by then (up to 16 blocks)
// is taken in one call. An empty transfer, a read error, a stall and a transfer that ends short of
// the announced length are failures.
bool receiveBlocks(HINTERNET& from, Receiver& out, std::int64_t announced,
                   const std::function<bool(std::int64_t)>& progress)
{
    constexpr DWORD blockSize = 4096;
    std::int64_t received = 0;
    while (true) {
        const auto read = callAndWait(
            [from](BlockingCall& c) {
                DWORD available = 0;
                c.ok = InternetQueryDataAvailable(from, &available, 0, 0);
                c.data.resize(available == 0 ? blockSize : std::min<DWORD>(available, 16 * blockSize));
                c.ok = c.ok && InternetReadFile(from, c.data.data(), static_cast<DWORD>(c.data.size()), &c.count);
            },
            from);
        if (!read || !read->ok)
            return false;
        if (read->count == 0)
            break;
        for (DWORD at = 0; at < read->count; at += blockSize) {
            const DWORD n = std::min(blockSize, read->count - at);
            if (!out.write(read->data.data() + at, n))
                return false;
            received += n;
            if (!progress(received))
                return false;
        }
    }
    return received > 0 && received >= announced && out.commit();
}

// The address a request ended at, after the redirections WinINet followed.
std::string finalUrl(HINTERNET request)
{
    wchar_t buf[4096];
    DWORD len = sizeof buf;
    if (!InternetQueryOptionW(request, INTERNET_OPTION_URL, buf, &len))
        return {};
    return tk::narrow(buf);
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
    // The request's handle exists only once the opening returned: a stalled opening is ended by
    // closing the connection, which the run then uses no more.
    HINTERNET opening = connection;
    const auto opened = callAndWait(
        [connection, wide = tk::wide(address), flags](BlockingCall& c) {
            c.opened = InternetOpenUrlW(connection, wide.c_str(), nullptr, 0, flags, 0);
        },
        opening);
    if (!opened)
        forget(connection);
    InternetHandle request;
    request.h = opened ? opened->opened : nullptr;
    if (request.h == nullptr) {
        ReportStatus("File not found : %s", url, 1, 2);
        return false;
    }
    // A secure address that redirects to a plain one would bring the file over plain HTTP.
    if ((flags & INTERNET_FLAG_SECURE) != 0 && channelOf(Transport::http, finalUrl(request.h)) != Channel::trusted) {
        ReportStatus("Refused redirection to an insecure address : %s", url, 0, statusRefused);
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
    return receiveBlocks(request.h, out, announced,
                         [&](std::int64_t pos) { return blockArrived(url, target, pos, announced); });
}

bool TWebUpdate::downloadFtp(HINTERNET connection, const std::string& url, const std::string& target)
{
    // A stalled command on the FTP connection ends it: the run uses it no more.
    HINTERNET command = connection;
    if (!ftpDirectorySet_ && !FTPDirectory.empty())
        callAndWait([connection, dir = tk::wide(FTPDirectory)](
                        BlockingCall& c) { c.ok = FtpSetCurrentDirectoryW(connection, dir.c_str()); },
                    command);
    ftpDirectorySet_ = true;
    std::shared_ptr<const BlockingCall> opened;
    if (command != nullptr)
        opened = callAndWait(
            [connection, name = tk::wide(lastPathPart(url))](BlockingCall& c) {
                c.opened = FtpOpenFileW(connection, name.c_str(), GENERIC_READ,
                                        FTP_TRANSFER_TYPE_BINARY | INTERNET_FLAG_RELOAD, 0);
            },
            command);
    if (command == nullptr)
        forget(connection);
    InternetHandle file;
    file.h = opened ? opened->opened : nullptr;
    if (file.h == nullptr) {
        ReportStatus("File not found : %s", url, 1, 2);
        return false;
    }
    Receiver out(target);
    if (!out.ready())
        return false;
    const auto size = callAndWait([h = file.h](BlockingCall& c) { c.count = FtpGetFileSize(h, &c.high); }, file.h);
    if (!size)
        return false;
    const std::int64_t announced =
        size->count == INVALID_FILE_SIZE ? 0 : (static_cast<std::int64_t>(size->high) << 32) | size->count;
    return receiveBlocks(file.h, out, announced,
                         [&](std::int64_t pos) { return blockArrived(url, target, pos, announced); });
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
                else
                    lastDownload_ = tk::narrow(expanded);
            }
        }
    }
    LZClose(in);
    if (ok && lstrcmpiW(expanded, source.c_str()) != 0)
        DeleteFileW(source.c_str());
    return ok;
}

} // namespace wu

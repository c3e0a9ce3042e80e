// TWebUpdate: brings local files up to date from a web server as an update control file says.
#pragma once

#include <windows.h>
#include <wininet.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "webupdate/core/control_file.h"
#include "webupdate/core/remote_policy.h"
#include "webupdate/core/update_date.h"

namespace wu {

enum class TUpdateType { ftpUpdate, httpUpdate, fileUpdate };
enum class TUpdateConnect {
    wucNoConnect,
    wucConnectPrompt,
    wucConnectSilent,
    wucConnectPromptHangup,
    wucConnectSilentHangup
};
enum class TUpdateUpdate { wuuPromptOnce, wuuPromptAll, wuuSilent };

struct TLastURLEntry {
    bool Save = false;
    std::string Key;
    std::string Section;
};

struct TPostUpdateInfo {
    std::string Server;
    std::string Action;
    std::string Data;
    bool Enabled = false;
};

// Status codes of the refusals that keep a control file from an insecure channel in bounds.
constexpr int statusRefused = 18;
constexpr int statusUnsafeName = 19;

class TWebUpdate {
public:
    TWebUpdate();
    ~TWebUpdate();
    TWebUpdate(const TWebUpdate&) = delete;
    TWebUpdate& operator=(const TWebUpdate&) = delete;

    std::string URL;
    TUpdateType UpdateType = TUpdateType::httpUpdate;
    TUpdateConnect UpdateConnect = TUpdateConnect::wucNoConnect;
    TUpdateUpdate UpdateUpdate = TUpdateUpdate::wuuPromptOnce;
    std::string DateFormat = "dd/mm/yyyy";
    char DateSeparator = '/';
    std::string TimeFormat = "hh:nn";
    char TimeSeparator = ':';
    TLastURLEntry LastURLEntry;
    bool ApplyPatch = false;
    bool ExtractCAB = false;
    bool UseCRC32 = false;
    bool SignatureCheck = false;
    std::string Signature = "WebUpdate";
    TPostUpdateInfo PostUpdateInfo;
    std::string Host;
    std::uint16_t Port = 21;
    std::string UserID;
    std::string Password;
    std::string FTPDirectory;
    bool FTPPassive = false;
    std::string Proxy;
    std::string ProxyUserID;
    std::string ProxyPassword;
    // The one directory a file from an insecure channel may be written into.
    std::string PlainTargetDir = "C:\\Windows\\data";
    // The most a download may bring (the largest file the program reads): a reply that never ends
    // would fill the disk and keep the run going for ever.
    std::int64_t MaxDownload = std::int64_t{512} << 20;

    std::function<void(TWebUpdate& sender, const std::string& statusstr, int statuscode, int errcode)> OnStatus;
    std::function<void(TWebUpdate& sender, const std::string& filename, std::int64_t pos, std::int64_t size)>
        OnFileProgress;
    std::function<void(TWebUpdate& sender)> OnThreadUpdateDone;
    // Ends the application for a restart; unassigned, the application is closed in order.
    std::function<void(TWebUpdate& sender)> OnAppDoClose;

    void StartUpdateThread();
    void RunUpdate();
    // A connection whose opening of the URL stalled is closed (see web_update_wait.cpp).
    bool DownloadFile(HINTERNET connection, const std::string& url, bool compressed, const std::string& targetDir);
    bool IsNewVersion(const std::string& newVersion, const std::string& localFile, std::int32_t newSize,
                      std::int32_t newChecksum);
    std::string ConvertPrefixes(const std::string& text);
    void RestartApplication();
    void ReportStatus(const std::string& statusText, const std::string& parameter, int errcode, int statuscode);

    bool threaded() const { return threaded_; }

private:
    static LRESULT CALLBACK windowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    static DWORD WINAPI workerEntry(void* window);

    // The run's order (web_update.cpp).
    void runSteps();
    bool local() const { return UpdateType == TUpdateType::fileUpdate; }
    Transport transport() const;
    // The channel a file at this address arrives over: never safer than the control file's.
    Channel channelFor(const std::string& url) const;
    bool refuse(Action action, Channel channel);
    bool refuse(Action action) { return refuse(action, channel_); }
    std::optional<std::string> readRemembered(const char* name, bool needSave);
    void remember(const char* name, const std::string& value);

    // Connection and downloads (web_update_download.cpp).
    bool connect();
    bool openSession();
    void closeSession();
    // A connection given up on a stalled call was closed: the run uses it no more.
    void forget(HINTERNET closed);
    bool downloadHttp(HINTERNET connection, const std::string& url, const std::string& target);
    bool downloadFtp(HINTERNET connection, const std::string& url, const std::string& target);
    bool copyLocal(const std::string& source, const std::string& target);
    bool expandInPlace(const std::string& path);
    std::string downloadName(const std::string& url) const;
    bool blockArrived(const std::string& url, const std::string& target, std::int64_t pos, std::int64_t size);

    // The control file and its checks (web_update_checks.cpp).
    bool readControlFile(const std::string& url, ControlFile& control);
    bool dateCheck(const ControlFile& control, std::optional<Moment>& newDate, std::string& lastValue);
    // `dated`: the date check found a new date.
    bool versionCheck(const ControlFile& control, const std::string& lastValue, bool dated);
    // A local file an insecure control file may name: one in the program's own folder.
    bool localFileAllowed(const std::string& path);
    Moment rememberedMoment();
    void rememberDate(const Moment& moment);

    // The actions (web_update_actions.cpp).
    void applicationSection(const ControlFile& control);
    bool actionsBefore(const ControlFile& control);
    bool showWhatsNew(const ControlFile& control);
    void redirectAndShow(const ControlFile& control);
    void fileEntries(const ControlFile& control);
    void runAfter(const ControlFile& control);
    bool unpackCabinet(const std::string& path, const std::string& targetDir);
    bool inComponents(const std::string& name) const;
    // True when the command line names a file of this run that came over an insecure channel.
    bool namesInsecureFile(const std::string& command) const;
    bool post();

    HWND window_ = nullptr;
    bool threaded_ = false;
    bool restart_ = false;
    bool component_ = false;
    bool silentRestart_ = false;
    bool ftpDirectorySet_ = false;
    bool dialled_ = false;
    // A file entry's download of this run failed.
    bool fileFailed_ = false;
    Channel channel_ = Channel::plain;
    // The Internet handle of a run, the FTP connection, and the one downloads go through.
    HINTERNET session_ = nullptr;
    HINTERNET ftp_ = nullptr;
    HINTERNET internet_ = nullptr;
    std::string controlPath_;
    // Where the last download ended up (after its expansion), and the names of this run's files
    // that came over an insecure channel, upper-cased.
    std::string lastDownload_;
    std::vector<std::string> insecureFiles_;
    std::string appCommandLine_;
    std::string components_;
};

} // namespace wu

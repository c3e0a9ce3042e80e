// TWebUpdate's control file and its checks: fetching and reading it, the signature, the date check
// against the remembered moment, the version checks against the local files, prefix conversion.
#include "webupdate/win32/web_update.h"

#include "common/win32/text.h"
#include "webupdate/core/prefixes.h"
#include "webupdate/core/version_check.h"
#include "webupdate/win32/web_update_shared.h"

#include <vector>

namespace wu {

using namespace detail;

namespace {

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

SYSTEMTIME systemTime(const Moment& moment)
{
    SYSTEMTIME st{};
    st.wYear = static_cast<WORD>(moment.date.year);
    st.wMonth = static_cast<WORD>(moment.date.month);
    st.wDay = static_cast<WORD>(moment.date.day);
    st.wHour = static_cast<WORD>(moment.time.hour);
    st.wMinute = static_cast<WORD>(moment.time.minute);
    st.wSecond = static_cast<WORD>(moment.time.second);
    return st;
}

Moment localNow()
{
    SYSTEMTIME st;
    GetLocalTime(&st);
    return Moment{Date{st.wYear, st.wMonth, st.wDay}, TimeOfDay{st.wHour, st.wMinute, st.wSecond}};
}

} // namespace

std::string TWebUpdate::ConvertPrefixes(const std::string& text)
{
    return convertPrefixes(text, [](const std::string& name) -> std::optional<std::string> {
        wchar_t buf[MAX_PATH + 1];
        if (name == "WIN") {
            const UINT n = GetWindowsDirectoryW(buf, MAX_PATH + 1);
            return tk::narrow(std::wstring(buf, n));
        }
        if (name == "APP")
            return programDirectory();
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

bool TWebUpdate::localFileAllowed(const std::string& path)
{
    // Reading a file elsewhere would open other hosts' shares with the player's credentials, or
    // tell a forged reply which files the machine holds.
    if (channel_ == Channel::trusted || path.empty() || insideDirectory(path, programDirectory()))
        return true;
    ReportStatus("Refused local file outside the program folder over insecure connection : %s", path, 0,
                 statusRefused);
    return false;
}

bool TWebUpdate::readControlFile(const std::string& url, ControlFile& control)
{
    const std::string temp = tempDirectory();
    if (!DownloadFile(internet_, url, false, temp)) {
        ReportStatus("Update control file not found", "", 0, 2);
        return false;
    }
    ReportStatus("Update control file found", "", 0, 3);
    controlPath_ = temp + downloadName(url);
    control = ControlFile::parse(readSmallFile(controlPath_, 16u << 20));
    if (SignatureCheck && control.value("update", "signature") != Signature) {
        ReportStatus("Invalid signature in update control file", "", 4, 11);
        return false;
    }
    return true;
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

void TWebUpdate::rememberDate(const Moment& moment)
{
    const SYSTEMTIME st = systemTime(moment);
    wchar_t buf[100];
    if (GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &st, nullptr, buf, 100))
        remember("LastDate", tk::narrow(buf));
    if (!moment.time.isMidnight() && GetTimeFormatW(LOCALE_USER_DEFAULT, 0, &st, nullptr, buf, 100))
        remember("LastTime", tk::narrow(buf));
}

bool TWebUpdate::dateCheck(const ControlFile& control, std::optional<Moment>& newDate, std::string& lastValue)
{
    const std::string date = control.value("update", "date");
    if (date.empty())
        return true;
    ReportStatus("Date based update found", "", 0, 3);
    Moment moment;
    if (const auto d = parseDate(date, DateFormat, DateSeparator))
        moment.date = *d;
    if (const std::string time = control.value("update", "time"); !time.empty()) {
        if (const auto t = parseTime(time, TimeSeparator)) {
            moment.time = *t;
            lastValue = time;
        }
    }
    const Moment now = localNow();
    // Over an insecure channel a date no real update can carry yet is refused, and one remembered
    // from such a reply before no longer holds real updates back; over HTTPS the dates stand.
    if (channel_ == Channel::plain && beyondOneDay(moment, now)) {
        ReportStatus("Refused date in the future over insecure connection : %s", date, 0, statusRefused);
        return false;
    }
    Moment remembered = rememberedMoment();
    if (channel_ == Channel::plain && beyondOneDay(remembered, now))
        remembered = Moment{};
    if (remembered >= moment) {
        ReportStatus("No new version found", "", 0, 4);
        return false;
    }
    newDate = moment;
    const SYSTEMTIME st = systemTime(Moment{moment.date, TimeOfDay{}});
    wchar_t buf[100];
    const std::string shown =
        GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &st, nullptr, buf, 100) ? tk::narrow(buf) : date;
    ReportStatus("New version found : %s", shown, 0, 5);
    return true;
}

bool TWebUpdate::versionCheck(const ControlFile& control, const std::string& lastValue, bool dated)
{
    if (!lastValue.empty() || !control.value("update", "unconditional").empty())
        return true;
    const std::string newVersion = control.value("update", "newversion");
    const std::int32_t newSize = control.number("update", "newsize", 0);
    const std::string localVersion = ConvertPrefixes(control.value("update", "localversion"));
    const std::int32_t newChecksum = control.number("update", "newchecksum", -1);
    if (!localFileAllowed(localVersion))
        return false;
    if ((!newVersion.empty() || newSize > 0 || newChecksum != -1) && !localVersion.empty())
        ReportStatus(newChecksum != -1 ? "Checksum based update found"
                     : newSize < 1     ? "Version based update found"
                                       : "File size based update found",
                     "", 0, 3);
    // A file that names neither a date nor anything to compare (a page that is no control file at
    // all) announces nothing: no new version of nothing.
    const bool nothingToCompare = newVersion.empty() && newSize == 0 && newChecksum == -1;
    if ((nothingToCompare && !dated) || !IsNewVersion(newVersion, localVersion, newSize, newChecksum)) {
        ReportStatus("No new version found", "", 0, 4);
        return false;
    }
    ReportStatus("New version found : %s", newVersion, 0, 5);
    return true;
}

} // namespace wu

// The web update tests' loopback fixture: a fresh TWebUpdate with the program's values whose
// data directory is a scratch folder, the statuses and progress it reports, files served by the
// loopback servers of run_with_server.sh, and a helper that answers the run's message boxes.
#pragma once

#include "webupdate/win32/program_update.h"
#include "webupdate/win32/web_update.h"

#include "common/win32/text.h"

#include <gtest/gtest.h>
#include <shellapi.h>

#include <atomic>
#include <algorithm>
#include <thread>
#include <utility>
#include <vector>

namespace wutest {

using Statuses = std::vector<std::pair<std::string, int>>;

inline std::string env(const char* name)
{
    const char* v = std::getenv(name);
    return v != nullptr ? v : "";
}

inline void writeFile(const std::string& path, const std::string& bytes)
{
    HANDLE f = CreateFileW(tk::wide(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(f, INVALID_HANDLE_VALUE) << path;
    DWORD n = 0;
    WriteFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &n, nullptr);
    CloseHandle(f);
}

inline std::string readFile(const std::string& path)
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

inline bool exists(const std::string& path)
{
    return GetFileAttributesW(tk::wide(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

inline std::optional<std::string> registryValue(const char* name, const std::string& section = "slovolovka")
{
    wchar_t buf[512];
    DWORD size = sizeof buf;
    if (RegGetValueW(HKEY_CURRENT_USER, tk::wide("slovolovka\\" + section).c_str(), tk::wide(name).c_str(),
                     RRF_RT_REG_SZ, nullptr, buf, &size) != ERROR_SUCCESS)
        return std::nullopt;
    return tk::narrow(buf);
}

// The folder of this test program, where an insecure control file may still name local files.
inline std::string programFolder()
{
    wchar_t buf[MAX_PATH];
    const std::wstring path(buf, GetModuleFileNameW(nullptr, buf, MAX_PATH));
    return tk::narrow(path.substr(0, path.find_last_of(L'\\') + 1));
}

inline std::string shortDate(WORD y, WORD m, WORD d)
{
    SYSTEMTIME st{};
    st.wYear = y;
    st.wMonth = m;
    st.wDay = d;
    wchar_t buf[100];
    GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &st, nullptr, buf, 100);
    return tk::narrow(buf);
}

inline std::string show(const Statuses& s)
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

} // namespace wutest

// The small Win32 steps that TWebUpdate's files (run, downloads, checks, actions) share.
#pragma once

#include <windows.h>
#include <wininet.h>

#include <functional>
#include <memory>
#include <string>

namespace wu::detail {

std::string systemErrorText(DWORD code);
std::string withBackslash(std::string dir);
std::string tempDirectory();
// The running program's folder, with a trailing backslash.
std::string programDirectory();
bool isDirectory(const std::string& path);
// A modal box over the active window when it is visible, else over nothing.
int messageBox(const std::string& text, const wchar_t* caption, UINT flags);
// Lets waiting window messages through as the main loop does; false once the program is ending
// (the quit message is put back for the main loop).
bool pumpMessages();
bool endsWithNoCase(const std::string& text, const char* tail);
bool startCommand(const std::string& command, bool wait);
// "\" followed by "n" in a message stands for a line break.
std::string lineBreaks(std::string text);
// The whole of a small local file, at most `limit` bytes; empty when it cannot be read.
std::string readSmallFile(const std::string& path, std::size_t limit);

// How long one network step (the opening of a request with its name lookup, connection and
// reply headers, each block of a download, each FTP command) may go without an answer.
constexpr DWORD stallLimitMs = 30000;

// What a blocking WinINet call gives back: its success, its error, a handle it opened, counts.
struct BlockingCall {
    BOOL ok = FALSE;
    DWORD error = 0;
    HINTERNET opened = nullptr;
    DWORD count = 0;
    DWORD high = 0;
    std::string data;
};

// Makes the call on a thread of the pool while this thread handles its messages, and gives it
// back once it returned. Null when it was given up: after stallLimitMs without returning, or once
// the program is ending. Then `abort` has been closed (that ends a call blocked on it) and set to
// null, and a handle the call still opens is closed by its own thread. The call must own what
// it uses: a given-up call may return long after its caller.
std::shared_ptr<const BlockingCall> callAndWait(std::function<void(BlockingCall&)> work, HINTERNET& abort);

struct InternetHandle {
    HINTERNET h = nullptr;
    InternetHandle() = default;
    InternetHandle(const InternetHandle&) = delete;
    InternetHandle& operator=(const InternetHandle&) = delete;
    ~InternetHandle()
    {
        if (h != nullptr)
            InternetCloseHandle(h);
    }
};

} // namespace wu::detail

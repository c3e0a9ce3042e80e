// The small Win32 steps that TWebUpdate's files (run, downloads, checks, actions) share.
#pragma once

#include <windows.h>
#include <wininet.h>

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
// Lets waiting window messages through; a quit message is put back for the main loop.
void pumpMessages();
bool endsWithNoCase(const std::string& text, const char* tail);
bool startCommand(const std::string& command, bool wait);
// "\" followed by "n" in a message stands for a line break.
std::string lineBreaks(std::string text);
// The whole of a small local file, at most `limit` bytes; empty when it cannot be read.
std::string readSmallFile(const std::string& path, std::size_t limit);

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

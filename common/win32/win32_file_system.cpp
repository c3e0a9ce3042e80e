// Win32 file access for the word base files.
#include "common/win32/win32_file_system.h"

#include "common/error.h"
#include "common/win32/text.h"

#include <windows.h>

#include <algorithm>

namespace slovo {

namespace {

class Handle {
public:
    explicit Handle(HANDLE h) : h_(h) {}
    ~Handle()
    {
        if (h_ != INVALID_HANDLE_VALUE)
            CloseHandle(h_);
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    HANDLE get() const { return h_; }
    bool valid() const { return h_ != INVALID_HANDLE_VALUE; }
    void close()
    {
        if (h_ != INVALID_HANDLE_VALUE)
            CloseHandle(h_);
        h_ = INVALID_HANDLE_VALUE;
    }

private:
    HANDLE h_;
};

bool writeAll(HANDLE file, std::string_view bytes)
{
    while (!bytes.empty()) {
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size(), 1u << 24));
        DWORD written = 0;
        if (!WriteFile(file, bytes.data(), chunk, &written, nullptr) || written == 0)
            return false;
        bytes.remove_prefix(written);
    }
    return true;
}

} // namespace

bool Win32FileSystem::directoryExists(const std::string& path)
{
    const DWORD a = GetFileAttributesW(tk::wide(path).c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

bool Win32FileSystem::createDirectory(const std::string& path)
{
    return CreateDirectoryW(tk::wide(path).c_str(), nullptr) != FALSE;
}

bool Win32FileSystem::fileExists(const std::string& path)
{
    const DWORD a = GetFileAttributesW(tk::wide(path).c_str());
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

std::string Win32FileSystem::readFile(const std::string& path)
{
    // Readers may share the file; a writer is shut out while it is read.
    Handle file(CreateFileW(tk::wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    LARGE_INTEGER size{};
    if (!file.valid() || !GetFileSizeEx(file.get(), &size) || static_cast<unsigned long long>(size.QuadPart) > kMaxReadSize)
        throw Error("Cannot open file " + path);
    std::string bytes(static_cast<size_t>(size.QuadPart), '\0');
    size_t done = 0;
    while (done < bytes.size()) {
        DWORD got = 0;
        const DWORD want = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 24));
        if (!ReadFile(file.get(), bytes.data() + done, want, &got, nullptr))
            throw Error("Cannot open file " + path);
        if (got == 0)
            break;
        done += got;
    }
    bytes.resize(done);
    return bytes;
}

void Win32FileSystem::writeFile(const std::string& path, std::string_view bytes)
{
    // Written beside the target and renamed over it: a failure never leaves half a file.
    const std::wstring target = tk::wide(path);
    const std::wstring temp = target + L".~new";
    Handle file(CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid())
        throw Error("Cannot create file " + path);
    const bool ok = writeAll(file.get(), bytes) && FlushFileBuffers(file.get());
    file.close();
    if (!ok || !MoveFileExW(temp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        DeleteFileW(temp.c_str());
        throw Error("Cannot create file " + path);
    }
}

} // namespace slovo

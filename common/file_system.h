// The file operations the word base needs, implemented by the shell (Win32) and by the
// standard library (native tests).
#pragma once

#include <string>
#include <string_view>

namespace slovo {

class FileSystem {
public:
    virtual ~FileSystem() = default;
    virtual bool directoryExists(const std::string& path) = 0;
    // Creates one directory; a missing parent is not created.
    virtual bool createDirectory(const std::string& path) = 0;
    virtual bool fileExists(const std::string& path) = 0;
    // The whole file; throws Error("Cannot open file " + path).
    virtual std::string readFile(const std::string& path) = 0;
    // Replaces the file as a whole; throws Error("Cannot create file " + path).
    virtual void writeFile(const std::string& path, std::string_view bytes) = 0;
};

// Files larger than this are refused on reading rather than swallowing the memory.
inline constexpr unsigned long long kMaxReadSize = 512ull << 20;

} // namespace slovo

// FileSystem over Win32: reads shut other writers out, writes replace the file atomically.
#pragma once

#include "common/file_system.h"

namespace slovo {

class Win32FileSystem : public FileSystem {
public:
    bool directoryExists(const std::string& path) override;
    bool createDirectory(const std::string& path) override;
    bool fileExists(const std::string& path) override;
    std::string readFile(const std::string& path) override;
    void writeFile(const std::string& path, std::string_view bytes) override;
};

} // namespace slovo

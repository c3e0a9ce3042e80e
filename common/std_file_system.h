// FileSystem over the C++ standard library, for native builds and tests.
#pragma once

#include "common/file_system.h"

namespace slovo {

class StdFileSystem : public FileSystem {
public:
    bool directoryExists(const std::string& path) override;
    bool createDirectory(const std::string& path) override;
    bool fileExists(const std::string& path) override;
    std::string readFile(const std::string& path) override;
    void writeFile(const std::string& path, std::string_view bytes) override;
};

} // namespace slovo

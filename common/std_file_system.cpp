// Standard-library file access; writes go through a temporary file renamed over the target.
#include "common/std_file_system.h"

#include "common/error.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace slovo {

namespace fs = std::filesystem;

bool StdFileSystem::directoryExists(const std::string& path)
{
    std::error_code ec;
    return fs::is_directory(path, ec);
}

bool StdFileSystem::createDirectory(const std::string& path)
{
    std::error_code ec;
    return fs::create_directory(path, ec) && !ec;
}

bool StdFileSystem::fileExists(const std::string& path)
{
    std::error_code ec;
    return fs::is_regular_file(path, ec);
}

std::string StdFileSystem::readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::error_code ec;
    const auto size = fs::file_size(path, ec);
    if (!in || ec || size > kMaxReadSize)
        throw Error("Cannot open file " + path);
    std::string bytes(static_cast<size_t>(size), '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    bytes.resize(static_cast<size_t>(in.gcount()));
    return bytes;
}

void StdFileSystem::writeFile(const std::string& path, std::string_view bytes)
{
    const std::string temp = path + ".tmp";
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        if (out)
            out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        if (out)
            out.flush();
        if (!out) {
            std::remove(temp.c_str());
            throw Error("Cannot create file " + path);
        }
    }
    std::error_code ec;
    fs::rename(temp, path, ec);
    if (ec) {
        std::remove(temp.c_str());
        throw Error("Cannot create file " + path);
    }
}

} // namespace slovo

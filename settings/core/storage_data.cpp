// Back ends of the settings storage and the rule that names the settings file.
#include "settings/core/storage_data.h"

#include "settings/core/rs02_format.h"
#include "settings/core/storage.h"

namespace rs {

TrsStorageData::~TrsStorageData()
{
    releaseStorage();
}

void TrsStorageData::releaseStorage()
{
    if (TrsStorage* s = storage_) {
        s->storageDataDestroying(this);
        storage_ = nullptr;
    }
}

std::string settingsFilePath(const std::string& fileName, FileDir dir, bool autoName, const std::string& defaultExt,
                             const PlatformDirs& dirs)
{
    const auto dirPart = [](const std::string& p) {
        const size_t slash = p.rfind('\\');
        return slash == std::string::npos ? std::string() : p.substr(0, slash + 1);
    };
    const auto namePart = [](const std::string& p) {
        const size_t slash = p.rfind('\\');
        return slash == std::string::npos ? p : p.substr(slash + 1);
    };

    std::string path;
    switch (dir) {
    case FileDir::fdCustom: path = dirPart(fileName); break;
    case FileDir::fdApplication: path = dirPart(dirs.programPath); break;
    case FileDir::fdWindows: path = dirs.windowsDir; break;
    case FileDir::fdUserProfile: path = dirs.appDataDir; break;
    }
    if (!path.empty() && path.back() != '\\')
        path += '\\';
    if (dir != FileDir::fdCustom && !fileName.empty()) {
        path += dirPart(fileName);
        if (!path.empty() && path.back() != '\\')
            path += '\\';
    }
    std::string name = autoName ? namePart(dirs.programPath) : namePart(fileName);
    while (!name.empty() && name.front() == '\\')
        name.erase(0, 1);
    path += name;

    const std::string fileTail = namePart(fileName);
    const size_t fileDot = fileTail.rfind('.');
    const std::string ext = fileDot == std::string::npos ? defaultExt : fileTail.substr(fileDot);
    const size_t lastSlash = path.rfind('\\');
    const size_t dot = path.rfind('.');
    if (dot != std::string::npos && (lastSlash == std::string::npos || dot > lastSlash))
        path.erase(dot);
    return path + ext;
}

std::string TrsStreamData::GetFileName() const
{
    return settingsFilePath(FileName, fileDir, doAutoName, defaultExt_, dirs_);
}

void TrsStreamData::CreateFileDir(const std::string& path)
{
    for (size_t i = 0; i <= path.size(); ++i) {
        if (i < path.size() && path[i] != '\\' && path[i] != '/')
            continue;
        const std::string prefix = path.substr(0, i);
        if (!prefix.empty() && prefix.back() != ':' && !fs_.directoryExists(prefix))
            fs_.createDirectory(prefix);
    }
}

void TrsStreamData::ReadData()
{
    stream_.clear();
    bool doStandard = !OnLoadFromStream;
    if (OnLoadFromStream)
        OnLoadFromStream(stream_, doStandard);
    if (doStandard) {
        const std::string name = GetFileName();
        if (fs_.fileExists(name))
            stream_ = fs_.readFile(name);
    }
    if (!stream_.empty())
        ReadStream(stream_);
}

void TrsStreamData::WriteData()
{
    stream_.clear();
    WriteStream(stream_);
    bool doStandard = !OnSaveToStream;
    if (OnSaveToStream)
        OnSaveToStream(stream_, doStandard);
    if (doStandard) {
        const std::string name = GetFileName();
        if (doAutoCreateDir) {
            const size_t slash = name.rfind('\\');
            if (slash != std::string::npos)
                CreateFileDir(name.substr(0, slash));
        }
        fs_.writeFile(name, stream_);
    }
}

void TrsBinData::ReadStream(const std::string& stream)
{
    if (TrsStorage* s = storage()) {
        Rs02Tables tables = readRs02(stream);
        s->assignTables(std::move(tables.sections), std::move(tables.keys));
    }
}

void TrsBinData::WriteStream(std::string& stream)
{
    if (TrsStorage* s = storage())
        stream = writeRs02(s->sections(), s->keys());
}

} // namespace rs

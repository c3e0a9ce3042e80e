// The storage's data back ends: TrsStorageData (abstract), TrsStreamData (a file image in memory,
// moved to and from a file) and TrsBinData (the "RS02" format).
#pragma once

#include "common/file_system.h"

#include <functional>
#include <string>

namespace rs {

class TrsStorage;

class TrsStorageData {
public:
    virtual ~TrsStorageData();
    TrsStorage* storage() const { return storage_; }

    std::function<void()> OnBeforeLoad, OnAfterLoad, OnBeforeSave, OnAfterSave;

    virtual void ReadData() {}
    virtual void WriteData() {}

protected:
    // Tells the storage that this back end goes away. The most derived destructor calls it, so
    // that the storage's last save still reaches the real writer.
    void releaseStorage();

private:
    friend class TrsStorage;
    TrsStorage* storage_ = nullptr;
};

enum class FileDir { fdCustom, fdApplication, fdWindows, fdUserProfile };

// What the platform tells about where things are.
struct PlatformDirs {
    std::string programPath; // the running program's file, with its directory
    std::string windowsDir;
    std::string appDataDir;  // empty when the platform cannot tell
};

// The settings file's path from FileName, FileDir and doAutoName.
std::string settingsFilePath(const std::string& fileName, FileDir dir, bool autoName, const std::string& defaultExt,
                             const PlatformDirs& dirs);

class TrsStreamData : public TrsStorageData {
public:
    TrsStreamData(slovo::FileSystem& fs, PlatformDirs dirs) : fs_(fs), dirs_(std::move(dirs)) {}

    std::string FileName;
    FileDir fileDir = FileDir::fdApplication;
    bool doAutoName = true;
    bool doAutoCreateDir = false;
    // Given the file image and DoStandard; they may fill or take the image themselves.
    std::function<void(std::string& stream, bool& doStandard)> OnLoadFromStream, OnSaveToStream;

    std::string GetFileName() const;
    // Creates every directory along the path; failures are ignored.
    void CreateFileDir(const std::string& path);

    void ReadData() override;
    void WriteData() override;

    const std::string& stream() const { return stream_; }

protected:
    virtual void ReadStream(const std::string& stream) { (void)stream; }
    virtual void WriteStream(std::string& stream) { (void)stream; }
    std::string defaultExt_;

private:
    slovo::FileSystem& fs_;
    PlatformDirs dirs_;
    std::string stream_;
};

class TrsBinData : public TrsStreamData {
public:
    TrsBinData(slovo::FileSystem& fs, PlatformDirs dirs) : TrsStreamData(fs, std::move(dirs)) { defaultExt_ = ".bin"; }
    ~TrsBinData() override { releaseStorage(); }

protected:
    void ReadStream(const std::string& stream) override;
    void WriteStream(std::string& stream) override;
};

} // namespace rs

// TrsStorage: settings held in memory as sections with named, typed keys, in two flat sorted
// arrays; loaded from and saved to a data back end, with chosen keys encrypted on disk.
#pragma once

#include "settings/core/storage_value.h"

#include <cstdint>
#include <exception>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace rs {

// a-z equal A-Z, every other byte by its value, a prefix first.
int compareNames(std::string_view a, std::string_view b);

struct Section {
    std::string name;
    uint32_t id = 0;
    uint32_t parent = 0; // 0: the top level
};

struct Key {
    std::string name;
    uint32_t section = 0; // 0: the top level
    StorageValue value;
};

class TrsStorageData;

// Section ids are 16 bits wide in the file.
inline constexpr uint32_t kMaxSectionId = 65535;

class TrsStorage {
public:
    // The shell draws the random default key; the core draws nothing itself.
    explicit TrsStorage(uint32_t encryptId = 0);
    ~TrsStorage();
    TrsStorage(const TrsStorage&) = delete;
    TrsStorage& operator=(const TrsStorage&) = delete;

    // --- the data in memory
    void setRootSection(const std::string& path);
    const std::string& rootSection() const { return rootText_; }
    uint32_t rootId() const { return rootId_; }
    int FindKey(const std::string& path, bool create);
    bool KeyExists(const std::string& path);
    void DeleteKey(const std::string& path);
    std::string ReadString(const std::string& path, const std::string& defaultText);
    void WriteString(const std::string& path, const std::string& text);
    void Clear();
    // The accessor; every successful lookup makes the key found its current value.
    TrsKeyValueWrapper& value() { return wrapper_; }

    const std::vector<Section>& sections() const { return sections_; }
    const std::vector<Key>& keys() const { return keys_; }
    uint32_t idCounter() const { return idCounter_; }
    // Replaces both tables with ones read from a file, already in table order.
    void assignTables(std::vector<Section> sections, std::vector<Key> keys);
    // Lookups without the caches, to measure and to cross-check them.
    void setCachesEnabled(bool enabled);

    // --- persistence
    uint32_t EncryptId;
    bool soSaveOnClose = true;
    std::function<void()> OnBeforeLoad, OnAfterLoad, OnBeforeSave, OnAfterSave;
    std::function<void(const std::string& key)> OnDecryptKey, OnEncryptKey;
    // Receives the error of a save that runs while the storage or its back end goes away,
    // where nothing may propagate.
    std::function<void(std::exception_ptr)> OnDestroyError;

    // Sorted, without duplicates (a-z case folded); entries become absolute paths when used.
    void addEncryptKey(const std::string& path);
    const std::vector<std::string>& encryptKeys() const { return encryptKeys_; }
    bool hasEncryptKey(const std::string& path) const;

    void setStorageData(TrsStorageData* data);
    TrsStorageData* storageData() const { return data_; }

    // While the owner is being built, setting Active puts the load off until endLoading.
    void beginLoading() { loading_ = true; }
    void endLoading();
    void setActive(bool active);
    bool active() const { return active_; }

    void Load();
    void Save();
    void EncryptKey(const std::string& path);
    void DecryptKey(const std::string& path);

    // The back end tells the storage before it goes away.
    void storageDataDestroying(TrsStorageData* data);

    struct Range {
        size_t begin = 0, end = 0;
        bool valid = false;
    };

private:

    // Section id for a section path, or -1; from the top level when absolute or forced.
    int64_t resolveSections(std::string_view path, bool create, bool fromTop);
    int64_t findSection(uint32_t parent, std::string_view name);
    // nullopt when every id the file can hold is taken.
    std::optional<uint32_t> newSectionId();
    std::optional<size_t> insertSection(uint32_t parent, std::string_view name);
    int64_t findKeyIn(uint32_t section, std::string_view name, bool create);
    Range rootKeys();
    Range rootChildren();
    static std::string absolute(const std::string& path);
    // Deactivates (saving) where no error may propagate; the error goes to OnDestroyError.
    void deactivateQuietly();

    std::vector<Section> sections_;
    std::vector<Key> keys_;
    uint32_t idCounter_ = 0;
    uint32_t rootId_ = 0;
    std::string rootText_;
    TrsKeyValueWrapper wrapper_;

    bool caches_ = true;
    struct {
        std::string path;
        uint32_t start = 0;
        uint32_t id = 0;
        size_t pos = 0;
        bool valid = false;
    } sectionCache_;
    struct {
        std::string name;
        uint32_t section = 0;
        size_t pos = 0;
        bool valid = false;
    } keyCache_;
    Range rootKeys_;
    Range rootChildren_;

    std::vector<std::string> encryptKeys_;
    TrsStorageData* data_ = nullptr;
    bool active_ = false, loading_ = false, pendingActive_ = false;
};

// Growth and shrink of the two tables: +8 up to 16, +16 up to 64, then a quarter; after a
// removal the capacity drops by half of the free entries, and an empty table is freed.
size_t grownCapacity(size_t capacity);
size_t shrunkCapacity(size_t capacity, size_t size);

} // namespace rs

// The settings tree: lookups, paths, caches, and the load and save around the back end.
#include "settings/core/storage.h"

#include "settings/core/storage_data.h"
#include "settings/core/value_crypt.h"

#include <algorithm>
#include <optional>

namespace rs {

int compareNames(std::string_view a, std::string_view b)
{
    const size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        auto ca = static_cast<unsigned char>(a[i]), cb = static_cast<unsigned char>(b[i]);
        if (ca >= 'a' && ca <= 'z')
            ca = static_cast<unsigned char>(ca - 32);
        if (cb >= 'a' && cb <= 'z')
            cb = static_cast<unsigned char>(cb - 32);
        if (ca != cb)
            return ca < cb ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

size_t grownCapacity(size_t capacity)
{
    if (capacity <= 16)
        return capacity + 8;
    if (capacity <= 64)
        return capacity + 16;
    return capacity + capacity / 4;
}

size_t shrunkCapacity(size_t capacity, size_t size)
{
    if (size == 0)
        return 0;
    return capacity - (capacity - size) / 2;
}

namespace {

template <typename T>
void makeRoom(std::vector<T>& table)
{
    if (table.size() == table.capacity())
        table.reserve(grownCapacity(table.capacity()));
}

template <typename T>
void afterRemoval(std::vector<T>& table)
{
    const size_t target = shrunkCapacity(table.capacity(), table.size());
    if (target == 0) {
        std::vector<T>().swap(table);
    } else if (target < table.capacity()) {
        std::vector<T> smaller;
        smaller.reserve(target);
        std::move(table.begin(), table.end(), std::back_inserter(smaller));
        table.swap(smaller);
    }
}

// The range of entries belonging to one owner id in a table sorted by that id: the cached range
// when it still matches the table, otherwise found again.
template <typename T, typename Owner>
TrsStorage::Range checkedRange(const std::vector<T>& table, TrsStorage::Range& r, uint32_t id, Owner owner)
{
    const auto ok = [&] {
        if (!r.valid || r.begin > r.end || r.end > table.size())
            return false;
        if (r.begin < r.end && (owner(table[r.begin]) != id || owner(table[r.end - 1]) != id))
            return false;
        if (r.begin > 0 && owner(table[r.begin - 1]) >= id)
            return false;
        return r.end == table.size() || owner(table[r.end]) > id;
    };
    if (!ok()) {
        const auto first = std::lower_bound(table.begin(), table.end(), id, [&](const T& e, uint32_t v) { return owner(e) < v; });
        const auto last = std::upper_bound(first, table.end(), id, [&](uint32_t v, const T& e) { return v < owner(e); });
        r = {static_cast<size_t>(first - table.begin()), static_cast<size_t>(last - table.begin()), true};
    }
    return r;
}

bool isSeparator(char c)
{
    return c == '/' || c == '\\';
}

bool sectionBefore(const Section& s, uint32_t parent, std::string_view name)
{
    return s.parent != parent ? s.parent < parent : compareNames(s.name, name) < 0;
}

bool keyBefore(const Key& k, uint32_t section, std::string_view name)
{
    return k.section != section ? k.section < section : compareNames(k.name, name) < 0;
}

} // namespace

TrsStorage::TrsStorage(uint32_t encryptId) : EncryptId(encryptId)
{
    static StorageValue none;
    wrapper_.setCurrent(&none);
}

TrsStorage::~TrsStorage()
{
    deactivateQuietly();
    if (data_)
        data_->storage_ = nullptr;
}

void TrsStorage::setCachesEnabled(bool enabled)
{
    caches_ = enabled;
    sectionCache_.valid = keyCache_.valid = rootKeys_.valid = rootChildren_.valid = false;
}

int64_t TrsStorage::findSection(uint32_t parent, std::string_view name)
{
    size_t lo = 0, hi = sections_.size();
    if (caches_ && parent == rootId_) {
        const Range r = rootChildren();
        lo = r.begin;
        hi = r.end;
    }
    const auto it = std::lower_bound(sections_.begin() + static_cast<std::ptrdiff_t>(lo),
                                     sections_.begin() + static_cast<std::ptrdiff_t>(hi), 0,
                                     [&](const Section& s, int) { return sectionBefore(s, parent, name); });
    if (it != sections_.begin() + static_cast<std::ptrdiff_t>(hi) && it->parent == parent && compareNames(it->name, name) == 0)
        return it - sections_.begin();
    return -1;
}

TrsStorage::Range TrsStorage::rootChildren()
{
    return checkedRange(sections_, rootChildren_, rootId_, [](const Section& s) { return s.parent; });
}

std::optional<uint32_t> TrsStorage::newSectionId()
{
    // The file holds 16-bit ids: a section numbered beyond them would be lost on every save.
    if (idCounter_ < kMaxSectionId)
        return ++idCounter_;
    // After a file whose ids reach the top, a gap below is an id no section of this storage had.
    std::vector<bool> used(kMaxSectionId + 1);
    for (const auto& s : sections_)
        if (s.id <= kMaxSectionId)
            used[s.id] = true;
    for (uint32_t id = 1; id <= kMaxSectionId; ++id)
        if (!used[id])
            return id;
    return std::nullopt;
}

std::optional<size_t> TrsStorage::insertSection(uint32_t parent, std::string_view name)
{
    const std::optional<uint32_t> id = newSectionId();
    if (!id)
        return std::nullopt;
    const auto it = std::lower_bound(sections_.begin(), sections_.end(), 0,
                                     [&](const Section& s, int) { return sectionBefore(s, parent, name); });
    const size_t pos = static_cast<size_t>(it - sections_.begin());
    makeRoom(sections_);
    sections_.insert(sections_.begin() + static_cast<std::ptrdiff_t>(pos), Section{std::string(name), *id, parent});
    if (sectionCache_.valid && sectionCache_.pos >= pos)
        ++sectionCache_.pos;
    if (rootChildren_.valid) {
        if (pos < rootChildren_.begin || (pos == rootChildren_.begin && parent < rootId_)) {
            ++rootChildren_.begin;
            ++rootChildren_.end;
        } else if (pos <= rootChildren_.end && parent == rootId_) {
            ++rootChildren_.end;
        }
    }
    return pos;
}

int64_t TrsStorage::resolveSections(std::string_view path, bool create, bool fromTop)
{
    uint32_t current = rootId_;
    size_t i = 0;
    if (fromTop || (!path.empty() && isSeparator(path[0]))) {
        current = 0;
        while (i < path.size() && isSeparator(path[i]))
            ++i;
    }
    const uint32_t start = current;
    if (caches_ && sectionCache_.valid && sectionCache_.start == start && sectionCache_.path == path
        && sectionCache_.pos < sections_.size() && sections_[sectionCache_.pos].id == sectionCache_.id)
        return sectionCache_.id;
    if (i == path.size())
        return current;
    size_t lastPos = 0;
    while (i <= path.size()) {
        size_t j = i;
        while (j < path.size() && !isSeparator(path[j]))
            ++j;
        const std::string_view component = path.substr(i, j - i);
        if (component.empty())
            return -1;
        int64_t pos = findSection(current, component);
        if (pos < 0) {
            if (!create)
                return -1;
            const std::optional<size_t> inserted = insertSection(current, component);
            if (!inserted)
                return -1;
            pos = static_cast<int64_t>(*inserted);
        }
        current = sections_[static_cast<size_t>(pos)].id;
        lastPos = static_cast<size_t>(pos);
        if (j == path.size())
            break;
        i = j + 1;
    }
    if (caches_) {
        sectionCache_.path.assign(path);
        sectionCache_.start = start;
        sectionCache_.id = current;
        sectionCache_.pos = lastPos;
        sectionCache_.valid = true;
    }
    return current;
}

TrsStorage::Range TrsStorage::rootKeys()
{
    return checkedRange(keys_, rootKeys_, rootId_, [](const Key& k) { return k.section; });
}

int64_t TrsStorage::findKeyIn(uint32_t section, std::string_view name, bool create)
{
    if (caches_ && keyCache_.valid && keyCache_.section == section && keyCache_.pos < keys_.size()
        && keys_[keyCache_.pos].section == section && compareNames(keys_[keyCache_.pos].name, name) == 0)
        return static_cast<int64_t>(keyCache_.pos);

    size_t lo = 0, hi = keys_.size();
    if (caches_ && section == rootId_) {
        const Range r = rootKeys();
        lo = r.begin;
        hi = r.end;
    }
    const auto begin = keys_.begin() + static_cast<std::ptrdiff_t>(lo);
    const auto end = keys_.begin() + static_cast<std::ptrdiff_t>(hi);
    const auto it = std::lower_bound(begin, end, 0, [&](const Key& k, int) { return keyBefore(k, section, name); });
    size_t pos = static_cast<size_t>(it - keys_.begin());
    if (!(it != end && it->section == section && compareNames(it->name, name) == 0)) {
        if (!create)
            return -1;
        makeRoom(keys_);
        keys_.insert(keys_.begin() + static_cast<std::ptrdiff_t>(pos), Key{std::string(name), section, StorageValue{}});
        if (rootKeys_.valid) {
            if (pos < rootKeys_.begin || (pos == rootKeys_.begin && section < rootId_)) {
                ++rootKeys_.begin;
                ++rootKeys_.end;
            } else if (pos <= rootKeys_.end && section == rootId_) {
                ++rootKeys_.end;
            }
        }
    }
    if (caches_) {
        keyCache_.name.assign(name);
        keyCache_.section = section;
        keyCache_.pos = pos;
        keyCache_.valid = true;
    }
    return static_cast<int64_t>(pos);
}

int TrsStorage::FindKey(const std::string& path, bool create)
{
    const size_t last = path.rfind('\\');
    int64_t section;
    std::string_view name;
    if (last == std::string::npos) {
        section = rootId_;
        name = path;
    } else if (last == 0) {
        section = 0;
        name = std::string_view(path).substr(1);
    } else {
        section = resolveSections(std::string_view(path).substr(0, last), create, false);
        name = std::string_view(path).substr(last + 1);
    }
    if (section < 0)
        return -1;
    const int64_t pos = findKeyIn(static_cast<uint32_t>(section), name, create);
    if (pos >= 0)
        wrapper_.setCurrent(&keys_[static_cast<size_t>(pos)].value);
    return static_cast<int>(pos);
}

bool TrsStorage::KeyExists(const std::string& path)
{
    return FindKey(path, false) >= 0;
}

void TrsStorage::DeleteKey(const std::string& path)
{
    const int pos = FindKey(path, false);
    if (pos < 0)
        return;
    static StorageValue none;
    wrapper_.setCurrent(&none);
    const uint32_t section = keys_[static_cast<size_t>(pos)].section;
    keys_.erase(keys_.begin() + pos);
    const auto p = static_cast<size_t>(pos);
    if (keyCache_.valid) {
        if (keyCache_.pos == p)
            keyCache_.valid = false;
        else if (keyCache_.pos > p)
            --keyCache_.pos;
    }
    if (rootKeys_.valid) {
        if (p < rootKeys_.begin) {
            --rootKeys_.begin;
            --rootKeys_.end;
        } else if (p < rootKeys_.end && section == rootId_) {
            --rootKeys_.end;
        }
    }
    afterRemoval(keys_);
}

std::string TrsStorage::ReadString(const std::string& path, const std::string& defaultText)
{
    return FindKey(path, false) >= 0 ? wrapper_.AsString() : defaultText;
}

void TrsStorage::WriteString(const std::string& path, const std::string& text)
{
    if (FindKey(path, true) >= 0)
        wrapper_.SetString(text);
}

void TrsStorage::setRootSection(const std::string& path)
{
    const int64_t id = resolveSections(path, true, true);
    if (id < 0)
        return;
    rootId_ = static_cast<uint32_t>(id);
    rootText_ = path;
    rootKeys_.valid = rootChildren_.valid = false;
}

void TrsStorage::Clear()
{
    static StorageValue none;
    wrapper_.setCurrent(&none);
    std::vector<Section>().swap(sections_);
    std::vector<Key>().swap(keys_);
    idCounter_ = 0;
    rootText_.clear();
    rootId_ = 0;
    sectionCache_.valid = keyCache_.valid = rootKeys_.valid = rootChildren_.valid = false;
}

void TrsStorage::assignTables(std::vector<Section> sections, std::vector<Key> keys)
{
    Clear();
    sections_ = std::move(sections);
    keys_ = std::move(keys);
    sections_.reserve(std::max<size_t>(sections_.size(), 8));
    keys_.reserve(std::max<size_t>(keys_.size(), 8));
    for (const auto& s : sections_)
        idCounter_ = std::max(idCounter_, s.id);
}

std::string TrsStorage::absolute(const std::string& path)
{
    return !path.empty() && path[0] == '\\' ? path : "\\" + path;
}

void TrsStorage::addEncryptKey(const std::string& path)
{
    const auto it = std::lower_bound(encryptKeys_.begin(), encryptKeys_.end(), path,
                                     [](const std::string& a, const std::string& b) { return compareNames(a, b) < 0; });
    if (it != encryptKeys_.end() && compareNames(*it, path) == 0)
        return;
    encryptKeys_.insert(it, path);
}

bool TrsStorage::hasEncryptKey(const std::string& path) const
{
    return std::binary_search(encryptKeys_.begin(), encryptKeys_.end(), path,
                              [](const std::string& a, const std::string& b) { return compareNames(a, b) < 0; });
}

void TrsStorage::setStorageData(TrsStorageData* data)
{
    if (data_ == data)
        return;
    if (data_)
        data_->storage_ = nullptr;
    data_ = data;
    if (data_)
        data_->storage_ = this;
}

void TrsStorage::storageDataDestroying(TrsStorageData* data)
{
    if (data != data_)
        return;
    // Saved while the back end still exists.
    deactivateQuietly();
    data_ = nullptr;
}

void TrsStorage::deactivateQuietly()
{
    try {
        if (active_)
            setActive(false);
    } catch (...) {
        if (OnDestroyError)
            OnDestroyError(std::current_exception());
    }
}

void TrsStorage::endLoading()
{
    loading_ = false;
    if (pendingActive_) {
        pendingActive_ = false;
        active_ = true;
        Load();
    }
}

void TrsStorage::setActive(bool active)
{
    if (active == active_ && !(active && loading_))
        return;
    if (active) {
        if (loading_) {
            pendingActive_ = true;
            return;
        }
        active_ = true;
        Load();
        return;
    }
    pendingActive_ = false;
    const bool save = active_ && soSaveOnClose;
    active_ = false;
    if (save)
        Save();
}

void TrsStorage::Load()
{
    Clear();
    if (OnBeforeLoad)
        OnBeforeLoad();
    if (data_) {
        if (data_->OnBeforeLoad)
            data_->OnBeforeLoad();
        try {
            data_->ReadData();
        } catch (...) {
            if (data_->OnAfterLoad)
                data_->OnAfterLoad();
            throw;
        }
        if (data_->OnAfterLoad)
            data_->OnAfterLoad();
        for (const auto& entry : std::vector<std::string>(encryptKeys_)) {
            if (OnDecryptKey)
                OnDecryptKey(absolute(entry));
            else
                DecryptKey(absolute(entry));
        }
    }
    if (OnAfterLoad)
        OnAfterLoad();
}

void TrsStorage::Save()
{
    if (OnBeforeSave)
        OnBeforeSave();
    if (data_) {
        const std::vector<std::string> entries = encryptKeys_;
        struct Slot {
            bool has = false;
            StorageValue value;
        };
        std::vector<Slot> plain(entries.size());
        const auto restore = [&] {
            for (size_t i = 0; i < entries.size(); ++i) {
                if (plain[i].has && FindKey(absolute(entries[i]), false) >= 0)
                    keys_[static_cast<size_t>(FindKey(absolute(entries[i]), false))].value = std::move(plain[i].value);
            }
        };
        try {
            for (size_t i = 0; i < entries.size(); ++i) {
                const int pos = FindKey(absolute(entries[i]), false);
                if (pos >= 0) {
                    plain[i].has = true;
                    plain[i].value = keys_[static_cast<size_t>(pos)].value;
                }
            }
            for (const auto& entry : entries) {
                if (OnEncryptKey)
                    OnEncryptKey(absolute(entry));
                else
                    EncryptKey(absolute(entry));
            }
            if (data_->OnBeforeSave)
                data_->OnBeforeSave();
            const std::string root = rootText_;
            setRootSection("");
            try {
                data_->WriteData();
            } catch (...) {
                setRootSection(root);
                if (data_->OnAfterSave)
                    data_->OnAfterSave();
                throw;
            }
            setRootSection(root);
            if (data_->OnAfterSave)
                data_->OnAfterSave();
        } catch (...) {
            restore();
            throw;
        }
        restore();
    }
    if (OnAfterSave)
        OnAfterSave();
}

void TrsStorage::EncryptKey(const std::string& path)
{
    const int pos = FindKey(path, false);
    if (pos < 0)
        return;
    StorageValue& v = keys_[static_cast<size_t>(pos)].value;
    const std::string text = encryptValue(v, EncryptId);
    const bool binary = v.type == vtBinary;
    v = StorageValue{};
    v.type = binary ? vtBinary : vtString;
    v.bytes = text;
}

void TrsStorage::DecryptKey(const std::string& path)
{
    const int pos = FindKey(path, false);
    if (pos < 0)
        return;
    StorageValue& v = keys_[static_cast<size_t>(pos)].value;
    if (v.type != vtString && v.type != vtBinary)
        return;
    decryptValue(v, EncryptId);
}

} // namespace rs

// Reader and writer of the "RS02" settings file.
#include "settings/core/rs02_format.h"

#include <algorithm>
#include <unordered_set>

namespace rs {

namespace {

class Reader {
public:
    explicit Reader(std::string_view data) : data_(data) {}
    bool u8(uint32_t& v) { return take(1, v); }
    bool u16(uint32_t& v) { return take(2, v); }
    bool u32(uint32_t& v) { return take(4, v); }
    bool bytes(size_t n, std::string& out)
    {
        if (data_.size() - pos_ < n)
            return false;
        out.assign(data_.substr(pos_, n));
        pos_ += n;
        return true;
    }
    bool raw(size_t n, uint8_t* out)
    {
        if (data_.size() - pos_ < n)
            return false;
        std::copy_n(reinterpret_cast<const uint8_t*>(data_.data()) + pos_, n, out);
        pos_ += n;
        return true;
    }

private:
    bool take(size_t n, uint32_t& v)
    {
        if (data_.size() - pos_ < n)
            return false;
        v = 0;
        for (size_t i = 0; i < n; ++i)
            v |= static_cast<uint32_t>(static_cast<uint8_t>(data_[pos_ + i])) << (8 * i);
        pos_ += n;
        return true;
    }
    std::string_view data_;
    size_t pos_ = 0;
};

void put(std::string& out, uint32_t v, int n)
{
    for (int i = 0; i < n; ++i)
        out += static_cast<char>((v >> (8 * i)) & 0xFF);
}

size_t payloadSize(uint32_t type)
{
    switch (type) {
    case vtInteger:
    case vtBoolean: return 4;
    case vtFloat:
    case vtCurrency:
    case vtDateTime:
    case vtInt64:
    case vtPair: return 8;
    default: return 0;
    }
}

} // namespace

Rs02Tables readRs02(std::string_view bytes)
{
    Rs02Tables t;
    Reader r(bytes);
    std::string signature;
    uint32_t sectionCount = 0, keyCount = 0;
    if (!r.bytes(4, signature) || !r.u16(sectionCount) || !r.u16(keyCount)) {
        t.complete = bytes.empty();
        return t;
    }
    const bool wideLengths = signature[3] == '2';

    std::unordered_set<uint32_t> ids;
    t.sections.reserve(std::max<uint32_t>(sectionCount, 8));
    for (uint32_t i = 0; i < sectionCount; ++i) {
        Section s;
        uint32_t len = 0;
        if (!r.u16(s.id) || !r.u16(s.parent) || !r.u8(len) || !r.bytes(len, s.name)) {
            t.complete = false;
            return t;
        }
        // Ids must be unique and positive, names non-empty and the table ordered.
        const bool ordered = t.sections.empty()
                             || t.sections.back().parent < s.parent
                             || (t.sections.back().parent == s.parent && compareNames(t.sections.back().name, s.name) < 0);
        if (s.id == 0 || s.name.empty() || !ordered || !ids.insert(s.id).second) {
            t.complete = false;
            return t;
        }
        t.sections.push_back(std::move(s));
    }

    t.keys.reserve(std::max<uint32_t>(keyCount, 8));
    for (uint32_t i = 0; i < keyCount; ++i) {
        Key k;
        uint32_t len = 0, type = 0;
        if (!r.u16(k.section) || !r.u8(len) || !r.bytes(len, k.name) || !r.u16(type)) {
            t.complete = false;
            return t;
        }
        k.value.type = static_cast<uint16_t>(type);
        bool ok = true;
        if (type == vtString || type == vtBinary) {
            uint32_t n = 0;
            ok = (wideLengths ? r.u32(n) : r.u16(n)) && r.bytes(n, k.value.bytes);
        } else if (const size_t n = payloadSize(type)) {
            ok = r.raw(n, k.value.payload.data());
        }
        const bool ordered = t.keys.empty() || t.keys.back().section < k.section
                             || (t.keys.back().section == k.section && compareNames(t.keys.back().name, k.name) < 0);
        if (!ok || !ordered) {
            t.complete = false;
            return t;
        }
        t.keys.push_back(std::move(k));
    }
    return t;
}

std::string writeRs02(const std::vector<Section>& sections, const std::vector<Key>& keys)
{
    constexpr size_t kMaxCount = 65535;
    const auto clipped = [](const std::string& name) { return std::string_view(name).substr(0, kMaxNameLength); };

    // A section that cannot be written takes its subsections and keys with it; a clipped name
    // equal to the one before it in its table (kept, being first) would end the reader's table.
    std::unordered_set<uint32_t> dropped;
    std::vector<const Section*> outSections;
    for (const auto& s : sections) {
        const Section* last = outSections.empty() ? nullptr : outSections.back();
        const bool collides = last && last->parent == s.parent && compareNames(clipped(last->name), clipped(s.name)) >= 0;
        if (s.id > kMaxSectionId || s.parent > kMaxSectionId || outSections.size() >= kMaxCount || collides)
            dropped.insert(s.id);
        else
            outSections.push_back(&s);
    }
    for (bool more = !dropped.empty(); more;) {
        more = false;
        std::vector<const Section*> kept;
        for (const Section* s : outSections) {
            if (dropped.count(s->parent)) {
                dropped.insert(s->id);
                more = true;
            } else {
                kept.push_back(s);
            }
        }
        outSections.swap(kept);
    }
    std::vector<const Key*> outKeys;
    for (const auto& k : keys) {
        const Key* last = outKeys.empty() ? nullptr : outKeys.back();
        const bool collides = last && last->section == k.section && compareNames(clipped(last->name), clipped(k.name)) >= 0;
        if (k.section <= kMaxSectionId && outKeys.size() < kMaxCount && !collides && !dropped.count(k.section))
            outKeys.push_back(&k);
    }

    std::string out = "RS02";
    put(out, static_cast<uint32_t>(outSections.size()), 2);
    put(out, static_cast<uint32_t>(outKeys.size()), 2);
    for (const Section* s : outSections) {
        put(out, s->id, 2);
        put(out, s->parent, 2);
        const size_t len = std::min(s->name.size(), kMaxNameLength);
        put(out, static_cast<uint32_t>(len), 1);
        out.append(s->name, 0, len);
    }
    for (const Key* k : outKeys) {
        put(out, k->section, 2);
        const size_t len = std::min(k->name.size(), kMaxNameLength);
        put(out, static_cast<uint32_t>(len), 1);
        out.append(k->name, 0, len);
        put(out, k->value.type, 2);
        if (k->value.type == vtString || k->value.type == vtBinary) {
            put(out, static_cast<uint32_t>(k->value.bytes.size()), 4);
            out += k->value.bytes;
        } else if (const size_t n = payloadSize(k->value.type)) {
            out.append(reinterpret_cast<const char*>(k->value.payload.data()), n);
        }
    }
    return out;
}

} // namespace rs

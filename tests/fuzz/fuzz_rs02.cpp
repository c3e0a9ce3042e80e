// Fuzzes the "RS02" reader and writer, and the storage over the tables read: what is read writes
// and reads back the same, and every file the writer makes reads back whole, also after keys and
// sections named by the input are added.
#include "settings/core/rs02_format.h"
#include "settings/core/storage.h"
#include "tests/fuzz/fuzz_util.h"

#include <cstdint>

namespace {

bool sameTables(const rs::Rs02Tables& a, const rs::Rs02Tables& b)
{
    if (a.sections.size() != b.sections.size() || a.keys.size() != b.keys.size())
        return false;
    for (size_t i = 0; i < a.sections.size(); ++i)
        if (a.sections[i].name != b.sections[i].name || a.sections[i].id != b.sections[i].id
            || a.sections[i].parent != b.sections[i].parent)
            return false;
    for (size_t i = 0; i < a.keys.size(); ++i) {
        const auto &x = a.keys[i], &y = b.keys[i];
        if (x.name != y.name || x.section != y.section || x.value.type != y.value.type || x.value.bytes != y.value.bytes
            || x.value.payload != y.value.payload)
            return false;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    // The first byte splits the input: a file, then key paths one per line.
    const size_t split = size ? std::min<size_t>(size - 1, data[0] * 8u) : 0;
    const std::string_view file = size ? bytes.substr(1, split) : bytes;
    const std::string_view paths = size ? bytes.substr(1 + split) : std::string_view();

    rs::Rs02Tables t = rs::readRs02(file);
    const std::string written = rs::writeRs02(t.sections, t.keys);
    const rs::Rs02Tables back = rs::readRs02(written);
    FUZZ_CHECK(back.complete, "a written file does not read back whole");
    FUZZ_CHECK(sameTables(t, back), "tables read from a file write and read back differently");
    FUZZ_CHECK(rs::writeRs02(back.sections, back.keys) == written, "writing is not stable");

    rs::TrsStorage s;
    s.assignTables(std::move(t.sections), std::move(t.keys));
    size_t start = 0;
    int n = 0;
    while (start <= paths.size() && n++ < 64) {
        size_t end = paths.find('\n', start);
        if (end == std::string_view::npos)
            end = paths.size();
        const std::string path(paths.substr(start, end - start));
        s.WriteString(path, "v" + std::to_string(n));
        if (s.KeyExists(path))
            FUZZ_CHECK(s.ReadString(path, "") == "v" + std::to_string(n), "a key does not hold its value: " + path);
        start = end + 1;
    }
    const std::string saved = rs::writeRs02(s.sections(), s.keys());
    const rs::Rs02Tables reread = rs::readRs02(saved);
    FUZZ_CHECK(reread.complete, "a file saved after changes does not read back whole");
    for (const auto& sec : s.sections())
        FUZZ_CHECK(sec.id >= 1 && sec.id <= rs::kMaxSectionId, "section id " + std::to_string(sec.id));
    return 0;
}

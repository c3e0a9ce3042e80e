// Fuzzes the value conversions: only the stated errors, and the text of a number reads back to
// that number (floats to 15 digits).
#include "settings/core/storage_value.h"
#include "tests/fuzz/fuzz_util.h"

#include <cmath>
#include <cstdint>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    rs::StorageValue v;
    rs::TrsKeyValueWrapper w;
    w.setCurrent(&v);
    rs::FormatSettings fs;
    fs.decimalSeparator = data[0] & 1 ? ',' : '.';
    w.setFormatSettings(fs);
    v.type = static_cast<uint16_t>((data[0] >> 1) % 11);
    const std::string_view rest(reinterpret_cast<const char*>(data) + 1, size - 1);
    if (v.type == rs::vtString || v.type == rs::vtBinary)
        v.bytes.assign(rest);
    else
        std::memcpy(v.payload.data(), rest.data(), std::min<size_t>(8, rest.size()));

    std::string text;
    bool hasText = false;
    const auto guard = [](auto&& f) {
        try {
            f();
        } catch (const slovo::Error&) {
        }
    };
    guard([&] {
        text = w.AsString();
        hasText = true;
    });
    guard([&] { (void)w.AsInteger(); });
    guard([&] { (void)w.AsInt64(); });
    guard([&] { (void)w.AsFloat(); });
    (void)w.AsVariant();

    rs::StorageValue back;
    rs::TrsKeyValueWrapper b(fs);
    b.setCurrent(&back);
    if (hasText && v.type == rs::vtFloat && std::isfinite(v.real())) {
        b.SetString(text);
        double read = 0;
        try {
            read = b.AsFloat();
        } catch (const slovo::Error& e) {
            FUZZ_CHECK(false, "float text does not read back: " + text);
        }
        const double x = v.real();
        FUZZ_CHECK(read == x || std::fabs(read - x) <= std::fabs(x) * 1e-14 || std::fabs(x) < 1e-300,
                   "float text reads back far off: " + text);
    }
    if (hasText && (v.type == rs::vtInteger || v.type == rs::vtInt64)) {
        b.SetString(text);
        FUZZ_CHECK(b.AsInt64() == w.AsInt64(), "integer text does not read back: " + text);
    }
    return 0;
}

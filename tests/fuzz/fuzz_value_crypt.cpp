// Fuzzes base64 and the value encryption: decoding what was encoded gives the bytes, a decoded
// text encodes to a text that decodes the same, and an encrypted value decrypts to itself.
#include "settings/core/value_crypt.h"
#include "tests/fuzz/fuzz_util.h"

#include <cstdint>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::string encoded = rs::base64Encode(bytes);
    FUZZ_CHECK(rs::base64Decode(encoded) == std::string(bytes), "base64 does not round trip");
    if (const auto decoded = rs::base64Decode(bytes))
        FUZZ_CHECK(rs::base64Decode(rs::base64Encode(*decoded)) == decoded, "a decoded text re-encodes differently");

    if (size < 6)
        return 0;
    uint32_t key;
    std::memcpy(&key, data, 4);
    rs::StorageValue v;
    v.type = static_cast<uint16_t>(data[4] % 10);
    const std::string_view rest = bytes.substr(5);
    if (v.type == rs::vtString || v.type == rs::vtBinary)
        v.bytes.assign(rest);
    else
        std::memcpy(v.payload.data(), rest.data(), std::min<size_t>(8, rest.size()));
    rs::StorageValue e;
    e.type = v.type == rs::vtBinary ? rs::vtBinary : rs::vtString;
    e.bytes = rs::encryptValue(v, key);
    rs::decryptValue(e, key);
    FUZZ_CHECK(e.type == v.type && e.bytes == v.bytes && e.payload == v.payload, "a value does not decrypt to itself");

    // Any text decrypts to a valid type or stays as it is.
    rs::StorageValue t;
    t.type = rs::vtString;
    t.bytes.assign(rest);
    rs::decryptValue(t, key);
    FUZZ_CHECK(t.type <= 9, "decrypted type " + std::to_string(t.type));
    return 0;
}

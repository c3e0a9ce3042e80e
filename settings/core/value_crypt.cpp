// Base64 and the XOR scrambling of encrypted settings keys.
#include "settings/core/value_crypt.h"

namespace rs {

namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

int decodeChar(char c)
{
    if (c >= 'A' && c <= 'Z')
        return c - 'A';
    if (c >= 'a' && c <= 'z')
        return c - 'a' + 26;
    if (c >= '0' && c <= '9')
        return c - '0' + 52;
    if (c == '+')
        return 62;
    if (c == '/')
        return 63;
    return -1;
}

void scramble(std::string& buffer, uint32_t key)
{
    while (buffer.size() % 4)
        buffer += '\0';
    for (size_t i = 0; i < buffer.size(); ++i)
        buffer[i] = static_cast<char>(static_cast<uint8_t>(buffer[i]) ^ static_cast<uint8_t>(key >> (8 * (i % 4))));
}

} // namespace

std::string base64Encode(std::string_view bytes)
{
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    size_t i = 0;
    for (; i + 3 <= bytes.size(); i += 3) {
        const uint32_t n = (static_cast<uint8_t>(bytes[i]) << 16) | (static_cast<uint8_t>(bytes[i + 1]) << 8)
                           | static_cast<uint8_t>(bytes[i + 2]);
        out += kAlphabet[n >> 18];
        out += kAlphabet[(n >> 12) & 63];
        out += kAlphabet[(n >> 6) & 63];
        out += kAlphabet[n & 63];
    }
    const size_t rest = bytes.size() - i;
    if (rest == 1) {
        const uint32_t n = static_cast<uint8_t>(bytes[i]) << 16;
        out += kAlphabet[n >> 18];
        out += kAlphabet[(n >> 12) & 63];
    } else if (rest == 2) {
        const uint32_t n = (static_cast<uint8_t>(bytes[i]) << 16) | (static_cast<uint8_t>(bytes[i + 1]) << 8);
        out += kAlphabet[n >> 18];
        out += kAlphabet[(n >> 12) & 63];
        out += kAlphabet[(n >> 6) & 63];
    }
    return out;
}

std::optional<std::string> base64Decode(std::string_view text)
{
    if (text.size() % 4 == 1)
        return std::nullopt;
    std::string out;
    out.reserve(text.size() / 4 * 3 + 2);
    uint32_t acc = 0;
    int bits = 0;
    for (char c : text) {
        const int v = decodeChar(c);
        if (v < 0)
            return std::nullopt;
        acc = (acc << 6) | static_cast<uint32_t>(v);
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            out += static_cast<char>((acc >> bits) & 0xFF);
        }
    }
    return out;
}

std::string encryptValue(const StorageValue& value, uint32_t key)
{
    std::string buffer;
    buffer += static_cast<char>(value.type & 0xFF);
    buffer += static_cast<char>(value.type >> 8);
    if (value.type == vtString || value.type == vtBinary)
        buffer += value.bytes;
    else
        buffer.append(reinterpret_cast<const char*>(value.payload.data()), value.payload.size());
    const size_t m = buffer.size();
    scramble(buffer, key);
    return base64Encode(std::string_view(buffer).substr(0, m));
}

void decryptValue(StorageValue& value, uint32_t key)
{
    const auto decoded = base64Decode(value.bytes);
    // Too short to hold a type code: nothing is given a meaning, so the text stays.
    if (!decoded || decoded->size() < 2)
        return;
    std::string buffer = *decoded;
    const size_t m = buffer.size();
    scramble(buffer, key);
    const uint16_t type = static_cast<uint16_t>(static_cast<uint8_t>(buffer[0]) | (static_cast<uint8_t>(buffer[1]) << 8));
    if (type >= 10)
        return;
    if (type == vtString || type == vtBinary) {
        value.payload.fill(0);
        value.type = type;
        value.bytes = buffer.substr(2, m - 2);
        return;
    }
    // Other types need their whole 8-byte payload.
    if (m < 10)
        return;
    value.type = type;
    value.bytes.clear();
    for (size_t i = 0; i < 8; ++i)
        value.payload[i] = static_cast<uint8_t>(buffer[2 + i]);
}

} // namespace rs

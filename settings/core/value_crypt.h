// Value encryption of the settings file: type code and data, XORed with a 32-bit key in
// little-endian groups of four, as unpadded standard base64.
#pragma once

#include "settings/core/storage_value.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace rs {

std::string base64Encode(std::string_view bytes);
// nullopt for a character outside the alphabet (padding, blanks, line breaks) or a length that
// leaves the remainder 1 on division by 4.
std::optional<std::string> base64Decode(std::string_view text);

// The text that stands for the value on disk.
std::string encryptValue(const StorageValue& value, uint32_t key);
// Decrypts a string or binary value in place; a text that does not decode to a known type
// stays as it is.
void decryptValue(StorageValue& value, uint32_t key);

} // namespace rs

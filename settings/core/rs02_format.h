// The "RS02" settings file: header, sections and keys in table order, little-endian.
#pragma once

#include "settings/core/storage.h"

#include <string>
#include <string_view>
#include <vector>

namespace rs {

struct Rs02Tables {
    std::vector<Section> sections;
    std::vector<Key> keys;
    bool complete = true; // false when the data ended early or broke the table order
};

// Reads as far as the data is sound: an entry cut off by the end of the data, or one that
// would break the tables' order, ends its table there; what came before it is kept.
Rs02Tables readRs02(std::string_view bytes);

// Always writes version 2. What the format cannot hold is left out or clipped so that the file
// reads back: names beyond 255 bytes are cut, sections with ids beyond 65,535 (and their keys)
// and entries beyond 65,535 are dropped.
std::string writeRs02(const std::vector<Section>& sections, const std::vector<Key>& keys);

} // namespace rs

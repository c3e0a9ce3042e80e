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

inline constexpr size_t kMaxNameLength = 255;

// Always writes version 2. What the format cannot hold is left out or clipped so that the file
// reads back whole: names beyond 255 bytes are cut, and an entry whose cut name equals the one
// before it in its table is left out (with a section go its subsections and keys), as are
// sections with ids beyond 65,535 and entries beyond 65,535.
std::string writeRs02(const std::vector<Section>& sections, const std::vector<Key>& keys);

} // namespace rs

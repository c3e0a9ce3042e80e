// Word and hint files: one entry per line, cp1251 bytes, CR LF after every entry.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace slovo {

using StringList = std::vector<std::string>;

// Lines end at CR LF, lone LF or lone CR; a NUL ends the text; a final line end adds no
// empty entry, while empty lines inside the text stay as empty entries.
StringList parseLines(std::string_view bytes);

// CR LF after every entry, the last one included; an empty list gives no bytes at all.
std::string formatLines(const StringList& lines);

} // namespace slovo

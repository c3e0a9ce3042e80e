// Reading and writing the line-per-entry format of the word base files.
#include "game/core/word_file.h"

#include <algorithm>
#include <cstring>

namespace slovo {

StringList parseLines(std::string_view bytes)
{
    if (const void* nul = std::memchr(bytes.data(), 0, bytes.size()))
        bytes = bytes.substr(0, static_cast<const char*>(nul) - bytes.data());

    StringList lines;
    // Reserving up front saves the list from regrowing (and moving) a million entries.
    size_t expected = static_cast<size_t>(std::count(bytes.begin(), bytes.end(), '\n'));
    if (expected == 0)
        expected = static_cast<size_t>(std::count(bytes.begin(), bytes.end(), '\r'));
    lines.reserve(expected + 1);
    const char* p = bytes.data();
    const char* const end = p + bytes.size();
    while (p < end) {
        const char* q = p;
        while (q < end && *q != '\r' && *q != '\n')
            ++q;
        lines.emplace_back(p, q);
        if (q < end && *q++ == '\r' && q < end && *q == '\n')
            ++q;
        p = q;
    }
    return lines;
}

std::string formatLines(const StringList& lines)
{
    size_t total = 0;
    for (const auto& line : lines)
        total += line.size() + 2;
    std::string out;
    out.reserve(total);
    for (const auto& line : lines) {
        out += line;
        out += "\r\n";
    }
    return out;
}

} // namespace slovo

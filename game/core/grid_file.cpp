// Grid cell file reader: header counts, column widths, the words and hints, and the other cells.
#include "game/core/grid_file.h"

#include "common/error.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <optional>

namespace slovo {
namespace {

// Decimal with an optional sign and surrounding blanks; nullopt for anything else or overflow.
std::optional<int32_t> parseInt(std::string_view s)
{
    while (!s.empty() && s.front() == ' ')
        s.remove_prefix(1);
    while (!s.empty() && s.back() == ' ')
        s.remove_suffix(1);
    bool negative = false;
    if (!s.empty() && (s.front() == '-' || s.front() == '+')) {
        negative = s.front() == '-';
        s.remove_prefix(1);
    }
    if (s.empty() || s.size() > 10)
        return std::nullopt;
    int64_t value = 0;
    for (char c : s) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    if (negative)
        value = -value;
    if (value < INT32_MIN || value > INT32_MAX)
        return std::nullopt;
    return static_cast<int32_t>(value);
}

// Lines end as in the word files; iterating in place keeps a 10^6-row file cheap.
template <typename F>
void forEachLine(std::string_view bytes, F&& f)
{
    if (const void* nul = std::memchr(bytes.data(), 0, bytes.size()))
        bytes = bytes.substr(0, static_cast<const char*>(nul) - bytes.data());
    const char* p = bytes.data();
    const char* const end = p + bytes.size();
    while (p < end) {
        const char* q = p;
        while (q < end && *q != '\r' && *q != '\n')
            ++q;
        f(std::string_view(p, q - p));
        if (q < end && *q++ == '\r' && q < end && *q == '\n')
            ++q;
        p = q;
    }
}

} // namespace

std::string gridCellText(std::string_view raw)
{
    if (raw.find('\x08') == std::string_view::npos)
        return std::string(raw);
    // Byte 9 stands for CR and byte 8 for LF, so the first of either ends the visible line.
    const size_t cut = raw.find_first_of("\x08\x09");
    return std::string(raw.substr(0, cut));
}

GridFile parseGridFile(std::string_view bytes, const std::string& path)
{
    const auto corrupt = [&] { return Error("File contains no data or corrupt file " + path); };

    GridFile grid;
    bool header = true;
    forEachLine(bytes, [&](std::string_view line) {
        if (header) {
            header = false;
            const size_t comma = line.find(',');
            if (comma == std::string_view::npos)
                throw corrupt();
            const auto columns = parseInt(line.substr(0, comma));
            const auto rows = parseInt(line.substr(comma + 1));
            if (!columns || !rows || *columns <= 0 || *rows <= 0 || *columns > kMaxGridColumns
                || *rows > kMaxGridRows || int64_t{*columns} * *rows > kMaxGridCells)
                throw corrupt();
            grid.columns = *columns;
            grid.rows = *rows;
            grid.words.resize(static_cast<size_t>(grid.rows - 1));
            grid.hints.resize(static_cast<size_t>(grid.rows - 1));
            return;
        }
        if (line.size() >= 2 && line[0] == 'c' && line[1] == 'w') {
            const std::string_view rest = line.substr(std::min<size_t>(3, line.size()));
            const size_t comma = rest.find(',');
            if (comma == std::string_view::npos)
                return;
            const auto column = parseInt(rest.substr(0, comma));
            const auto width = parseInt(rest.substr(comma + 1));
            if (column && width && *column >= 0 && *column < grid.columns)
                grid.widths.emplace_back(*column, *width);
            return;
        }
        const size_t first = line.find(',');
        if (first == std::string_view::npos)
            return;
        const size_t second = line.find(',', first + 1);
        if (second == std::string_view::npos)
            return;
        const auto column = parseInt(line.substr(0, first));
        const auto row = parseInt(line.substr(first + 1, second - first - 1));
        if (!column || !row || *column < 0 || *row < 0 || *row >= grid.rows || *column >= grid.columns)
            return;
        std::string text = gridCellText(line.substr(second + 1));
        if (*row >= 1 && *column == 1)
            grid.words[*row - 1] = std::move(text);
        else if (*row >= 1 && *column == 2)
            grid.hints[*row - 1] = std::move(text);
        else
            grid.cells.push_back({*column, *row, std::move(text)});
    });
    if (header)
        throw corrupt();
    return grid;
}

} // namespace slovo

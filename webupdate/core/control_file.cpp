// The control-file reader: sections in brackets, key=value lines, comments after ';'.
#include "webupdate/core/control_file.h"

#include <algorithm>
#include <limits>

namespace wu {

namespace {

std::string_view trim(std::string_view s)
{
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!s.empty() && blank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && blank(s.back()))
        s.remove_suffix(1);
    return s;
}

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

} // namespace

std::string upperCase(std::string_view text)
{
    std::string out(text);
    for (char& ch : out) {
        const auto c = static_cast<unsigned char>(ch);
        if ((c >= 'a' && c <= 'z') || c >= 0xE0)
            ch = static_cast<char>(c - 0x20);
        else if (c == 0xB8) // ё
            ch = static_cast<char>(0xA8);
    }
    return out;
}

std::optional<std::int32_t> tryParseNumber(std::string_view text)
{
    text = trim(text);
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        text.remove_prefix(2);
        if (text.size() > 8)
            return std::nullopt;
        std::uint32_t value = 0;
        for (char c : text) {
            const int d = hexDigit(c);
            if (d < 0)
                return std::nullopt;
            value = value * 16 + static_cast<std::uint32_t>(d);
        }
        return static_cast<std::int32_t>(value);
    }
    bool negative = false;
    if (!text.empty() && (text[0] == '-' || text[0] == '+')) {
        negative = text[0] == '-';
        text.remove_prefix(1);
    }
    if (text.empty())
        return std::nullopt;
    std::int64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
        if (value > std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1)
            return std::nullopt;
    }
    if (negative)
        value = -value;
    if (value > std::numeric_limits<std::int32_t>::max())
        return std::nullopt;
    return static_cast<std::int32_t>(value);
}

ControlFile ControlFile::parse(std::string_view text)
{
    ControlFile file;
    std::map<std::string, std::string>* section = nullptr;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = trim(text.substr(0, end));
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
        if (line.empty() || line.front() == ';')
            continue;
        if (line.front() == '[') {
            const std::size_t close = line.find(']');
            if (close == std::string_view::npos)
                continue;
            section = &file.sections_[upperCase(trim(line.substr(1, close - 1)))];
            continue;
        }
        const std::size_t eq = line.find('=');
        if (section == nullptr || eq == std::string_view::npos)
            continue;
        const std::string key = upperCase(trim(line.substr(0, eq)));
        if (!key.empty())
            section->emplace(key, std::string(trim(line.substr(eq + 1))));
    }
    return file;
}

std::string ControlFile::value(std::string_view section, std::string_view key) const
{
    const auto s = sections_.find(upperCase(section));
    if (s == sections_.end())
        return {};
    const auto k = s->second.find(upperCase(key));
    return k == s->second.end() ? std::string{} : k->second;
}

std::int32_t ControlFile::number(std::string_view section, std::string_view key, std::int32_t fallback) const
{
    return parseNumber(value(section, key), fallback);
}

std::vector<std::int32_t> ControlFile::numberedSections(std::string_view prefix, std::int32_t last) const
{
    const std::string head = upperCase(prefix);
    std::vector<std::int32_t> out;
    for (const auto& [name, keys] : sections_) {
        if (name.size() <= head.size() || name.size() > head.size() + 10 || name.compare(0, head.size(), head) != 0 ||
            name[head.size()] == '0')
            continue;
        std::int64_t n = 0;
        bool digits = true;
        for (std::size_t i = head.size(); i < name.size() && digits; ++i) {
            digits = name[i] >= '0' && name[i] <= '9';
            n = n * 10 + (name[i] - '0');
        }
        if (digits && n <= last)
            out.push_back(static_cast<std::int32_t>(n));
    }
    std::sort(out.begin(), out.end());
    return out;
}

} // namespace wu

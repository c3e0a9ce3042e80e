// The update control file: INI-layout text read into sections and keys whose names ignore case.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace wu {

// Upper case of cp1251 text (Latin and Cyrillic letters), for names that compare without case.
std::string upperCase(std::string_view text);

// Decimal, or hexadecimal after "0x"; anything else (empty, junk, out of range) is the fallback.
// Hexadecimal takes up to 32 bits and wraps into the signed range, so 0xFFFFFFFF is -1.
std::optional<std::int32_t> tryParseNumber(std::string_view text);
inline std::int32_t parseNumber(std::string_view text, std::int32_t fallback)
{
    return tryParseNumber(text).value_or(fallback);
}

class ControlFile {
public:
    static ControlFile parse(std::string_view text);

    // A missing key reads as an empty string; values come with their outer blanks dropped.
    std::string value(std::string_view section, std::string_view key) const;
    std::int32_t number(std::string_view section, std::string_view key, std::int32_t fallback) const;
    // The numbers n from 1 to `last` for which a section `prefix` + n (n in decimal, no leading
    // zero) is present, ascending: a stated count can never make a loop outrun the file.
    std::vector<std::int32_t> numberedSections(std::string_view prefix, std::int32_t last) const;

private:
    // Upper-cased section -> upper-cased key -> value; the first occurrence of a key wins.
    std::map<std::string, std::map<std::string, std::string>> sections_;
};

} // namespace wu

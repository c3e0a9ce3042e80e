// Prefix conversion: the scan over braces and the directory form that replaces a prefix.
#include "webupdate/core/prefixes.h"

#include "webupdate/core/control_file.h"

namespace wu {

std::string prefixDirectory(std::string directory)
{
    while (!directory.empty() && directory.back() == '\\')
        directory.pop_back();
    if (directory.size() == 2 && directory[1] == ':')
        directory += "\\.";
    return directory;
}

std::string convertPrefixes(std::string text, const PrefixLookup& lookup)
{
    constexpr int maxReplacements = 64;
    int replaced = 0;
    std::size_t pos = 0;
    while (replaced < maxReplacements) {
        const std::size_t open = text.find('{', pos);
        if (open == std::string::npos)
            break;
        const std::size_t close = text.find('}', open + 1);
        if (close == std::string::npos)
            break;
        const auto dir = lookup(upperCase(text.substr(open + 1, close - open - 1)));
        if (!dir) {
            pos = open + 1;
            continue;
        }
        const std::string inserted = prefixDirectory(*dir);
        text.replace(open, close - open + 1, inserted);
        pos = open;
        ++replaced;
    }
    return text;
}

} // namespace wu

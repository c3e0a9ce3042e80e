// Version numbers, checksums and the decision whether a listed file is newer than the local one.
#include "webupdate/core/version_check.h"

#include "webupdate/core/control_file.h"

#include <array>
#include <vector>

namespace wu {

std::optional<FileVersion> parseVersion(std::string_view text)
{
    const char sep = text.find(',') != std::string_view::npos ? ',' : '.';
    std::vector<std::uint32_t> parts;
    while (true) {
        const std::size_t end = text.find(sep);
        const std::string_view part = text.substr(0, end);
        const auto n = tryParseNumber(part);
        if (!n)
            return std::nullopt;
        parts.push_back(static_cast<std::uint32_t>(*n));
        if (end == std::string_view::npos)
            break;
        text.remove_prefix(end + 1);
    }
    if (parts.size() < 4)
        return std::nullopt;
    const std::size_t n = parts.size();
    return FileVersion{static_cast<std::int32_t>(parts[0] * 65536u + parts[1]),
                       static_cast<std::int32_t>(parts[n - 2] * 65536u + parts[n - 1])};
}

std::uint32_t addToChecksum(std::uint32_t sum, std::string_view bytes)
{
    for (char c : bytes)
        sum += static_cast<unsigned char>(c);
    return sum;
}

std::uint32_t addToCrc32(std::uint32_t crc, std::string_view bytes)
{
    static const auto table = [] {
        std::array<std::uint32_t, 256> t{};
        for (std::uint32_t i = 0; i < 256; ++i) {
            std::uint32_t c = i;
            for (int k = 0; k < 8; ++k)
                c = c & 1 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[i] = c;
        }
        return t;
    }();
    for (char b : bytes)
        crc = table[(crc ^ static_cast<unsigned char>(b)) & 0xFF] ^ (crc >> 8);
    return crc;
}

bool isNewVersion(std::string_view newVersion, std::string_view localName, std::int32_t newSize,
                  std::int32_t newChecksum, LocalFile& local)
{
    if ((newVersion.empty() && newSize == 0 && newChecksum == -1) || localName.empty())
        return true;
    const bool checksumDiffers = newChecksum != -1 && local.checksum() != newChecksum;
    if (newSize > 0) {
        const std::int64_t size = local.size();
        return size > 0 && size != newSize;
    }
    const auto wanted = parseVersion(newVersion);
    if (wanted) {
        const FileVersion have = local.version().value_or(FileVersion{});
        if (wanted->high > have.high || (wanted->high == have.high && wanted->low > have.low))
            return true;
    }
    return checksumDiffers;
}

} // namespace wu

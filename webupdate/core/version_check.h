// The version test of the control file: version numbers, byte checksums, CRC-32 and the decision.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace wu {

// A file version as its two 32-bit halves, most significant first, compared as signed numbers.
struct FileVersion {
    std::int32_t high = -1;
    std::int32_t low = -1;
};

// Four (or more) numbers separated by "." or, when both occur, by ","; the first two form the
// upper half, the last two the lower half. Fewer than four, or a part not a number: none.
std::optional<FileVersion> parseVersion(std::string_view text);

// The byte checksum: -1 plus every byte as 0..255, in 32-bit arithmetic; feed blocks in order.
std::uint32_t addToChecksum(std::uint32_t sum, std::string_view bytes);
constexpr std::uint32_t checksumStart = 0xFFFFFFFFu;

// CRC-32 (IEEE, table-driven); start with crc32Start and finish with crc32Finish.
std::uint32_t addToCrc32(std::uint32_t crc, std::string_view bytes);
constexpr std::uint32_t crc32Start = 0xFFFFFFFFu;
inline std::uint32_t crc32Finish(std::uint32_t crc) { return ~crc; }

// What the decision needs to know of the local file; the shell reads the real file.
class LocalFile {
public:
    virtual ~LocalFile() = default;
    virtual std::int64_t size() = 0;                    // 0 when missing
    virtual std::optional<FileVersion> version() = 0;   // none without a version resource
    virtual std::int32_t checksum() = 0;                // -1 when unreadable
};

// The decision of IsNewVersion; `localName` empty means there is no local file to compare.
bool isNewVersion(std::string_view newVersion, std::string_view localName, std::int32_t newSize,
                  std::int32_t newChecksum, LocalFile& local);

} // namespace wu
